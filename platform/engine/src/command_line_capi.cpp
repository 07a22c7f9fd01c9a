// The C interface to the global command line: a reference-counted structure
// of function pointers over CefCommandLine::GetGlobalCommandLine, and the C
// string helpers it hands its texts out with.
#include "include/capi/cef_command_line_capi.h"

#include <atomic>
#include <cstring>
#include <new>

#include "include/cef_command_line.h"

namespace {

void FreeUnits(wchar_t* str) { delete[] str; }

cef_string_userfree_t AllocUserFree(const std::wstring& text) {
    cef_string_userfree_t out = new (std::nothrow) cef_string_t();
    if (out && !cef_string_set(text.c_str(), text.size(), out, 1)) {
        delete out;
        out = nullptr;
    }
    return out;
}

std::wstring FromCString(const cef_string_t* s) {
    return s && s->str ? std::wstring(s->str, s->length) : std::wstring();
}

// The structure comes first, so a cef_command_line_t* is this object.
struct CommandLineC {
    cef_command_line_t api;
    std::atomic<int> refs{1};
    CefRefPtr<CefCommandLine> line;
};

CommandLineC* Self(cef_command_line_t* api) { return reinterpret_cast<CommandLineC*>(api); }
CefCommandLine& Line(cef_command_line_t* api) { return *Self(api)->line; }

void CEF_CALLBACK AddRef(cef_base_t* base) {
    Self(reinterpret_cast<cef_command_line_t*>(base))->refs.fetch_add(1);
}
int CEF_CALLBACK Release(cef_base_t* base) {
    CommandLineC* self = Self(reinterpret_cast<cef_command_line_t*>(base));
    if (self->refs.fetch_sub(1) != 1) return 0;
    delete self;
    return 1;
}
int CEF_CALLBACK HasOneRef(cef_base_t* base) {
    return Self(reinterpret_cast<cef_command_line_t*>(base))->refs.load() == 1;
}
int CEF_CALLBACK IsValid(cef_command_line_t* self) { return Line(self).IsValid(); }
int CEF_CALLBACK IsReadOnly(cef_command_line_t*) { return 1; }
cef_string_userfree_t CEF_CALLBACK GetCommandLineString(cef_command_line_t* self) {
    return AllocUserFree(Line(self).GetCommandLineString());
}
cef_string_userfree_t CEF_CALLBACK GetProgram(cef_command_line_t* self) {
    return AllocUserFree(Line(self).GetProgram());
}
int CEF_CALLBACK HasSwitches(cef_command_line_t* self) { return Line(self).HasSwitches(); }
int CEF_CALLBACK HasSwitch(cef_command_line_t* self, const cef_string_t* name) {
    return Line(self).HasSwitch(FromCString(name));
}
cef_string_userfree_t CEF_CALLBACK GetSwitchValue(cef_command_line_t* self, const cef_string_t* name) {
    std::wstring value = Line(self).GetSwitchValue(FromCString(name));
    return value.empty() ? nullptr : AllocUserFree(value);
}
int CEF_CALLBACK HasArguments(cef_command_line_t* self) { return Line(self).HasArguments(); }

}  // namespace

extern "C" int cef_string_set(const wchar_t* src, size_t len, cef_string_t* output, int copy) {
    if (!output) return 0;
    cef_string_clear(output);
    if (!src || len == 0) return 1;
    if (!copy) {
        output->str = const_cast<wchar_t*>(src);
        output->length = len;
        return 1;
    }
    wchar_t* units = new (std::nothrow) wchar_t[len + 1];
    if (!units) return 0;
    std::memcpy(units, src, len * sizeof(wchar_t));
    units[len] = L'\0';
    output->str = units;
    output->length = len;
    output->dtor = &FreeUnits;
    return 1;
}

extern "C" void cef_string_clear(cef_string_t* str) {
    if (!str) return;
    if (str->dtor && str->str) str->dtor(str->str);
    str->str = nullptr;
    str->length = 0;
    str->dtor = nullptr;
}

extern "C" void cef_string_userfree_free(cef_string_userfree_t str) {
    cef_string_clear(str);
    delete str;
}

extern "C" cef_command_line_t* cef_command_line_get_global() {
    CommandLineC* self = new (std::nothrow) CommandLineC();
    if (!self) return nullptr;
    self->line = CefCommandLine::GetGlobalCommandLine();
    cef_command_line_t& api = self->api;
    api.base.size = sizeof(cef_command_line_t);
    api.base.add_ref = &AddRef;
    api.base.release = &Release;
    api.base.has_one_ref = &HasOneRef;
    api.is_valid = &IsValid;
    api.is_read_only = &IsReadOnly;
    api.get_command_line_string = &GetCommandLineString;
    api.get_program = &GetProgram;
    api.has_switches = &HasSwitches;
    api.has_switch = &HasSwitch;
    api.get_switch_value = &GetSwitchValue;
    api.has_arguments = &HasArguments;
    return &self->api;
}
