// PayloadQueue: payloads wait in the queue and the message carries only a
// key (or nothing); a message that names nothing gives nothing and a Warning.
#include "PayloadQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Harness.h"
#include "LogWriter.h"

namespace {

constexpr UINT kMsgA = WM_APP + 1;
constexpr UINT kMsgB = WM_APP + 2;

struct Counted {
    Counted(std::atomic<int>* freed, int value) : freed_(freed), value(value) {}
    ~Counted() { ++*freed_; }
    std::atomic<int>* freed_;
    int value;
};

struct Other {
    int value = 0;
};

class PayloadQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = LogWriter::GetInstance();
        savedPrefix_ = log_->filePrefix;
        log_->filePrefix = L"\\payload_queue_test";
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window_);
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        log_->filePrefix = savedPrefix_;
    }

    // The next queued message of the window in [first, last]; false when none is queued.
    bool NextMessage(MSG* msg, UINT first = kMsgA, UINT last = kMsgB) {
        return PeekMessageW(msg, window_, first, last, PM_REMOVE) != FALSE;
    }
    size_t WarningsWith(const std::wstring& owner, const std::wstring& text) const {
        std::vector<std::wstring> lines = harness::ReadLogLines(log_->LogFolder(), L"payload_queue_test");
        return std::count_if(lines.begin(), lines.end(), [&](const std::wstring& line) {
            return line.find(L"[Warning]|" + owner) != std::wstring::npos && line.find(text) != std::wstring::npos;
        });
    }
    // A name no other test's log lines carry.
    static std::wstring Owner() { return L"Queue" + std::to_wstring(GetTickCount()) + harness::CurrentTestName(); }

    LogWriter* log_ = nullptr;
    std::wstring savedPrefix_;
    HWND window_ = nullptr;
};

TEST_F(PayloadQueueTest, KeyedPayloadTravelsAsAKeyAndIsTakenOnce) {
    const std::wstring owner = Owner();
    PayloadQueue queue(owner.c_str());
    std::atomic<int> freed{0};
    queue.SetWindow(window_);
    ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 5), 77));
    ASSERT_TRUE(queue.PostKeyedInLParam(kMsgB, 99, std::make_unique<Counted>(&freed, 6)));
    EXPECT_EQ(2u, queue.Size());

    MSG a = {}, b = {};
    ASSERT_TRUE(NextMessage(&a));
    ASSERT_TRUE(NextMessage(&b));
    EXPECT_EQ(kMsgA, a.message);
    EXPECT_GE(a.wParam, 1u) << "a key is never 0";
    EXPECT_EQ(77, a.lParam);
    EXPECT_EQ(kMsgB, b.message);
    EXPECT_EQ(99u, b.wParam);
    EXPECT_NE(static_cast<LPARAM>(a.wParam), b.lParam) << "every payload has its own key";

    std::unique_ptr<Counted> first = queue.Take<Counted>(kMsgA, L"MSG_A", a.wParam);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(5, first->value);
    std::unique_ptr<Counted> second = queue.Take<Counted>(kMsgB, L"MSG_B", static_cast<UINT_PTR>(b.lParam));
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(6, second->value);
    EXPECT_EQ(0u, queue.Size());
    EXPECT_EQ(0, freed.load()) << "the taker owns the payloads now";
    EXPECT_EQ(nullptr, queue.Take<Counted>(kMsgA, L"MSG_A", a.wParam)) << "a payload is taken once";
    EXPECT_EQ(1u, WarningsWith(owner, L"MSG_A (" + std::to_wstring(kMsgA) + L"): unknown payload key"));
    first.reset();
    second.reset();
    EXPECT_EQ(2, freed.load());
}

TEST_F(PayloadQueueTest, WrongKeyMessageOrTypeGivesNothingAndLeavesThePayload) {
    const std::wstring owner = Owner();
    PayloadQueue queue(owner.c_str());
    std::atomic<int> freed{0};
    queue.SetWindow(window_);
    ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 1)));
    MSG msg = {};
    ASSERT_TRUE(NextMessage(&msg));
    const UINT_PTR key = msg.wParam;

    EXPECT_EQ(nullptr, queue.Take<Counted>(kMsgA, L"MSG_A", 0x1234));
    EXPECT_EQ(nullptr, queue.Take<Counted>(kMsgA, L"MSG_A", 0));
    EXPECT_EQ(nullptr, queue.Take<Counted>(kMsgB, L"MSG_B", key)) << "the key of another message";
    EXPECT_EQ(nullptr, queue.Take<Other>(kMsgA, L"MSG_A", key)) << "a payload of another type";
    EXPECT_EQ(nullptr, queue.TakeNext<Counted>(kMsgA, L"MSG_A")) << "a keyed payload is not taken in order";
    EXPECT_EQ(1u, queue.Size());
    EXPECT_EQ(0, freed.load());
    EXPECT_EQ(1u, WarningsWith(owner, L"MSG_A (" + std::to_wstring(kMsgA) + L"): unknown payload key 0x1234, ignored"));
    EXPECT_EQ(1u, WarningsWith(owner, L"MSG_A (" + std::to_wstring(kMsgA) + L"): unknown payload key 0x0, ignored"));
    EXPECT_EQ(1u, WarningsWith(owner, L"MSG_B (" + std::to_wstring(kMsgB) + L"): unknown payload key"));
    EXPECT_EQ(1u, WarningsWith(owner, L"no payload waiting, ignored"));

    std::unique_ptr<Counted> taken = queue.Take<Counted>(kMsgA, L"MSG_A", key);
    ASSERT_NE(nullptr, taken);
    EXPECT_EQ(1, taken->value);
}

TEST_F(PayloadQueueTest, OrderedPayloadsAreTakenInPostingOrder) {
    const std::wstring owner = Owner();
    PayloadQueue queue(owner.c_str());
    std::atomic<int> freed{0};
    queue.SetWindow(window_);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.PostInOrder(kMsgA, std::make_unique<Counted>(&freed, i), 1, 0));
    ASSERT_TRUE(queue.PostKeyed(kMsgB, std::make_unique<Counted>(&freed, 10)));
    MSG msg = {};
    ASSERT_TRUE(NextMessage(&msg, kMsgA, kMsgA));
    EXPECT_EQ(1u, msg.wParam) << "an ordered payload's message keeps its own wParam";
    EXPECT_EQ(nullptr, queue.Take<Counted>(kMsgA, L"MSG_A", 0)) << "key 0 names nothing";
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<Counted> next = queue.TakeNext<Counted>(kMsgA, L"MSG_A");
        ASSERT_NE(nullptr, next);
        EXPECT_EQ(i, next->value);
    }
    EXPECT_EQ(nullptr, queue.TakeNext<Counted>(kMsgA, L"MSG_A"));
    EXPECT_EQ(1u, WarningsWith(owner, L"MSG_A (" + std::to_wstring(kMsgA) + L"): no payload waiting, ignored"));
    EXPECT_EQ(1u, queue.Size()) << "the keyed payload of the other message waits on";
}

TEST_F(PayloadQueueTest, WhatCannotBePostedOrIsLeftIsFreed) {
    std::atomic<int> freed{0};
    {
        PayloadQueue queue(L"QueueFree");
        EXPECT_FALSE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 1))) << "no window yet";
        EXPECT_FALSE(queue.Post(kMsgA, 0, 0));
        EXPECT_EQ(1, freed.load());
        EXPECT_FALSE(queue.PostKeyed(kMsgA, std::unique_ptr<Counted>())) << "nothing to post";

        queue.SetWindow(window_);
        ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 2)));
        ASSERT_TRUE(queue.PostInOrder(kMsgB, std::make_unique<Counted>(&freed, 3), 0, 0));
        ASSERT_TRUE(queue.Post(kMsgA, 5, 6));
        queue.SetWindow(nullptr);
        EXPECT_EQ(3, freed.load()) << "the window's end frees what waits";
        EXPECT_EQ(0u, queue.Size());
        EXPECT_FALSE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 4)));
        EXPECT_EQ(4, freed.load());

        // A window that is gone: the post fails and the payload does not stay.
        HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, gone);
        DestroyWindow(gone);
        queue.SetWindow(gone);
        EXPECT_FALSE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 5)));
        EXPECT_EQ(5, freed.load());
        EXPECT_EQ(0u, queue.Size());

        queue.SetWindow(window_);
        ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 6)));
        ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 7)));
        EXPECT_EQ(2u, queue.Drain()) << "Drain tells how many it freed";
        EXPECT_EQ(7, freed.load());
        ASSERT_TRUE(queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, 8)));
    }
    EXPECT_EQ(8, freed.load()) << "the queue's end frees what still waits";
}

// Producers on several threads, the window thread taking by key while they
// post, then the window's end while they still post: every payload is taken
// once or freed by the queue, none twice, none lost.
TEST_F(PayloadQueueTest, SeveralThreadsPostWhileTheWindowThreadTakes) {
    constexpr int kThreads = 4, kEach = 300, kTotal = kThreads * kEach;
    PayloadQueue queue(L"QueueThreads");
    std::atomic<int> freed{0}, refused{0}, finished{0};
    std::atomic<bool> go{false};
    queue.SetWindow(window_);
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([&, t] {
            while (!go) Sleep(0);
            for (int i = 0; i < kEach; ++i) {
                if (!queue.PostKeyed(kMsgA, std::make_unique<Counted>(&freed, t * kEach + i))) ++refused;
            }
            ++finished;
        });
    }
    go = true;

    std::set<int> values;
    std::set<UINT_PTR> keys;
    bool closed = false;
    const bool done = harness::WaitUntil(
        [&] {
            MSG msg;
            while (NextMessage(&msg, kMsgA, kMsgA)) {
                EXPECT_TRUE(keys.insert(msg.wParam).second) << "key " << msg.wParam << " used twice";
                std::unique_ptr<Counted> payload = queue.Take<Counted>(kMsgA, L"MSG_A", msg.wParam);
                if (payload) {
                    EXPECT_TRUE(values.insert(payload->value).second) << payload->value << " taken twice";
                }
                if (!closed && values.size() >= kTotal / 2) {
                    queue.SetWindow(nullptr);   // the window goes while the producers still post
                    closed = true;
                }
            }
            return finished.load() == kThreads && !PeekMessageW(&msg, window_, kMsgA, kMsgA, PM_NOREMOVE);
        },
        60000);
    for (std::thread& producer : producers) producer.join();
    ASSERT_TRUE(done);
    ASSERT_TRUE(closed);
    const int taken = static_cast<int>(values.size());
    EXPECT_GE(taken, kTotal / 2);
    EXPECT_LE(taken + refused.load(), kTotal);
    EXPECT_EQ(0u, queue.Size());
    EXPECT_EQ(kTotal, freed.load()) << "taken, refused or freed at the window's end: each payload freed once";
}

}  // namespace
