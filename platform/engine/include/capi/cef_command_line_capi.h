#pragma once
// The C interface to a process command line (see cef_command_line.h for the
// switch rules). Strings returned as cef_string_userfree_t are the caller's.
#include "include/capi/cef_base_capi.h"
#include "include/internal/cef_string_types.h"

extern "C" {

typedef struct _cef_command_line_t {
    cef_base_t base;
    int(CEF_CALLBACK* is_valid)(struct _cef_command_line_t* self);
    int(CEF_CALLBACK* is_read_only)(struct _cef_command_line_t* self);
    cef_string_userfree_t(CEF_CALLBACK* get_command_line_string)(struct _cef_command_line_t* self);
    cef_string_userfree_t(CEF_CALLBACK* get_program)(struct _cef_command_line_t* self);
    int(CEF_CALLBACK* has_switches)(struct _cef_command_line_t* self);
    int(CEF_CALLBACK* has_switch)(struct _cef_command_line_t* self, const cef_string_t* name);
    // The switch's value; null when it has none or is absent.
    cef_string_userfree_t(CEF_CALLBACK* get_switch_value)(struct _cef_command_line_t* self,
                                                          const cef_string_t* name);
    int(CEF_CALLBACK* has_arguments)(struct _cef_command_line_t* self);
} cef_command_line_t;

// This process's command line, read-only, with one reference for the caller
// (release it through base.release); null without memory.
cef_command_line_t* cef_command_line_get_global();
}
