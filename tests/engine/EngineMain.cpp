// Test program entry: the program is its own renderer sub-process, so the
// engine gets the first word; the tests run in the browser process.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "Harness.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_closure_task.h"

namespace {
CefRefPtr<TestApp> g_app;
HWND g_host = nullptr;
std::wstring g_cache;
std::wstring g_pipe;

class EngineEnvironment : public testing::Environment {
public:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"EngineTestHost";
        RegisterClassW(&wc);
        g_host = CreateWindowExW(0, L"EngineTestHost", L"engine test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN |
                                 WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
        g_cache = harness::MakeScratchDir(L"engine_cookies_main");
        g_pipe = L"cefstub-test-" + std::to_wstring(GetCurrentProcessId());
        SetEnvironmentVariableW(L"CEF_REMOTE_CONTROL_PIPE", g_pipe.c_str());
        CefSettings settings;
        settings.multi_threaded_message_loop = 1;
        settings.cache_path = g_cache;
        settings.log_severity = LOGSEVERITY_DISABLE;
        settings.background_color = 0xFF2D3039;
        ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings, g_app.get(), nullptr));
        SetEnvironmentVariableW(L"CEF_REMOTE_CONTROL_PIPE", nullptr);
    }
    void TearDown() override {
        // As the programs do: the host window goes first, then the engine.
        DestroyWindow(g_host);
        CefShutdown();
    }
};
}  // namespace

TestApp* EngineTest::app() { return g_app.get(); }
HWND EngineTest::host() { return g_host; }
const std::wstring& EngineTest::cachePath() { return g_cache; }
const std::wstring& EngineTest::remotePipe() { return g_pipe; }

void EngineTest::Pump(unsigned ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool EngineTest::WaitPumping(const std::function<bool()>& condition, unsigned timeoutMs) {
    return harness::WaitUntil([&] {
        Pump(0);
        return condition();
    }, timeoutMs);
}

CefRefPtr<CefBrowser> EngineTest::CreateBrowser(CefRefPtr<Recorder> client, const std::wstring& url) {
    auto result = std::make_shared<CefRefPtr<CefBrowser>>();
    auto done = std::make_shared<bool>(false);
    auto lock = std::make_shared<std::mutex>();
    HWND parent = g_host;
    CefPostTask(TID_UI, CefCreateClosureTask([=] {
        CefWindowInfo info;
        RECT rc = {10, 10, 610, 410};
        info.SetAsChild(parent, rc);
        CefBrowserSettings settings;
        CefRefPtr<CefBrowser> b = CefBrowserHost::CreateBrowserSync(info, client.get(), url, settings, nullptr);
        std::lock_guard<std::mutex> guard(*lock);
        *result = b;
        *done = true;
    }));
    WaitPumping([&] {
        std::lock_guard<std::mutex> guard(*lock);
        return *done;
    }, 15000);
    std::lock_guard<std::mutex> guard(*lock);
    return *result;
}

int main(int argc, char** argv) {
    g_app = new TestApp();
    int code = CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), g_app.get(), nullptr);
    if (code >= 0) return code;
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new EngineEnvironment());
    int rc = RUN_ALL_TESTS();
    g_app = nullptr;
    return rc;
}
