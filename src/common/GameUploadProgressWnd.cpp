#include "GameUploadProgressWnd.h"

#include "LogWriter.h"

using namespace DuiLib;

namespace {

constexpr int kWidth = 236;
constexpr int kRightGap = 237;
constexpr int kBaseHeight = 70;
constexpr int kRowHeight = 40;

template <typename T>
T* Make(const wchar_t* name, std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes) {
    T* control = new T();
    control->SetName(name);
    for (const auto& a : attributes) control->SetAttribute(a.first, a.second);
    return control;
}

}  // namespace

void CGameUploadProgressWnd::AddItem(unsigned gameId) { m_items.push_back(UploadItem{gameId, L"绝地大逃杀"}); }

void CGameUploadProgressWnd::InitWindow() {
    CControlUI* panel = m_PaintManager.FindControl(L"main_panel");
    m_pMainPanel = panel ? static_cast<CContainerUI*>(panel->GetInterface(L"IContainer")) : nullptr;
    if (!m_pMainPanel) return;
    for (const UploadItem& item : m_items) AddRow(item);
}

// One row: the game's icon and name, and a column with its progress bar and percent.
void CGameUploadProgressWnd::AddRow(const UploadItem& item) {
    auto* row = Make<CHorizontalLayoutUI>(L"game_upload_item", {{L"height", L"40"}, {L"padding", L"20,0"}});
    auto* icon = Make<CLabelUI>(L"game_icon", {{L"width", L"22"}, {L"height", L"22"}});
    icon->SetBkImage(CPaintManagerUI::GetResourcePath() + L"temp\\game_19415.png");
    auto* name = Make<CLabelUI>(L"text_game_name", {{L"width", L"76"}, {L"padding", L"4,3"}, {L"wordbreak", L"true"},
                                                    {L"valign", L"top"}, {L"font", L"0"}, {L"textcolor", L"0xFFA9B3C9"}});
    name->SetText(item.name.c_str());
    auto* column = Make<CVerticalLayoutUI>(L"progress_item", {{L"padding", L"10,0"}});
    auto* bar = Make<CProgressUI>(L"progress_1", {{L"width", L"82"}, {L"height", L"5"}, {L"padding", L"0,2"},
                                                  {L"value", L"35"}, {L"bkcolor", L"0xFFA9B3C9"},
                                                  {L"forecolor", L"0xFF408DF7"}});
    auto* percent = Make<CLabelUI>(L"text_progress_1", {{L"font", L"0"}, {L"textcolor", L"0xFFA9B3C9"},
                                                        {L"padding", L"0,0"}, {L"text", L"35%"}});
    row->Add(icon);
    row->Add(name);
    row->Add(column);
    column->Add(bar);
    column->Add(percent);
    m_pMainPanel->Add(row);
}

void CGameUploadProgressWnd::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CGameUploadProgressWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) PlaceAtWorkAreaCorner();
    WindowImplBase::Notify(msg);
}

void CGameUploadProgressWnd::PlaceAtWorkAreaCorner() {
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    int height = kBaseHeight + kRowHeight * static_cast<int>(m_items.size());
    int left = work.right - kRightGap, top = work.bottom - height;
    ::SetWindowPos(m_hWnd, nullptr, left, top, kWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
    LOG_DEBUG(L"CGameUploadProgressWnd at %d,%d %dx%d", left, top, kWidth, height);
}
