#include "http.h"

#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "LogWriter.h"
#include "DeploymentHosts.h"
#include "PartialDownloadFile.h"
#include "UniqueHandle.h"

namespace {

struct WinHttpTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::WinHttpCloseHandle(h); }
};
using UniqueWinHttp = Unique<WinHttpTraits>;

constexpr DWORD kFlagRefresh = WINHTTP_FLAG_REFRESH;                          // 0x100
constexpr DWORD kFlagSecureRefresh = WINHTTP_FLAG_SECURE | WINHTTP_FLAG_REFRESH;  // 0x800100
constexpr DWORD kPostConnectTimeoutMs = 15000;
constexpr DWORD kDownloadConnectTimeoutMs = 15000;
constexpr DWORD kDownloadChunkBytes = 0x8000;
// WinHTTP's documented wait for an answer (its receive time-out). Some
// WinHTTP builds wait without limit for the response headers unless told.
constexpr DWORD kResponseTimeoutMs = 30000;
constexpr DWORD kQuietDownloadBytes = 40960;
constexpr wchar_t kFormContentType[] = L"Content-type: application/x-www-form-urlencoded; charset=utf-8";
constexpr wchar_t kFormPath[] = L"/orv2/api/getFrontData.do";

DWORD RequestFlags(const UrlInfo& info) {
    return info.scheme == INTERNET_SCHEME_HTTPS ? kFlagSecureRefresh : kFlagRefresh;
}

bool SetConnectTimeout(HINTERNET request, DWORD ms) {
    return WinHttpSetOption(request, WINHTTP_OPTION_CONNECT_TIMEOUT, &ms, sizeof(ms)) != FALSE;
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD* value) {
    DWORD size = sizeof(*value);
    return WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, value,
                               &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// A connection that ends before the announced Content-Length is a failed
// read, not a short body.
bool BodyIsComplete(HINTERNET request, size_t received, const wchar_t* url) {
    DWORD contentLength = 0;
    if (!QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH, &contentLength) || received >= contentLength) return true;
    LOG_AS("CWinHttp::HttpGet", LOG_LEVEL_ERROR, L"GET.WinHttpReadData failed, LastError=%u url=%s",
           ERROR_WINHTTP_CONNECTION_ERROR, url);
    return false;
}

}  // namespace

bool GetUrlInfo(const wchar_t* url, UrlInfo& info) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = info.hostName;
    parts.dwHostNameLength = kUrlHostChars;
    parts.lpszUrlPath = info.urlPath;
    parts.dwUrlPathLength = kUrlPathChars;
    parts.lpszExtraInfo = info.extraInfo;
    parts.dwExtraInfoLength = kUrlExtraChars;
    info.hostName[0] = info.urlPath[0] = info.extraInfo[0] = info.objectPath[0] = L'\0';
    if (!url || !WinHttpCrackUrl(url, 0, ICU_ESCAPE, &parts)) {
        LOG_ERROR(L"WinHttpCrackUrl failed, LastError=0x%x, url=%s", GetLastError(), url ? url : L"");
        return false;
    }
    int n = _snwprintf(info.objectPath, kUrlObjectChars, L"%s%s", info.urlPath, info.extraInfo);
    if (n < 0 || static_cast<DWORD>(n) >= kUrlObjectChars) {
        // Path and query together do not fit: refuse rather than send a cut URL.
        info.objectPath[0] = L'\0';
        LOG_ERROR(L"WinHttpCrackUrl failed, LastError=0x%x, url=%s", ERROR_INSUFFICIENT_BUFFER, url);
        return false;
    }
    info.scheme = parts.nScheme;
    info.port = parts.nPort;
    return true;
}

std::wstring BackendFormUrl() { return L"https://" + GetBackendApiHost() + kFormPath; }

CWinHttp::CWinHttp() : userAgent_(L"Mozilla/5.0") {
    session_ = WinHttpOpen(userAgent_.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session_) {
        LOG_ERROR(L"WinHttpOpen failed, LastError=0x%x", GetLastError());
        return;
    }
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS;
    WinHttpSetOption(session_, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof(policy));
    DWORD responseTimeout = kResponseTimeoutMs;
    WinHttpSetOption(session_, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
}

CWinHttp::~CWinHttp() {
    if (session_) WinHttpCloseHandle(session_);
}

bool CWinHttp::HttpGet(const wchar_t* url, std::string& body, int connectTimeoutSeconds) {
    UrlInfo info;
    if (!GetUrlInfo(url, info)) return false;
    UniqueWinHttp connection{WinHttpConnect(session_, info.hostName, info.port, 0)};
    if (!connection) {
        LOG_ERROR(L"GET.WinHttpConnect failed, LastError=%u hostName=%s", GetLastError(), info.hostName);
        return false;
    }
    UniqueWinHttp request{WinHttpOpenRequest(connection.get(), L"GET", info.objectPath, nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, RequestFlags(info))};
    if (!request) {
        LOG_ERROR(L"GET.WinHttpOpenRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!SetConnectTimeout(request.get(), static_cast<DWORD>(connectTimeoutSeconds) * 1000)) {
        LOG_ERROR(L"HttpGet set timeout failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        LOG_ERROR(L"GET.WinHttpSendRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
        LOG_ERROR(L"GET.WinHttpReceiveResponse failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available)) {
        LOG_ERROR(L"GET.WinHttpReadData failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    // No body: the string stays as it was, unless one was announced.
    if (available == 0) return BodyIsComplete(request.get(), 0, url);

    body.assign(available < 1024 ? 1024 : 4096, '\0');
    size_t total = 0;
    for (;;) {
        if (total == body.size()) {
            body.resize(body.size() * 2, '\0');
            LOG_INFO(L"HttpGet resize buffer %u", static_cast<unsigned>(body.size()));
        }
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), &body[total], static_cast<DWORD>(body.size() - total), &read)) {
            LOG_ERROR(L"GET.WinHttpReadData failed, LastError=%u url=%s", GetLastError(), url);
            return false;
        }
        if (read == 0) return BodyIsComplete(request.get(), total, url);
        total += read;
    }
}

bool CWinHttp::HttpPost(const std::string& formBody, std::string& response) {
    std::wstring target = BackendFormUrl();
    const wchar_t* url = target.c_str();
    UrlInfo info;
    if (!GetUrlInfo(url, info)) return false;
    UniqueWinHttp connection{WinHttpConnect(session_, info.hostName, info.port, 0)};
    if (!connection) {
        LOG_ERROR(L"POST.WinHttpConnect failed, LastError=%u hostName=%s", GetLastError(), info.hostName);
        return false;
    }
    UniqueWinHttp request{WinHttpOpenRequest(connection.get(), L"POST", info.objectPath, nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, RequestFlags(info))};
    if (!request) {
        LOG_ERROR(L"POST.WinHttpOpenRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!SetConnectTimeout(request.get(), kPostConnectTimeoutMs)) {
        LOG_ERROR(L"HttpPost set timeout failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpAddRequestHeaders(request.get(), kFormContentType, static_cast<DWORD>(-1L),
                                  WINHTTP_ADDREQ_FLAG_ADD)) {
        LOG_ERROR(L"POST.WinHttpAddRequestHeaders failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    DWORD length = static_cast<DWORD>(formBody.size());
    void* data = length ? const_cast<char*>(formBody.data()) : WINHTTP_NO_REQUEST_DATA;
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length, 0)) {
        LOG_ERROR(L"POST.WinHttpSendRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
        LOG_ERROR(L"POST.WinHttpReceiveResponse failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available) || available == 0) return true;

    // The answer is not read by anyone: only the first available block is kept.
    response.assign(available, '\0');
    size_t total = 0;
    bool ok = true;
    while (total < response.size()) {
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), &response[total], static_cast<DWORD>(response.size() - total), &read)) {
            LOG_ERROR(L"POST.WinHttpReadData failed, LastError=%u url=%s", GetLastError(), url);
            ok = false;
            break;
        }
        if (read == 0) break;
        total += read;
    }
    response.push_back('\0');
    return ok;
}

bool CWinHttp::HttpDownload(wchar_t* url, const wchar_t* filePath, HttpDownloadCallback onProgress) {
    for (wchar_t* c = url; c && *c; ++c) {
        if (*c == L'\\') *c = L'/';
    }
    UrlInfo info;
    if (!GetUrlInfo(url, info)) return false;
    UniqueWinHttp connection{WinHttpConnect(session_, info.hostName, info.port, 0)};
    if (!connection) {
        LOG_ERROR(L"Download.WinHttpConnect failed, LastError=%u, %s", GetLastError(), info.hostName);
        return false;
    }
    // Downloads never ask for TLS: an https URL is requested as it is, without the secure flag.
    UniqueWinHttp request{WinHttpOpenRequest(connection.get(), L"GET", info.objectPath, nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, kFlagRefresh)};
    if (!request) {
        LOG_ERROR(L"Download.WinHttpOpenRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!SetConnectTimeout(request.get(), kDownloadConnectTimeoutMs)) {
        LOG_ERROR(L"HttpDownload set timeout failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        LOG_ERROR(L"Download.WinHttpSendRequest failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
        LOG_ERROR(L"Download.WinHttpReceiveResponse failed, LastError=%u url=%s", GetLastError(), url);
        return false;
    }
    DWORD contentLength = 0;
    if (!QueryNumber(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, &contentLength)) {
        LOG_ERROR(L"HttpDownload WINHTTP_QUERY_CONTENT_LENGTH failed url=%s", url);
        return false;
    }
    DWORD status = 0;
    if (!QueryNumber(request.get(), WINHTTP_QUERY_STATUS_CODE, &status)) {
        LOG_ERROR(L"HttpDownload WINHTTP_QUERY_STATUS_CODE failed url=%s", url);
        return false;
    }
    // An error page is not the file asked for: only 2xx answers are saved.
    if (status < 200 || status > 299) {
        LOG_ERROR(L"HttpDownload dwStatusCode=%u url=%s", status, url);
        return false;
    }
    // The body goes to a temporary file that takes filePath's name only when
    // it is complete: a failed download never leaves a cut file behind, nor
    // spoils a good one already there.
    PartialDownloadFile file(filePath);
    if (!file.Create()) {
        LOG_ERROR(L"HttpDownload create file failed, %s", filePath);
        return false;
    }
    std::string chunk(kDownloadChunkBytes, '\0');
    unsigned long long total = 0;
    HttpDownloadProgress progress = {0};
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), &chunk[0], kDownloadChunkBytes, &read)) {
            LOG_ERROR(L"HttpDownload read data failed, %s, read bytes=%u", url, read);
            return false;
        }
        if (read == 0) break;
        if (!file.Write(chunk.data(), read)) {
            LOG_ERROR(L"HttpDownload write file failed, %s, write bytes=%u", filePath, read);
            return false;
        }
        total += read;
        if (onProgress && contentLength > 0) {
            progress.percent = static_cast<int>(total * 100 / contentLength);
            onProgress(progress);
        } else if (!onProgress && contentLength > kQuietDownloadBytes) {
            LOG_DEBUG(L"HttpDownload process : %u/%u", static_cast<unsigned>(total), contentLength);
        }
    }
    // A connection that ends early is a failed read, not a finished file.
    if (total < contentLength) {
        LOG_ERROR(L"HttpDownload read data failed, %s, read bytes=%u", url, static_cast<unsigned>(total));
        return false;
    }
    if (!file.Commit()) {
        LOG_ERROR(L"HttpDownload rename file failed, LastError=%u, %s", GetLastError(), filePath);
        return false;
    }
    LOG_DEBUG(L"HttpDownload done, file=%s", filePath);
    return true;
}

// --- GET with one deadline for the whole request
//
// WinHTTP's time-outs bound each wait, not a request: a server that sends a
// few bytes now and then keeps a synchronous request alive for ever, and
// under Wine closing the request from another thread does not end a wait in
// progress. So the request runs on a thread of its own, with a session of its
// own, and the caller waits for it no longer than the deadline. A request
// left behind stops at its next step; its waits are bounded by the same
// time, so it ends on its own soon after.

namespace {

// The steps of a deadline GET, each with its failure line.
enum class GetStep { kSession, kSetTimeout, kConnect, kOpenRequest, kSend, kReceive, kRead };

// Shared by the caller and the request thread; the last one to let go frees
// it. The caller reads error and body only once finished is set.
struct DeadlineGetState {
    std::mutex lock;
    std::condition_variable changed;
    bool finished = false;               // the request has ended, done or failed
    bool abandoned = false;              // the caller has stopped waiting
    GetStep step = GetStep::kSession;    // the step in progress, or the one that failed
    DWORD error = 0;                     // GetLastError of the failed step; 0 when done
    std::string body;
};

constexpr DWORD kOwnWaitsPastDeadlineMs = 2000;

// The inputs of the request thread, copied to it.
struct DeadlineGetRequest {
    std::wstring agent;
    std::wstring host;
    INTERNET_PORT port;
    std::wstring objectPath;
    DWORD flags;
    DWORD timeoutMs;   // each of WinHTTP's own waits
};

// Records the step the request is entering; false once the caller gave up.
bool EnterStep(DeadlineGetState& state, GetStep step) {
    std::lock_guard<std::mutex> guard(state.lock);
    state.step = step;
    return !state.abandoned;
}

DWORD SetAllTimeouts(HINTERNET session, DWORD ms) {
    if (!WinHttpSetTimeouts(session, static_cast<int>(ms), static_cast<int>(ms), static_cast<int>(ms),
                            static_cast<int>(ms)) ||
        !WinHttpSetOption(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ms, sizeof(ms))) {
        return GetLastError();
    }
    return 0;
}

// Reads the body piece by piece as it arrives (each read takes only what is
// there, so a trickle never holds a read open), checking between pieces
// whether the caller still waits. A body shorter than its Content-Length is a
// broken connection.
DWORD ReadWholeBody(DeadlineGetState& state, HINTERNET request, std::string* body) {
    for (;;) {
        if (!EnterStep(state, GetStep::kRead)) return ERROR_WINHTTP_OPERATION_CANCELLED;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return GetLastError();
        if (available == 0) break;
        size_t at = body->size();
        body->resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, &(*body)[at], available, &read)) return GetLastError();
        body->resize(at + read);
        if (read == 0) break;
    }
    DWORD contentLength = 0;
    if (QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH, &contentLength) && body->size() < contentLength) {
        return ERROR_WINHTTP_CONNECTION_ERROR;
    }
    return 0;
}

// The whole request; 0, or the error of the step that failed (state.step).
DWORD RunDeadlineGet(DeadlineGetState& state, const DeadlineGetRequest& in, std::string* body) {
    UniqueWinHttp session{WinHttpOpen(in.agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0)};
    if (!session) return GetLastError();
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof(policy));
    if (!EnterStep(state, GetStep::kSetTimeout)) return ERROR_WINHTTP_OPERATION_CANCELLED;
    if (DWORD error = SetAllTimeouts(session.get(), in.timeoutMs)) return error;
    if (!EnterStep(state, GetStep::kConnect)) return ERROR_WINHTTP_OPERATION_CANCELLED;
    UniqueWinHttp connection{WinHttpConnect(session.get(), in.host.c_str(), in.port, 0)};
    if (!connection) return GetLastError();
    if (!EnterStep(state, GetStep::kOpenRequest)) return ERROR_WINHTTP_OPERATION_CANCELLED;
    UniqueWinHttp request{WinHttpOpenRequest(connection.get(), L"GET", in.objectPath.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, in.flags)};
    if (!request) return GetLastError();
    if (!EnterStep(state, GetStep::kSend)) return ERROR_WINHTTP_OPERATION_CANCELLED;
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        return GetLastError();
    }
    if (!EnterStep(state, GetStep::kReceive)) return ERROR_WINHTTP_OPERATION_CANCELLED;
    if (!WinHttpReceiveResponse(request.get(), nullptr)) return GetLastError();
    return ReadWholeBody(state, request.get(), body);
}

// The request thread: runs the request and hands its outcome over.
void DeadlineGetThread(std::shared_ptr<DeadlineGetState> state, DeadlineGetRequest in) noexcept {
    std::string body;
    DWORD error;
    try {
        error = RunDeadlineGet(*state, in, &body);
    } catch (...) {   // the body could not grow: nothing may leave a thread
        error = ERROR_NOT_ENOUGH_MEMORY;
        body.clear();
    }
    std::lock_guard<std::mutex> guard(state->lock);
    state->error = error;
    state->body = std::move(body);
    state->finished = true;
    state->changed.notify_all();
}

// The failure line of each step. Each takes the error, then the URL (the
// host name for the connect step); the session line takes the error only.
const wchar_t* FailureFormat(GetStep step) {
    switch (step) {
        case GetStep::kSession: return L"WinHttpOpen failed, LastError=0x%x";
        case GetStep::kSetTimeout: return L"HttpGet set timeout failed, LastError=%u url=%s";
        case GetStep::kConnect: return L"GET.WinHttpConnect failed, LastError=%u hostName=%s";
        case GetStep::kOpenRequest: return L"GET.WinHttpOpenRequest failed, LastError=%u url=%s";
        case GetStep::kSend: return L"GET.WinHttpSendRequest failed, LastError=%u url=%s";
        case GetStep::kReceive: return L"GET.WinHttpReceiveResponse failed, LastError=%u url=%s";
        case GetStep::kRead: return L"GET.WinHttpReadData failed, LastError=%u url=%s";
    }
    return L"GET failed, LastError=%u url=%s";
}

}  // namespace

bool CWinHttp::HttpGetWithDeadline(const wchar_t* url, std::string& body, DWORD deadlineMs) {
    UrlInfo info;
    if (!GetUrlInfo(url, info)) return false;
    auto state = std::make_shared<DeadlineGetState>();
    // WinHTTP's own waits run a little past the deadline, so what ends a
    // silent request is always the deadline, reported as a time-out.
    DeadlineGetRequest in{userAgent_, info.hostName, info.port, info.objectPath, RequestFlags(info),
                          deadlineMs + kOwnWaitsPastDeadlineMs};
    try {
        std::thread(DeadlineGetThread, state, std::move(in)).detach();
    } catch (const std::system_error&) {
        LOG_ERROR(L"HttpGet request thread not started, url=%s", url);
        return false;
    }
    std::unique_lock<std::mutex> lock(state->lock);
    bool finished =
        state->changed.wait_for(lock, std::chrono::milliseconds(deadlineMs), [&] { return state->finished; });
    // Out of time: the step in progress fails as a time-out, and the request
    // thread drops the request at its next step.
    state->abandoned = !finished;
    GetStep step = state->step;
    DWORD error = finished ? state->error : static_cast<DWORD>(ERROR_WINHTTP_TIMEOUT);
    std::string received = finished ? std::move(state->body) : std::string();
    lock.unlock();
    if (error != 0) {
        LOG_ERROR(FailureFormat(step), error, step == GetStep::kConnect ? info.hostName : url);
        return false;
    }
    // No body: the string stays as it was.
    if (!received.empty()) body = std::move(received);
    return true;
}
