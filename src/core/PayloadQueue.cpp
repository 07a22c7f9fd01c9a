#include "PayloadQueue.h"

#include "LogWriter.h"

PayloadQueue::PayloadQueue(const wchar_t* owner) : owner_(owner ? owner : L"") {}

PayloadQueue::~PayloadQueue() = default;

void PayloadQueue::SetWindow(HWND window) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        window_ = window;
    }
    if (window) return;
    const size_t freed = Drain();
    if (freed)
        LOG_DEBUG(L"%s: %u waiting payloads freed with the window", owner_.c_str(), static_cast<unsigned>(freed));
}

size_t PayloadQueue::Drain() {
    std::deque<Entry> dropped;   // freed on return, outside the lock
    {
        std::lock_guard<std::mutex> hold(lock_);
        dropped.swap(entries_);
    }
    return dropped.size();
}

HWND PayloadQueue::Window() const {
    std::lock_guard<std::mutex> hold(lock_);
    return window_;
}

size_t PayloadQueue::Size() const {
    std::lock_guard<std::mutex> hold(lock_);
    return entries_.size();
}

bool PayloadQueue::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    // Under the lock, so the window cannot be cleared (and destroyed) between the check and the post.
    std::lock_guard<std::mutex> hold(lock_);
    return window_ && ::PostMessageW(window_, message, wParam, lParam);
}

// A payload that is not queued is freed with the parameter, after the lock is released.
bool PayloadQueue::Enqueue(UINT message, const void* type, Holder payload, KeyIn keyIn, WPARAM wParam,
                           LPARAM lParam) noexcept {
    if (!payload) return false;
    std::lock_guard<std::mutex> hold(lock_);
    if (!window_) return false;
    UINT_PTR key = 0;
    if (keyIn != KeyIn::None) {
        key = nextKey_++;
        if (nextKey_ == 0) nextKey_ = 1;   // 0 never names a payload
    }
    if (keyIn == KeyIn::WParam) wParam = key;
    if (keyIn == KeyIn::LParam) lParam = static_cast<LPARAM>(key);
    try {
        entries_.push_back(Entry{message, key, type, std::move(payload)});
    } catch (...) {
        LOG_ERROR(L"%s message %u: no memory to queue its payload", owner_.c_str(), message);
        return false;
    }
    if (::PostMessageW(window_, message, wParam, lParam)) return true;
    payload = std::move(entries_.back().payload);
    entries_.pop_back();
    return false;
}

PayloadQueue::Holder PayloadQueue::TakeEntry(UINT message, const wchar_t* messageName, const void* type, bool keyed,
                                             UINT_PTR key) {
    if (!keyed || key != 0) {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->message != message || it->key != key) continue;
            if (it->type != type) break;   // another message's payload: it stays for its own message
            Holder payload = std::move(it->payload);
            entries_.erase(it);
            return payload;
        }
    }
    if (keyed) {
        LOG_WARNING(L"%s %s (%u): unknown payload key 0x%I64X, ignored", owner_.c_str(), messageName, message,
                    static_cast<unsigned long long>(key));
    } else {
        LOG_WARNING(L"%s %s (%u): no payload waiting, ignored", owner_.c_str(), messageName, message);
    }
    return Holder(nullptr, nullptr);
}
