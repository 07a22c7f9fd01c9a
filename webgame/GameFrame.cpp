// The frame window: its life, title-bar buttons, messages, closing and the
// intake of the launcher's hand-over files. The tabs are in GameFrameTabs.cpp.
#include "GameFrame.h"

#include <memory>

#include "AccountCookie.h"
#include "OrvCookieVisitor.h"
#include "CCefCommonUI.h"
#include "CommandLineSwitch.h"
#include "DeploymentHosts.h"
#include "GameFrameMessages.h"
#include "GlobalFunc.h"
#include "HandOverFile.h"
#include "HandOverProtocol.h"
#include "HandOverRequest.h"
#include "LogWriter.h"
#include "ManageSmallAccount.h"
#include "MuteProcessAudio.h"
#include "OpenSmallAccount.h"
#include "PlayerSettings.h"
#include "TabRules.h"

using namespace DuiLib;

namespace {

constexpr UINT kIconResource = 102;
constexpr DWORD kTextBlack = 0xFF000000;
constexpr DWORD kTextRed = 0xFFEA4647;
// The title-bar buttons take the last 480 pixels of the window's width.
constexpr int kFunbtnAreaWidth = 480;
// How long a cookie request may keep the window thread waiting.
constexpr DWORD kCookieWaitMs = 1000;
constexpr unsigned kScreenIdChars = 520;

constexpr wchar_t kSecurityCenterPath[] = L"/front/member/securityCenter_index.htm";
constexpr wchar_t kFaqPath[] = L"/front/sso/vanta/faq";

// "https://<host of the deployment site>" + path.
std::wstring SitePage(DeploymentSite site, const wchar_t* path) {
    return L"https://" + HostOfUrl(GetDeploymentUrl(site)) + path;
}

template <typename T>
T* Find(CPaintManagerUI& manager, const wchar_t* name) {
    return static_cast<T*>(manager.FindControl(name));
}

void SetTextColor(CLabelUI* label, DWORD color) {
    if (label) label->SetTextColor(color);
}

BOOL CALLBACK CloseOwnedWindow(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Ends what runs modally on this thread over the frame: windows it owns
// (a message box, a dialog) get WM_CLOSE; menus end; a move or size loop
// ends on Escape.
void EndModalRunsOver(HWND frame) {
    EnumThreadWindows(GetCurrentThreadId(), &CloseOwnedWindow, reinterpret_cast<LPARAM>(frame));
    EndMenu();
    if (GetCapture() == frame) PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CMainWnd, WindowImplBase)
    DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
    DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnItemClick)
DUI_END_MESSAGE_MAP()

CMainWnd::CMainWnd() : m_tabWidth(kTabWidthMax), m_programFolder(GetExeDir(true)) {
    WriteWebGameString(L"exit", L"0");
}

// "exit" goes back to 0 only once the engine has shut down (the entry writes
// it), so the launcher starts no second player while this one still ends.
CMainWnd::~CMainWnd() { LOG_DEBUG(L"~CMainWnd()"); }

LPCTSTR CMainWnd::GetWindowClassName() const { return kGameFrameClassName; }

void CMainWnd::OnFinalMessage(HWND hWnd) {
    LOG_DEBUG(L"CMainWnd::OnFinalMessage() in");
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
    PostQuitMessage(0);
    LOG_AS("CMainWnd::OnFinalMessage", LOG_LEVEL_DEBUG, L"CMainWnd::OnFinalMessage() out");
}

void CMainWnd::InitWindow() {
    LOG_DEBUG(L"CMainWnd::InitWindow(0x%p)", static_cast<void*>(m_hWnd));
    SetIcon(kIconResource);
    m_pCloseBtn = Find<CControlUI>(m_PaintManager, L"closebtn");
    m_pMaxBtn = Find<CControlUI>(m_PaintManager, L"maxbtn");
    m_pRestoreBtn = Find<CControlUI>(m_PaintManager, L"restorebtn");
    m_pMinBtn = Find<CControlUI>(m_PaintManager, L"minbtn");
    m_pFreshBtn = Find<CControlUI>(m_PaintManager, L"freshbtn");
    m_pScreenshotBtn = Find<CControlUI>(m_PaintManager, L"screenshotbtn");
    m_pCustomerService = Find<CControlUI>(m_PaintManager, L"Customer_service");
    m_pDisableSound = Find<CLabelUI>(m_PaintManager, L"DisableSound");
    m_pSmallAccount = Find<CControlUI>(m_PaintManager, L"small_account");
    m_pManageAccount = Find<CControlUI>(m_PaintManager, L"manage_account");
    m_pFullScreenBtn = Find<CLabelUI>(m_PaintManager, L"fullscreenbtn");
    m_pTabBar = Find<CContainerUI>(m_PaintManager, L"main_tabbar");
    m_pUserNick = Find<CLabelUI>(m_PaintManager, L"user_nick");
    m_pHeaderBtn = Find<CControlUI>(m_PaintManager, L"header_btn");
    m_pFunBtn = Find<CContainerUI>(m_PaintManager, L"funbtn");
    m_pBodyLayout = Find<CTabLayoutUI>(m_PaintManager, L"BodyLayout");
    m_payloads.SetWindow(m_hWnd);

    CreatUserHeader();
    m_muted = ReadWebGameInt(L"IsDisableSound", 0) != 0;
    SetTextColor(m_pDisableSound, m_muted ? kTextRed : kTextBlack);
    m_screenshotCounter = _wtoi(ReadWebGameString(L"SCreenID", L"0", kScreenIdChars).c_str());
    WriteTokenToCookie(GetLoginCookie());
    LOG_DEBUG(L"CMainWnd::InitWindow() out");
}

void CMainWnd::Notify(TNotifyUI& msg) {
    // "selectchanged" reaches OnSelectChanged through the base's message map.
    if (msg.sType == DUI_MSGTYPE_TABSELECT) {
        LOG_DEBUG(L"CMainWnd::Notify tabselect sender.name=%s wParam=%u lParam=%u",
                  msg.pSender ? msg.pSender->GetName().GetData() : L"", static_cast<unsigned>(msg.wParam),
                  static_cast<unsigned>(msg.lParam));
    } else if (msg.sType == DUI_MSGTYPE_WINDOWINIT) {
        OnWindowInit();
    }
    WindowImplBase::Notify(msg);
}

void CMainWnd::OnWindowInit() {
    LOG_DEBUG(L"CMainWnd::OnWindowInit mainwnd=0x%p", static_cast<void*>(m_hWnd));
    m_pendingPage = GetGlobalSwitchValue(kRequestSwitch);
    if (!m_pendingPage.empty()) PostMessage(WM_OPEN_PENDING_PAGE, 0, 0);
    m_hLauncherWnd = FindWindowW(kMainWndClassName, nullptr);
    if (m_hLauncherWnd) ::PostMessageW(m_hLauncherWnd, WM_NOTIFY_GAMEFRAME_HWND, reinterpret_cast<WPARAM>(m_hWnd), 0);
    // Requests that came before the window was laid out open now, in order.
    m_windowInitDone = true;
    for (unsigned request : m_earlyRequests) PostMessage(WM_NOTIFY_NEW_CEF, request, 0);
    m_earlyRequests.clear();
    LOG_DEBUG(L"CMainWnd::OnWindowInit out, web size: %d x %d", m_pBodyLayout ? m_pBodyLayout->GetWidth() : 0,
              m_pBodyLayout ? m_pBodyLayout->GetHeight() : 0);
}

void CMainWnd::OnClick(TNotifyUI& msg) {
    CControlUI* sender = msg.pSender;
    if (!sender) return;
    if (sender == m_pCloseBtn) {
        if (!DeferCloseWhileModal(WM_SYSCOMMAND, SC_CLOSE, 0)) CloseSequence();
    } else if (sender == m_pMinBtn) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_pMaxBtn) {
        SetMaximized(true);
    } else if (sender == m_pRestoreBtn) {
        SetMaximized(false);
    } else if (sender == m_pUserNick || sender == m_pHeaderBtn) {
        OpenPageGameWebWnd(SitePage(DeploymentSite::Account, kSecurityCenterPath).c_str(), true);
    } else if (sender == m_pCustomerService) {
        OpenPageGameWebWnd(SitePage(DeploymentSite::Homepage, kFaqPath).c_str(), true);
    } else if (sender == m_pScreenshotBtn) {
        Screenshot();
    } else if (sender == m_pDisableSound) {
        ToggleSound();
    } else if (sender == m_pFreshBtn) {
        ReloadShownTab();
    } else if (sender == m_pSmallAccount) {
        COpenSmallAccountDlg dialog(m_hWnd, m_payloads);
        RunSmallAccountWindow(dialog);
    } else if (sender == m_pManageAccount) {
        CManageSmallAccountDlg dialog(m_hWnd, m_payloads);
        RunSmallAccountWindow(dialog);
    } else if (sender == m_pFullScreenBtn) {
        SetMaximized(!m_maximized);
    } else if (sender->GetName().Left(10) == L"close_tab_") {
        CloseCefUI(sender, true);
    } else {
        LOG_DEBUG(L"CMainWnd::OnClick sender.name=%s wParam=%u lParam=%u", sender->GetName().GetData(),
                  static_cast<unsigned>(msg.wParam), static_cast<unsigned>(msg.lParam));
    }
}

void CMainWnd::OnItemClick(TNotifyUI& msg) {
    LOG_DEBUG(L"CMainWnd::OnItemClick sender.name=%s", msg.pSender ? msg.pSender->GetName().GetData() : L"");
}

CControlUI* CMainWnd::CreateControl(LPCTSTR pstrClass) {
    if (pstrClass && _wcsicmp(pstrClass, L"Cef") == 0) return new CCefCommonUI(&m_PaintManager, this);
    return nullptr;
}

// The mute button: the new state goes to the sound mute, shows on the
// button (red while muted) and is kept for the next start.
void CMainWnd::ToggleSound() {
    m_muted = !m_muted;
    MuteProcessAudio(m_muted);
    SetTextColor(m_pDisableSound, m_muted ? kTextRed : kTextBlack);
    WriteWebGameString(L"IsDisableSound", m_muted ? L"1" : L"0");
}

// Maximises or restores through the system command and shows it on
// "fullscreenbtn" (red while maximised). funbtn follows the new size (OnSize).
void CMainWnd::SetMaximized(bool maximized) {
    SendMessage(WM_SYSCOMMAND, maximized ? SC_MAXIMIZE : SC_RESTORE, 0);
    SetTextColor(m_pFullScreenBtn, maximized ? kTextRed : kTextBlack);
    m_maximized = maximized;
}

void CMainWnd::MoveFunbtn() {
    if (!m_pFunBtn) return;
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    m_pFunBtn->SetInset(RECT{window.right - window.left - kFunbtnAreaWidth, 0, 0, 0});
}

// --- Messages

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = TRUE;
    switch (uMsg) {
    case WM_NCLBUTTONDBLCLK:
        // The default maximise or restore follows; funbtn moves once the size has changed.
        SetTextColor(m_pFullScreenBtn, m_maximized ? kTextBlack : kTextRed);
        m_maximized = !m_maximized;
        bHandled = FALSE;
        return 0;
    case WM_ENTERSIZEMOVE:
    case WM_ENTERMENULOOP:
        ++m_modalDepth;
        bHandled = FALSE;
        return 0;
    case WM_EXITSIZEMOVE:
    case WM_EXITMENULOOP:
        --m_modalDepth;
        bHandled = FALSE;
        return 0;
    case UIMSG_MENUCLICK:
        OnMenuClick(wParam);
        return 0;
    case WM_OPEN_PENDING_PAGE:
        OnPendingPage(wParam);
        return 0;
    case WM_CLOSE_CEF_WND:
        OnCloseCefWnd(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_CEF_TITLE_CHANGED:
        if (std::unique_ptr<TitleChange> change = m_payloads.Take<TitleChange>(uMsg, L"WM_CEF_TITLE_CHANGED", wParam))
            ApplyTitleChange(change->control, change->title);
        return 0;
    case WM_NOTIFY_NEW_CEF:
        LOG_DEBUG(L"be notify new a cef by tarrow %u", static_cast<unsigned>(wParam));
        OnNewRequest(static_cast<unsigned>(wParam));
        return 0;
    case WM_NOTIFY_USER_LOGOUT:
        LOG_DEBUG(L"CMainWnd WM_NOTIFY_USER_LOGOUT");
        if (!DeferCloseWhileModal(uMsg, wParam, lParam)) CloseSequence();
        return 0;
    case WM_NOTIFY_SHOW_GAMEFRAME:
        if (wParam == 0) {
            ::ShowWindow(m_hWnd, SW_SHOW);
            ::SetForegroundWindow(m_hWnd);
        } else if (wParam == 1) {
            ::ShowWindow(m_hWnd, SW_HIDE);
        }
        return 0;
    default:
        bHandled = FALSE;
        return 0;
    }
}

// wParam of the skin library's menu click: read only when it is a record a
// menu posted and nobody freed yet (any program can post 1145).
void CMainWnd::OnMenuClick(WPARAM record) {
    void* posted = reinterpret_cast<void*>(record);
    if (!CPaintManagerUI::IsLivePtr(posted)) {
        LOG_WARNING(L"CMainWnd menu click (%u): 0x%X is no record of a menu, ignored", UIMSG_MENUCLICK,
                    static_cast<unsigned>(record));
        return;
    }
    const MenuCmd* command = static_cast<const MenuCmd*>(posted);
    for (const wchar_t* name : {L"remove_icon", L"game_path"}) {
        if (_wcsicmp(command->szName, name) == 0) LOG_DEBUG(L"CMainWnd on menu clicked : %s", name);
    }
    CPaintManagerUI::DeletePtr(posted);
}

// 5026 names a window to close. Any program can post it with any handle:
// only a window of the player's own process is taken.
void CMainWnd::OnCloseCefWnd(HWND window) {
    LOG_DEBUG(L"CMainWnd WM_CLOSE_CEF_WND 0x%p", static_cast<void*>(window));
    DWORD process = 0;
    if (!window || !::IsWindow(window) || !::GetWindowThreadProcessId(window, &process) ||
        process != ::GetCurrentProcessId()) {
        LOG_WARNING(L"CMainWnd WM_CLOSE_CEF_WND (%u): 0x%p is no window of the player, ignored", WM_CLOSE_CEF_WND,
                    static_cast<void*>(window));
        return;
    }
    ClearAccountCookie();
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

LRESULT CMainWnd::OnClose(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    LOG_DEBUG(L"CMainWnd::OnClose %d", static_cast<int>(wParam));
    // Only the frame's own close (wParam 1) closes it; another program's WM_CLOSE does not.
    bHandled = wParam != 1 || DeferCloseWhileModal(WM_CLOSE, wParam, lParam);
    return 0;
}

LRESULT CMainWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    LOG_DEBUG(L"CMainWnd::OnDestroy");
    m_payloads.SetWindow(nullptr);
    bHandled = FALSE;
    return 0;
}

LRESULT CMainWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if ((wParam & 0xFFF0) != SC_CLOSE) return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
    if (!DeferCloseWhileModal(uMsg, wParam, lParam)) CloseSequence();
    bHandled = TRUE;
    return 0;
}

LRESULT CMainWnd::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    bHandled = wParam == VK_RETURN;
    if (bHandled) LOG_DEBUG(L"CMainWnd::OnChar VK_RETURN");
    return 0;
}

// The title-bar buttons keep to the right edge whatever changes the size:
// the buttons above, a caption double-click, the size box, or the system
// (a window left where the buttons were would be out of reach).
LRESULT CMainWnd::OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != SIZE_MINIMIZED) MoveFunbtn();
    bHandled = FALSE;
    return 0;
}

// --- Closing

// The close button, the system close and the launcher's 6027 alike: the
// tabs go, the screenshot number is kept, the account cookie is dropped,
// and the frame closes itself.
void CMainWnd::CloseSequence() {
    PrepareExit();
    WriteWebGameString(L"SCreenID", FormatString(L"%d", m_screenshotCounter));
    ClearAccountCookie();
    PostMessage(WM_CLOSE, 1, 0);
}

void CMainWnd::PrepareExit() {
    m_closing = true;  // before the mark: whoever reads it finds requests refused
    WriteWebGameString(L"exit", L"1");
    // From a snapshot of the close buttons; a pass that closes nothing ends it.
    while (!m_cefOfCloseButton.empty()) {
        std::vector<CControlUI*> buttons;
        for (const auto& entry : m_cefOfCloseButton) buttons.push_back(entry.first);
        size_t before = m_cefOfCloseButton.size();
        for (CControlUI* button : buttons) {
            if (m_cefOfCloseButton.count(button)) CloseCefUI(button, false);
        }
        if (m_cefOfCloseButton.size() >= before) break;
    }
}

// A close that arrives while a modal run is open (inside its message loop)
// would destroy the frame under the run's caller: the run ends first and
// the close message comes again.
bool CMainWnd::DeferCloseWhileModal(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (m_modalDepth <= 0) return false;
    LOG_DEBUG(L"CMainWnd close (message %u) during a modal run: ending the run first", uMsg);
    EndModalRunsOver(m_hWnd);
    PostMessage(uMsg, wParam, lParam);
    return true;
}

// --- Account cookie

void CMainWnd::WriteTokenToCookie(const std::wstring& token) {
    CefCookie cookie;
    bool found = false;
    CookieStoreResult visit = VisitAccountCookie(&cookie, &found, kCookieWaitMs);
    if (visit == CookieStoreResult::NoManager) {
        LOG_ERROR(L"WriteTokenToCookie cefCookieManager is null");
        return;
    }
    if (found) return;
    if (visit == CookieStoreResult::TimedOut)
        LOG_WARNING(L"WriteTokenToCookie: the cookie visit did not end within %lu ms", kCookieWaitMs);
    bool stored = false;
    if (SetAccountCookie(token, kCookieWaitMs, &stored) == CookieStoreResult::TimedOut)
        LOG_WARNING(L"WriteTokenToCookie: the cookie store did not confirm within %lu ms", kCookieWaitMs);
    LOG_DEBUG(L"set cookie rv=%s key=%s v=%s", stored ? L"true" : L"false", kAccountCookieName, token.c_str());
}

void CMainWnd::ClearAccountCookie() {
    switch (DeleteAccountCookie(kCookieWaitMs)) {
    case CookieStoreResult::NoManager:
        LOG_ERROR(L"ClearAccountCookie cefCookieManager is null");
        break;
    case CookieStoreResult::Refused:
        LOG_DEBUG(L"failed to delete cookie account");
        break;
    case CookieStoreResult::TimedOut:
        LOG_DEBUG(L"delete cookie account");
        LOG_WARNING(L"ClearAccountCookie: the cookie store did not confirm within %lu ms", kCookieWaitMs);
        break;
    case CookieStoreResult::Done:
        LOG_DEBUG(L"delete cookie account");
        break;
    }
}

// --- Hand-over intake

bool CMainWnd::ReadTempFile(const std::wstring& path, std::wstring* text) {
    if (ReadHandOverFile(path, text)) return true;
    LOG_ERROR(L"fopen failed: %s", path.c_str());
    return false;
}

std::wstring CMainWnd::GetLoginCookie() {
    const std::wstring path = HandOverFilePath(m_programFolder, kTokenFileName);
    std::wstring token;
    ReadTempFile(path, &token);
    DeleteFileW(path.c_str());
    return token;
}

void CMainWnd::CreatUserHeader() {
    const std::wstring path = HandOverFilePath(m_programFolder, kUserFileName);
    std::wstring text;
    if (!ReadHandOverFile(path, &text)) {
        LOG_ERROR(L"fopen 10002.txt failed: %s", path.c_str());
        return;
    }
    RestoreIfMinimized();
    UserInfoText user = SplitUserInfo(text);
    if (!m_userNick.empty() && m_userNick != user.nick) {
        // Another account: its token replaces the cookie, and no open tab
        // offers the small-account buttons any more.
        ClearAccountCookie();
        WriteTokenToCookie(GetLoginCookie());
        m_paramOfCef.clear();
    }
    m_userNick = user.nick;
    if (user.hasHeadImage) m_headImagePath = user.headImagePath;
    ShowHeadImage();
    if (!m_userNick.empty() && m_pUserNick) m_pUserNick->SetText(m_userNick.c_str());
    LOG_DEBUG(L"CMainWnd::CreatUserHeader(), UserNick=%s, UserImage=%s", m_userNick.c_str(), m_headImagePath.c_str());
}

void CMainWnd::ShowHeadImage() {
    if (!m_pHeaderBtn) return;
    if (!m_headImagePath.empty() && GetFileAttributesW(m_headImagePath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        m_pHeaderBtn->SetBkImage(m_headImagePath.c_str());
    } else {
        m_pHeaderBtn->SetBkImage((TrimTrailingBackslashes(m_programFolder) + L"\\Skin\\webgame\\header_default.png").c_str());
    }
}

void CMainWnd::RestoreIfMinimized() {
    if (::IsIconic(m_hWnd)) SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

void CMainWnd::CreateCefUI(unsigned requestNumber) {
    const std::wstring path = HandOverRequestPath(m_programFolder, requestNumber);
    std::wstring text;
    if (!ReadTempFile(path, &text)) return;
    RestoreIfMinimized();
    HandOverRequest request = SplitHandOverRequest(text);
    if (!IsPageAddress(request.url)) {
        LOG_ERROR(L"CMainWnd::CreateCefUI request %u names no page: %s", requestNumber, path.c_str());
    } else {
        if (!request.smallAccountTitle.empty()) m_pendingSmallAccountTitle = request.smallAccountTitle;
        CreateCefUI(request.url, request.param);
    }
    DeleteFileW(path.c_str());
}

void CMainWnd::OnNewRequest(unsigned requestNumber) {
    if (RefuseWhileClosing(requestNumber)) return;
    if (!m_windowInitDone) {
        m_earlyRequests.push_back(requestNumber);
        return;
    }
    CreatUserHeader();
    CreateCefUI(requestNumber);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// A tab opened now would die with the window a moment later, its request
// file gone: the file stays for the next player (the launcher hands nothing
// over while [WebGame] exit is set, and a player started meanwhile waits for
// this one to end).
bool CMainWnd::RefuseWhileClosing(unsigned requestNumber) {
    if (!m_closing) return false;
    LOG_WARNING(L"CMainWnd: closing, request %u is left for the next player", requestNumber);
    return true;
}

void CMainWnd::OnPendingPage(WPARAM wParam) {
    if (static_cast<INT_PTR>(wParam) < 1) {
        unsigned request = 0;
        if (!ParseRequestNumber(m_pendingPage, &request))
            LOG_ERROR(L"CMainWnd: the switch url=%s names no request", m_pendingPage.c_str());
        else if (!RefuseWhileClosing(request))
            CreateCefUI(request);
        return;
    }
    std::unique_ptr<PendingPage> page = m_payloads.TakeNext<PendingPage>(WM_OPEN_PENDING_PAGE, L"WM_OPEN_PENDING_PAGE");
    if (!page) return;
    if (!page->inNewTab) {
        OpenInDefaultBrowser(page->url);
        return;
    }
    if (!page->smallAccountTitle.empty()) m_pendingSmallAccountTitle = page->smallAccountTitle;
    CreateCefUI(page->url, std::wstring());
}

// --- ICefUIContainer (engine UI thread)

int CMainWnd::OpenNewPopupWnd(const wchar_t*, const wchar_t*) { return 0; }

void CMainWnd::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI*) {
    LOG_DEBUG(L"CMainWnd::HandleJSCall %s args=%d", functionName ? functionName : L"",
              arguments ? static_cast<int>(arguments->GetSize()) : 0);
}

void CMainWnd::OnWebPageLoadEnd(CCefCommonUI*, const wchar_t*) {}

// Both slots copy what they are given into a payload for the window thread:
// it waits in the frame's queue (or is freed here when it cannot be posted).
void CMainWnd::NotifyCefTitleChanged(CCefCommonUI* control, const wchar_t* title) {
    try {
        m_payloads.PostKeyed(WM_CEF_TITLE_CHANGED,
                             std::make_unique<TitleChange>(TitleChange{control, title ? title : L""}));
    } catch (...) {
        LOG_ERROR(L"CMainWnd::NotifyCefTitleChanged dropped: no memory");
    }
}

void CMainWnd::OpenPageGameWebWnd(const wchar_t* url, bool inNewTab) {
    try {
        auto page = std::make_unique<PendingPage>();
        page->url = url ? url : L"";
        page->inNewTab = inNewTab;
        const std::wstring address = page->url;
        if (!m_payloads.PostInOrder(WM_OPEN_PENDING_PAGE, std::move(page), 1, 0))
            LOG_ERROR(L"CMainWnd::OpenPageGameWebWnd %s dropped: the frame is gone", address.c_str());
    } catch (...) {
        LOG_ERROR(L"CMainWnd::OpenPageGameWebWnd dropped: no memory");
    }
}
