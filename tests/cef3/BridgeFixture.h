#pragma once
// A test with one skin host window whose "Cef" control shows a local page.
// Waits pump the window thread's messages and are bounded.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestHostWnd.h"

class BridgeTest : public testing::Test {
public:
    static DWORD UiThread();
    static const std::wstring& PagesDir();

protected:
    void TearDown() override;

    // Writes a page (UTF-8) into the pages folder; its file:// URL.
    static std::wstring Page(const wchar_t* name, const std::string& html);
    // Opens a host on startUrl and waits for its browser.
    TestHostWnd* OpenHost(const std::wstring& startUrl, int width = 640, int height = 480);
    void CloseHost();
    static void Pump(unsigned ms);
    static bool PumpUntil(const std::function<bool()>& condition, unsigned timeoutMs);
    // The first call at or after index `from` matching, or false after the timeout.
    bool WaitCall(const std::function<bool(const SlotCall&)>& match, SlotCall* out = nullptr, size_t from = 0,
                  unsigned timeoutMs = 15000);
    bool WaitLoadEnd(const std::wstring& url, size_t from = 0);
    // Runs script in the page and collects the next n page-script calls.
    std::vector<SlotCall> RunAndCollect(const std::wstring& script, size_t n, unsigned timeoutMs = 20000);
    std::vector<SlotCall> JsCalls();

    TestHostWnd* host_ = nullptr;
    std::shared_ptr<RecordingOwner> rec_;
};
