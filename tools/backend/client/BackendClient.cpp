#include "BackendClient.h"

#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "cJSON.h"

namespace backend {
namespace {

constexpr int kControlTimeoutMs = 10000;

struct WinHttpCloser {
    void operator()(void* h) const {
        if (h) WinHttpCloseHandle(h);
    }
};
using WinHttpPtr = std::unique_ptr<void, WinHttpCloser>;

struct JsonDeleter {
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// <build>/backend/ports.txt; this program runs from <build>/tests or <build>/bin.
std::wstring PortsFilePath() {
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, path, _countof(path));
    if (n == 0 || n >= _countof(path)) return L"";
    std::wstring dir(path, n);
    for (int up = 0; up < 2; ++up) {
        size_t slash = dir.find_last_of(L"\\/");
        if (slash == std::wstring::npos) return L"";
        dir.resize(slash);
    }
    return dir + L"\\backend\\ports.txt";
}

std::string JsonText(const cJSON* object, const char* name) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(item) && item->valuestring ? item->valuestring : "";
}

// The body bytes of a record: body_b64 decoded (the text form may be lossy).
std::string DecodeBase64(const std::string& text) {
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        size_t v = kAlphabet.find(c);
        if (v == std::string::npos) continue;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

RecordedRequest ToRecord(const cJSON* item) {
    RecordedRequest r;
    r.scheme = JsonText(item, "scheme");
    r.method = JsonText(item, "method");
    r.version = JsonText(item, "version");
    r.path = JsonText(item, "path");
    r.query = JsonText(item, "query");
    r.body = DecodeBase64(JsonText(item, "body_b64"));
    const cJSON* header = nullptr;
    cJSON_ArrayForEach(header, cJSON_GetObjectItemCaseSensitive(item, "headers")) {
        const cJSON* name = cJSON_GetArrayItem(header, 0);
        const cJSON* value = cJSON_GetArrayItem(header, 1);
        if (cJSON_IsString(name) && cJSON_IsString(value)) r.headers.emplace_back(name->valuestring, value->valuestring);
    }
    return r;
}

std::wstring Base(const wchar_t* scheme, int port) {
    return std::wstring(scheme) + L"://127.0.0.1:" + std::to_wstring(port);
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& h : headers) {
        if (_stricmp(h.first.c_str(), name.c_str()) == 0) return h.second;
    }
    return "";
}

bool BackendClient::Connect() {
    FILE* f = _wfopen(PortsFilePath().c_str(), L"r");
    if (!f) return false;
    char line[128];
    while (fgets(line, sizeof(line), f)) {
        sscanf(line, "http=%d", &http_);
        sscanf(line, "https=%d", &https_);
        sscanf(line, "https_untrusted=%d", &httpsUntrusted_);
    }
    fclose(f);
    return http_ > 0 && Control(L"GET", L"/__control/ping", "", nullptr);
}

std::wstring BackendClient::HttpsHostPort() const { return L"127.0.0.1:" + std::to_wstring(https_); }
std::wstring BackendClient::HttpHostPort() const { return L"127.0.0.1:" + std::to_wstring(http_); }
std::wstring BackendClient::HttpUrl(const std::wstring& p) const { return Base(L"http", http_) + p; }
std::wstring BackendClient::HttpsUrl(const std::wstring& p) const { return Base(L"https", https_) + p; }
std::wstring BackendClient::UntrustedUrl(const std::wstring& p) const { return Base(L"https", httpsUntrusted_) + p; }

bool BackendClient::AddRoutes(const std::string& json) const {
    return Control(L"POST", L"/__control/routes", json, nullptr);
}
bool BackendClient::ReplaceRoutes(const std::string& json) const {
    return Control(L"PUT", L"/__control/routes", json, nullptr);
}
bool BackendClient::Reset() const { return Control(L"POST", L"/__control/reset", "", nullptr); }
bool BackendClient::ClearRequests() const { return Control(L"DELETE", L"/__control/requests", "", nullptr); }

bool BackendClient::Requests(std::vector<RecordedRequest>* out, const std::string& path) const {
    std::wstring call = L"/__control/requests";
    if (!path.empty()) call += L"?path=" + std::wstring(path.begin(), path.end());
    std::string answer;
    if (!Control(L"GET", call, "", &answer)) return false;
    JsonPtr root(cJSON_Parse(answer.c_str()));
    const cJSON* list = cJSON_GetObjectItemCaseSensitive(root.get(), "requests");
    if (!cJSON_IsArray(list)) return false;
    out->clear();
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, list) out->push_back(ToRecord(item));
    return true;
}

bool BackendClient::Control(const wchar_t* method, const std::wstring& path, const std::string& body,
                            std::string* answer) const {
    WinHttpPtr session(WinHttpOpen(L"corrin-test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    WinHttpSetTimeouts(session.get(), kControlTimeoutMs, kControlTimeoutMs, kControlTimeoutMs, kControlTimeoutMs);
    WinHttpPtr connection(WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(http_), 0));
    if (!connection) return false;
    WinHttpPtr request(WinHttpOpenRequest(connection.get(), method, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request) return false;
    DWORD length = static_cast<DWORD>(body.size());
    void* data = length ? const_cast<char*>(body.data()) : WINHTTP_NO_REQUEST_DATA;
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    std::string text;
    char chunk[16384];
    DWORD read = 0;
    while (WinHttpReadData(request.get(), chunk, sizeof(chunk), &read) && read > 0) text.append(chunk, read);
    if (answer) *answer = std::move(text);
    return status == 200;
}

}  // namespace backend
