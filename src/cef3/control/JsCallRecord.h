#pragma once
// JsCallRecord: one page call copied out of the engine's message, so it can
// travel from the engine's UI thread to a window thread: the function name,
// an own copy of the argument list, and the control hosting the calling
// page (not owned: it lives as long as its window, see CWindowTaskRelay).
// The getters tolerate missing arguments and other types, as the page is
// outside input. One thread at a time.
#include <string>

#include "include/cef_values.h"

class CCefCommonUI;

struct JsCallRecord {
    JsCallRecord(const wchar_t* functionName, CefRefPtr<CefListValue> callArguments, CCefCommonUI* callControl);

    size_t Count() const;
    // Argument index as an integer: 0 when missing or not an integer.
    int Int(size_t index) const;
    // As text: empty when missing or not a text.
    std::wstring Text(size_t index) const;
    // As a boolean: false when missing or not a boolean.
    bool Bool(size_t index) const;
    // The dictionary at index, or null.
    CefRefPtr<CefDictionaryValue> Dictionary(size_t index) const;

    const std::wstring name;
    const CefRefPtr<CefListValue> arguments;  // never null
    CCefCommonUI* const control;              // may be null
};
