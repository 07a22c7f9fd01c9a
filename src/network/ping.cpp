#include "ping.h"

#include "LogWriter.h"

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr int kDefaultTimeoutMs = 1000;
constexpr int kMaxTimeoutMs = 8000;
constexpr unsigned kMaxCount = 4;
constexpr int kSliceMs = 10;
constexpr int kDataBytesShown = 32;
constexpr unsigned char kEchoRequest = 8;
constexpr unsigned char kEchoReply = 0;

// Identifier and sequence counters of the process; both start at 1.
std::atomic<unsigned short> g_nextId{1};
std::atomic<unsigned short> g_nextSequence{1};

unsigned short ReadNet16(const unsigned char* p) { return static_cast<unsigned short>((p[0] << 8) | p[1]); }

// Fine timer resolution for the duration of one series.
class TimerPeriod {
public:
    TimerPeriod() : active_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~TimerPeriod() {
        if (active_) timeEndPeriod(1);
    }
    TimerPeriod(const TimerPeriod&) = delete;
    TimerPeriod& operator=(const TimerPeriod&) = delete;

private:
    bool active_;
};

}  // namespace

CPing::CPing() {
    WSADATA data;
    int rc = WSAStartup(MAKEWORD(2, 2), &data);
    winsockStarted_ = (rc == 0);
    if (!winsockStarted_) {
        // WSAStartup reports its error as its result, not through WSAGetLastError.
        LOG_AS("CPing::WSAError", LOG_LEVEL_WARNING, L"Ping: %s - WSAError: %ld", L"WSAStartup()", static_cast<long>(rc));
    }
}

CPing::~CPing() {
    CloseTarget();
    if (winsockStarted_) WSACleanup();
}

void CPing::WSAError(const wchar_t* call) {
    LOG_WARNING(L"Ping: %s - WSAError: %ld", call, static_cast<long>(WSAGetLastError()));
}

void CPing::CloseTarget() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

unsigned short CPing::Checksum(const unsigned char* data, size_t cb) {
    unsigned long sum = 0;
    size_t i = 0;
    for (; i + 1 < cb; i += 2) sum += static_cast<unsigned>(data[i] | (data[i + 1] << 8));
    if (i < cb) sum += data[i];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<unsigned short>(~sum & 0xFFFF);
}

void CPing::BuildEchoRequest(unsigned char (&packet)[kRequestBytes], unsigned short id, unsigned short sequence,
                             DWORD sentTime) {
    std::memset(packet, 0, sizeof(packet));
    packet[0] = kEchoRequest;
    packet[4] = static_cast<unsigned char>(id >> 8);
    packet[5] = static_cast<unsigned char>(id & 0xFF);
    packet[6] = static_cast<unsigned char>(sequence >> 8);
    packet[7] = static_cast<unsigned char>(sequence & 0xFF);
    std::memcpy(packet + 9, &sentTime, sizeof(sentTime));
    unsigned short sum = Checksum(packet, sizeof(packet));
    std::memcpy(packet + 2, &sum, sizeof(sum));
}

bool CPing::ParseEchoReply(const unsigned char* packet, size_t cb, unsigned short id, EchoReply* reply) {
    if (cb < 20) return false;
    size_t headerBytes = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if (headerBytes < 20 || cb < headerBytes + kRequestBytes) return false;
    const unsigned char* icmp = packet + headerBytes;
    if (icmp[0] != kEchoReply || ReadNet16(icmp + 4) != id) return false;
    reply->icmpId = ReadNet16(icmp + 4);
    reply->ipId = ReadNet16(packet + 4);
    reply->ipTotalLength = ReadNet16(packet + 2);
    reply->ttl = packet[8];
    std::memcpy(&reply->sentTime, icmp + 9, sizeof(reply->sentTime));
    return true;
}

bool CPing::OpenTarget(const char* host) {
    socket_ = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (socket_ == INVALID_SOCKET) {
        WSAError(L"socket()");
        return false;
    }
    hostent* entry = gethostbyname(host ? host : "");
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list[0]) {
        WSAError(L"gethostbyname()");
        CloseTarget();
        return false;
    }
    target_ = {};
    target_.sin_family = AF_INET;
    std::memcpy(&target_.sin_addr, entry->h_addr_list[0], 4);
    const char* dotted = inet_ntoa(target_.sin_addr);
    targetText_ = dotted ? dotted : "";
    return true;
}

int CPing::SendEchoRequest() {
    unsigned char packet[kRequestBytes];
    lastId_ = g_nextId.fetch_add(1);
    BuildEchoRequest(packet, lastId_, g_nextSequence.fetch_add(1), timeGetTime());
    int sent = sendto(socket_, reinterpret_cast<const char*>(packet), static_cast<int>(sizeof(packet)), 0,
                      reinterpret_cast<const sockaddr*>(&target_), static_cast<int>(sizeof(target_)));
    if (sent == SOCKET_ERROR) WSAError(L"sendto()");
    return sent;
}

int CPing::WaitForReply(int waitMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait = {waitMs / 1000, (waitMs % 1000) * 1000};
    int n = select(0, &readable, nullptr, nullptr, &wait);
    if (n == SOCKET_ERROR) return -1;
    return n > 0 ? 1 : 0;
}

bool CPing::RecvEchoReply(unsigned* roundTripMs) {
    unsigned char buffer[kReplyBytes] = {};
    sockaddr_in from = {};
    int fromBytes = static_cast<int>(sizeof(from));
    int got = recvfrom(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(sizeof(buffer)), 0,
                       reinterpret_cast<sockaddr*>(&from), &fromBytes);
    if (got == SOCKET_ERROR) {
        WSAError(L"recvfrom()");
        return false;
    }
    // Other ICMP traffic (our own request on loopback, errors, other pings) is passed over.
    EchoReply reply;
    if (!ParseEchoReply(buffer, static_cast<size_t>(got), lastId_, &reply)) return false;
    *roundTripMs = timeGetTime() - reply.sentTime;
    LOG_DEBUG(L"ID=%d %d bytes=%d TTL=%d Time=%u", reply.icmpId, reply.ipId, reply.ipTotalLength, reply.ttl,
              *roundTripMs);
    return true;
}

int CPing::Ping(unsigned count, const char* host, int timeoutMs, int* result) {
    count = std::min(count, kMaxCount);
    if (timeoutMs < 0 || timeoutMs > kMaxTimeoutMs) timeoutMs = kDefaultTimeoutMs;
    if (!OpenTarget(host)) return 0;
    struct Closer {
        CPing* ping;
        ~Closer() { ping->CloseTarget(); }
    } closer{this};
    TimerPeriod period;
    LOG_DEBUG(L"ping %S [%S] with %d bytes of data: ", host ? host : "", targetText_.c_str(), kDataBytesShown);

    const int slices = timeoutMs / kSliceMs;
    unsigned total = 0;
    unsigned requests = 0;
    for (unsigned i = 0; i < count; ++i) {
        SendEchoRequest();
        ++requests;
        bool answered = false;
        for (int s = 0; s < slices && !answered; ++s) {
            int ready = WaitForReply(kSliceMs);
            if (ready < 0) {
                WSAError(L"select()");
                return 1;
            }
            unsigned roundTrip = 0;
            if (ready > 0 && RecvEchoReply(&roundTrip)) {
                total += roundTrip;
                answered = true;
            }
        }
        if (!answered) {
            LOG_INFO(L"Request Timed Out");
            total += static_cast<unsigned>(timeoutMs);
            break;
        }
    }
    if (requests == 0) {
        *result = -1;  // nothing was sent, so nothing answered
        return 1;
    }
    unsigned mean = static_cast<unsigned>(static_cast<float>(total) / static_cast<float>(requests));
    LOG_DEBUG(L"ping mean time = %u", mean);
    *result = mean < static_cast<unsigned>(timeoutMs) ? static_cast<int>(mean) : -1;
    return 1;
}
