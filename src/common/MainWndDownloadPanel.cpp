// The main window's download panel: the rows' controls, the progress slots,
// the package and success messages, the refresh every second and the thread
// that keeps the local table's progress. Window thread, but the progress
// thread's body.
#include "MainWnd.h"

#include <process.h>

#include "GameButton.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

using namespace DuiLib;

namespace {

constexpr DWORD kProgressStoreMs = 1800;
constexpr DWORD kProgressThreadWaitMs = 3000;
constexpr DWORD kTextColor = 0xFFA9B3C9;

void SetText(CControlUI* control, const std::wstring& text) {
    if (control) control->SetText(text.c_str());
}

std::wstring RowPicture(int gameId) { return FormatString(L"temp\\download_%d.png", gameId); }

CLabelUI* NewLabel(const wchar_t* name, int width, int height, RECT padding, int font, DWORD color) {
    CLabelUI* label = new CLabelUI();
    label->SetName(name);
    label->SetFixedWidth(width);
    label->SetFixedHeight(height);
    label->SetPadding(padding);
    label->SetFont(font);
    label->SetTextColor(color);
    return label;
}

CButtonUI* NewRowButton(const std::wstring& name, RECT padding, const wchar_t* normal, const wchar_t* hot,
                        const wchar_t* pushed) {
    CButtonUI* button = new CButtonUI();
    button->SetName(name.c_str());
    button->SetFixedWidth(32);
    button->SetFixedHeight(32);
    button->SetPadding(padding);
    button->SetNormalImage(normal);
    button->SetHotImage(hot);
    button->SetPushedImage(pushed);
    return button;
}

}  // namespace

// What the progress thread is started with; it owns both shares.
struct CMainWnd::ProgressThreadArgs {
    std::shared_ptr<DownloadProgressState> state;
    std::shared_ptr<CMainWndContext> context;
};

// --- Slots

bool CMainWnd::InitProgressTask(int gameId) {
    if (m_downloadProgress->slots.Take(gameId)) return true;
    LOG_WARNING(L"InitProgressTask failed, gameId=%d", gameId);
    return false;
}

bool CMainWnd::RemoveProgressTask(int gameId) {
    if (m_downloadProgress->slots.Free(gameId)) return true;
    LOG_WARNING(L"RemoveProgressTask failed, gameId=%d", gameId);
    return false;
}

// --- Rows

GameDowdloadItem* CMainWnd::CreateGameDownloadUIGroup(std::unique_ptr<GameDowdloadItem> owned) {
    GameDowdloadItem* row = owned.get();
    m_downloadRows.push_back(std::move(owned));
    int n = m_downloadRowCounter++;
    if (!m_pGameDownloadBox) return row;

    CHorizontalLayoutUI* group = new CHorizontalLayoutUI();
    group->SetName(FormatString(L"game_download_%d", n).c_str());
    group->SetFixedHeight(105);
    group->SetPadding(RECT{0, 10, 0, 10});
    group->SetBkImage(L"download\\groupbk.png");
    m_pGameDownloadBox->Add(group);

    CLabelUI* picture = new CLabelUI();
    picture->SetFixedWidth(280);
    std::wstring pictureFile = CPaintManagerUI::GetResourcePath().GetData() + RowPicture(row->gameId);
    if (IsExistingFile(pictureFile))
        picture->SetBkImage(RowPicture(row->gameId).c_str());
    else
        LOG_DEBUG(L"GameId=%d without pic=%s", row->gameId, pictureFile.c_str());
    CVerticalLayoutUI* info = new CVerticalLayoutUI();
    info->SetFixedWidth(690);
    info->SetFixedHeight(105);
    group->Add(picture);
    group->Add(info);

    CLabelUI* name = NewLabel(L"text_game_name", 200, 20, RECT{32, 20, 0, 0}, 1, 0xFFFFFFFF);
    name->SetText(FitPanelText(row->gameName).c_str());
    CProgressUI* bar = new CProgressUI();
    bar->SetName(L"progress");
    bar->SetFixedWidth(690);
    bar->SetFixedHeight(17);
    bar->SetPadding(RECT{32, 8, 0, 0});
    bar->SetMaxValue(kProgressDone);
    bar->SetBkColor(0xFFA9B4CA);
    bar->SetForeColor(0xFF3E90FE);
    if (row->progress > 0) bar->SetValue(row->progress);
    CHorizontalLayoutUI* bottom = new CHorizontalLayoutUI();
    bottom->SetFixedWidth(690);
    bottom->SetFixedHeight(40);
    info->Add(name);
    info->Add(bar);
    info->Add(bottom);

    CLabelUI* percent = NewLabel(L"text_progress", 48, 20, RECT{32, 8, 0, 0}, 0, kTextColor);
    percent->SetText(FormatPercentText(row->progress).c_str());
    CLabelUI* remain = NewLabel(L"text_progress", 200, 20, RECT{410, 8, 0, 0}, 0, kTextColor);
    remain->SetAttribute(L"align", L"right");
    remain->SetText(kRowRemainZeroText);
    bottom->Add(percent);
    bottom->Add(remain);

    CButtonUI* folder = NewRowButton(FormatString(L"folder_btn_%d", n), RECT{32, 37, 0, 0}, L"download/folder_btn.png",
                                     L"download/folder_btn2.png", L"download/folder_btn3.png");
    CButtonUI* remove = NewRowButton(FormatString(L"delete_btn_%d", n), RECT{12, 37, 0, 0}, L"download\\delete_btn.png",
                                     L"download\\delete_btn2.png", L"download\\delete_btn3.png");
    CButtonUI* pause = NewRowButton(FormatString(L"pause_btn_%d", n), RECT{12, 37, 42, 0}, L"", L"", L"");
    group->Add(folder);
    group->Add(remove);
    group->Add(pause);

    row->groupLayout = group;
    row->picLabel = picture;
    row->progressBar = bar;
    row->nameLabel = name;
    row->percentLabel = percent;
    row->remainLabel = remain;
    row->folderBtn = folder;
    row->deleteBtn = remove;
    row->pauseBtn = pause;
    ShowRowRunning(row, row->isRunning);
    LOG_DEBUG(L"Download UI Group[%2d] PauseBtn=0x%p", n, static_cast<void*>(pause));
    return row;
}

void CMainWnd::HandleMsgUpdateGameDownloadPic(int gameId) {
    GameDowdloadItem* row = FindDownloadRow(gameId);
    if (!row || !row->picLabel) {
        LOG_ERROR(L"CMainWnd::HandleCustomMessage update game download pic, wParam=0x%X", static_cast<unsigned>(gameId));
        return;
    }
    std::wstring picture = RowPicture(gameId);
    LOG_DEBUG(L"CMainWnd::HandleCustomMessage update game download pic=%s", picture.c_str());
    row->picLabel->SetBkImage(picture.c_str());
    row->picLabel->Invalidate();
}

// --- Messages of the library

void CMainWnd::HandleMsgGameDownloadInfo(int gameId, std::unique_ptr<GamePackageInfo> info) {
    if (!info) return;
    if (GameDowdloadItem* row = FindDownloadRow(gameId)) {
        if (row->totalBlocks > 0) {
            // A resumed task: only the blocks it has left to fetch are new.
            row->totalBlocks = info->blocks;
            return;
        }
        row->totalBlocks = info->blocks;
        row->totalMB = static_cast<int>(info->totalKB >> 10);
        SetText(row->nameLabel, FormatGameSizeText(row->gameName, row->totalMB));
        if (row->progress <= 0 && row->progressBar) row->progressBar->SetValue(1);
        LocalDB().SetGameVersionAndSize(gameId, static_cast<int>(info->version), static_cast<int>(info->totalKB));
    }
    DownloadPanelTotals totals;
    for (const auto& row : m_downloadRows) totals.AddSize(row->totalMB, row->progress);
    SetText(m_pRemainSize, FormatRemainSizeText(totals.totalMB, totals.leftMB));
}

void CMainWnd::HandleMsgGameDownloadSuccess(int gameId) {
    if (GameDowdloadItem* row = FindDownloadRow(gameId)) {
        RemoveProgressTask(gameId);
        row->progress = kProgressDone;
        if (row->progressBar) row->progressBar->SetValue(kProgressDone);
        SetText(row->percentLabel, L"100%");
        if (row->pauseBtn) row->pauseBtn->SetEnabled(false);
        row->isRunning = false;
        row->kind = kDownloadKindFinished;
        row->speed = 0;
        row->remainSeconds = 0;
        SetText(row->remainLabel, kRowRemainZeroText);
    }
    DownloadPanelTotals totals;
    for (const auto& row : m_downloadRows) totals.Add(row->totalMB, row->progress, row->speed, row->remainSeconds);
    WriteDownloadTotals(totals);
    if (GameInfoItem* entry = FindGameItemByHomeId(gameId)) {
        entry->installed = 1;
        if (entry->gameBtn) entry->gameBtn->Invalidate();  // its "not installed" mask goes
    }
}

// --- Refresh (timer 15)

void CMainWnd::HandleUpdateGameDownloadProgress() {
    DownloadPanelTotals totals;
    for (const auto& owned : m_downloadRows) {
        GameDowdloadItem* row = owned.get();
        bool active = (row->kind == kDownloadKindDownload || row->kind == kDownloadKindUpdate) && row->isRunning &&
                      row->totalBlocks != 0;
        if (!active) continue;
        DownloadProgressSlot* slot = m_downloadProgress->slots.Find(row->gameId);
        uint32_t needBlocks = slot ? slot->needBlocks.load() : 0;
        uint32_t speed = slot ? slot->speed.load() : 0;
        if (needBlocks != 0 || speed != 0) {
            row->progress = ComputeDownloadProgress(row->baseProgress, needBlocks, row->totalBlocks);
            m_downloadProgress->slots.StoreProgress(row->gameId, row->progress);
            row->speed = speed;
            if (row->progressBar) row->progressBar->SetValue(row->progress);
            SetText(row->percentLabel, FormatPercentText(row->progress));
            row->remainSeconds = ComputeRemainSeconds(needBlocks, speed);
            std::wstring text = FormatRemainText(row->totalMB, row->progress, row->remainSeconds);
            SetText(row->remainLabel, text);
            LOG_DEBUG(L"gameId=%d progress=%.1f%% %s", row->gameId, row->progress / 10.0, text.c_str());
        }
        totals.Add(row->totalMB, row->progress, row->speed, row->remainSeconds);
    }
    if (totals.any) WriteDownloadTotals(totals);
}

void CMainWnd::WriteDownloadTotals(const DownloadPanelTotals& totals) {
    SetText(m_pRemainSize, FormatRemainSizeText(totals.totalMB, totals.leftMB));
    SetText(m_pTotalSpeed, FormatTotalSpeedText(totals.speedSum));
    UpdateRemainTimeText(totals.longestSeconds);
}

void CMainWnd::UpdateRemainTimeText(uint32_t seconds) { SetText(m_pRemainTime, FormatRemainTimeText(seconds)); }

void CMainWnd::ResetDownloadPanelTexts() {
    SetText(m_pRemainSize, kNoRemainSizeText);
    SetText(m_pTotalSpeed, kNoSpeedText);
    SetText(m_pRemainTime, kNoRemainTimeText);
}

// --- Progress thread

void CMainWnd::StartProgressThread() {
    DownloadProgressState& state = *m_downloadProgress;
    state.wake.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state.wake) {
        LOG_ERROR(L"progress thread event not created, LastError=%u", GetLastError());
        return;
    }
    auto args = std::make_unique<ProgressThreadArgs>(ProgressThreadArgs{m_downloadProgress, m_context});
    uintptr_t thread = _beginthreadex(nullptr, 0, &CMainWnd::ProgressThreadMain, args.get(), 0, nullptr);
    if (!thread) {
        LOG_ERROR(L"progress thread not started, errno=%d", errno);
        return;
    }
    args.release();
    m_progressThread.reset(reinterpret_cast<HANDLE>(thread));
}

unsigned __stdcall CMainWnd::ProgressThreadMain(void* parameter) {
    std::unique_ptr<ProgressThreadArgs> args(static_cast<ProgressThreadArgs*>(parameter));
    try {
        UpdateGameDownloadProgressToDB(*args->state, args->context->LocalDB());
    } catch (...) {
        LOG_ERROR(L"Update game download progress to DB thread ended by an exception");
    }
    return 0;
}

void CMainWnd::UpdateGameDownloadProgressToDB(DownloadProgressState& state, CLocalDB& db) {
    LOG_DEBUG(L"Update game download progress to DB thread enter");
    while (!state.stop.load()) {
        state.slots.StoreEach([&db](int gameId, int progress) { db.SetGameDownloadProgress(gameId, progress); },
                              state.stop);
        if (WaitForSingleObject(state.wake.get(), kProgressStoreMs) == WAIT_OBJECT_0) break;
    }
    LOG_DEBUG(L"Update game download progress to DB thread leave");
}

void CMainWnd::StopProgressThread() {
    m_downloadProgress->stop.store(true);
    if (m_downloadProgress->wake) SetEvent(m_downloadProgress->wake.get());
    if (!m_progressThread) return;
    if (WaitForSingleObject(m_progressThread.get(), kProgressThreadWaitMs) != WAIT_OBJECT_0)
        LOG_WARNING(L"Update game download progress to DB thread still runs after %u ms", kProgressThreadWaitMs);
    // Its event lives in the shared state and is closed once the thread is gone too.
    m_progressThread.reset();
}
