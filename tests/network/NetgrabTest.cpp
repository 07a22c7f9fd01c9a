// Netgrab.dll's HttpsDownloadFile against the local back-end, called the way
// the launcher calls it (narrow strings, options record by value).
#include "Netgrab.h"

#include <windows.h>

#include <string>
#include <vector>

#include "NetworkTestSupport.h"

namespace {

using nettest::BackendTest;

class NetgrabTest : public BackendTest {
protected:
    int Grab(const std::wstring& url, const std::wstring& file, int timeoutSeconds = 5) {
        HttpsDownloadOptions options;   // the launcher's record: {0, 0, 1, 0, "", 5}
        options.timeoutSeconds = timeoutSeconds;
        return HttpsDownloadFile(harness::Narrow(url), harness::Narrow(file), options);
    }
};

TEST_F(NetgrabTest, DefaultRecordIsTheLaunchersRecord) {
    HttpsDownloadOptions options;
    EXPECT_EQ(0, options.reserved1);
    EXPECT_EQ(0, options.reserved2);
    EXPECT_EQ(1, options.verifyPeer);
    EXPECT_EQ(0, options.reserved3);
    EXPECT_TRUE(options.reserved4.empty());
    EXPECT_EQ(5, options.timeoutSeconds);
}

TEST_F(NetgrabTest, DownloadsOverTlsIntoTheFile) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/channel/icon_1.png","body_size":150000})"));
    std::wstring file = Scratch(L"icon_1.png");
    ASSERT_EQ(kNetgrabOk, Grab(backend_.HttpsUrl(L"/channel/icon_1.png"), file));
    EXPECT_EQ(Pattern(150000), harness::ReadFileBytes(file));
    auto requests = Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("https", requests[0].scheme);
}

TEST_F(NetgrabTest, FollowsRedirectsAndServesPlainHttpToo) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/old.png","status":302,"headers":{"Location":"/new.png"}},
        {"path":"/new.png","body":"png"}])"));
    ASSERT_EQ(kNetgrabOk, Grab(backend_.HttpsUrl(L"/old.png"), Scratch(L"a.png")));
    EXPECT_EQ("png", harness::ReadFileBytes(Scratch(L"a.png")));
    ASSERT_EQ(kNetgrabOk, Grab(backend_.HttpUrl(L"/new.png"), Scratch(L"b.png")));
    EXPECT_EQ("png", harness::ReadFileBytes(Scratch(L"b.png")));
}

TEST_F(NetgrabTest, UntrustedCertificateIsRefusedUnlessVerificationIsOff) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/i.png","body":"png"})"));
    std::wstring file = Scratch(L"i.png");
    // Windows names the certificate (60); Wine's WinHTTP reports a failed handshake (35).
    int untrusted = Grab(backend_.UntrustedUrl(L"/i.png"), file);
    EXPECT_TRUE(untrusted == kNetgrabPeerCertificate || untrusted == kNetgrabTlsConnect) << untrusted;
    EXPECT_FALSE(harness::FileExists(file));
    HttpsDownloadOptions options;
    options.verifyPeer = 0;
    EXPECT_EQ(kNetgrabOk, HttpsDownloadFile(harness::Narrow(backend_.UntrustedUrl(L"/i.png")),
                                            harness::Narrow(file), options));
    EXPECT_EQ("png", harness::ReadFileBytes(file));
}

TEST_F(NetgrabTest, FailuresGiveTheirCodesAndLeaveNoFile) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/nf","status":404,"body":"gone"},
        {"path":"/cut","body_size":300000,"cut_after":100000},
        {"path":"/short","body_size":10,"content_length":500},{"path":"/ok","body":"x"}])"));
    std::wstring file = Scratch(L"x.png");
    EXPECT_EQ(kNetgrabHttpError, Grab(backend_.HttpsUrl(L"/nf"), file));
    EXPECT_FALSE(harness::FileExists(file));
    int cut = Grab(backend_.HttpsUrl(L"/cut"), file);
    EXPECT_TRUE(cut == kNetgrabReceiveError || cut == kNetgrabPartialFile) << cut;
    EXPECT_FALSE(harness::FileExists(file));
    int shortBody = Grab(backend_.HttpUrl(L"/short"), file);
    EXPECT_TRUE(shortBody == kNetgrabReceiveError || shortBody == kNetgrabPartialFile) << shortBody;
    EXPECT_FALSE(harness::FileExists(file));
    EXPECT_EQ(kNetgrabCannotConnect, Grab(L"https://127.0.0.1:" + std::to_wstring(RefusedPort()) + L"/x", file));
    EXPECT_EQ(kNetgrabBadUrl, Grab(L"https://", file));
    EXPECT_EQ(kNetgrabUnsupportedProtocol, Grab(L"ftp://127.0.0.1/x", file));
    EXPECT_EQ(kNetgrabWriteError, Grab(backend_.HttpsUrl(L"/ok"), Scratch(L"no\\dir\\x.png")));
    EXPECT_FALSE(harness::FileExists(file));
    EXPECT_EQ(std::vector<std::wstring>(), ScratchFiles()) << "nothing left behind";

    // A good file already there survives a failed download and is replaced by a whole one.
    ASSERT_TRUE(harness::WriteFileBytes(file, "good"));
    cut = Grab(backend_.HttpsUrl(L"/cut"), file);
    EXPECT_TRUE(cut == kNetgrabReceiveError || cut == kNetgrabPartialFile) << cut;
    EXPECT_EQ("good", harness::ReadFileBytes(file));
    EXPECT_EQ(kNetgrabOk, Grab(backend_.HttpsUrl(L"/ok"), file));
    EXPECT_EQ("x", harness::ReadFileBytes(file));
    EXPECT_EQ(std::vector<std::wstring>{L"x.png"}, ScratchFiles());
}

TEST_F(NetgrabTest, ServerThatNeverAnswersTimesOutWith28) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/hang","no_answer":true})"));
    DWORD start = GetTickCount();
    EXPECT_EQ(kNetgrabTimeout, Grab(backend_.HttpsUrl(L"/hang"), Scratch(L"h.png"), 2));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_FALSE(harness::FileExists(Scratch(L"h.png")));
}

}  // namespace
