#include "CommandLineSwitch.h"

#include <cwchar>

#include "include/capi/cef_command_line_capi.h"

std::wstring GetGlobalSwitchValue(const wchar_t* name) {
    cef_command_line_t* line = cef_command_line_get_global();
    if (!line) return std::wstring();
    cef_string_t cname = {};
    cef_string_set(name, std::wcslen(name), &cname, 0);
    cef_string_userfree_t value = line->get_switch_value(line, &cname);
    std::wstring result = value && value->str ? std::wstring(value->str, value->length) : std::wstring();
    cef_string_userfree_free(value);
    line->base.release(&line->base);
    return result;
}
