#pragma once
// A message channel between the browser process and one renderer process
// over a duplex named pipe. Messages are value trees, framed by length.
// Sending never blocks the caller: a writer thread drains the queue. A reader
// thread delivers what arrives to the delegate, and reports the end of the
// channel once (broken pipe, the peer process ended, or Close).
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "util.h"
#include "value.h"

namespace cefstub {

class Channel {
public:
    class Delegate {
    public:
        virtual ~Delegate() = default;
        // Reader thread.
        virtual void OnChannelMessage(ValuePtr message) = 0;
        virtual void OnChannelClosed() = 0;
    };

    ~Channel();
    // Browser side: makes the pipe; the renderer connects later. peerProcess
    // (not owned, may be null) ends the wait for the connection when it exits.
    static std::unique_ptr<Channel> CreateServer(const std::wstring& name, Delegate* delegate);
    // Renderer side.
    static std::unique_ptr<Channel> Connect(const std::wstring& name, Delegate* delegate);

    void Start(HANDLE peerProcess);
    // Any thread; false when the channel has ended.
    bool Send(const Value& message);
    // Ends both threads; no delegate call is made after it returns.
    void Close();

private:
    Channel(UniqueHandle pipe, bool server, Delegate* delegate);
    void ReaderMain(HANDLE peerProcess);
    void WriterMain();
    bool WaitIo(OVERLAPPED* ov, DWORD* bytes, HANDLE extra);
    bool ReadMore(std::string* buffer, OVERLAPPED* ov);
    bool DeliverFrames(std::string* buffer);
    bool WriteAll(const std::string& bytes, size_t done, OVERLAPPED* ov);
    bool TryWriteNow(std::string frame);
    void MarkConnected();

    UniqueHandle pipe_;
    bool server_;
    Delegate* delegate_;  // not owned
    UniqueHandle stop_;
    UniqueHandle connected_;
    std::mutex lock_;
    std::condition_variable queued_;
    std::deque<std::string> outgoing_;
    bool ended_ = false;
    bool connected_flag_ = false; // under lock_: writes may start
    bool writing_ = false;        // under lock_: a write is in progress
    bool pendingDirect_ = false;  // under lock_: a direct write waits for the writer thread
    std::string directFrame_;     // the frame of that write (kept alive until it completes)
    OVERLAPPED directOv_ = {};
    UniqueHandle directEvent_;
    std::thread reader_;
    std::thread writer_;
};

}  // namespace cefstub
