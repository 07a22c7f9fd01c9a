#include "GameInfoItem.h"

#include <cwchar>

namespace {

constexpr size_t kExtensionChars = sizeof(GameInfoItem::iconExt) / sizeof(wchar_t);

bool IsPlainExtension(const std::wstring& ext) {
    if (ext.empty() || ext.size() >= kExtensionChars) return false;
    for (wchar_t c : ext) {
        bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        bool digit = c >= L'0' && c <= L'9';
        if (!letter && !digit) return false;
    }
    return true;
}

}  // namespace

void GameInfoItem::SetIconUrl(const std::wstring& url) {
    iconUrl = url;
    for (wchar_t& c : iconUrl) {
        if (c == L'\\') c = L'/';
    }
    size_t dot = iconUrl.rfind(L'.');
    SetIconExtension(dot == std::wstring::npos || dot == 0 ? std::wstring() : iconUrl.substr(dot + 1));
}

void GameInfoItem::SetIconExtension(const std::wstring& ext) {
    const wchar_t* value = IsPlainExtension(ext) ? ext.c_str() : L"jpg";
    wcsncpy(iconExt, value, _countof(iconExt) - 1);
    iconExt[_countof(iconExt) - 1] = L'\0';
}
