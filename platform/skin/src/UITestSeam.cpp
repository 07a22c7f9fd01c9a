// The test seam: control tree and click by name over WM_COPYDATA, on only
// when the environment asks for it.
#include "DuiLib/UITestSeam.h"
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIControls.h"
#include "DuiLib/UIRender.h"
#include "DuiLib/UIManager.h"
#include "Internal.h"

#include <cwchar>
#include <sstream>

namespace DuiLib {

namespace {

std::wstring Clean(const CDuiString& s) {
    std::wstring out = s.Str();
    for (wchar_t& c : out)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return out;
}

void DumpTree(CControlUI* c, int depth, std::wstring& out) {
    COptionUI* option = static_cast<COptionUI*>(c->GetInterface(L"Option"));
    const RECT& rc = c->GetPos();
    out += std::to_wstring(depth) + L'\t' + c->GetClass() + L'\t' + Clean(c->GetName()) + L'\t' + Clean(c->GetText()) +
           L'\t' + (c->IsVisible() ? L'1' : L'0') + L'\t' + (c->IsEnabled() ? L'1' : L'0') + L'\t' +
           (option && option->IsSelected() ? L'1' : L'0') + L'\t' + std::to_wstring(rc.left) + L',' +
           std::to_wstring(rc.top) + L',' + std::to_wstring(rc.right) + L',' + std::to_wstring(rc.bottom) + L'\n';
    CContainerUI* container = static_cast<CContainerUI*>(c->GetInterface(L"IContainer"));
    if (!container) return;
    for (int i = 0; i < container->GetCount(); ++i) DumpTree(container->GetItemAt(i), depth + 1, out);
}

// Waits the whole timeout: a window whose thread has been busy for a while
// (a program still starting on a loaded machine) counts as hung, and a
// query that gave up at once would fail a test that had time left.
bool SendCopyData(HWND to, HWND from, ULONG_PTR kind, const std::wstring& text, DWORD timeoutMs, DWORD_PTR* result) {
    COPYDATASTRUCT cds = {};
    cds.dwData = kind;
    cds.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    cds.lpData = const_cast<wchar_t*>(text.c_str());
    // No "abort if hung": a test thread that has not read its queue for a
    // while (it sleeps between polls) counts as hung and would lose the reply.
    return ::SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds),
                                 SMTO_NORMAL, timeoutMs, result) != 0;
}

std::wstring PayloadText(const COPYDATASTRUCT* cds) {
    if (!cds->lpData || cds->cbData < sizeof(wchar_t)) return std::wstring();
    size_t cch = cds->cbData / sizeof(wchar_t);
    const wchar_t* p = static_cast<const wchar_t*>(cds->lpData);
    size_t n = 0;
    while (n < cch && p[n]) ++n;
    return std::wstring(p, n);
}

}  // namespace

namespace detail {

bool TestSeamEnabled() {
    static const bool enabled = [] {
        wchar_t value[8] = {};
        DWORD n = ::GetEnvironmentVariableW(SKIN_SEAM_ENV, value, _countof(value));
        bool on = n > 0 && n < _countof(value) && wcscmp(value, L"1") == 0;
        if (on) Log(L"skin test seam is on");
        return on;
    }();
    return enabled;
}

bool HandleTestSeam(CPaintManagerUI* manager, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!cds || !TestSeamEnabled()) return false;
    if (cds->dwData == SKIN_SEAM_QUERY_TREE) {
        std::wstring tree;
        if (manager->GetRoot()) DumpTree(manager->GetRoot(), 0, tree);
        HWND replyTo = reinterpret_cast<HWND>(wParam);
        DWORD_PTR ignored = 0;
        lRes = (replyTo && SendCopyData(replyTo, manager->GetPaintWindow(), SKIN_SEAM_TREE, tree, 5000, &ignored)) ? 1 : 0;
        return true;
    }
    if (cds->dwData == SKIN_SEAM_CLICK) {
        std::wstring name = PayloadText(cds);
        CControlUI* c = manager->FindControl(name.c_str());
        lRes = 0;
        if (!c || !c->IsVisible() || !c->IsEnabled()) return true;
        const RECT& rc = c->GetPos();
        LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        HWND hwnd = manager->GetPaintWindow();
        ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
        ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
        lRes = 1;
        return true;
    }
    return false;
}

}  // namespace detail

// ---------------------------------------------------------------- client side

namespace {

struct Reply {
    std::wstring text;
    bool got = false;
};

LRESULT CALLBACK ReplyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_COPYDATA) {
        Reply* reply = reinterpret_cast<Reply*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (reply && cds && cds->dwData == SKIN_SEAM_TREE) {
            reply->text = PayloadText(cds);
            reply->got = true;
            return 1;
        }
        return 0;
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateReplyWindow(Reply* reply) {
    static const wchar_t* kClass = L"DuiLibSeamReply";
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ReplyWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);
    HWND hwnd = ::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (hwnd) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(reply));
    return hwnd;
}

}  // namespace

bool SkinSeamQueryTree(HWND skinWnd, std::wstring* treeText, DWORD timeoutMs) {
    if (!treeText) return false;
    Reply reply;
    HWND replyWnd = CreateReplyWindow(&reply);
    if (!replyWnd) return false;
    DWORD_PTR result = 0;
    // The skin window answers inside this call (a sent message reaches our
    // window while we wait), so no message loop is needed here.
    bool sent = SendCopyData(skinWnd, replyWnd, SKIN_SEAM_QUERY_TREE, L"", timeoutMs, &result);
    ::DestroyWindow(replyWnd);
    if (!sent || !reply.got) return false;
    *treeText = reply.text;
    return true;
}

bool SkinSeamParseTree(const std::wstring& treeText, std::vector<SkinSeamControl>* controls) {
    if (!controls) return false;
    controls->clear();
    std::wistringstream lines(treeText);
    std::wstring line;
    while (std::getline(lines, line)) {
        std::vector<std::wstring> f;
        size_t start = 0;
        for (;;) {
            size_t tab = line.find(L'\t', start);
            f.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
            if (tab == std::wstring::npos) break;
            start = tab + 1;
        }
        if (f.size() != 8) return false;
        SkinSeamControl c;
        c.depth = _wtoi(f[0].c_str());
        c.className = f[1];
        c.name = f[2];
        c.text = f[3];
        c.visible = f[4] == L"1";
        c.enabled = f[5] == L"1";
        c.selected = f[6] == L"1";
        LONG v[4] = {0, 0, 0, 0};
        if (ParseIntList(f[7].c_str(), v, 4) != 4) return false;
        c.pos = RECT{v[0], v[1], v[2], v[3]};
        controls->push_back(c);
    }
    return true;
}

bool SkinSeamClick(HWND skinWnd, LPCTSTR controlName, DWORD timeoutMs) {
    if (!controlName) return false;
    DWORD_PTR result = 0;
    return SendCopyData(skinWnd, nullptr, SKIN_SEAM_CLICK, controlName, timeoutMs, &result) && result == 1;
}

}  // namespace DuiLib
