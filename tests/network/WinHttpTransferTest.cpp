// CWinHttp's form POST to the back-end and its file downloads, and URL splitting.
#include "http.h"

#include <windows.h>

#include <string>
#include <vector>

#include "NetworkTestSupport.h"

namespace {

using nettest::BackendTest;

class WinHttpTransferTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", backend_.HttpsHostPort().c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", nullptr); }

    bool Download(std::wstring url, const std::wstring& file, HttpDownloadCallback cb = nullptr) {
        return http_.HttpDownload(&url[0], file.c_str(), std::move(cb));
    }

    CWinHttp http_;
};

// --- POST

TEST_F(WinHttpTransferTest, PostSendsTheFormBodyToTheBackendOverTls) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/orv2/api/getFrontData.do","method":"POST","body":"{\"code\":0}"})"));
    std::string form = "type=updateplaygame&userAccount=u1&gameList=[{\"id\":3,\"list_index\":0,\"idType\":1}]";
    std::string response;
    ASSERT_TRUE(http_.HttpPost(form, response)) << NewLog();
    EXPECT_EQ(std::string("{\"code\":0}") + '\0', response);
    auto requests = Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("https", requests[0].scheme);
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/orv2/api/getFrontData.do", requests[0].path);
    EXPECT_EQ(form, requests[0].body);
    EXPECT_EQ("application/x-www-form-urlencoded; charset=utf-8", requests[0].Header("Content-Type"));
}

TEST_F(WinHttpTransferTest, PostKeepsOnlyTheFirstAvailableBlock) {
    // Two pieces far apart: the first block is all the answer keeps.
    ASSERT_TRUE(backend_.AddRoutes(
        R"({"path":"/orv2/api/getFrontData.do","body":"first-second","drip_ms":300,"drip_bytes":6,"headers":{}})"));
    std::string response;
    ASSERT_TRUE(http_.HttpPost("a=1", response)) << NewLog();
    ASSERT_FALSE(response.empty());
    EXPECT_EQ('\0', response.back());
    EXPECT_EQ(0u, std::string("first-second").find(response.c_str()));
    EXPECT_LT(response.size(), std::string("first-second").size() + 1);
}

TEST_F(WinHttpTransferTest, PostToAnUnreachableBackendFailsNamingTheFormUrl) {
    std::wstring host = L"127.0.0.1:" + std::to_wstring(RefusedPort());
    SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", host.c_str());
    std::string response = "kept";
    EXPECT_FALSE(http_.HttpPost("a=1", response));
    EXPECT_EQ("kept", response);
    EXPECT_NE(std::string::npos,
              NewLog().find("[CWinHttp::HttpPost]|POST.WinHttpSendRequest failed, LastError=12029 url=https://" +
                            harness::Narrow(host) + "/orv2/api/getFrontData.do"))
        << NewLog();
}

// --- Download

TEST_F(WinHttpTransferTest, DownloadWritesTheFileAndReportsRisingPercents) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/img/big.png","body_size":1000000})"));
    std::vector<int> percents;
    std::wstring file = Scratch(L"big.png");
    ASSERT_TRUE(Download(backend_.HttpUrl(L"/img/big.png"), file,
                         [&](const HttpDownloadProgress& p) { percents.push_back(p.percent); }))
        << NewLog();
    EXPECT_EQ(Pattern(1000000), harness::ReadFileBytes(file));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(100, percents.back());
    for (size_t i = 1; i < percents.size(); ++i) EXPECT_LE(percents[i - 1], percents[i]);
    EXPECT_NE(std::string::npos, NewLog().find("[Debug]|[CWinHttp::HttpDownload]|HttpDownload done, file=")) << NewLog();
}

TEST_F(WinHttpTransferTest, DownloadWithoutCallbackLogsProgressOfLargeFiles) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/large","body_size":65536},{"path":"/small","body_size":40960}])"));
    ASSERT_TRUE(Download(backend_.HttpUrl(L"/small"), Scratch(L"small")));
    EXPECT_EQ(std::string::npos, NewLog().find("HttpDownload process :")) << NewLog();
    ASSERT_TRUE(Download(backend_.HttpUrl(L"/large"), Scratch(L"large")));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload process : 65536/65536")) << NewLog();
}

TEST_F(WinHttpTransferTest, DownloadTurnsBackslashesIntoSlashesInPlace) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/img/dir/a.png","body":"png"})"));
    std::wstring url = backend_.HttpUrl(L"\\img\\dir\\a.png");
    std::wstring file = Scratch(L"a.png");
    ASSERT_TRUE(http_.HttpDownload(&url[0], file.c_str(), nullptr)) << NewLog();
    EXPECT_EQ(backend_.HttpUrl(L"/img/dir/a.png"), url);
    EXPECT_EQ("png", harness::ReadFileBytes(file));
}

TEST_F(WinHttpTransferTest, DownloadOfAnHttpsUrlIsSentWithoutTls) {
    // An https URL naming the plain listener works: the request is not secured.
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/icon.png","body":"icon"})"));
    std::wstring url = L"https://" + backend_.HttpHostPort() + L"/icon.png";
    ASSERT_TRUE(Download(url, Scratch(L"icon.png"))) << NewLog();
    EXPECT_EQ("icon", harness::ReadFileBytes(Scratch(L"icon.png")));
}

TEST_F(WinHttpTransferTest, DownloadWithoutContentLengthFailsBeforeTheFileExists) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/chunked","chunked":true,"body":"abc"})"));
    std::wstring url = backend_.HttpUrl(L"/chunked");
    EXPECT_FALSE(Download(url, Scratch(L"c.bin")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"c.bin")));
    EXPECT_NE(std::string::npos,
              NewLog().find("HttpDownload WINHTTP_QUERY_CONTENT_LENGTH failed url=" + harness::Narrow(url)))
        << NewLog();
}

TEST_F(WinHttpTransferTest, DownloadOfErrorStatusesFailsWithoutAFile) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/nf","status":404,"body":"gone"},
        {"path":"/err","status":500,"body":"server error page"}])"));
    std::wstring url = backend_.HttpUrl(L"/nf");
    EXPECT_FALSE(Download(url, Scratch(L"nf.png")));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload dwStatusCode=404 url=" + harness::Narrow(url))) << NewLog();
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/err"), Scratch(L"err.png")));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload dwStatusCode=500 url=")) << NewLog();
    EXPECT_FALSE(harness::FileExists(Scratch(L"nf.png")));
    EXPECT_FALSE(harness::FileExists(Scratch(L"err.png")));
}

TEST_F(WinHttpTransferTest, DownloadFailsWhenTheConnectionIsCutOrTheBodyIsShort) {
    ASSERT_TRUE(backend_.AddRoutes(R"([{"path":"/cut","body_size":300000,"cut_after":70000},
        {"path":"/short","body_size":1000,"content_length":9000},
        {"path":"/icon-cut","body_size":1000,"cut_after":20},{"path":"/icon","body_size":1000}])"));
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/cut"), Scratch(L"cut.bin")));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload read data failed, " + harness::Narrow(backend_.HttpUrl(L"/cut"))))
        << NewLog();
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/short"), Scratch(L"short.bin")));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload read data failed, " + harness::Narrow(backend_.HttpUrl(L"/short"))))
        << NewLog();
    // A body that broke off leaves nothing behind, so the next start asks again.
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/icon-cut"), Scratch(L"cut.png")));
    EXPECT_EQ(std::vector<std::wstring>(), ScratchFiles());

    // A good file already there survives a failed download and is replaced by a whole one.
    ASSERT_TRUE(harness::WriteFileBytes(Scratch(L"icon.png"), "good"));
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/icon-cut"), Scratch(L"icon.png")));
    EXPECT_EQ("good", harness::ReadFileBytes(Scratch(L"icon.png")));
    ASSERT_TRUE(Download(backend_.HttpUrl(L"/icon"), Scratch(L"icon.png"))) << NewLog();
    EXPECT_EQ(Pattern(1000), harness::ReadFileBytes(Scratch(L"icon.png")));
    EXPECT_EQ(std::vector<std::wstring>{L"icon.png"}, ScratchFiles());
}

TEST_F(WinHttpTransferTest, DownloadIntoAMissingFolderFails) {
    ASSERT_TRUE(backend_.AddRoutes(R"({"path":"/f","body":"x"})"));
    std::wstring file = Scratch(L"no\\such\\folder\\f.png");
    EXPECT_FALSE(Download(backend_.HttpUrl(L"/f"), file));
    EXPECT_NE(std::string::npos, NewLog().find("HttpDownload create file failed, " + harness::Narrow(file))) << NewLog();
}

// --- URL splitting

TEST(GetUrlInfoTest, SplitsHostPortPathAndQuery) {
    UrlInfo info;
    ASSERT_TRUE(GetUrlInfo(L"https://h.example:8443/orv2/api/getFrontData.do?type=x&a=1", info));
    EXPECT_STREQ(L"h.example", info.hostName);
    EXPECT_EQ(8443, info.port);
    EXPECT_EQ(kSchemeHttps, info.scheme);
    EXPECT_STREQ(L"/orv2/api/getFrontData.do", info.urlPath);
    EXPECT_STREQ(L"?type=x&a=1", info.extraInfo);
    EXPECT_STREQ(L"/orv2/api/getFrontData.do?type=x&a=1", info.objectPath);
}

TEST(GetUrlInfoTest, RefusesUrlsThatDoNotFitTheBuffers) {
    UrlInfo info;
    EXPECT_FALSE(GetUrlInfo(L"not a url", info));
    EXPECT_FALSE(GetUrlInfo(nullptr, info));
    std::wstring longPath = L"http://h/" + std::wstring(600, L'p');
    EXPECT_FALSE(GetUrlInfo(longPath.c_str(), info));
    std::wstring longHost = L"http://" + std::wstring(600, L'h') + L"/";
    EXPECT_FALSE(GetUrlInfo(longHost.c_str(), info));
    // Path and query each fit, but not together in the object path.
    std::wstring joined = L"http://h/" + std::wstring(500, L'p') + L"?" + std::wstring(600, L'q');
    EXPECT_FALSE(GetUrlInfo(joined.c_str(), info));
    std::wstring fits = L"http://h/" + std::wstring(500, L'p') + L"?" + std::wstring(500, L'q');
    ASSERT_TRUE(GetUrlInfo(fits.c_str(), info));
    EXPECT_EQ(1002u, wcslen(info.objectPath));
}

}  // namespace
