#pragma once
// URL parsing and resolution for the schemes the engine loads: file, http,
// https and about.
#include <string>

namespace cefstub {

struct Url {
    std::wstring scheme;  // lower case, without ':'
    std::wstring host;    // lower case
    int port = 0;         // 0 = scheme default
    std::wstring path;    // starts with '/' for hierarchical URLs
    std::wstring query;   // without '?'
    std::wstring fragment;
    bool valid = false;

    static Url Parse(const std::wstring& text);
    std::wstring Spec() const;
    bool IsHttp() const { return scheme == L"http" || scheme == L"https"; }
    int EffectivePort() const { return port ? port : scheme == L"https" ? 443 : 80; }
};

// Resolves a reference against a base URL.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& reference);
// file:///C:/dir/a%20b.html -> C:\dir\a b.html; empty when not a file URL.
std::wstring FileUrlToPath(const std::wstring& url);
std::wstring PathToFileUrl(const std::wstring& path);

}  // namespace cefstub
