#include "Text.h"

#include <windows.h>

#include <cstring>
#include <cwctype>

namespace orvdown {
namespace {

std::string Narrow(UINT codePage, const std::wstring& text) {
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(UINT codePage, DWORD flags, const char* text, size_t cb) {
    int n = ::MultiByteToWideChar(codePage, flags, text, static_cast<int>(cb), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, flags, text, static_cast<int>(cb), &out[0], n);
    return out;
}

}  // namespace

std::string Utf8FromWide(const std::wstring& text) { return Narrow(CP_UTF8, text); }

std::wstring WideFromUtf8(const std::string& text) {
    return Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), text.size());
}

std::wstring WideFromAnsi(const char* text) { return text ? Widen(CP_ACP, 0, text, strlen(text)) : std::wstring(); }

std::string AnsiFromWide(const std::wstring& text) { return Narrow(CP_ACP, text); }

std::wstring UpperCase(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

}  // namespace orvdown
