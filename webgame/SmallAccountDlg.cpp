#include "SmallAccountDlg.h"

#include <memory>

#include "GameFrameMessages.h"
#include "LogWriter.h"
#include "PlayerSettings.h"
#include "ShellOpen.h"
#include "TabRules.h"

namespace {

constexpr int kWidth = 486, kHeight = 332;
constexpr unsigned kPageKeyChars = 520;
// Posted to the window itself: wParam is the key of a std::wstring, a page
// address to open in the user's default browser.
constexpr UINT WM_OPEN_IN_BROWSER = WM_APP + 17;

}  // namespace

CSmallAccountDlg::CSmallAccountDlg(HWND frame, PayloadQueue& framePayloads, const Kind& kind)
    : CCefDialogBase(WS_EX_TOOLWINDOW),
      m_frame(frame),
      m_framePayloads(framePayloads),
      m_kind(kind),
      m_payloads(kind.logName) {}

bool CSmallAccountDlg::RunModal(const std::wstring& param) {
    if (param.empty()) return false;
    m_param = param;
    if (!Create(m_frame, m_kind.title, WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, kWidth, kHeight)) {
        LOG_ERROR(L"%s: the window could not be created", m_kind.logName);
        return false;
    }
    CenterWindow();
    ShowModal();
    return true;
}

std::wstring CSmallAccountDlg::GetStartUrl() {
    const std::wstring address = ReadWebGameString(m_kind.pageKey, L"", kPageKeyChars);
    if (address.empty()) LOG_WARNING(L"%s: [WebGame] %s is not set; the page is the parameter alone", m_kind.logName,
                                     m_kind.pageKey);
    const std::wstring url = address + m_param;
    LOG_DEBUG(L"%s::url + param = %s", m_kind.logName, url.c_str());
    return url;
}

void CSmallAccountDlg::InitWindow() {
    m_payloads.SetWindow(m_hWnd);
    CCefDialogBase::InitWindow();
}

LRESULT CSmallAccountDlg::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (uMsg != WM_OPEN_IN_BROWSER) return CCefDialogBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (std::unique_ptr<std::wstring> url = m_payloads.Take<std::wstring>(uMsg, L"WM_OPEN_IN_BROWSER", wParam))
        OpenUrlInDefaultBrowser(*url, LOG_LEVEL_TRACE);
    bHandled = TRUE;
    return 0;
}

// Addresses still waiting for the window are freed with it.
LRESULT CSmallAccountDlg::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    m_payloads.SetWindow(nullptr);
    return CCefDialogBase::OnDestroy(uMsg, wParam, lParam, bHandled);
}

void CSmallAccountDlg::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments,
                                    CCefCommonUI*) try {
    const std::wstring name = functionName ? functionName : L"";
    const size_t count = arguments ? arguments->GetSize() : 0;
    LOG_INFO(L"%s::HandleJSCall %s args=%d", m_kind.logName, name.c_str(), static_cast<int>(count));
    if (name == L"closeModal") {
        Close(0);
    } else if (name == L"loginSmallAccount" && count > 1) {
        LoginSmallAccount(arguments->GetString(0).ToWString(), arguments->GetString(1).ToWString());
    }
} catch (...) {
    LOG_ERROR(L"%s::HandleJSCall: out of memory", m_kind.logName);
}

// The frame opens the page in a new tab titled with the server and the
// account; the URL and the title travel in the message.
void CSmallAccountDlg::LoginSmallAccount(const std::wstring& url, const std::wstring& account) {
    auto page = std::make_unique<PendingPage>();
    page->url = url;
    page->smallAccountTitle = SmallAccountLoginTitle(m_param, account);
    page->inNewTab = true;
    if (!m_framePayloads.PostInOrder(WM_OPEN_PENDING_PAGE, std::move(page), 1, 0))
        LOG_ERROR(L"%s: the frame could not be asked for the tab, LastError=%u", m_kind.logName, ::GetLastError());
}

void CSmallAccountDlg::OpenPageGameWebWnd(const wchar_t* url, bool) try {
    LOG_DEBUG(L"%s::Open WebGame page URL=%s", m_kind.logName, url ? url : L"");
    m_payloads.PostKeyed(WM_OPEN_IN_BROWSER, std::make_unique<std::wstring>(url ? url : L""));
} catch (...) {
    LOG_ERROR(L"%s::OpenPageGameWebWnd: out of memory", m_kind.logName);
}
