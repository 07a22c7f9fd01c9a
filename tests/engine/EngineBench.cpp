// Engine benchmark (not a test): the time from CefInitialize to the first
// OnLoadEnd of a local page, and the page-script round trip (script calls a
// native function, its handler sends a process message, the browser runs
// script back in the page) over 1,000 calls: median and 99th percentile.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "TestApp.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

const int kCalls = 1000;
LARGE_INTEGER g_freq;

double NowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(g_freq.QuadPart);
}

class BenchClient : public CefClient, public CefLoadHandler {
public:
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int) override {
        if (!frame->IsMain() || firstLoadMs > 0) return;
        firstLoadMs = NowMs();
        browser_ = browser;
        Next();
    }
    // Each "roundTrip" from the page is answered by script that calls again.
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId,
                                  CefRefPtr<CefProcessMessage> message) override {
        if (message->GetName() != CefString(L"roundTrip")) return false;
        samples.push_back(NowMs() - sentAt_);
        if (static_cast<int>(samples.size()) < kCalls) Next();
        else done = true;
        (void)browser;
        return true;
    }
    void Next() {
        sentAt_ = NowMs();
        browser_->GetMainFrame()->ExecuteJavaScript(L"external.roundTrip(1);", L"", 0);
    }
    std::atomic<double> firstLoadMs{0};
    std::vector<double> samples;
    std::atomic<bool> done{false};

private:
    CefRefPtr<CefBrowser> browser_;
    double sentAt_ = 0;
    IMPLEMENT_REFCOUNTING(BenchClient);
};

}  // namespace

int main() {
    QueryPerformanceFrequency(&g_freq);
    CefRefPtr<TestApp> app = new TestApp();
    CefMainArgs args(GetModuleHandleW(nullptr));
    int code = CefExecuteProcess(args, app.get(), nullptr);
    if (code >= 0) return code;

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.erase(dir.rfind(L'\\'));
    std::wstring page = dir + L"\\engine_bench_page.html";
    const char html[] = "<html><head><title>Bench</title><script>var x = 1;</script></head><body>bench</body></html>";
    HANDLE f = CreateFileW(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    WriteFile(f, html, sizeof(html) - 1, &wrote, nullptr);
    CloseHandle(f);
    std::wstring url = L"file:///" + page;
    std::replace(url.begin(), url.end(), L'\\', L'/');

    HWND host = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                nullptr, nullptr, nullptr);
    CefSettings settings;
    settings.multi_threaded_message_loop = 1;
    settings.log_severity = LOGSEVERITY_DISABLE;
    CefRefPtr<BenchClient> client = new BenchClient();
    double start = NowMs();
    if (!CefInitialize(args, settings, app.get(), nullptr)) return 2;
    CefPostTask(TID_UI, CefCreateClosureTask([host, client, url] {
        CefWindowInfo info;
        info.SetAsChild(host, RECT{0, 0, 640, 480});
        CefBrowserHost::CreateBrowserSync(info, client.get(), url, CefBrowserSettings(), nullptr);
    }));
    DWORD deadline = GetTickCount() + 60000;
    while (!client->done && GetTickCount() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
    CefShutdown();
    if (!client->done) {
        std::printf("benchmark did not finish (%zu round trips)\n", client->samples.size());
        return 1;
    }
    std::vector<double> s = client->samples;
    std::sort(s.begin(), s.end());
    std::printf("first load: %.1f ms (CefInitialize to first OnLoadEnd)\n", client->firstLoadMs - start);
    std::printf("round trip over %d calls: median %.3f ms, p99 %.3f ms, max %.3f ms\n", kCalls, s[s.size() / 2],
                s[s.size() * 99 / 100], s.back());
    return 0;
}
