#include "ShellOpen.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>

#include "LogWriter.h"
#include "UniqueHandle.h"

namespace {

const wchar_t* const kNetworkSchemes[] = {L"http", L"https", L"ftp", L"mailto"};
const wchar_t* const kRefusedSchemes[] = {L"file", L"shell"};

// The scheme in lower case, or empty when the text has none. One letter
// before the colon is a drive, not a scheme.
std::wstring SchemeOf(const std::wstring& url) {
    size_t colon = url.find(L':');
    if (colon == std::wstring::npos || colon < 2 || !iswalpha(url[0])) return std::wstring();
    std::wstring scheme;
    for (size_t i = 0; i < colon; ++i) {
        wchar_t c = url[i];
        if (!iswalnum(c) && c != L'+' && c != L'-' && c != L'.') return std::wstring();
        scheme.push_back(static_cast<wchar_t>(towlower(c)));
    }
    return scheme;
}

bool IsRegisteredUrlProtocol(const std::wstring& scheme) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, scheme.c_str(), 0, KEY_QUERY_VALUE, key.addressof()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExW(key.get(), L"URL Protocol", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The address as one parameter: in quotes, quotes inside it escaped as in a URL.
std::wstring QuotedParameter(const std::wstring& url) {
    std::wstring quoted = L"\"";
    for (wchar_t c : url) {
        if (c == L'"') quoted += L"%22";
        else quoted.push_back(c);
    }
    return quoted + L"\"";
}

bool Started(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

}  // namespace

bool IsShellOpenableUrl(const std::wstring& url) {
    const std::wstring scheme = SchemeOf(url);
    if (scheme.empty()) return false;
    for (const wchar_t* refused : kRefusedSchemes)
        if (scheme == refused) return false;
    for (const wchar_t* network : kNetworkSchemes)
        if (scheme == network) return true;
    return IsRegisteredUrlProtocol(scheme);
}

bool OpenUrlInDefaultBrowser(const std::wstring& url, unsigned fallbackLogLevel) {
    if (!IsShellOpenableUrl(url)) {
        LOG_WARNING(L"not opened outside the program (not a web address): %s", url.c_str());
        return false;
    }
    if (Started(ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL))) return true;
    CORRIN_LOG(fallbackLogLevel, L"默认浏览打开失败，使用IE打开");
    return Started(ShellExecuteW(nullptr, L"open", L"iexplore.exe", QuotedParameter(url).c_str(), nullptr,
                                 SW_SHOWNORMAL));
}
