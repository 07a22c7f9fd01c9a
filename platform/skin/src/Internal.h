#pragma once
// Helpers private to the skin library: logging, Win32 owners, the skin
// location of the element being built, small parsers.
#include "DuiLib/UIString.h"
#include "DuiLib/UIManager.h"
#include <string>
#include <utility>

namespace DuiLib {
struct MenuCmd;

namespace detail {

void SetSink(CPaintManagerUI::LogSink sink);
// One log line through the sink set with CPaintManagerUI::SetLogSink.
void Log(const wchar_t* format, ...);

// Where the builder is (file and line) while it applies attributes, so
// controls can name it in their log lines. Empty file = not building.
struct SkinLocation {
    std::wstring file;
    int line = 0;
    CPaintManagerUI* manager = nullptr;   // the manager the builder fills (not owned)
};
SkinLocation& CurrentSkinLocation();
// Sets the location for a scope and restores the previous one.
class ScopedSkinLocation {
public:
    ScopedSkinLocation(const std::wstring& file, int line, CPaintManagerUI* manager);
    ~ScopedSkinLocation();
private:
    SkinLocation saved_;
};
// " (file 'x.xml' line 12)" or "" outside the builder.
std::wstring DescribeSkinLocation();

std::wstring Utf8ToWide(const char* text, size_t length);

// The menu's MenuCmd records handed out and not freed yet (any thread).
MenuCmd* NewLiveMenuCmd();

// Parsers used by attributes.
bool ParseBool(LPCTSTR value);
RECT ParseRect(LPCTSTR value);
SIZE ParseSize(LPCTSTR value);
// Iterates name='value' / name="value" pairs (blanks around '=' allowed).
// Returns false at the end of the text.
bool NextAttribute(LPCTSTR& cursor, std::wstring& name, std::wstring& value);

// Move-only owner of a Win32 handle, keyed on the release function.
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;
    Unique() = default;
    explicit Unique(Type h) : h_(h) {}
    ~Unique() { reset(); }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& o) noexcept : h_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Type get() const { return h_; }
    Type release() { return std::exchange(h_, Traits::Invalid()); }
    void reset(Type h = Traits::Invalid()) {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
private:
    Type h_ = Traits::Invalid();
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};
struct MemDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DestroyIcon(h); }
};
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueMemDc = Unique<MemDcTraits>;
using UniqueIcon = Unique<IconTraits>;

// Selects an object into a DC for a scope.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window DC from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
private:
    HWND hwnd_;
    HDC dc_;
};

// Clip region for a scope.
class ClipGuard {
public:
    ClipGuard(HDC dc, const RECT& rc);
    ~ClipGuard();
    ClipGuard(const ClipGuard&) = delete;
    ClipGuard& operator=(const ClipGuard&) = delete;
private:
    HDC dc_;
    UniqueGdiObject old_;
    bool hadClip_ = false;
};

}  // namespace detail
}  // namespace DuiLib

namespace DuiLib {
namespace detail {
// Test seam (UITestSeam.cpp): true when the environment turns it on.
bool TestSeamEnabled();
// Answers a seam WM_COPYDATA for the window of manager; false when the
// message is not a seam request.
bool HandleTestSeam(CPaintManagerUI* manager, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
}  // namespace detail
}  // namespace DuiLib
