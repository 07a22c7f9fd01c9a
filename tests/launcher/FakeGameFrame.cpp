#include "FakeGameFrame.h"

#include "Harness.h"
#include "MainWndMessages.h"

FakeGameFrame::FakeGameFrame() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread(&FakeGameFrame::Run, this, ready);
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
}

FakeGameFrame::~FakeGameFrame() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void FakeGameFrame::Run(HANDLE ready) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &FakeGameFrame::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kGameFrameClassName;
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, kGameFrameClassName, L"FakeGameFrame", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                              nullptr, wc.hInstance, this);
    SetEvent(ready);
    MSG msg;
    while (window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

LRESULT CALLBACK FakeGameFrame::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeGameFrame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_NOTIFY_USER_LOGOUT || msg == WM_NOTIFY_SHOW_GAMEFRAME)) {
        std::lock_guard<std::mutex> hold(self->lock_);
        self->received_.push_back(Message{msg, wParam});
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::vector<FakeGameFrame::Message> FakeGameFrame::Received() const {
    std::lock_guard<std::mutex> hold(lock_);
    return received_;
}

bool FakeGameFrame::WaitForCount(size_t count, DWORD timeoutMs) const {
    return harness::WaitUntil([&] { return Received().size() >= count; }, timeoutMs);
}
