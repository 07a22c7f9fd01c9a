#include "BridgeFixture.h"

#include <Harness.h>

void BridgeTest::TearDown() {
    CloseHost();
    if (!rec_) return;
    // Every slot the client calls runs on the engine's UI thread, never on the window thread.
    for (const SlotCall& c : rec_->Calls()) {
        EXPECT_EQ(c.thread, UiThread()) << harness::Narrow(c.slot) << " " << harness::Narrow(c.text.substr(0, 80));
        EXPECT_NE(c.thread, GetCurrentThreadId());
    }
}

std::wstring BridgeTest::Page(const wchar_t* name, const std::string& html) {
    std::wstring path = PagesDir() + L"\\" + name;
    harness::WriteFileBytes(path, html);
    std::wstring url = L"file:///" + path;
    for (wchar_t& c : url) {
        if (c == L'\\') c = L'/';
    }
    return url;
}

TestHostWnd* BridgeTest::OpenHost(const std::wstring& startUrl, int width, int height) {
    host_ = new TestHostWnd(startUrl);
    rec_ = host_->rec;
    if (!host_->Open(width, height) || !host_->cef) {
        ADD_FAILURE() << "host window not created";
        return host_;
    }
    EXPECT_TRUE(PumpUntil([this] { return host_->cef->GetBrowser() != nullptr; }, 15000)) << "no browser";
    return host_;
}

void BridgeTest::CloseHost() {
    if (!host_) return;
    if (IsWindow(host_->GetHWND())) DestroyWindow(host_->GetHWND());
    Pump(50);
    delete host_;
    host_ = nullptr;
}

void BridgeTest::Pump(unsigned ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!DuiLib::CPaintManagerUI::TranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool BridgeTest::PumpUntil(const std::function<bool()>& condition, unsigned timeoutMs) {
    return harness::WaitUntil([&] {
        Pump(0);
        return condition();
    }, timeoutMs);
}

bool BridgeTest::WaitCall(const std::function<bool(const SlotCall&)>& match, SlotCall* out, size_t from,
                          unsigned timeoutMs) {
    return PumpUntil([&] {
        std::vector<SlotCall> calls = rec_->Calls();
        for (size_t i = from; i < calls.size(); ++i) {
            if (match(calls[i])) {
                if (out) *out = calls[i];
                return true;
            }
        }
        return false;
    }, timeoutMs);
}

bool BridgeTest::WaitLoadEnd(const std::wstring& url, size_t from) {
    return WaitCall([&](const SlotCall& c) { return c.slot == L"OnWebPageLoadEnd" && c.text == url; }, nullptr, from);
}

std::vector<SlotCall> BridgeTest::JsCalls() {
    std::vector<SlotCall> js;
    for (const SlotCall& c : rec_->Calls()) {
        if (c.slot == L"HandleJSCall") js.push_back(c);
    }
    return js;
}

std::vector<SlotCall> BridgeTest::RunAndCollect(const std::wstring& script, size_t n, unsigned timeoutMs) {
    const size_t before = JsCalls().size();
    host_->cef->RunJs(script.c_str());
    PumpUntil([&] { return JsCalls().size() >= before + n; }, timeoutMs);
    std::vector<SlotCall> js = JsCalls();
    return std::vector<SlotCall>(js.begin() + static_cast<std::ptrdiff_t>(before), js.end());
}
