#pragma once
// The JS call message: a page's call of one of the native functions, sent
// from a renderer to the browser process. Its name is the function name; its
// argument list holds one entry per argument, in call order:
//   string -> string; boolean -> bool; whole number within 32 bits -> int;
//   object (also an array or a function) -> for "addMyGame" a dictionary of
//   "pkgid" (int), "game_name" (string), "game_type" (int), "game_icon_url"
//   (string), for any other function a null entry and an Error log line;
//   anything else (fractions, larger numbers, null, undefined) -> null.
// Texts are stored as well-formed UTF-16: an unpaired surrogate becomes
// U+FFFD. Render thread, inside the calling context.
#include <cstddef>

#include "include/cef_process_message.h"
#include "include/cef_v8.h"

// A page is outside input: calls beyond these bounds are dropped (logged).
constexpr size_t kMaxJsCallArguments = 1000;
constexpr size_t kMaxJsCallTextChars = 4u << 20;  // all texts of one call together

// The message, or null (after an Error log line) when the call is out of bounds.
CefRefPtr<CefProcessMessage> CreateJsCallMessage(const CefString& name, const CefV8ValueList& arguments);

// text with every unpaired surrogate replaced by U+FFFD.
std::wstring WellFormedUtf16(const std::wstring& text);
