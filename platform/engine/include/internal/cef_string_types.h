#pragma once
// The engine's C string type: UTF-16 code units (wchar_t on Windows) with a
// length and the function that frees them. A string handed out as
// cef_string_userfree_t belongs to the caller, who frees it with
// cef_string_userfree_free.
#include <cstddef>

extern "C" {

typedef struct _cef_string_utf16_t {
    wchar_t* str;
    size_t length;
    void (*dtor)(wchar_t* str);
} cef_string_utf16_t;

typedef cef_string_utf16_t cef_string_t;
typedef cef_string_t* cef_string_userfree_t;

// Sets output to the len units at src: copied (copy != 0, freed by
// cef_string_clear) or borrowed. Returns 1 on success.
int cef_string_set(const wchar_t* src, size_t len, cef_string_t* output, int copy);
// Frees what the string owns and empties it.
void cef_string_clear(cef_string_t* str);
// Frees a string the engine handed out (null is allowed).
void cef_string_userfree_free(cef_string_userfree_t str);
}
