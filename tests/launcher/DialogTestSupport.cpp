#include "DialogTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "MainWndMessages.h"
#include "WindowTool.h"

namespace dialogs {

namespace {

constexpr DWORD kMenuTimeoutMs = 10000;
constexpr DWORD kPaintSettleMs = 200;

HWND PickFromMenu(const launcher::LauncherRun& run, HWND menu, const wchar_t* item, const wchar_t* windowClass) {
    if (!menu || !run.Click(item, menu)) return nullptr;
    return harness::WaitForTopWindow(windowClass, nullptr, true, kMenuTimeoutMs);
}

}  // namespace

bool WaitUntilResponsive(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool WaitUntilCentred(HWND dialog, DWORD timeoutMs) {
    return harness::WaitUntil(
        [&] {
            RECT d = harness::WindowRect(dialog), o = harness::WindowRect(GetWindow(dialog, GW_OWNER));
            return std::abs((o.left + o.right) / 2 - (d.left + d.right) / 2) <= 1 &&
                   std::abs((o.top + o.bottom) / 2 - (d.top + d.bottom) / 2) <= 1;
        },
        timeoutMs);
}

bool SaveSettledScreenshot(HWND window, const std::wstring& name) {
    if (!WaitUntilResponsive(window)) return false;
    Sleep(kPaintSettleMs);
    return harness::SaveWindowScreenshot(window, name);
}

HWND StartWithBossKey(launcher::LauncherRun& run) {
    if (!run.Start()) return nullptr;
    HWND window = run.WaitForMainWindow();
    if (!window || !run.WaitForLog(L"[Debug]|RegisterHotKey success!") || !run.WaitForLog(L"gameframe=0x"))
        return nullptr;
    return window;
}

HWND OpenTrayMenu(const launcher::LauncherRun& run) {
    harness::PostToWindow(run.MainWindow(), UIMSG_TRAYICON, 0, WM_RBUTTONUP);
    return harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, kMenuTimeoutMs);
}

HWND OpenFromTitleMenu(const launcher::LauncherRun& run, const wchar_t* item, const wchar_t* windowClass) {
    if (!run.Click(L"menubtn")) return nullptr;
    return PickFromMenu(run, harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, kMenuTimeoutMs), item,
                        windowClass);
}

HWND OpenFromTrayMenu(const launcher::LauncherRun& run, const wchar_t* item, const wchar_t* windowClass) {
    return PickFromMenu(run, OpenTrayMenu(run), item, windowClass);
}

bool PickFromDragDownMenu(const launcher::LauncherRun& run, const wchar_t* item) {
    if (!run.Click(L"dragdown_btn")) return false;
    HWND menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, kMenuTimeoutMs);
    return menu && run.Click(item, menu);
}

}  // namespace dialogs
