// Named-pipe channel with overlapped I/O, so reads, writes and the stop
// request never wait on each other.
#include "channel.h"

#include <cstring>

namespace cefstub {
namespace {
const DWORD kMaxMessageBytes = 64u << 20;
}

Channel::Channel(UniqueHandle pipe, bool server, Delegate* delegate)
    : pipe_(std::move(pipe)),
      server_(server),
      delegate_(delegate),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      connected_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      directEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    directOv_.hEvent = directEvent_.get();
}

Channel::~Channel() { Close(); }

std::unique_ptr<Channel> Channel::CreateServer(const std::wstring& name, Delegate* delegate) {
    UniqueHandle pipe(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 64 * 1024, 64 * 1024, 0,
                                       nullptr));
    if (!pipe) {
        Log(LogSeverity::Error, L"CreateNamedPipe %s failed: %lu", name.c_str(), GetLastError());
        return nullptr;
    }
    return std::unique_ptr<Channel>(new Channel(std::move(pipe), true, delegate));
}

std::unique_ptr<Channel> Channel::Connect(const std::wstring& name, Delegate* delegate) {
    UniqueHandle pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
    if (!pipe) {
        Log(LogSeverity::Error, L"connecting to %s failed: %lu", name.c_str(), GetLastError());
        return nullptr;
    }
    return std::unique_ptr<Channel>(new Channel(std::move(pipe), false, delegate));
}

void Channel::Start(HANDLE peerProcess) {
    if (!server_) MarkConnected();
    reader_ = std::thread([this, peerProcess] { ReaderMain(peerProcess); });
    writer_ = std::thread([this] { WriterMain(); });
}

void Channel::MarkConnected() {
    std::lock_guard<std::mutex> lock(lock_);
    connected_flag_ = true;
    SetEvent(connected_.get());
    queued_.notify_one();
}

bool Channel::Send(const Value& message) {
    std::string payload = Encode(message);
    uint32_t n = static_cast<uint32_t>(payload.size());
    std::string frame(reinterpret_cast<const char*>(&n), 4);
    frame += payload;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (ended_) return false;
        if (!connected_flag_ || writing_ || !outgoing_.empty()) {
            outgoing_.push_back(std::move(frame));
            queued_.notify_one();
            return true;
        }
        writing_ = true;
    }
    return TryWriteNow(std::move(frame));
}

// Writes on the caller's thread when the pipe takes the frame at once (the
// usual case), so a message costs no thread switch. A write that cannot
// finish at once is handed to the writer thread: the caller never waits.
bool Channel::TryWriteNow(std::string frame) {
    directFrame_ = std::move(frame);
    ResetEvent(directEvent_.get());
    DWORD wrote = 0;
    BOOL ok = WriteFile(pipe_.get(), directFrame_.data(), static_cast<DWORD>(directFrame_.size()), nullptr, &directOv_);
    DWORD error = ok ? 0 : GetLastError();
    if (ok && GetOverlappedResult(pipe_.get(), &directOv_, &wrote, FALSE) && wrote == directFrame_.size()) {
        std::lock_guard<std::mutex> lock(lock_);
        writing_ = false;
        if (!outgoing_.empty()) queued_.notify_one();
        return true;
    }
    std::lock_guard<std::mutex> lock(lock_);
    if (!ok && error != ERROR_IO_PENDING) {
        writing_ = false;
        ended_ = true;
        SetEvent(stop_.get());
        queued_.notify_all();
        return false;
    }
    pendingDirect_ = true;
    queued_.notify_one();
    return true;
}

void Channel::Close() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        ended_ = true;
    }
    SetEvent(stop_.get());
    queued_.notify_all();
    if (reader_.joinable()) reader_.join();
    if (writer_.joinable()) writer_.join();
}

// Waits for an overlapped operation; false on failure or stop (the
// operation is then cancelled). extra, when set, also ends the wait.
bool Channel::WaitIo(OVERLAPPED* ov, DWORD* bytes, HANDLE extra) {
    HANDLE handles[3] = {ov->hEvent, stop_.get(), extra};
    DWORD count = extra ? 3 : 2;
    DWORD r = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (r != WAIT_OBJECT_0) {
        CancelIoEx(pipe_.get(), ov);
        GetOverlappedResult(pipe_.get(), ov, bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe_.get(), ov, bytes, FALSE) != FALSE;
}

// Appends what the pipe has (at least one byte) to buffer.
bool Channel::ReadMore(std::string* buffer, OVERLAPPED* ov) {
    char chunk[16384];
    DWORD got = 0;
    ResetEvent(ov->hEvent);
    if (!ReadFile(pipe_.get(), chunk, sizeof(chunk), nullptr, ov) && GetLastError() != ERROR_IO_PENDING) return false;
    if (!WaitIo(ov, &got, nullptr) || got == 0) return false;
    buffer->append(chunk, got);
    return true;
}

// Delivers every whole frame at the front of buffer; false on a bad frame.
bool Channel::DeliverFrames(std::string* buffer) {
    size_t pos = 0;
    bool ok = true;
    while (buffer->size() - pos >= 4) {
        uint32_t n;
        std::memcpy(&n, buffer->data() + pos, 4);
        if (n > kMaxMessageBytes) { ok = false; break; }
        if (buffer->size() - pos - 4 < n) break;
        ValuePtr msg = Decode(buffer->substr(pos + 4, n));
        pos += 4 + static_cast<size_t>(n);
        if (!msg) {
            Log(LogSeverity::Error, L"malformed message on the engine channel (%u bytes)", n);
            ok = false;
            break;
        }
        delegate_->OnChannelMessage(msg);
    }
    buffer->erase(0, pos);
    return ok;
}

void Channel::ReaderMain(HANDLE peerProcess) {
    UniqueHandle ev(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = ev.get();
    bool ok = true;
    if (server_) {
        if (!ConnectNamedPipe(pipe_.get(), &ov)) {
            DWORD e = GetLastError();
            DWORD dummy;
            if (e == ERROR_IO_PENDING) ok = WaitIo(&ov, &dummy, peerProcess);
            else ok = e == ERROR_PIPE_CONNECTED;
        }
        if (ok) MarkConnected();
    }
    std::string buffer;
    while (ok && ReadMore(&buffer, &ov)) ok = DeliverFrames(&buffer);
    bool stopping;
    {
        std::lock_guard<std::mutex> lock(lock_);
        stopping = ended_;
        ended_ = true;
    }
    SetEvent(stop_.get());
    queued_.notify_all();
    if (!stopping) delegate_->OnChannelClosed();
}

bool Channel::WriteAll(const std::string& bytes, size_t done, OVERLAPPED* ov) {
    while (done < bytes.size()) {
        DWORD wrote = 0;
        ResetEvent(ov->hEvent);
        DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!WriteFile(pipe_.get(), bytes.data() + done, chunk, nullptr, ov) && GetLastError() != ERROR_IO_PENDING)
            return false;
        if (!WaitIo(ov, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return true;
}

void Channel::WriterMain() {
    UniqueHandle ev(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = ev.get();
    for (;;) {
        std::string frame;
        bool direct = false;
        {
            std::unique_lock<std::mutex> lock(lock_);
            queued_.wait(lock, [this] {
                return ended_ || pendingDirect_ || (connected_flag_ && !writing_ && !outgoing_.empty());
            });
            if (pendingDirect_) {
                direct = true;
            } else if (ended_) {
                return;
            } else {
                frame = std::move(outgoing_.front());
                outgoing_.pop_front();
                writing_ = true;
            }
        }
        bool ok;
        if (direct) {
            // Finish the write a caller started.
            DWORD wrote = 0;
            ok = WaitIo(&directOv_, &wrote, nullptr) && WriteAll(directFrame_, wrote, &ov);
        } else {
            ok = WriteAll(frame, 0, &ov);
        }
        std::lock_guard<std::mutex> lock(lock_);
        writing_ = false;
        pendingDirect_ = false;
        if (!ok) return;
        if (!outgoing_.empty()) continue;
    }
}

}  // namespace cefstub
