#include "AccountPaths.h"

#include <cwchar>

#include "GlobalFunc.h"

namespace {

bool IsFileNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-' || c == L'.' || c == L'@';
}

// Appends field to url as a query field.
void AppendQueryField(std::wstring& url, const std::wstring& field) {
    if (field.empty()) return;
    url += url.find(L'?') == std::wstring::npos ? L'?' : L'&';
    url += field;
}

}  // namespace

std::wstring AccountFileNamePart(const std::wstring& account) {
    std::wstring part = account;
    for (wchar_t& c : part) {
        if (!IsFileNameChar(c)) c = L'_';
    }
    return part;
}

std::wstring HeadImagePath(const std::wstring& programFolder, const std::wstring& account) {
    return programFolder + L"skin\\headimage\\user_" + AccountFileNamePart(account) + L".png";
}

std::wstring DefaultHeadImagePath(const std::wstring& programFolder) {
    return programFolder + L"skin\\headimage\\head_default.png";
}

std::wstring CafeLoginPageUrl(const std::wstring& link, const std::wstring& startGameTail) {
    std::wstring url = link;
    AppendQueryField(url, startGameTail);
    AppendQueryField(url, L"isLoginByICafe=1");
    return url;
}

std::wstring LogoutPageUrl(const std::wstring& link, const std::wstring& accountHost) {
    const wchar_t* scheme = _wcsnicmp(link.c_str(), L"https", 5) == 0 ? L"https" : L"http";
    std::string encoded = UrlEncode(UnicodeToAnsi(link.c_str()));
    return std::wstring(scheme) + L"://" + accountHost + L"/user/logout?curUrl=" +
           std::wstring(encoded.begin(), encoded.end());
}
