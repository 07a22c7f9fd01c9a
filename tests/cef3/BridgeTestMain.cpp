// Entry of the page tests: the program is also its own renderer sub-process
// (there with the launcher's renderer application object); the tests run in
// the browser process with the engine's own UI thread.
#include <gtest/gtest.h>

#include <Harness.h>
#include <UIlib.h>

#include <string>

#include "BridgeFixture.h"
#include "ClientAppRender.h"
#include "LogWriter.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

DWORD g_uiThread = 0;
std::wstring g_pages;

class BrowserApp : public CefApp {
    IMPLEMENT_REFCOUNTING(BrowserApp);
};

bool IsRenderer() {
    CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
    line->InitFromString(GetCommandLineW());
    return line->GetSwitchValue(L"type") == CefString(L"renderer");
}

DWORD QueryUiThread() {
    auto id = std::make_shared<std::atomic<DWORD>>(0);
    CefPostTask(TID_UI, CefCreateClosureTask([id] { *id = GetCurrentThreadId(); }));
    harness::WaitUntil([id] { return *id != 0; }, 10000);
    return *id;
}

class EngineEnvironment : public testing::Environment {
public:
    void SetUp() override {
        DuiLib::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        g_pages = harness::MakeScratchDir(L"cef3_pages");
        CefSettings settings;
        settings.multi_threaded_message_loop = 1;
        settings.cache_path = harness::MakeScratchDir(L"cef3_cookies");
        settings.log_severity = LOGSEVERITY_DISABLE;
        settings.background_color = 0xFF2D3039;
        ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings, new BrowserApp(), nullptr));
        g_uiThread = QueryUiThread();
        ASSERT_NE(g_uiThread, 0u);
        ASSERT_NE(g_uiThread, GetCurrentThreadId());
    }
    void TearDown() override { CefShutdown(); }
};

}  // namespace

DWORD BridgeTest::UiThread() { return g_uiThread; }
const std::wstring& BridgeTest::PagesDir() { return g_pages; }

int main(int argc, char** argv) {
    LogWriter::GetInstance()->levelMask = 0x7F;
    LogWriter::GetInstance()->outputTargets = 2;  // the file only
    CefRefPtr<CefApp> app;
    if (IsRenderer()) {
        LogWriter::GetInstance()->filePrefix = L"\\bridge_render";
        app = new ClientAppRender();
    } else {
        app = new BrowserApp();
    }
    int code = CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), app, nullptr);
    if (code >= 0) return code;
    app = nullptr;
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new EngineEnvironment());
    return RUN_ALL_TESTS();
}
