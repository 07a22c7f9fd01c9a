// The plain HTTP/1.0 client against the local back-end: downloads with
// progress, the version check, and failures with their result codes.
#include "InetHttpClient.h"

#include <windows.h>

#include <string>
#include <vector>

#include "NetworkTestSupport.h"

namespace {

using nettest::BackendTest;

struct ProgressCall {
    int percent;
    int speed;
    DWORD tick;
};

struct Recorder {
    std::vector<ProgressCall> calls;
    bool answer = true;
};

bool Record(void* context, int percent, int speed) {
    auto* r = static_cast<Recorder*>(context);
    r->calls.push_back({percent, speed, GetTickCount()});
    return r->answer;
}

class InetHttpClientTest : public BackendTest {
protected:
    void TearDown() override { SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", nullptr); }
    int Fetch(const std::wstring& path, const std::wstring& file, Recorder* recorder = nullptr, bool noCache = false) {
        return HttpDownloadToFile(backend_.HttpUrl(path).c_str(), file.c_str(), recorder ? &Record : nullptr,
                                  recorder, noCache);
    }
};

TEST_F(InetHttpClientTest, DownloadsAsHttp10WithNoCacheHeadersAndProgress) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/update/pkg.zip","body_size":300000})"));
    Recorder recorder;
    std::wstring file = Scratch(L"pkg.zip");
    ASSERT_EQ(kInetDone, Fetch(L"/update/pkg.zip", file, &recorder));
    EXPECT_EQ(Pattern(300000), harness::ReadFileBytes(file));
    ASSERT_FALSE(recorder.calls.empty());
    EXPECT_EQ(100, recorder.calls.back().percent);
    auto requests = Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("HTTP/1.0", requests[0].version);
    EXPECT_EQ("Glacio", requests[0].Header("User-Agent"));
    EXPECT_EQ("no-cache", requests[0].Header("Pragma"));
    EXPECT_EQ("", requests[0].Header("If-Modified-Since"));

    ASSERT_EQ(kInetDone, Fetch(L"/update/pkg.zip", file, nullptr, true));
    EXPECT_EQ("0", Requests()[1].Header("If-Modified-Since"));
}

TEST_F(InetHttpClientTest, CancelOnTheFirstCallLeavesNoFile) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/f","body_size":100000})"));
    Recorder recorder;
    recorder.answer = false;
    std::wstring file = Scratch(L"f.bin");
    EXPECT_EQ(kInetCancelled, Fetch(L"/f", file, &recorder));
    EXPECT_EQ(1u, recorder.calls.size());
    EXPECT_FALSE(harness::FileExists(file));
}

TEST_F(InetHttpClientTest, AnswersOtherThan200AreReturnedAndTheFileDeleted) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/nf","status":404,"body":"gone"},
        {"path":"/moved","status":304}])"));
    std::wstring file = Scratch(L"nf.bin");
    EXPECT_EQ(404, Fetch(L"/nf", file));
    EXPECT_FALSE(harness::FileExists(file));
    EXPECT_EQ(304, Fetch(L"/moved", file));
    EXPECT_FALSE(harness::FileExists(file));
}

TEST_F(InetHttpClientTest, AnswerWithoutContentLengthGivesMinus4) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/nolen","body":"abc","content_length":"none"})"));
    EXPECT_EQ(kInetNoLength, Fetch(L"/nolen", Scratch(L"n.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"n.bin")));
}

TEST_F(InetHttpClientTest, EmptyBodyCallsBackWith100) {
    // Content-Length 0 and bytes after it anyway: each piece that arrives is
    // reported as 100 percent, and the callback's answer is not taken.
    // The second answer's head and bytes go out in one write, so they arrive together.
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/zero","body":"","content_length":0},
        {"path":"/zero-more","raw":"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n0123456789"}])"));
    Recorder recorder;
    recorder.answer = false;
    EXPECT_EQ(kInetDone, Fetch(L"/zero", Scratch(L"z.bin"), &recorder));
    EXPECT_TRUE(harness::FileExists(Scratch(L"z.bin")));
    EXPECT_EQ("", harness::ReadFileBytes(Scratch(L"z.bin")));
    EXPECT_TRUE(recorder.calls.empty()) << "no bytes, no progress";

    // WinINet here hands over what its first buffer took in with the headers.
    EXPECT_EQ(kInetDone, Fetch(L"/zero-more", Scratch(L"zm.bin"), &recorder));
    EXPECT_EQ("0123456789", harness::ReadFileBytes(Scratch(L"zm.bin")))
        << "no bytes after a Content-Length of 0: the branch was not reached";
    ASSERT_FALSE(recorder.calls.empty());
    for (const ProgressCall& call : recorder.calls) EXPECT_EQ(100, call.percent);
}

TEST_F(InetHttpClientTest, BrokenTransfersGiveMinus2AndLeaveNoFile) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/cut","body_size":300000,"cut_after":50000},
        {"path":"/short","body_size":100,"content_length":5000},{"path":"/nothing","raw":""},
        {"path":"/garbage","raw_b64":"AAECA/7/gICAgA0KDQr/AP8A3q2+7w=="}])"));
    EXPECT_EQ(kInetNetwork, Fetch(L"/nothing", Scratch(L"nothing.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"nothing.bin")));
    EXPECT_NE(kInetDone, Fetch(L"/garbage", Scratch(L"garbage.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"garbage.bin")));
    EXPECT_EQ(kInetNetwork, Fetch(L"/cut", Scratch(L"cut.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"cut.bin")));
    EXPECT_EQ(kInetNetwork, Fetch(L"/short", Scratch(L"short.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"short.bin")));
    EXPECT_EQ(std::vector<std::wstring>(), ScratchFiles()) << "nothing left behind";

    // A good file already there survives a failed download and is replaced by a whole one.
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/icon-cut","body_size":1000,"cut_after":20},
        {"path":"/icon","body_size":1000}])"));
    ASSERT_TRUE(harness::WriteFileBytes(Scratch(L"icon.png"), "good"));
    EXPECT_EQ(kInetNetwork, Fetch(L"/icon-cut", Scratch(L"icon.png")));
    EXPECT_EQ("good", harness::ReadFileBytes(Scratch(L"icon.png")));
    EXPECT_EQ(kInetDone, Fetch(L"/icon", Scratch(L"icon.png")));
    EXPECT_EQ(Pattern(1000), harness::ReadFileBytes(Scratch(L"icon.png")));
    EXPECT_EQ(std::vector<std::wstring>{L"icon.png"}, ScratchFiles());
}

TEST_F(InetHttpClientTest, RefusedPortGivesMinus2AndBadPathMinus3) {
    std::wstring file = Scratch(L"r.bin");
    std::wstring url = L"http://127.0.0.1:" + std::to_wstring(RefusedPort()) + L"/r";
    EXPECT_EQ(kInetNetwork, HttpDownloadToFile(url.c_str(), file.c_str(), nullptr, nullptr, false));
    EXPECT_FALSE(harness::FileExists(file));
    EXPECT_EQ(kInetNetwork, HttpDownloadToFile(L"no url at all", file.c_str(), nullptr, nullptr, false));
    std::wstring badFile = Scratch(L"missing\\dir\\r.bin");
    EXPECT_EQ(kInetFile, HttpDownloadToFile(backend_.HttpUrl(L"/r").c_str(), badFile.c_str(), nullptr, nullptr, false));
    EXPECT_TRUE(Requests().empty());
}

TEST_F(InetHttpClientTest, SpeedIsMeasuredFromTheStartThenAtMostOncePerSecond) {
    // 40 KiB in 4 KiB pieces every 250 ms: about 2.5 s of transfer.
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/drip","body_size":40960,"drip_ms":250,"drip_bytes":4096})"));
    Recorder recorder;
    ASSERT_EQ(kInetDone, Fetch(L"/drip", Scratch(L"d.bin"), &recorder));
    ASSERT_GE(recorder.calls.size(), 5u);
    EXPECT_GT(recorder.calls.front().speed, 0);
    DWORD changedAt = recorder.calls.front().tick;
    for (size_t i = 1; i < recorder.calls.size(); ++i) {
        if (recorder.calls[i].speed == recorder.calls[i - 1].speed) continue;
        EXPECT_GE(recorder.calls[i].tick - changedAt, 950u) << "speed changed twice within a second at call " << i;
        changedAt = recorder.calls[i].tick;
    }
    // About 16 KiB/s: 4 KiB per 250 ms.
    EXPECT_GT(recorder.calls.back().speed, 4000);
    EXPECT_LT(recorder.calls.back().speed, 80000);
}

TEST_F(InetHttpClientTest, VersionCheckAppendsTheAnswerOfTheUpdateHost) {
    ASSERT_TRUE(backend_.AddRoutes(
        R"({"path":"/version/get","body_json":{"success":true,"data":{"versionNo":"1.0.0.2","url":"http://x/p.zip"}}})"));
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", backend_.HttpHostPort().c_str());
    std::string body = "[";
    ASSERT_EQ(kInetDone, HttpGetVersionInfo(body));
    EXPECT_EQ(R"([{"success": true, "data": {"versionNo": "1.0.0.2", "url": "http://x/p.zip"}})", body);
    auto requests = Requests("/version/get");
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("no-cache", requests[0].Header("Pragma"));
    EXPECT_EQ("Glacio", requests[0].Header("User-Agent"));
}

TEST_F(InetHttpClientTest, VersionCheckFailures) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/version/get","status":503,"body":"busy"})"));
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", backend_.HttpHostPort().c_str());
    std::string body;
    EXPECT_EQ(503, HttpGetVersionInfo(body));
    EXPECT_TRUE(body.empty());
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/version/get","body_size":50000,"cut_after":10000})"));
    EXPECT_EQ(kInetNetwork, HttpGetVersionInfo(body));
    std::wstring refused = L"127.0.0.1:" + std::to_wstring(RefusedPort());
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", refused.c_str());
    EXPECT_EQ(kInetNetwork, HttpGetVersionInfo(body));
}

}  // namespace
