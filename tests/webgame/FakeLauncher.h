#pragma once
// The launcher's side of the hand-over, for the player's tests: a top-level
// window of class "QXTarrowMainWnd" on its own thread that records the
// frame handle the player reports (6025), and the hand-over itself as the
// launcher makes it: request files in <program>\Temp through the shared
// codec, then message 6026 to a running player or Corrinweb.exe started
// through the shell with "--url=N".
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class FakeLauncher {
public:
    // programDir: the program folder copy (no trailing backslash).
    explicit FakeLauncher(const std::wstring& programDir);
    ~FakeLauncher();
    FakeLauncher(const FakeLauncher&) = delete;
    FakeLauncher& operator=(const FakeLauncher&) = delete;

    HWND Window() const { return window_; }
    // The last frame the player reported with 6025, and how many reports came.
    HWND ReportedFrame() const { return reported_.load(); }
    int ReportCount() const { return reports_.load(); }

    // The account token written into 10001.txt at every hand-over.
    void SetToken(const std::wstring& token) { token_ = token; }
    // 10002.txt: the nick and, when given, the head image path.
    bool WriteUserFile(const std::wstring& nick, const std::wstring* headImagePath = nullptr);

    // Hands a page over: the request number N, or -1 when [WebGame] exit
    // is non-zero (the player is ending; nothing written or started).
    int HandOver(const std::wstring& url, const std::wstring& param, bool smallAccount = false);
    // The next request number and the request file alone (no token, no message).
    unsigned WriteRequest(const std::wstring& text);
    // The player's frame, when one exists.
    static HWND FindPlayer();
    // Starts the player exactly as the launcher does; false when the shell failed.
    bool StartPlayer(unsigned request);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    const std::wstring programDir_;
    std::wstring token_;
    unsigned nextRequest_ = 0;
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<HWND> reported_{nullptr};
    std::atomic<int> reports_{0};
};
