// Logging, skin locations and parsers of the skin library.
#include "Internal.h"
#include "DuiLib/UIManager.h"
#include "DuiLib/UIRender.h"

#include <cstdarg>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace DuiLib {
namespace detail {

namespace {
CPaintManagerUI::LogSink g_logSink = nullptr;

void DefaultSink(const wchar_t* line) {
    std::wstring text = std::wstring(L"[skin] ") + line + L"\n";
    ::OutputDebugStringW(text.c_str());
}
}  // namespace

void SetSink(CPaintManagerUI::LogSink sink) { g_logSink = sink; }

void Log(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    int needed = _vscwprintf(format, probe);
    va_end(probe);
    if (needed < 0) {
        va_end(args);
        return;
    }
    std::vector<wchar_t> buf(static_cast<size_t>(needed) + 1);
    _vsnwprintf(buf.data(), buf.size(), format, args);
    va_end(args);
    buf.back() = 0;
    (g_logSink ? g_logSink : DefaultSink)(buf.data());
}

SkinLocation& CurrentSkinLocation() {
    static thread_local SkinLocation location;
    return location;
}

ScopedSkinLocation::ScopedSkinLocation(const std::wstring& file, int line, CPaintManagerUI* manager)
    : saved_(CurrentSkinLocation()) {
    CurrentSkinLocation().file = file;
    CurrentSkinLocation().line = line;
    CurrentSkinLocation().manager = manager;
}

ScopedSkinLocation::~ScopedSkinLocation() { CurrentSkinLocation() = saved_; }

std::wstring DescribeSkinLocation() {
    const SkinLocation& loc = CurrentSkinLocation();
    if (loc.file.empty()) return std::wstring();
    return L" (file '" + loc.file + L"' line " + std::to_wstring(loc.line) + L")";
}

std::wstring Utf8ToWide(const char* text, size_t length) {
    if (!text || length == 0) return std::wstring();
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), &out[0], n);
    return out;
}

bool ParseBool(LPCTSTR value) { return value && _wcsicmp(value, L"true") == 0; }

RECT ParseRect(LPCTSTR value) {
    LONG v[4] = {0, 0, 0, 0};
    ParseIntList(value, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ParseSize(LPCTSTR value) {
    LONG v[2] = {0, 0};
    ParseIntList(value, v, 2);
    return SIZE{v[0], v[1]};
}

bool NextAttribute(LPCTSTR& cursor, std::wstring& name, std::wstring& value) {
    name.clear();
    value.clear();
    const wchar_t* p = cursor;
    while (*p && std::iswspace(*p)) ++p;
    if (!*p) {
        cursor = p;
        return false;
    }
    while (*p && *p != L'=' && !std::iswspace(*p)) name += *p++;
    while (*p && std::iswspace(*p)) ++p;
    if (*p != L'=') {  // a bare word: a name without value
        cursor = p;
        return !name.empty();
    }
    ++p;
    while (*p && std::iswspace(*p)) ++p;
    if (*p == L'"' || *p == L'\'') {
        wchar_t quote = *p++;
        while (*p && *p != quote) {
            if (*p == L'\\' && p[1] == quote) ++p;
            value += *p++;
        }
        if (*p) ++p;
    } else {
        while (*p && !std::iswspace(*p)) value += *p++;
    }
    cursor = p;
    return true;
}

ClipGuard::ClipGuard(HDC dc, const RECT& rc) : dc_(dc) {
    HRGN old = ::CreateRectRgn(0, 0, 0, 0);
    hadClip_ = ::GetClipRgn(dc, old) == 1;
    old_.reset(old);
    HRGN clip = ::CreateRectRgnIndirect(&rc);
    if (hadClip_) ::CombineRgn(clip, clip, old, RGN_AND);
    ::SelectClipRgn(dc, clip);
    ::DeleteObject(clip);
}

ClipGuard::~ClipGuard() {
    ::SelectClipRgn(dc_, hadClip_ ? static_cast<HRGN>(old_.get()) : nullptr);
}

}  // namespace detail

DWORD ParseColor(LPCTSTR value) {
    if (!value) return 0;
    while (*value == L' ') ++value;
    bool hex = false;
    if (*value == L'#') {
        ++value;
        hex = true;
    } else if (value[0] == L'0' && (value[1] == L'x' || value[1] == L'X')) {
        value += 2;
        hex = true;
    }
    wchar_t* end = nullptr;
    unsigned long v = wcstoul(value, &end, hex ? 16 : 10);
    if (end == value) return 0;
    if (hex && (end - value) == 6) v |= 0xFF000000ul;   // #RRGGBB is opaque
    return static_cast<DWORD>(v);
}

int ParseIntList(LPCTSTR value, LONG* out, int maxCount) {
    int count = 0;
    if (!value) return 0;
    const wchar_t* p = value;
    while (count < maxCount) {
        while (*p == L' ' || *p == L'\t') ++p;
        if (!*p) break;
        wchar_t* end = nullptr;
        long v = wcstol(p, &end, 10);
        if (end == p) break;
        out[count++] = v;
        p = end;
        while (*p == L' ' || *p == L'\t') ++p;
        if (*p != L',') break;
        ++p;
    }
    return count;
}

}  // namespace DuiLib
