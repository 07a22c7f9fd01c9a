#pragma once
// Records of the browser engine: settings, window information, cookies.
#include <windows.h>
#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

typedef uint32_t cef_color_t;

struct CefMainArgs {
    CefMainArgs() = default;
    explicit CefMainArgs(HINSTANCE hInstance) : instance(hInstance) {}
    HINSTANCE instance = nullptr;
};

struct CefSettings {
    size_t size = sizeof(CefSettings);
    int single_process = 0;
    int no_sandbox = 0;
    CefString browser_subprocess_path;
    int multi_threaded_message_loop = 0;
    int windowless_rendering_enabled = 0;
    int command_line_args_disabled = 0;
    CefString cache_path;
    int persist_session_cookies = 0;
    CefString user_agent;
    CefString product_version;
    CefString locale;
    CefString log_file;
    cef_log_severity_t log_severity = LOGSEVERITY_DEFAULT;
    CefString javascript_flags;
    CefString resources_dir_path;
    CefString locales_dir_path;
    int pack_loading_disabled = 0;
    int remote_debugging_port = 0;
    int uncaught_exception_stack_size = 0;
    int context_safety_implementation = 0;
    int ignore_certificate_errors = 0;
    cef_color_t background_color = 0;
    CefString accept_language_list;
};

struct CefBrowserSettings {
    size_t size = sizeof(CefBrowserSettings);
    int windowless_frame_rate = 0;
    cef_color_t background_color = 0;
    CefString accept_language_list;
};

struct CefWindowInfo {
    DWORD ex_style = 0;
    CefString window_name;
    DWORD style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent_window = nullptr;
    HMENU menu = nullptr;
    int windowless_rendering_enabled = 0;
    int transparent_painting_enabled = 0;
    HWND window = nullptr;

    void SetAsChild(HWND parent, RECT rc) {
        style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE;
        parent_window = parent;
        x = rc.left;
        y = rc.top;
        width = rc.right - rc.left;
        height = rc.bottom - rc.top;
    }
    void SetAsWindowless(HWND parent, bool transparent) {
        windowless_rendering_enabled = 1;
        parent_window = parent;
        transparent_painting_enabled = transparent ? 1 : 0;
    }
};

struct CefRect {
    CefRect() = default;
    CefRect(int ix, int iy, int w, int h) : x(ix), y(iy), width(w), height(h) {}
    void Set(int ix, int iy, int w, int h) { x = ix; y = iy; width = w; height = h; }
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct CefMouseEvent {
    int x = 0;
    int y = 0;
    uint32_t modifiers = 0;
};

// Date and time with time_t conversions.
class CefTime : public cef_time_t {
public:
    CefTime() : cef_time_t{} {}
    explicit CefTime(time_t t) : cef_time_t{} { SetTimeT(t); }
    void SetTimeT(time_t t) { cef_time_from_timet(t, this); }
    time_t GetTimeT() const { time_t t = 0; cef_time_to_timet(this, &t); return t; }
    void Now() { SetTimeT(time(nullptr)); }
};

struct CefCookie {
    CefString name;
    CefString value;
    CefString domain;
    CefString path;
    int secure = 0;
    int httponly = 0;
    CefTime creation;
    CefTime last_access;
    int has_expires = 0;
    CefTime expires;
};
