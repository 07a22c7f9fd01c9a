#pragma once
// Client of the local back-end server for test programs running under Wine:
// where its listeners are (from <build>/backend/ports.txt) and its control
// API (routes, request record; see tools/backend/server.py). Every call is
// bounded by short WinHTTP time-outs. Any thread; no state but the ports.
#include <string>
#include <utility>
#include <vector>

namespace backend {

struct RecordedRequest {
    std::string scheme;   // "http" or "https"
    std::string method;
    std::string version;  // "HTTP/1.0" or "HTTP/1.1"
    std::string path;
    std::string query;
    std::string body;     // the bytes as sent
    std::vector<std::pair<std::string, std::string>> headers;
    // The value of the first header with this name (any case); "" when absent.
    std::string Header(const std::string& name) const;
};

class BackendClient {
public:
    // Reads the ports file; false when the server is not running.
    bool Connect();

    int HttpPort() const { return http_; }
    int HttpsPort() const { return https_; }
    // "127.0.0.1:PORT" of the trusted HTTPS listener.
    std::wstring HttpsHostPort() const;
    std::wstring HttpHostPort() const;
    // Base URL + pathAndQuery ("/x?y=1").
    std::wstring HttpUrl(const std::wstring& pathAndQuery) const;
    std::wstring HttpsUrl(const std::wstring& pathAndQuery) const;
    std::wstring UntrustedUrl(const std::wstring& pathAndQuery) const;

    // routesJson: a route object, a list, or {"routes": [...]} (UTF-8).
    bool AddRoutes(const std::string& routesJson) const;
    bool ReplaceRoutes(const std::string& routesJson) const;
    // Routes back to the server's start data, request record cleared.
    bool Reset() const;
    bool ClearRequests() const;
    // The recorded requests in arrival order; only those of path when given.
    bool Requests(std::vector<RecordedRequest>* out, const std::string& path = "") const;

private:
    bool Control(const wchar_t* method, const std::wstring& path, const std::string& body,
                 std::string* answer) const;
    int http_ = 0;
    int https_ = 0;
    int httpsUntrusted_ = 0;
};

}  // namespace backend
