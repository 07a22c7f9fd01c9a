// Servers that never answer: each client gives up after its time-out. The
// WinHTTP client sets only the connect time-out, so its wait for an answer is
// WinHTTP's own default; both clients run at once to keep the test short.
// The GET with a deadline gives up on a silent or trickling server when the
// deadline for the whole request has passed.
#include "http.h"
#include "InetHttpClient.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "NetworkTestSupport.h"

namespace {

using nettest::BackendTest;

class TimeoutTest : public BackendTest {};

TEST_F(TimeoutTest, ClientsGiveUpOnAServerThatNeverAnswers) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/hang","no_answer":true})"));
    std::wstring url = backend_.HttpUrl(L"/hang");
    std::wstring file = Scratch(L"hang.bin");

    bool getResult = true;
    DWORD getMs = 0;
    std::thread get([&] {
        CWinHttp http;
        std::string body;
        DWORD start = GetTickCount();
        getResult = http.HttpGet(url.c_str(), body, 15);
        getMs = GetTickCount() - start;
    });
    int inetResult = 0;
    DWORD inetMs = 0;
    std::thread inet([&] {
        DWORD start = GetTickCount();
        inetResult = HttpDownloadToFile(url.c_str(), file.c_str(), nullptr, nullptr, false);
        inetMs = GetTickCount() - start;
    });
    get.join();
    inet.join();

    EXPECT_FALSE(getResult);
    // ERROR_WINHTTP_TIMEOUT on Windows; Wine leaves the socket's WSAETIMEDOUT.
    std::string line = "GET.WinHttpReceiveResponse failed, LastError=";
    std::string tail = " url=" + harness::Narrow(url);
    EXPECT_TRUE(NewLog().find(line + "12002" + tail) != std::string::npos ||
                NewLog().find(line + "10060" + tail) != std::string::npos)
        << NewLog();
    // Both wait 30 s for an answer (the server holds the connection for 120 s).
    EXPECT_GE(getMs, 28000u);
    EXPECT_LT(getMs, 60000u);
    EXPECT_EQ(kInetNetwork, inetResult);
    EXPECT_GE(inetMs, 28000u);
    EXPECT_LT(inetMs, 60000u);
    EXPECT_FALSE(harness::FileExists(file));
    EXPECT_EQ(2u, Requests("/hang").size());
}

struct DeadlineGetRun {
    std::wstring url;
    std::string body = "kept";
    bool result = true;
    DWORD elapsedMs = 0;
};

TEST_F(TimeoutTest, DeadlineGetEndsOnASilentOrTricklingServerAtItsDeadline) {
    // Trickling: the headers, then 25 bytes every 500 ms of a 4,000-byte body (80 s in all).
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/silent","no_answer":true},
        {"path":"/trickle","body_size":4000,"drip_ms":500,"drip_bytes":25},
        {"path":"/cut","body_size":4000,"cut_after":20},
        {"path":"/channels","body":"[{\"navigationName\":\"a\"}]"},{"path":"/empty","body":""}])"));
    const DWORD deadlineMs = 4000;
    std::vector<DeadlineGetRun> runs(2);
    runs[0].url = backend_.HttpUrl(L"/silent");
    runs[1].url = backend_.HttpUrl(L"/trickle");
    std::vector<std::thread> threads;
    for (DeadlineGetRun& run : runs) {
        threads.emplace_back([&run, deadlineMs] {
            CWinHttp http;
            DWORD start = GetTickCount();
            run.result = http.HttpGetWithDeadline(run.url.c_str(), run.body, deadlineMs);
            run.elapsedMs = GetTickCount() - start;
        });
    }
    for (std::thread& t : threads) t.join();
    for (const DeadlineGetRun& run : runs) {
        EXPECT_FALSE(run.result) << harness::Narrow(run.url);
        EXPECT_EQ("kept", run.body);
        EXPECT_GE(run.elapsedMs, deadlineMs - 100) << harness::Narrow(run.url);
        EXPECT_LT(run.elapsedMs, deadlineMs + 2500) << harness::Narrow(run.url);
    }
    // Each names the step it was waiting in, failed with ERROR_WINHTTP_TIMEOUT.
    std::string log = NewLog();
    EXPECT_NE(std::string::npos, log.find("[CWinHttp::HttpGetWithDeadline]|GET.WinHttpReadData failed, LastError=12002 url=" +
                                          harness::Narrow(runs[1].url)))
        << log;
    EXPECT_NE(std::string::npos, log.find("failed, LastError=12002 url=" + harness::Narrow(runs[0].url))) << log;
    ASSERT_EQ(1u, Requests("/trickle").size());

    // Within the deadline it is an ordinary GET: the bytes as they came, an
    // empty answer leaves the string alone, a cut body fails.
    CWinHttp http;
    std::string body;
    ASSERT_TRUE(http.HttpGetWithDeadline(backend_.HttpUrl(L"/channels").c_str(), body, deadlineMs)) << NewLog();
    EXPECT_EQ("[{\"navigationName\":\"a\"}]", body);
    EXPECT_EQ("Mozilla/5.0", Requests("/channels").at(0).Header("User-Agent"));
    body = "kept";
    ASSERT_TRUE(http.HttpGetWithDeadline(backend_.HttpUrl(L"/empty").c_str(), body, deadlineMs)) << NewLog();
    EXPECT_EQ("kept", body);
    std::wstring cut = backend_.HttpUrl(L"/cut");
    EXPECT_FALSE(http.HttpGetWithDeadline(cut.c_str(), body, deadlineMs));
    EXPECT_NE(std::string::npos, NewLog().find("GET.WinHttpReadData failed, LastError=12030 url=" + harness::Narrow(cut)))
        << NewLog();
}

}  // namespace
