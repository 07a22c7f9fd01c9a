#pragma once
// Base of every reference-counted object of the engine's C interface: the
// size of the structure and its reference count operations.
#include <cstddef>

#define CEF_CALLBACK __stdcall

extern "C" {

typedef struct _cef_base_t {
    size_t size;
    void(CEF_CALLBACK* add_ref)(struct _cef_base_t* self);
    // Returns 1 when this was the last reference (the object is freed).
    int(CEF_CALLBACK* release)(struct _cef_base_t* self);
    int(CEF_CALLBACK* has_one_ref)(struct _cef_base_t* self);
} cef_base_t;
}
