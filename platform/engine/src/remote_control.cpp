// Remote-control pipe server.
#include "remote_control.h"

#include <vector>

#include "engine.h"
#include "ipc.h"

namespace cefstub {
namespace {
const DWORD kEvalWaitMs = 10000;
const DWORD kClientWaitMs = 5000;
const DWORD kMaxRequestBytes = 1u << 20;

// Waits for an overlapped operation or stop; cancels it on stop or time-out.
bool Wait(HANDLE pipe, OVERLAPPED* ov, HANDLE stop, DWORD timeoutMs, DWORD* bytes) {
    HANDLE handles[2] = {ov->hEvent, stop};
    DWORD r = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    if (r != WAIT_OBJECT_0) {
        CancelIoEx(pipe, ov);
        GetOverlappedResult(pipe, ov, bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, ov, bytes, FALSE) != FALSE;
}
}  // namespace

RemoteControl::RemoteControl(const std::wstring& pipeName)
    : name_(pipeName), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RemoteControl::~RemoteControl() { Stop(); }

bool RemoteControl::Start() {
    thread_ = std::thread([this] { ServerMain(); });
    Log(LogSeverity::Info, L"remote control on %s", name_.c_str());
    return true;
}

void RemoteControl::Stop() {
    SetEvent(stop_.get());
    answered_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void RemoteControl::ServerMain() {
    UniqueHandle ev(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    while (WaitForSingleObject(stop_.get(), 0) != WAIT_OBJECT_0) {
        UniqueHandle pipe(CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                           PIPE_UNLIMITED_INSTANCES, 1 << 16, 1 << 16, 0, nullptr));
        if (!pipe) {
            LogAlways(L"remote control pipe %s failed: %lu", name_.c_str(), GetLastError());
            return;
        }
        OVERLAPPED ov = {};
        ov.hEvent = ev.get();
        ResetEvent(ev.get());
        DWORD bytes = 0;
        bool connected = ConnectNamedPipe(pipe.get(), &ov) != FALSE;
        if (!connected) {
            DWORD e = GetLastError();
            if (e == ERROR_PIPE_CONNECTED) connected = true;
            else if (e == ERROR_IO_PENDING) connected = Wait(pipe.get(), &ov, stop_.get(), INFINITE, &bytes);
        }
        if (connected) ServeOne(pipe.get(), &ov);
        DisconnectNamedPipe(pipe.get());
    }
}

bool RemoteControl::ServeOne(HANDLE pipe, OVERLAPPED* ov) {
    std::string request;
    std::vector<char> buf(4096);
    for (;;) {
        DWORD got = 0;
        ResetEvent(ov->hEvent);
        BOOL ok = ReadFile(pipe, buf.data(), static_cast<DWORD>(buf.size()), nullptr, ov);
        DWORD e = ok ? 0 : GetLastError();
        if (!ok && e != ERROR_IO_PENDING && e != ERROR_MORE_DATA) return false;
        bool done = Wait(pipe, ov, stop_.get(), kClientWaitMs, &got);
        if (!done && GetLastError() != ERROR_MORE_DATA) return false;
        request.append(buf.data(), got);
        if (request.size() > kMaxRequestBytes) return false;
        if (done) break;
    }
    std::string reply = ToUtf8(HandleRequest(FromUtf8(request)));
    ResetEvent(ov->hEvent);
    DWORD wrote = 0;
    if (!WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), nullptr, ov) &&
        GetLastError() != ERROR_IO_PENDING)
        return false;
    if (!Wait(pipe, ov, stop_.get(), kClientWaitMs, &wrote)) return false;
    // Give the client time to read the answer before the pipe is disconnected.
    char dummy;
    ResetEvent(ov->hEvent);
    if (ReadFile(pipe, &dummy, 1, nullptr, ov) || GetLastError() == ERROR_IO_PENDING)
        Wait(pipe, ov, stop_.get(), kClientWaitMs, &wrote);
    return true;
}

std::wstring RemoteControl::HandleRequest(const std::wstring& request) {
    Engine* e = Engine::Get();
    if (!e) return L"error\nno engine";
    if (request == L"list") {
        std::wstring out;
        for (auto& b : e->Browsers()) {
            auto r = b->renderer();
            out += std::to_wstring(b->GetIdentifier()) + L"\t" + std::to_wstring(r ? r->pid() : 0) + L"\t" +
                   b->GetMainFrame()->GetURL().ToWString() + L"\t" + b->Title() + L"\n";
        }
        return out;
    }
    if (request.compare(0, 5, L"eval ") == 0) {
        size_t nl = request.find(L'\n');
        if (nl == std::wstring::npos) return L"error\nno script";
        return Evaluate(_wtoi(request.c_str() + 5), request.substr(nl + 1));
    }
    return L"error\nunknown request";
}

std::wstring RemoteControl::Evaluate(int browserId, const std::wstring& code) {
    CefRefPtr<BrowserImpl> b = Engine::Get()->FindBrowser(browserId);
    if (!b) return L"error\nno such browser";
    int request;
    {
        std::lock_guard<std::mutex> lock(lock_);
        request = nextRequest_++;
        pending_[request] = Answer();
    }
    auto m = b->Message(ipc::kEval, b->GetMainFrame()->GetIdentifier());
    m->Set(ipc::kRequest, Value::Int(request));
    m->Set(ipc::kCode, Value::String(code));
    b->SendToRenderer(m);
    std::unique_lock<std::mutex> lock(lock_);
    bool done = answered_.wait_for(lock, std::chrono::milliseconds(kEvalWaitMs), [&] {
        return pending_[request].done || WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0;
    });
    Answer a = pending_[request];
    pending_.erase(request);
    if (!done || !a.done) return L"error\ntimed out";
    return (a.ok ? L"ok\n" : L"error\n") + a.text;
}

void RemoteControl::Complete(int request, bool ok, const std::wstring& text) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        auto it = pending_.find(request);
        if (it == pending_.end()) return;
        it->second.done = true;
        it->second.ok = ok;
        it->second.text = text;
    }
    answered_.notify_all();
}

}  // namespace cefstub
