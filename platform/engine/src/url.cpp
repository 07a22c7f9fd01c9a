// URL parsing and resolution.
#include "url.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>
#include <vector>

#include "util.h"

namespace cefstub {
namespace {

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Percent-decodes UTF-8 escapes.
std::wstring PercentDecode(const std::wstring& s) {
    std::string bytes;
    std::wstring out;
    auto flush = [&] { if (!bytes.empty()) { out += FromUtf8(bytes); bytes.clear(); } };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
            continue;
        }
        flush();
        out.push_back(s[i]);
    }
    flush();
    return out;
}

// Removes "." and ".." segments.
std::wstring NormalizePath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 1;
    while (start <= path.size()) {
        size_t slash = path.find(L'/', start);
        std::wstring seg = path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
        bool last = slash == std::wstring::npos;
        if (seg == L"..") {
            if (!parts.empty()) parts.pop_back();
            if (last) parts.push_back(L"");
        } else if (seg == L".") {
            if (last) parts.push_back(L"");
        } else {
            parts.push_back(seg);
        }
        if (last) break;
        start = slash + 1;
    }
    std::wstring out;
    for (auto& p : parts) out += L"/" + p;
    return out.empty() ? L"/" : out;
}

}  // namespace

Url Url::Parse(const std::wstring& text) {
    Url u;
    size_t colon = text.find(L':');
    if (colon == std::wstring::npos || colon == 0) return u;
    for (size_t k = 0; k < colon; ++k)
        if (!std::iswalnum(text[k]) && text[k] != L'+' && text[k] != L'-' && text[k] != L'.') return u;
    u.scheme = Lower(text.substr(0, colon));
    std::wstring rest = text.substr(colon + 1);
    size_t hash = rest.find(L'#');
    if (hash != std::wstring::npos) { u.fragment = rest.substr(hash + 1); rest.erase(hash); }
    if (u.scheme == L"about" || u.scheme == L"data" || u.scheme == L"javascript") {
        u.path = rest;
        u.valid = true;
        return u;
    }
    size_t q = rest.find(L'?');
    if (q != std::wstring::npos) { u.query = rest.substr(q + 1); rest.erase(q); }
    if (rest.compare(0, 2, L"//") == 0) {
        size_t slash = rest.find(L'/', 2);
        std::wstring authority = rest.substr(2, slash == std::wstring::npos ? std::wstring::npos : slash - 2);
        rest = slash == std::wstring::npos ? L"/" : rest.substr(slash);
        size_t at = authority.rfind(L'@');
        if (at != std::wstring::npos) authority.erase(0, at + 1);
        size_t pc = authority.rfind(L':');
        if (pc != std::wstring::npos && authority.find(L']') == std::wstring::npos) {
            u.port = _wtoi(authority.c_str() + pc + 1);
            authority.erase(pc);
        }
        u.host = Lower(authority);
    }
    if (rest.empty()) rest = L"/";
    std::replace(rest.begin(), rest.end(), L'\\', L'/');
    u.path = rest[0] == L'/' ? NormalizePath(rest) : rest;
    u.valid = u.scheme == L"file" || !u.host.empty();
    return u;
}

std::wstring Url::Spec() const {
    if (!valid) return std::wstring();
    if (scheme == L"about" || scheme == L"data" || scheme == L"javascript")
        return scheme + L":" + path + (fragment.empty() ? L"" : L"#" + fragment);
    std::wstring s = scheme + L"://" + host;
    if (port && port != (scheme == L"https" ? 443 : scheme == L"http" ? 80 : 0)) s += L":" + std::to_wstring(port);
    s += path;
    if (!query.empty()) s += L"?" + query;
    if (!fragment.empty()) s += L"#" + fragment;
    return s;
}

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& reference) {
    std::wstring ref = reference;
    while (!ref.empty() && std::iswspace(ref.front())) ref.erase(ref.begin());
    while (!ref.empty() && std::iswspace(ref.back())) ref.pop_back();
    Url r = Url::Parse(ref);
    if (r.valid && r.scheme.size() > 1) return r.Spec();  // absolute (one letter = drive)
    Url b = Url::Parse(base);
    if (!b.valid || b.scheme == L"about") return ref;
    if (ref.empty()) { b.fragment.clear(); return b.Spec(); }
    if (ref.compare(0, 2, L"//") == 0) return Url::Parse(b.scheme + L":" + ref).Spec();
    Url out = b;
    out.fragment.clear();
    if (ref[0] == L'#') { out.fragment = ref.substr(1); return out.Spec(); }
    if (ref[0] == L'?') { out.query = ref.substr(1); return out.Spec(); }
    out.query.clear();
    std::wstring path = ref;
    size_t hash = path.find(L'#');
    if (hash != std::wstring::npos) { out.fragment = path.substr(hash + 1); path.erase(hash); }
    size_t q = path.find(L'?');
    if (q != std::wstring::npos) { out.query = path.substr(q + 1); path.erase(q); }
    if (path.empty()) return out.Spec();
    if (path[0] != L'/') path = b.path.substr(0, b.path.rfind(L'/') + 1) + path;
    out.path = NormalizePath(path);
    return out.Spec();
}

std::wstring FileUrlToPath(const std::wstring& url) {
    Url u = Url::Parse(url);
    if (!u.valid || u.scheme != L"file") return std::wstring();
    std::wstring path = PercentDecode(u.path);
    // "/C:/dir/x" -> "C:\dir\x"; a host names a share.
    if (path.size() >= 3 && path[0] == L'/' && path[2] == L':') path.erase(0, 1);
    else if (!u.host.empty()) path = L"//" + u.host + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring PathToFileUrl(const std::wstring& path) {
    std::wstring p = path;
    std::replace(p.begin(), p.end(), L'\\', L'/');
    std::wstring out = L"file:///";
    std::string bytes = ToUtf8(p);
    static const char* kHex = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
        if (c < 0x80 && (std::isalnum(c) || std::strchr("/:._-~!$&'()*+,;=@", c))) {
            out.push_back(static_cast<wchar_t>(c));
        } else {
            out.push_back(L'%');
            out.push_back(static_cast<wchar_t>(kHex[c >> 4]));
            out.push_back(static_cast<wchar_t>(kHex[c & 15]));
        }
    }
    return out;
}

}  // namespace cefstub
