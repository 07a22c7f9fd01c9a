#include "PlayerSettings.h"

#include <windows.h>

#include <vector>

#include "GlobalFunc.h"
#include "LogWriter.h"

namespace {

constexpr wchar_t kSection[] = L"WebGame";

}  // namespace

std::wstring PlayerIniPath() { return GetExeDir(true) + L"qxtarrow.ini"; }

int ReadWebGameInt(const wchar_t* key, int defaultValue) {
    return static_cast<int>(GetPrivateProfileIntW(kSection, key, defaultValue, PlayerIniPath().c_str()));
}

std::wstring ReadWebGameString(const wchar_t* key, const wchar_t* defaultValue, unsigned cchMax) {
    std::vector<wchar_t> value(cchMax ? cchMax : 1, L'\0');
    GetPrivateProfileStringW(kSection, key, defaultValue, value.data(), static_cast<DWORD>(value.size()),
                             PlayerIniPath().c_str());
    return value.data();
}

bool WriteWebGameString(const wchar_t* key, const std::wstring& value) {
    if (WritePrivateProfileStringW(kSection, key, value.c_str(), PlayerIniPath().c_str())) return true;
    LOG_ERROR(L"write [WebGame] %s failed, LastError=%lu", key, GetLastError());
    return false;
}
