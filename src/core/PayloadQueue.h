#pragma once
// PayloadQueue: the payloads that travel with the messages posted to one of
// our top-level windows. Every program on the desktop can find such a window
// and post to it, so its messages never carry a pointer: the sender leaves
// the payload here and the message only says "look".
//   - A keyed payload waits under a new key (a number from 1 up), which the
//     message carries in wParam or in lParam.
//   - An ordered payload waits behind the earlier ones of its message; the
//     message carries no key and the payloads are taken in posting order.
// The window thread takes a payload back by its message, its key (keyed
// ones) and its type. A message that names nothing - a key no payload of
// that message and type has, or no ordered payload waiting - gives nothing
// and a Warning naming the message, so a stray or forged message does no harm.
//
// Threads: the posts from any thread (worker threads, the engine's UI thread,
// the window thread); SetWindow, the takes and Drain on the window thread.
// A post and SetWindow exclude each other: once SetWindow(nullptr) has
// returned nothing more is queued, and what waited is freed. A sender that
// may still post after the window object is gone shares the queue
// (std::shared_ptr). The queue owns what waits; the destructor frees it.
#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

class PayloadQueue {
public:
    // owner names the window in the log lines ("CMainWnd").
    explicit PayloadQueue(const wchar_t* owner);
    ~PayloadQueue();
    PayloadQueue(const PayloadQueue&) = delete;
    PayloadQueue& operator=(const PayloadQueue&) = delete;

    // --- Window thread.
    // The window the messages go to. Null: no more posts, and what waits is
    // freed (the window is going).
    void SetWindow(HWND window);
    // The payload of type T that message's key names; null, with a Warning
    // "unknown payload key", when it names none.
    template <typename T>
    std::unique_ptr<T> Take(UINT message, const wchar_t* messageName, UINT_PTR key) {
        return std::unique_ptr<T>(static_cast<T*>(TakeEntry(message, messageName, TypeOf<T>(), true, key).release()));
    }
    // The oldest ordered payload of message; null, with a Warning, when none waits.
    template <typename T>
    std::unique_ptr<T> TakeNext(UINT message, const wchar_t* messageName) {
        return std::unique_ptr<T>(static_cast<T*>(TakeEntry(message, messageName, TypeOf<T>(), false, 0).release()));
    }
    // Frees every payload still waiting; how many there were.
    size_t Drain();

    // --- Any thread.
    HWND Window() const;
    // How many payloads wait.
    size_t Size() const;
    // A message without a payload. False when there is no window or the post failed.
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // A keyed payload; the key travels in wParam, lParam as given. False
    // (the payload freed) when it could not be posted.
    template <typename T>
    bool PostKeyed(UINT message, std::unique_ptr<T> payload, LPARAM lParam = 0) noexcept {
        return Enqueue(message, TypeOf<T>(), Hold(std::move(payload)), KeyIn::WParam, 0, lParam);
    }
    // The same with the key in lParam, wParam as given.
    template <typename T>
    bool PostKeyedInLParam(UINT message, WPARAM wParam, std::unique_ptr<T> payload) noexcept {
        return Enqueue(message, TypeOf<T>(), Hold(std::move(payload)), KeyIn::LParam, wParam, 0);
    }
    // An ordered payload; the message goes with wParam and lParam as given.
    template <typename T>
    bool PostInOrder(UINT message, std::unique_ptr<T> payload, WPARAM wParam, LPARAM lParam) noexcept {
        return Enqueue(message, TypeOf<T>(), Hold(std::move(payload)), KeyIn::None, wParam, lParam);
    }

private:
    using Holder = std::unique_ptr<void, void (*)(void*)>;
    enum class KeyIn { None, WParam, LParam };
    struct Entry {
        UINT message;
        UINT_PTR key;       // 0: an ordered payload
        const void* type;   // TypeOf the payload
        Holder payload;
    };

    // One address per payload type.
    template <typename T>
    static const void* TypeOf() {
        static const char tag = 0;
        return &tag;
    }
    template <typename T>
    static void Free(void* payload) {
        delete static_cast<T*>(payload);
    }
    template <typename T>
    static Holder Hold(std::unique_ptr<T> payload) {
        return Holder(payload.release(), &Free<T>);
    }

    bool Enqueue(UINT message, const void* type, Holder payload, KeyIn keyIn, WPARAM wParam, LPARAM lParam) noexcept;
    // keyed: the payload under key (0 names none); else the oldest ordered payload.
    Holder TakeEntry(UINT message, const wchar_t* messageName, const void* type, bool keyed, UINT_PTR key);

    const std::wstring owner_;
    mutable std::mutex lock_;
    HWND window_ = nullptr;   // not owned
    UINT_PTR nextKey_ = 1;
    std::deque<Entry> entries_;
};
