#pragma once
// The player's side of the launcher's messages, for the launcher's tests: a
// hidden top-level window of class "QXWebGameFrame" on its own thread that
// records what the launcher posts to the player's frame (6027 log out and
// close, 6028 show or hide), in arrival order. Made before the launcher
// starts, so the launcher finds it as the running player.
#include <windows.h>

#include <mutex>
#include <thread>
#include <vector>

class FakeGameFrame {
public:
    struct Message {
        UINT id;
        WPARAM wParam;
        bool operator==(const Message& other) const { return id == other.id && wParam == other.wParam; }
    };

    FakeGameFrame();
    ~FakeGameFrame();
    FakeGameFrame(const FakeGameFrame&) = delete;
    FakeGameFrame& operator=(const FakeGameFrame&) = delete;

    HWND Window() const { return window_; }
    std::vector<Message> Received() const;
    // Waits until count messages have come; false after the time-out.
    bool WaitForCount(size_t count, DWORD timeoutMs) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    std::thread thread_;
    HWND window_ = nullptr;
    mutable std::mutex lock_;
    std::vector<Message> received_;
};
