#include "ping.h"

#include "Harness.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>

namespace {

int CountLogLines(const std::wstring& text) {
    int n = 0;
    for (const std::wstring& line : harness::ReadLogLines(LogWriter::GetInstance()->LogFolder(), L"ping_tests")) {
        if (line.find(text) != std::wstring::npos) ++n;
    }
    return n;
}

// A series played from a script: each request is answered after some waits
// with a round trip, or never; the socket, the wire and the clock stay out.
class ScriptedPing : public CPing {
public:
    struct Answer {
        int waitsBefore;  // empty waits before the packet is there; -1: never answered
        unsigned roundTripMs;
        bool ours = true;  // false: a packet that is not our reply
    };
    std::deque<Answer> answers;
    bool selectFails = false;
    bool openFails = false;
    int requestsSent = 0;
    int waits = 0;

protected:
    bool OpenTarget(const char*) override {
        targetText_ = "10.0.0.1";
        return !openFails;
    }
    int SendEchoRequest() override {
        ++requestsSent;
        pendingWaits_ = answers.empty() ? -1 : answers.front().waitsBefore;
        return static_cast<int>(kRequestBytes);
    }
    int WaitForReply(int waitMs) override {
        EXPECT_EQ(10, waitMs);
        ++waits;
        if (selectFails) return -1;
        if (pendingWaits_ < 0) return 0;
        return pendingWaits_-- == 0 ? 1 : 0;
    }
    bool RecvEchoReply(unsigned* roundTripMs) override {
        Answer a = answers.front();
        answers.pop_front();
        if (!a.ours) {
            // The next scripted packet follows right away.
            pendingWaits_ = answers.empty() ? -1 : answers.front().waitsBefore;
            return false;
        }
        *roundTripMs = a.roundTripMs;
        return true;
    }

private:
    int pendingWaits_ = -1;
};

TEST(PingSeries, MeanOfTheRepliesAndCaps) {
    ScriptedPing ping;
    ping.answers = {{0, 10}, {3, 30}};
    int result = -7;
    EXPECT_EQ(1, ping.Ping(2, "h", 1000, &result));
    EXPECT_EQ(20, result);

    // A count of 9 sends 4 requests.
    ScriptedPing four;
    four.answers = {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}};
    EXPECT_EQ(1, four.Ping(9, "h", 1000, &result));
    EXPECT_EQ(4, four.requestsSent);
    EXPECT_EQ(1, result);
}

TEST(PingSeries, TimeoutEndsTheSeries) {
    // 10 ms, then no answer within 1000 ms: (10 + 1000) / 2.
    ScriptedPing ping;
    ping.answers = {{0, 10}, {-1, 0}, {0, 10}};
    int result = -7;
    EXPECT_EQ(1, ping.Ping(3, "h", 1000, &result));
    EXPECT_EQ(505, result);
    EXPECT_EQ(2, ping.requestsSent);
    EXPECT_EQ(1 + 100, ping.waits);  // 1000 ms in slices of 10

    ScriptedPing first;
    first.answers = {{-1, 0}};
    EXPECT_EQ(1, first.Ping(2, "h", 1000, &result));
    EXPECT_EQ(-1, result);
    EXPECT_EQ(1, first.requestsSent);
}

TEST(PingSeries, TimeoutOutOfRangeBecomesOneSecond) {
    for (int timeout : {9000, -5}) {
        ScriptedPing ping;
        ping.answers = {{-1, 0}};
        int result = 0;
        EXPECT_EQ(1, ping.Ping(1, "h", timeout, &result));
        EXPECT_EQ(100, ping.waits) << timeout;
    }
    ScriptedPing longest;
    longest.answers = {{-1, 0}};
    int result = 0;
    EXPECT_EQ(1, longest.Ping(1, "h", 8000, &result));
    EXPECT_EQ(800, longest.waits);
}

TEST(PingSeries, PacketsThatAreNotOurReplyAreSkipped) {
    ScriptedPing ping;
    ping.answers = {{0, 0, false}, {2, 40}};
    int result = 0;
    EXPECT_EQ(1, ping.Ping(1, "h", 1000, &result));
    EXPECT_EQ(40, result);
}

TEST(PingSeries, FailedWaitLeavesTheResult) {
    ScriptedPing ping;
    ping.selectFails = true;
    ping.answers = {{0, 10}};
    int result = -9;
    int before = CountLogLines(L"Ping: select() - WSAError:");
    EXPECT_EQ(1, ping.Ping(2, "h", 1000, &result));
    EXPECT_EQ(-9, result);
    EXPECT_EQ(before + 1, CountLogLines(L"Ping: select() - WSAError:"));
}

TEST(PingSeries, NoSocketOrNameLeavesTheResult) {
    ScriptedPing ping;
    ping.openFails = true;
    int result = -9;
    EXPECT_EQ(0, ping.Ping(2, "h", 1000, &result));
    EXPECT_EQ(-9, result);
    EXPECT_EQ(0, ping.requestsSent);
}

TEST(PingSeries, NoRequestsMeansNoReply) {
    ScriptedPing ping;
    int result = 5;
    EXPECT_EQ(1, ping.Ping(0, "h", 1000, &result));
    EXPECT_EQ(-1, result);
    EXPECT_EQ(0, ping.requestsSent);
}

TEST(PingPacket, RequestLayoutAndChecksum) {
    unsigned char packet[CPing::kRequestBytes];
    CPing::BuildEchoRequest(packet, 0x1234, 0x0102, 0xA1B2C3D4);
    EXPECT_EQ(8, packet[0]);
    EXPECT_EQ(0, packet[1]);
    EXPECT_EQ(0x12, packet[4]);
    EXPECT_EQ(0x34, packet[5]);
    EXPECT_EQ(0x01, packet[6]);
    EXPECT_EQ(0x02, packet[7]);
    EXPECT_EQ(0, packet[8]);
    const unsigned char time[4] = {0xD4, 0xC3, 0xB2, 0xA1};  // host (little-endian) order
    EXPECT_EQ(0, memcmp(packet + 9, time, 4));
    // Summed with the checksum in place, the one's complement sum is all ones.
    EXPECT_EQ(0, CPing::Checksum(packet, sizeof(packet)));
    unsigned long sum = 0;
    for (size_t i = 0; i + 1 < sizeof(packet); i += 2) sum += packet[i] | (packet[i + 1] << 8);
    sum += packet[12];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    EXPECT_EQ(0xFFFFu, sum);
}

TEST(PingPacket, ChecksumOfKnownBytes) {
    // RFC 1071's example words 0001 f203 f4f5 f6f7 (network order) sum to ddf2.
    const unsigned char data[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    unsigned short sum = CPing::Checksum(data, sizeof(data));
    unsigned char stored[2];
    memcpy(stored, &sum, 2);
    EXPECT_EQ(0x22, stored[0]);  // ~ddf2 = 220d, as stored on the wire
    EXPECT_EQ(0x0d, stored[1]);
    const unsigned char odd[] = {0xAB};
    EXPECT_EQ(static_cast<unsigned short>(~0x00AB), CPing::Checksum(odd, 1));
}

std::string ReplyPacket(unsigned char type, unsigned short id, DWORD sentTime, size_t headerBytes = 20) {
    std::string p(headerBytes + CPing::kRequestBytes, '\0');
    p[0] = static_cast<char>(0x40 | (headerBytes / 4));
    p[2] = 0;
    p[3] = static_cast<char>(p.size());
    p[4] = 0x12;
    p[5] = 0x34;
    p[8] = 64;
    p[headerBytes] = static_cast<char>(type);
    p[headerBytes + 4] = static_cast<char>(id >> 8);
    p[headerBytes + 5] = static_cast<char>(id & 0xFF);
    memcpy(&p[headerBytes + 9], &sentTime, 4);
    return p;
}

TEST(PingPacket, ParseReplyAcceptsOnlyOurEchoReply) {
    CPing::EchoReply reply = {};
    std::string ok = ReplyPacket(0, 77, 123456);
    ASSERT_TRUE(CPing::ParseEchoReply(reinterpret_cast<const unsigned char*>(ok.data()), ok.size(), 77, &reply));
    EXPECT_EQ(77, reply.icmpId);
    EXPECT_EQ(0x1234, reply.ipId);
    EXPECT_EQ(33, reply.ipTotalLength);
    EXPECT_EQ(64, reply.ttl);
    EXPECT_EQ(123456u, reply.sentTime);

    std::string withOptions = ReplyPacket(0, 77, 99, 24);
    ASSERT_TRUE(CPing::ParseEchoReply(reinterpret_cast<const unsigned char*>(withOptions.data()), withOptions.size(),
                                      77, &reply));
    EXPECT_EQ(99u, reply.sentTime);

    std::string request = ReplyPacket(8, 77, 1);     // our own request seen on loopback
    std::string unreachable = ReplyPacket(3, 77, 1); // an error from a router
    std::string other = ReplyPacket(0, 78, 1);       // somebody else's ping
    for (const std::string* p : {&request, &unreachable, &other}) {
        EXPECT_FALSE(CPing::ParseEchoReply(reinterpret_cast<const unsigned char*>(p->data()), p->size(), 77, &reply));
    }
    // Too short to hold the fields: never read past what arrived.
    for (size_t cb : {size_t(0), size_t(19), size_t(32)}) {
        EXPECT_FALSE(CPing::ParseEchoReply(reinterpret_cast<const unsigned char*>(ok.data()), cb, 77, &reply)) << cb;
    }
}

// Each CPing starts Winsock once and ends it once: a caller's own start
// outlives any number of them, and nothing is left started after them.
TEST(PingWinsock, EachObjectEndsWhatItStarted) {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));  // the caller's own
    {
        CPing outer;
        { CPing inner; }
    }
    SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    EXPECT_NE(INVALID_SOCKET, probe) << "a CPing ended the caller's Winsock, error " << WSAGetLastError();
    if (probe != INVALID_SOCKET) closesocket(probe);
    EXPECT_EQ(0, WSACleanup());
    EXPECT_EQ(SOCKET_ERROR, WSACleanup()) << "a CPing left Winsock started";
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

// The real thing under Wine: raw ICMP to 127.0.0.1. Either it works and
// measures a round trip below the timeout, or the socket is refused and the
// failure is logged; both within bounded time.
TEST(PingLoopback, AnswersOrLogsTheRefusal) {
    LogWriter* log = LogWriter::GetInstance();
    unsigned savedMask = log->levelMask;
    log->levelMask |= LOG_LEVEL_DEBUG;
    CPing ping;
    int result = -7;
    int refusedBefore = CountLogLines(L"Ping: socket() - WSAError:");
    DWORD start = GetTickCount();
    int rc = ping.Ping(2, "127.0.0.1", 500, &result);
    DWORD elapsed = GetTickCount() - start;
    log->levelMask = savedMask;
    EXPECT_LT(elapsed, 2 * 500u + 1500u);
    if (rc == 0) {
        EXPECT_EQ(refusedBefore + 1, CountLogLines(L"Ping: socket() - WSAError:"));
        EXPECT_EQ(-7, result);
        std::printf("raw ICMP refused here: %s\n", harness::LogText(LogWriter::GetInstance()->LogFolder(), L"ping_tests").c_str());
    } else {
        EXPECT_EQ(1, rc);
        EXPECT_GE(result, 0);
        EXPECT_LT(result, 500);
        EXPECT_LE(1, CountLogLines(L"ping 127.0.0.1 [127.0.0.1] with 32 bytes of data: "));
        EXPECT_LE(2, CountLogLines(L" TTL="));
        EXPECT_LE(1, CountLogLines(L"ping mean time = "));
        std::printf("ping 127.0.0.1: %d ms in %lu ms\n", result, elapsed);
    }
}

TEST(PingLoopback, UnresolvableNameFailsWithLog) {
    CPing ping;
    int result = -7;
    int before = CountLogLines(L"Ping: gethostbyname() - WSAError:") + CountLogLines(L"Ping: socket() - WSAError:");
    DWORD start = GetTickCount();
    EXPECT_EQ(0, ping.Ping(1, "no-such-host.invalid", 500, &result));
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ(-7, result);
    EXPECT_EQ(before + 1,
              CountLogLines(L"Ping: gethostbyname() - WSAError:") + CountLogLines(L"Ping: socket() - WSAError:"));
}

}  // namespace
