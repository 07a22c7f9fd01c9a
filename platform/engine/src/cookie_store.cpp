// Cookie store file: one cookie per line, tab-separated fields, each field
// percent-escaped so tabs and line breaks in values survive.
#include "cookie_store.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "url.h"

namespace cefstub {
namespace {

const DWORD kLockWaitMs = 5000;

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

std::wstring Trim(const std::wstring& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::iswspace(s[a])) ++a;
    while (b > a && std::iswspace(s[b - 1])) --b;
    return s.substr(a, b - a);
}

std::string Escape(const std::wstring& s) {
    std::string out;
    for (unsigned char c : ToUtf8(s)) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            char buf[4];
            snprintf(buf, sizeof(buf), "%%%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::wstring Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out.push_back(static_cast<char>(strtol(s.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return FromUtf8(out);
}

bool DomainMatches(const std::wstring& host, const std::wstring& domain) {
    if (domain.empty()) return false;
    if (domain[0] != L'.') return host == domain;
    std::wstring bare = domain.substr(1);
    if (host == bare) return true;
    return host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0;
}

bool PathMatches(const std::wstring& requestPath, const std::wstring& cookiePath) {
    if (requestPath == cookiePath) return true;
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return (!cookiePath.empty() && cookiePath.back() == L'/') || requestPath[cookiePath.size()] == L'/';
}

std::wstring DefaultPath(const Url& u) {
    size_t slash = u.path.rfind(L'/');
    return slash == 0 || slash == std::wstring::npos ? L"/" : u.path.substr(0, slash);
}

// A time that is no date counts as 0, as an unset one.
int64_t Seconds(const cef_time_t& t) {
    int64_t seconds = 0;
    return TimeToSeconds(t, &seconds) ? seconds : 0;
}

bool Expired(const CefCookie& c, int64_t now) { return c.has_expires && Seconds(c.expires) <= now; }

bool SameKey(const CefCookie& a, const CefCookie& b) {
    return a.name == b.name && Lower(a.domain) == Lower(b.domain) && a.path == b.path;
}

bool AppliesTo(const CefCookie& c, const Url& u, bool includeHttpOnly) {
    if (!DomainMatches(u.host, Lower(c.domain))) return false;
    if (!PathMatches(u.path, c.path)) return false;
    if (c.secure && u.scheme != L"https") return false;
    return includeHttpOnly || !c.httponly;
}

// Cookie dates ("Wed, 09 Jun 2027 10:18:14 GMT"); false when the text names no date.
bool ParseCookieDate(const std::wstring& text, int64_t* seconds) {
    static const wchar_t* kMonths[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                       L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
    std::wstring t = Lower(text);
    int day = 0, year = 0, month = 0, h = 0, m = 0, s = 0;
    size_t colon = t.find(L':');
    if (colon != std::wstring::npos && colon >= 2) {
        size_t begin = colon - 2, stop = begin;
        swscanf(t.c_str() + begin, L"%d:%d:%d", &h, &m, &s);
        while (stop < t.size() && (std::iswdigit(t[stop]) || t[stop] == L':')) ++stop;
        t.replace(begin, stop - begin, L" ");
    }
    std::wstring token;
    for (size_t k = 0; k <= t.size(); ++k) {
        if (k < t.size() && std::iswalnum(t[k])) { token.push_back(t[k]); continue; }
        if (token.empty()) continue;
        for (int mo = 0; mo < 12; ++mo)
            if (token.compare(0, 3, kMonths[mo]) == 0) month = mo + 1;
        if (std::iswdigit(token[0])) {
            long n = std::wcstol(token.c_str(), nullptr, 10);  // LONG_MAX when too long: a year past the end
            if (token.size() >= 3 || n > 31) year = n < 70 ? 2000 + n : n < 100 ? 1900 + n : static_cast<int>(n);
            else if (!day) day = static_cast<int>(n);
        }
        token.clear();
    }
    if (!month || !day || !year) return false;
    cef_time_t ct = {year, month, 0, day, h, m, s, 0};
    return TimeToSeconds(ct, seconds);
}

// Max-Age in seconds; a number past what 64 bits hold reads as their end, and the sum clamps.
int64_t MaxAgeExpiry(const std::wstring& value, int64_t now) {
    return AddSeconds(now, _wcstoi64(value.c_str(), nullptr, 10));
}

// A time field of the store file: decimal seconds, 64-bit.
void ReadSeconds(const std::string& field, CefTime* t) { TimeFromSeconds(_strtoi64(field.c_str(), nullptr, 10), t); }

}  // namespace

bool ParseCookieLine(const std::wstring& line, CefCookie* c, int64_t now) {
    size_t semi = line.find(L';');
    std::wstring pair = Trim(line.substr(0, semi));
    size_t eq = pair.find(L'=');
    if (eq == std::wstring::npos || Trim(pair.substr(0, eq)).empty()) return false;
    c->name = Trim(pair.substr(0, eq));
    c->value = Trim(pair.substr(eq + 1));
    bool maxAgeSeen = false;
    while (semi != std::wstring::npos) {
        size_t next = line.find(L';', semi + 1);
        std::wstring attr = Trim(line.substr(semi + 1, next == std::wstring::npos ? std::wstring::npos : next - semi - 1));
        semi = next;
        size_t aeq = attr.find(L'=');
        std::wstring key = Lower(Trim(attr.substr(0, aeq)));
        std::wstring val = aeq == std::wstring::npos ? std::wstring() : Trim(attr.substr(aeq + 1));
        if (key == L"domain") c->domain = Lower(val);
        else if (key == L"path") c->path = val;
        else if (key == L"secure") c->secure = 1;
        else if (key == L"httponly") c->httponly = 1;
        else if (key == L"max-age") {
            maxAgeSeen = true;
            c->has_expires = 1;
            TimeFromSeconds(MaxAgeExpiry(val, now), &c->expires);
        } else if (key == L"expires" && !maxAgeSeen) {
            int64_t t = 0;
            if (ParseCookieDate(val, &t)) { c->has_expires = 1; TimeFromSeconds(t, &c->expires); }
        }
    }
    return true;
}

CookieStore::CookieStore(const std::wstring& folder) {
    if (folder.empty()) return;
    CreateDirectoryW(folder.c_str(), nullptr);
    file_ = folder;
    if (file_.back() != L'\\' && file_.back() != L'/') file_ += L"\\";
    file_ += L"Cookies";
    // One mutex per store file, named after the lower-cased path.
    std::wstring key = Lower(file_);
    unsigned long hash = 5381;
    for (wchar_t ch : key) hash = hash * 33 + ch;
    mutexName_ = L"Local\\cefstub-cookies-" + std::to_wstring(hash);
}

struct CookieStore::Locked {
    explicit Locked(const std::wstring& name) : m(CreateMutexW(nullptr, FALSE, name.c_str())) {
        if (!m) return;
        DWORD r = WaitForSingleObject(m.get(), kLockWaitMs);
        held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    }
    ~Locked() {
        if (held) ReleaseMutex(m.get());
    }
    UniqueHandle m;
    bool held = false;
};

std::vector<CefCookie> CookieStore::Load() {
    std::vector<CefCookie> out;
    UniqueHandle f(CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return out;
    std::string data;
    char buf[8192];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0) data.append(buf, got);
    int64_t now = NowSeconds();
    size_t pos = 0;
    while (pos < data.size()) {
        size_t nl = data.find('\n', pos);
        std::string line = data.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? data.size() : nl + 1;
        std::vector<std::string> f2;
        size_t s = 0;
        for (;;) {
            size_t tab = line.find('\t', s);
            f2.push_back(line.substr(s, tab == std::string::npos ? std::string::npos : tab - s));
            if (tab == std::string::npos) break;
            s = tab + 1;
        }
        if (f2.size() != 10) continue;
        CefCookie c;
        c.name = Unescape(f2[0]);
        c.value = Unescape(f2[1]);
        c.domain = Unescape(f2[2]);
        c.path = Unescape(f2[3]);
        c.secure = atoi(f2[4].c_str());
        c.httponly = atoi(f2[5].c_str());
        ReadSeconds(f2[6], &c.creation);
        ReadSeconds(f2[7], &c.last_access);
        c.has_expires = atoi(f2[8].c_str());
        ReadSeconds(f2[9], &c.expires);
        if (!Expired(c, now)) out.push_back(c);
    }
    return out;
}

bool CookieStore::Save(const std::vector<CefCookie>& cookies) {
    std::string data;
    for (auto& c : cookies) {
        char nums[160];
        snprintf(nums, sizeof(nums), "%d\t%d\t%lld\t%lld\t%d\t%lld", c.secure, c.httponly,
                 static_cast<long long>(Seconds(c.creation)), static_cast<long long>(Seconds(c.last_access)),
                 c.has_expires, static_cast<long long>(Seconds(c.expires)));
        data += Escape(c.name) + "\t" + Escape(c.value) + "\t" + Escape(c.domain) + "\t" + Escape(c.path) + "\t" +
                nums + "\n";
    }
    std::wstring temp = file_ + L".tmp";
    {
        UniqueHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!f) return false;
        DWORD wrote = 0;
        if (!WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr) || wrote != data.size())
            return false;
    }
    return MoveFileExW(temp.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::vector<CefCookie> CookieStore::Get(const std::wstring& url, bool includeHttpOnly) {
    if (!valid()) return {};
    Locked lock(mutexName_);
    if (!lock.held) return {};
    std::vector<CefCookie> all = Load();
    if (url.empty()) return all;
    Url u = Url::Parse(url);
    std::vector<CefCookie> out;
    for (auto& c : all)
        if (AppliesTo(c, u, includeHttpOnly)) out.push_back(c);
    // Longer paths first, as browsers send them.
    std::stable_sort(out.begin(), out.end(),
                     [](const CefCookie& a, const CefCookie& b) { return a.path.length() > b.path.length(); });
    return out;
}

bool CookieStore::Set(const std::wstring& url, const CefCookie& cookie) {
    Url u = Url::Parse(url);
    if (!valid() || !u.IsHttp() || cookie.name.empty()) return false;
    CefCookie c = cookie;
    std::wstring domain = Lower(c.domain);
    if (domain.empty()) {
        domain = u.host;  // host-only cookie
    } else {
        if (domain[0] != L'.') domain = L"." + domain;
        if (!DomainMatches(u.host, domain)) return false;
    }
    c.domain = domain;
    if (c.path.empty() || c.path.ToWString()[0] != L'/') c.path = DefaultPath(u);
    int64_t now = NowSeconds();
    if (Seconds(c.creation) <= 0) TimeFromSeconds(now, &c.creation);
    TimeFromSeconds(now, &c.last_access);
    Locked lock(mutexName_);
    if (!lock.held) return false;
    std::vector<CefCookie> all = Load();
    all.erase(std::remove_if(all.begin(), all.end(), [&](const CefCookie& o) { return SameKey(o, c); }), all.end());
    if (!Expired(c, now)) all.push_back(c);
    return Save(all);
}

int CookieStore::Delete(const std::wstring& url, const std::wstring& name) {
    if (!valid()) return 0;
    Url u = Url::Parse(url);
    Locked lock(mutexName_);
    if (!lock.held) return 0;
    std::vector<CefCookie> all = Load();
    size_t before = all.size();
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const CefCookie& c) {
                                 return (url.empty() || AppliesTo(c, u, true)) && (name.empty() || c.name == name);
                             }),
              all.end());
    int removed = static_cast<int>(before - all.size());
    if (!Save(all)) return 0;
    return removed;
}

void CookieStore::DeleteExact(const CefCookie& cookie) {
    if (!valid()) return;
    Locked lock(mutexName_);
    if (!lock.held) return;
    std::vector<CefCookie> all = Load();
    all.erase(std::remove_if(all.begin(), all.end(), [&](const CefCookie& c) { return SameKey(c, cookie); }),
              all.end());
    Save(all);
}

std::wstring CookieStore::CookieHeader(const std::wstring& url, bool includeHttpOnly) {
    std::wstring out;
    if (!Url::Parse(url).IsHttp()) return out;
    for (auto& c : Get(url, includeHttpOnly)) {
        if (!out.empty()) out += L"; ";
        out += c.name.ToWString() + L"=" + c.value.ToWString();
    }
    return out;
}

bool CookieStore::SetFromLine(const std::wstring& url, const std::wstring& line, bool fromScript) {
    CefCookie c;
    if (!ParseCookieLine(line, &c, NowSeconds())) return false;
    if (fromScript) {
        if (c.httponly) return false;
        // A script may not replace an HttpOnly cookie.
        for (auto& o : Get(url, true))
            if (o.httponly && o.name == c.name) return false;
    }
    return Set(url, c);
}

}  // namespace cefstub
