#pragma once
// Remote control for tests: a message-mode named pipe on which a client asks
// "list" (one line per browser: id, renderer process id, URL, title, tab
// separated) or "eval <browser id>" followed by a line break and script
// text (the script runs in the browser's main frame; the answer is "ok" or
// "error", a line break, and the result as text). Off unless the switch
// "remote-control-pipe" or the environment variable CEF_REMOTE_CONTROL_PIPE
// names the pipe.
#include <windows.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "util.h"

namespace cefstub {

constexpr const wchar_t kRemoteControlSwitch[] = L"remote-control-pipe";
constexpr const wchar_t kRemoteControlEnv[] = L"CEF_REMOTE_CONTROL_PIPE";

class RemoteControl {
public:
    explicit RemoteControl(const std::wstring& pipeName);
    ~RemoteControl();
    bool Start();
    void Stop();
    // Reader thread of a renderer channel: the answer to an "eval".
    void Complete(int request, bool ok, const std::wstring& text);

private:
    void ServerMain();
    bool ServeOne(HANDLE pipe, OVERLAPPED* ov);
    std::wstring HandleRequest(const std::wstring& request);
    std::wstring Evaluate(int browserId, const std::wstring& code);

    std::wstring name_;
    UniqueHandle stop_;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable answered_;
    int nextRequest_ = 1;
    struct Answer { bool done = false; bool ok = false; std::wstring text; };
    std::map<int, Answer> pending_;
};

}  // namespace cefstub
