#include "WebAddress.h"

#include <cwchar>

bool IsWebAddress(const std::wstring& url) {
    return _wcsnicmp(url.c_str(), L"http:", 5) == 0 || _wcsnicmp(url.c_str(), L"https:", 6) == 0;
}
