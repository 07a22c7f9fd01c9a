#pragma once
// CPing: round trip to a host with raw ICMP echo requests (IPv4).
//
// Construction starts Winsock 2.2 and destruction cleans it up again, so the
// caller must not call WSACleanup for it. Ping blocks its calling thread for
// at most count x timeout plus scheduling slack (count is capped at 4 and the
// timeout at 8000 ms). One object serves one thread at a time; the packet
// counters are shared by the whole process.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <string>

class CPing {
public:
    // Bytes of an echo request as sent: type, code, checksum, identifier,
    // sequence, one pad byte, then the sending time (timeGetTime).
    static constexpr size_t kRequestBytes = 13;
    // Room for one received packet, IPv4 header included.
    static constexpr size_t kReplyBytes = 289;

    // What an echo reply says about itself.
    struct EchoReply {
        unsigned short icmpId;
        unsigned short ipId;
        unsigned short ipTotalLength;
        unsigned char ttl;
        DWORD sentTime;
    };

    CPing();
    virtual ~CPing();
    CPing(const CPing&) = delete;
    CPing& operator=(const CPing&) = delete;

    // Sends up to count requests to host, waiting up to timeoutMs for each.
    // result: mean round trip in ms, or -1 when it reached the timeout (a
    // request without reply counts the whole timeout and ends the series).
    // Returns 0 when no socket could be made or the name not resolved (result
    // untouched), else 1; a failing wait also leaves result untouched.
    int Ping(unsigned count, const char* host, int timeoutMs, int* result);

    // Internet checksum (RFC 1071); an odd last byte is padded with zero.
    static unsigned short Checksum(const unsigned char* data, size_t cb);
    static void BuildEchoRequest(unsigned char (&packet)[kRequestBytes], unsigned short id, unsigned short sequence,
                                 DWORD sentTime);
    // true when the packet (IPv4 header first) is an echo reply to the request
    // with the identifier id.
    static bool ParseEchoReply(const unsigned char* packet, size_t cb, unsigned short id, EchoReply* reply);

protected:
    // The steps of one series, replaced by tests.
    // Makes the raw socket and resolves the host; false after logging why.
    virtual bool OpenTarget(const char* host);
    // Bytes sent, or SOCKET_ERROR after logging.
    virtual int SendEchoRequest();
    // 1: a packet can be read; 0: none within waitMs; -1: the wait failed.
    virtual int WaitForReply(int waitMs);
    // Reads one packet; true with its round trip when it answers the last request.
    virtual bool RecvEchoReply(unsigned* roundTripMs);

    void WSAError(const wchar_t* call);

    std::string targetText_;  // dotted address of the host

private:
    void CloseTarget();

    bool winsockStarted_ = false;
    SOCKET socket_ = INVALID_SOCKET;  // owned; closed by CloseTarget
    sockaddr_in target_ = {};
    unsigned short lastId_ = 0;  // identifier of the last request sent
};
