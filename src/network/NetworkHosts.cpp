#include "NetworkHosts.h"

#include <windows.h>

namespace {

constexpr wchar_t kShippedBackendHost[] = L"backend.corrin.invalid";
constexpr wchar_t kShippedUpdateHost[] = L"update.corrin.invalid";

std::wstring HostSetting(const wchar_t* variable, const wchar_t* shipped) {
    wchar_t value[256];
    DWORD n = GetEnvironmentVariableW(variable, value, _countof(value));
    if (n == 0 || n >= _countof(value)) return shipped;
    return std::wstring(value, n);
}

}  // namespace

std::wstring GetBackendApiHost() { return HostSetting(L"CORRIN_BACKEND_HOST", kShippedBackendHost); }

std::wstring GetUpdateHost() { return HostSetting(L"CORRIN_UPDATE_HOST", kShippedUpdateHost); }
