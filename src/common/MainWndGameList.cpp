// The main window's game list ("my games": the cached list file and the
// order rule) and its channel tabs.
#include "MainWnd.h"

#include "CCefCommonUI.h"
#include "GameButton.h"
#include "GlobalFunc.h"
#include "LocalPages.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

using namespace DuiLib;

namespace {

// The local table's answers for a whole list come from one read transaction:
// one file lock instead of one per question.
class LocalTableSnapshot {
public:
    explicit LocalTableSnapshot(CLocalDB& db) : db_(db), began_(db.ExecuteSQL("BEGIN;") == SQLITE_OK) {}
    ~LocalTableSnapshot() {
        if (began_) db_.ExecuteSQL("COMMIT;");
    }
    LocalTableSnapshot(const LocalTableSnapshot&) = delete;
    LocalTableSnapshot& operator=(const LocalTableSnapshot&) = delete;

private:
    CLocalDB& db_;
    bool began_;
};

}  // namespace

std::wstring CMainWnd::GetGameButtonImagePath(const GameInfoItem& entry) const {
    return FormatString(L"%sskin\\temp\\game_%d.%s", m_programFolder.c_str(), m_gameList.KeyOf(entry),
                        entry.iconExt);
}

std::wstring CMainWnd::GetGameLaunchPageUrl(int gameType) const {
    return GameTypePageUrl(m_programFolderUrl, gameType, L"launch");
}

std::wstring CMainWnd::GetGameDetailPageUrl(int gameType) const {
    return GameTypePageUrl(m_programFolderUrl, gameType, L"details");
}

GameBtnRequest CMainWnd::MakeGameBtnRequest(const GameInfoItem& entry) const {
    GameBtnRequest request;
    request.key = m_gameList.KeyOf(entry);
    request.idType = GameKeyIdType(m_gameList.NoCafeClient());
    request.pkgid = entry.pkgid;
    request.iconUrl = entry.iconUrl;
    request.iconExt = entry.iconExt;
    return request;
}

void CMainWnd::ReadGameBtnInfoFromFile() {
    std::wstring path = m_programFolder + L"gamebtn.dat";
    std::wstring text;
    if (!ReadGameListFile(path, &text)) {
        LOG_DEBUG(L"CMainWnd open file for read failed %s", path.c_str());
        return;
    }
    LOG_DEBUG(L"CMainWnd.ReadGameBtnInfoFromFile string len = %d", static_cast<int>(text.size()));
    std::string ansi = UnicodeToAnsi(text.c_str());
    std::wstring badAnswerLog = m_programFolder + L"log\\gamelist.txt";
    if (m_gameList.empty()) {
        ParseGameListJsonString(ansi.c_str(), true, m_gameList, badAnswerLog);
        return;
    }
    CGameList fileList(m_gameList.NoCafeClient());
    ParseGameListJsonString(ansi.c_str(), true, fileList, badAnswerLog);
    m_gameList.MergeGameList(fileList, false, nullptr, nullptr);
}

void CMainWnd::CreateAndShowGameListBySequence(bool fetchImages) {
    LOG_DEBUG(L"CreateAndShowGameListBySequence enter");
    std::vector<GameInfoItem*> changed;
    std::vector<GameInfoItem*> shown = m_gameList.OrderForDisplay(&changed, nullptr);
    {
        std::unique_ptr<LocalTableSnapshot> snapshot;
        if (m_noCafeClient && !shown.empty()) snapshot = std::make_unique<LocalTableSnapshot>(LocalDB());
        for (GameInfoItem* entry : shown) {
            if (fetchImages && !IsExistingFile(GetGameButtonImagePath(*entry)))
                StartGameBtnInfoRequest(*entry, kGameBtnIconChanged);
            CreateGameButton(entry);
        }
    }
    if (!changed.empty()) ReportGameListOrderChanged(changed);
    LOG_DEBUG(L"CreateAndShowGameListBySequence out");
}

GameInfoItem* CMainWnd::GetSelectedGameItem() const {
    for (GameInfoItem* entry : m_gameList.items()) {
        if (entry->gameBtn && entry->gameBtn->IsSelected()) return entry;
    }
    return nullptr;
}

void CMainWnd::CreateChannelTabs() {
    if (!m_pBodyLayout || !m_pMainTabBar) return;
    for (size_t i = 0; i < m_channels.size(); ++i) m_channelMap[static_cast<int>(i)] = m_channels[i];
    COptionUI* firstOption = nullptr;
    for (const auto& [n, channel] : m_channelMap) {
        COptionUI* option = new COptionUI();
        // The name is set as text, never pasted into the attribute list.
        option->ApplyAttributeList(
            FormatString(
                L"name=\"channel_btn_%d\" group=\"main_tabbar\" width=\"135\" height=\"66\" cursor=\"hand\" "
                L"align=\"left\" textcolor=\"#FFA9B3C9\" selectedtextcolor=\"#FFFFFFFF\" "
                L"pushedtextcolor=\"#FFFFFFFF\" textpadding=\"38,10,0,0\" font=\"1\" "
                L"normalimage=\"file = 'mainwnd/icon_default.png' dest = '55,0,81,25'\" "
                L"hotimage=\"file = 'mainwnd/icon_hover_default.png' dest = '55,0,81,25'\" "
                L"pushedimage=\"file = 'mainwnd/icon_hover_default.png' dest = '55,0,81,25'\" "
                L"selectedimage=\"file = 'mainwnd/icon_hover_default.png' dest = '55,0,81,25'\" ",
                n)
                .c_str());
        option->SetText(channel.name.c_str());
        option->SetTag(static_cast<UINT_PTR>(n));
        CHorizontalLayoutUI* layout = new CHorizontalLayoutUI();
        layout->ApplyAttributeList(FormatString(L"name=\"tab_%d\" ", n).c_str());
        CCefCommonUI* view = new CCefCommonUI(&m_PaintManager, this);
        view->ApplyAttributeList(FormatString(L"name=\"cef_%d\" ", n).c_str());
        if (n == 0) {
            firstOption = option;
            view->LoadUrl(m_startGameFlag == 1 ? m_startGameLine.c_str() : channel.linkUrl.c_str());
        } else {
            layout->SetVisible(false);
            view->SetVisible(false);
        }
        layout->Add(view);
        m_pBodyLayout->Add(layout);
        // The option shows its own page of BodyLayout, whatever pages precede it.
        option->BindTabIndex(m_pBodyLayout->GetItemIndex(layout));
        option->BindTabLayoutName(L"BodyLayout");
        m_pMainTabBar->Add(option);
    }
    if (firstOption) firstOption->Selected(true);
}

void CMainWnd::OnChannelButtonClick(COptionUI* button) {
    CDuiString text = button->GetText();
    if ((text == L"我的游戏" || text == L"我的优惠券") && m_account.empty()) SendMessage(WM_SHOW_LOGIN_WND);
    int n = static_cast<int>(button->GetTag());
    auto channel = m_channelMap.find(n);
    CControlUI* view = m_PaintManager.FindControl(FormatString(L"cef_%d", n).c_str());
    if (channel != m_channelMap.end() && view)
        static_cast<CCefCommonUI*>(view)->Navigate2(channel->second.linkUrl.c_str(), true);
    ShowChannelTab(n, false);
}

void CMainWnd::ShowChannelTab(int n, bool selectButton) {
    for (const wchar_t* format : {L"tab_%d", L"cef_%d"}) {
        if (CControlUI* old = m_PaintManager.FindControl(FormatString(format, m_curChannelIndex).c_str()))
            old->SetVisible(false);
    }
    CControlUI* tab = m_PaintManager.FindControl(FormatString(L"tab_%d", n).c_str());
    if (tab && m_pBodyLayout) m_pBodyLayout->SelectItem(tab);
    if (selectButton) SelectOption(FormatString(L"channel_btn_%d", n).c_str());
    if (tab) tab->SetVisible(true);
    if (CControlUI* view = m_PaintManager.FindControl(FormatString(L"cef_%d", n).c_str())) view->SetVisible(true);
    m_curChannelIndex = n;
}

void CMainWnd::OnChannelIconsDownloaded() {
    for (size_t i = 0; i < m_channels.size(); ++i) {
        int n = static_cast<int>(i);
        if (!IsExistingFile(GetChannelIconPath(m_programFolder, n, false)) ||
            !IsExistingFile(GetChannelIconPath(m_programFolder, n, true)))
            continue;
        CControlUI* option = m_PaintManager.FindControl(FormatString(L"channel_btn_%d", n).c_str());
        if (!option) continue;
        option->ApplyAttributeList(
            FormatString(L"normalimage=\"file = 'mainwnd/icon_%d.png' dest = '55,0,81,25'\" "
                         L"hotimage=\"file = 'mainwnd/icon_hover_%d.png' dest = '55,0,81,25'\" "
                         L"pushedimage=\"file = 'mainwnd/icon_hover_%d.png' dest = '55,0,81,25'\" "
                         L"selectedimage=\"file = 'mainwnd/icon_hover_%d.png' dest = '55,0,81,25'\"",
                         n, n, n, n)
                .c_str());
    }
    LOG_DEBUG(L"CMainWnd::HandleCustomMessage WM_UPDATE_CHANNEL_ICON");
}
