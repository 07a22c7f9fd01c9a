// The frame's tabs: one browser control per tab in "BodyLayout", one header
// (option, split line, close button) per tab in "main_tabbar", their widths,
// selection, titles and closing; pages opened outside the player.
#include "GameFrame.h"

#include "CCefCommonUI.h"
#include "CefProgramTraits.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "ShellOpen.h"
#include "TabRules.h"

using namespace DuiLib;

namespace {

constexpr DWORD kSplitSelected = 0xFFFFFFFF;
constexpr DWORD kSplitBeforeSelected = 0xFFEEEEEE;
constexpr DWORD kSplitOther = 0xFFB5B5B5;
constexpr wchar_t kLoadingText[] = L"正在加载...";

// A header's parts, in the order DoCreateWebTab adds them.
enum HeaderPart { kHeaderOption = 0, kHeaderSplit = 1, kHeaderClose = 2 };

CContainerUI* HeaderAt(CContainerUI* tabBar, int index) {
    CControlUI* item = tabBar ? tabBar->GetItemAt(index) : nullptr;
    return item ? static_cast<CContainerUI*>(item->GetInterface(L"Container")) : nullptr;
}

CControlUI* HeaderPartAt(CContainerUI* header, HeaderPart part) {
    return header ? header->GetItemAt(part) : nullptr;
}

void EnableIf(CControlUI* control, bool enable) {
    if (control) control->SetEnabled(enable);
}

}  // namespace

void CMainWnd::CreateCefUI(const std::wstring& url, const std::wstring& param) {
    LOG_DEBUG(L"CreateCefUI in");
    if (!m_pBodyLayout || !m_pTabBar) return;
    CCefCommonUI* control = new CCefCommonUI(&m_PaintManager, this);
    control->LoadUrl(url.c_str());
    m_pBodyLayout->Add(control);
    m_pBodyLayout->SelectItem(m_pBodyLayout->GetCount() - 1);
    AdjustWebTabSize(1);
    DoCreateWebTab(control, nullptr);
    ++m_tabCounter;
    m_paramOfCef[control] = param;
    if (!m_pendingSmallAccountTitle.empty()) {
        m_smallAccountTitleOfCef[control] = m_pendingSmallAccountTitle;
        m_pendingSmallAccountTitle.clear();
    }
    EnableIf(m_pSmallAccount, !param.empty());
    EnableIf(m_pManageAccount, !param.empty());
    LOG_DEBUG(L"CreateCefUI out, new cef url=%s, param=%s", url.c_str(), param.c_str());
}

// The tab text is set apart from the attribute lists: it is outside input
// (page titles, server and account names) and may hold quotes.
void CMainWnd::DoCreateWebTab(CCefCommonUI* control, const wchar_t* text) {
    LOG_DEBUG(L"CMainWnd::DoCreateWebTab TabBarWidth=%d", m_pTabBar->GetWidth());
    CHorizontalLayoutUI* header = new CHorizontalLayoutUI();
    header->ApplyAttributeList(FormatString(L"name=\"tab_%d\" width=\"%d\"", m_tabCounter, m_tabWidth).c_str());
    COptionUI* option = new COptionUI();
    option->ApplyAttributeList(
        FormatString(L"name=\"cefgame_%d\" group=\"main_tabbar\" padding=\"0, 4, 0, 0\" width=\"%d\" height=\"53\" "
                     L"align=\"left\" textcolor=\"#FF404040\" selectedtextcolor=\"#FF101010\" "
                     L"pushedtextcolor=\"#FF3E90FF\" textpadding=\"20, 4, 32, 0\" endellipsis=\"true\" font=\"2\" "
                     L"selectedimage=\"file='webgame/tab_bk.png'\" ",
                     m_tabCounter, m_tabWidth)
            .c_str());
    option->SetText(text ? text : kLoadingText);
    CControlUI* split = new CControlUI();
    split->ApplyAttributeList(FormatString(L"name=\"tab_v_split_%d\" float=\"true\" pos=\"%d, 20\" width=\"1\" "
                                           L"height=\"20\" bkcolor=\"#FF000000\" ",
                                           m_tabCounter, m_tabWidth - 2)
                                  .c_str());
    CButtonUI* closeButton = new CButtonUI();
    closeButton->ApplyAttributeList(
        FormatString(L"name=\"close_tab_%d\" float=\"true\" pos=\"%d, 25\" width=\"14\" height=\"14\" "
                     L"normalimage=\"file='webgame/btn_tab_close.png'\" "
                     L"hotimage=\"file='webgame/btn_tab_close_hover.png'\" "
                     L"pushedimage=\"file='webgame/btn_tab_close_hover.png'\"",
                     m_tabCounter, m_tabWidth - 30)
            .c_str());
    header->Add(option);
    header->Add(split);
    header->Add(closeButton);
    m_pTabBar->Add(header);
    m_tabOfCef[control] = option;
    m_cefOfTab[option] = control;
    m_cefOfCloseButton[closeButton] = control;
    LOG_DEBUG(L"CMainWnd::DoCreateWebTab [%02d] cef=0x%p tab=0x%p", m_tabCounter, static_cast<void*>(control),
              static_cast<void*>(option));
    option->Selected(true);
}

void CMainWnd::AdjustWebTabSize(int extra) {
    TabWidthStep step = NextTabWidth(m_pTabBar->GetWidth(), static_cast<int>(m_tabOfCef.size()), extra, m_tabWidth);
    if (step.narrower) LOG_DEBUG(L"CMainWnd::AdjustWebTabSize new item width=%d", step.computed);
    if (step.width == m_tabWidth) return;
    m_tabWidth = step.width;
    // Rebuild every header at the new width, in the same order; the last
    // one rebuilt ends selected.
    std::vector<std::pair<CCefCommonUI*, std::wstring>> tabs;
    for (int i = 0; CContainerUI* header = HeaderAt(m_pTabBar, i); ++i) {
        CControlUI* option = HeaderPartAt(header, kHeaderOption);
        auto found = m_cefOfTab.find(option);
        if (found != m_cefOfTab.end()) tabs.emplace_back(found->second, option->GetText().GetData());
    }
    m_pTabBar->RemoveAll();
    m_cefOfTab.clear();
    m_cefOfCloseButton.clear();
    for (const auto& tab : tabs) DoCreateWebTab(tab.first, tab.second.c_str());
}

void CMainWnd::OnSelectChanged(TNotifyUI& msg) {
    CControlUI* sender = msg.pSender;
    const CDuiString name = sender ? sender->GetName() : CDuiString();
    LOG_DEBUG(L"CMainWnd::OnSelectChanged sender=%s", name.GetData());
    if (name.Left(8) == L"cefgame_") {
        auto found = m_cefOfTab.find(sender);
        if (found == m_cefOfTab.end()) {
            LOG_ERROR(L"CMainWnd::OnSelectChanged sender=%s(0x%p) not found cefUI", name.GetData(),
                      static_cast<void*>(sender));
        } else {
            m_pBodyLayout->SelectItem(found->second);
            for (int i = 0; CContainerUI* header = HeaderAt(m_pTabBar, i); ++i) {
                CContainerUI* next = HeaderAt(m_pTabBar, i + 1);
                CControlUI* split = HeaderPartAt(header, kHeaderSplit);
                if (!split) continue;
                if (HeaderPartAt(header, kHeaderOption) == sender) split->SetBkColor(kSplitSelected);
                else if (HeaderPartAt(next, kHeaderOption) == sender) split->SetBkColor(kSplitBeforeSelected);
                else split->SetBkColor(kSplitOther);
            }
            UpdateAccountButtons(static_cast<CCefCommonUI*>(m_pBodyLayout->GetItemAt(m_pBodyLayout->GetCurSel())));
        }
    }
    LOG_DEBUG(L"CMainWnd::OnSelectChanged out %d", m_pBodyLayout ? m_pBodyLayout->GetCount() : 0);
}

std::wstring CMainWnd::ShownTabParam() const {
    if (!m_pBodyLayout) return std::wstring();
    auto found = m_paramOfCef.find(static_cast<CCefCommonUI*>(m_pBodyLayout->GetItemAt(m_pBodyLayout->GetCurSel())));
    return found == m_paramOfCef.end() ? std::wstring() : found->second;
}

void CMainWnd::UpdateAccountButtons(CCefCommonUI* shown) {
    auto found = m_paramOfCef.find(shown);
    const bool withParam = found != m_paramOfCef.end() && !found->second.empty();
    EnableIf(m_pSmallAccount, withParam);
    EnableIf(m_pManageAccount, withParam);
}

void CMainWnd::CloseCefUI(CControlUI* closeButton, bool relayout) {
    auto found = m_cefOfCloseButton.find(closeButton);
    if (found == m_cefOfCloseButton.end()) {
        LOG_ERROR(L"CMainWnd::OnClick sender=%s not found cefUI",
                  closeButton ? closeButton->GetName().GetData() : L"");
        return;
    }
    CCefCommonUI* control = found->second;
    // The closed tab's own renderer ends; the engine gives every tab of the
    // player a renderer of its own, so no other tab loses its page.
    if (CefRefPtr<CefBrowser> browser = control->GetBrowser()) {
        CefRefPtr<CefProcessMessage> kill = CefProcessMessage::Create(kKillProcessMessage);
        kill->GetArgumentList()->SetInt(0, 0);
        browser->SendProcessMessage(PID_RENDERER, kill);
    }
    // The maps forget the tab before its controls are destroyed.
    COptionUI* option = nullptr;
    auto tab = m_tabOfCef.find(control);
    if (tab != m_tabOfCef.end()) {
        option = tab->second;
        m_tabOfCef.erase(tab);
        m_cefOfTab.erase(option);
    }
    const bool wasSelected = option && option->IsSelected();
    CControlUI* header = closeButton->GetParent();
    const int headerIndex = m_pTabBar->GetItemIndex(header);
    m_cefOfCloseButton.erase(found);
    m_paramOfCef.erase(control);
    m_smallAccountTitleOfCef.erase(control);
    LOG_DEBUG(L"CMainWnd::OnClick sender=%s cef=0x%p", closeButton->GetName().GetData(), static_cast<void*>(control));
    control->SetVisible(false);
    m_pBodyLayout->Remove(control);
    if (header) m_pTabBar->Remove(header);
    // The tab before the closed one (the first when it was the first) takes its place.
    if (wasSelected && m_pTabBar->GetCount() > 0) {
        CControlUI* next = HeaderPartAt(HeaderAt(m_pTabBar, headerIndex > 0 ? headerIndex - 1 : 0), kHeaderOption);
        if (COptionUI* nextOption = next ? static_cast<COptionUI*>(next->GetInterface(L"Option")) : nullptr)
            nextOption->Selected(true);
    }
    if (relayout) AdjustWebTabSize(0);
}

void CMainWnd::ApplyTitleChange(CCefCommonUI* control, const std::wstring& title) {
    auto found = m_tabOfCef.find(control);
    if (found == m_tabOfCef.end()) {
        LOG_WARNING(L"Can not find cef=0x%p, title=%s", static_cast<void*>(control), title.c_str());
        return;
    }
    if (!found->second) return;
    auto param = m_paramOfCef.find(control);
    auto smallAccount = m_smallAccountTitleOfCef.find(control);
    found->second->SetText(ChooseTabText(param == m_paramOfCef.end() ? std::wstring() : param->second,
                                         smallAccount == m_smallAccountTitleOfCef.end() ? std::wstring()
                                                                                        : smallAccount->second,
                                         title)
                               .c_str());
}

void CMainWnd::OpenInDefaultBrowser(const std::wstring& url) {
    LOG_DEBUG(L"CMainWnd::Open WebGame page URL=%s", url.c_str());
    OpenUrlInDefaultBrowser(url, LOG_LEVEL_DEBUG);
}

void CMainWnd::ReloadShownTab() {
    if (!m_pBodyLayout) return;
    CControlUI* shown = m_pBodyLayout->GetItemAt(m_pBodyLayout->GetCurSel());
    if (shown) static_cast<CCefCommonUI*>(shown)->Reload();
}
