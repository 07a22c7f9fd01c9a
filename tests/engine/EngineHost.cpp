// A plain window hosting browsers on the engine, for tests and by hand:
//   engine_host.exe --url=URL [--browsers=N] [--cache=DIR] [--remote-control-pipe=NAME]
//                   [--renderer-process-limit=N]
// It ends when its window is closed.
#include <windows.h>

#include "TestApp.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

class HostClient : public CefClient, public CefDisplayHandler {
public:
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override {
        SetWindowTextW(browser->GetHost()->GetWindowHandle(), title.c_str());
    }
    IMPLEMENT_REFCOUNTING(HostClient);
};

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    CefRefPtr<TestApp> app = new TestApp();
    CefMainArgs args(instance);
    int code = CefExecuteProcess(args, app.get(), nullptr);
    if (code >= 0) return code;

    CefRefPtr<CefCommandLine> cmd = CefCommandLine::GetGlobalCommandLine();
    std::wstring url = cmd->GetSwitchValue(L"url");
    int count = cmd->HasSwitch(L"browsers") ? _wtoi(cmd->GetSwitchValue(L"browsers").c_str()) : 1;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = L"EngineHostWindow";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, wc.lpszClassName, L"engine host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                0, 0, 1000, 700, nullptr, nullptr, instance, nullptr);
    if (!host) return 2;

    CefSettings settings;
    settings.multi_threaded_message_loop = 1;
    settings.cache_path = cmd->GetSwitchValue(L"cache");
    settings.log_severity = LOGSEVERITY_DISABLE;
    settings.background_color = 0xFFFFFFFF;
    if (!CefInitialize(args, settings, app.get(), nullptr)) return 3;

    CefRefPtr<HostClient> client = new HostClient();
    for (int k = 0; k < count; ++k) {
        CefPostTask(TID_UI, CefCreateClosureTask([host, client, url, k, count] {
            CefWindowInfo info;
            RECT rc = {0, 0, 1000, 700};
            rc.left = 1000 * k / count;
            rc.right = 1000 * (k + 1) / count;
            info.SetAsChild(host, rc);
            CefBrowserHost::CreateBrowserSync(info, client.get(), url.empty() ? L"about:blank" : url,
                                              CefBrowserSettings(), nullptr);
        }));
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CefShutdown();
    return 0;
}
