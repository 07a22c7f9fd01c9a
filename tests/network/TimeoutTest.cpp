// Servers that never answer: each client gives up after its time-out. The
// WinHTTP client sets only the connect time-out, so its wait for an answer is
// WinHTTP's own default; both clients run at once to keep the test short.
#include "http.h"
#include "InetHttpClient.h"

#include <windows.h>

#include <string>
#include <thread>

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

}  // namespace
