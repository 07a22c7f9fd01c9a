#pragma once
// Text conversions of the library: UTF-16 inside, UTF-8 on the wire and in
// its own files, the ANSI code page at the exports.
#include <string>

namespace orvdown {

std::string Utf8FromWide(const std::wstring& text);
// Empty for text that is not valid UTF-8.
std::wstring WideFromUtf8(const std::string& text);
std::wstring WideFromAnsi(const char* text);  // null gives ""
std::string AnsiFromWide(const std::wstring& text);
// Upper case, for comparing file names as the file system does.
std::wstring UpperCase(std::wstring text);

}  // namespace orvdown
