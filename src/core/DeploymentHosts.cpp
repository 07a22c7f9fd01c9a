#include "DeploymentHosts.h"

#include <windows.h>

#include "GlobalFunc.h"

namespace {

struct SiteSetting {
    const wchar_t* key;
    const wchar_t* shipped;
    const wchar_t* overrideVariable;  // host[:port] from the environment, or null
    const wchar_t* overrideScheme;
};

const SiteSetting& SettingOf(DeploymentSite site) {
    static const SiteSetting kSettings[] = {
        {L"Api_url", L"https://backend.corrin.invalid", L"CORRIN_BACKEND_HOST", L"https://"},
        {L"Web_url", L"http://web.corrin.invalid", nullptr, nullptr},
        {L"Account_url", L"https://account.corrin.invalid", nullptr, nullptr},
        {L"Update_url", L"http://update.corrin.invalid", L"CORRIN_UPDATE_HOST", L"http://"},
        {L"Homepage_url", L"https://www.corrin.invalid", nullptr, nullptr},
    };
    return kSettings[static_cast<int>(site)];
}

std::wstring EnvironmentValue(const wchar_t* variable) {
    wchar_t value[256];
    DWORD n = GetEnvironmentVariableW(variable, value, _countof(value));
    if (n == 0 || n >= _countof(value)) return std::wstring();
    return std::wstring(value, n);
}

std::wstring WithoutTrailingSlashes(std::wstring url) {
    while (!url.empty() && url.back() == L'/') url.pop_back();
    return url;
}

}  // namespace

std::wstring GetDeploymentUrl(DeploymentSite site, const std::wstring& iniPath) {
    const SiteSetting& setting = SettingOf(site);
    if (setting.overrideVariable) {
        std::wstring host = EnvironmentValue(setting.overrideVariable);
        if (!host.empty()) return setting.overrideScheme + WithoutTrailingSlashes(host);
    }
    std::wstring ini = iniPath.empty() ? GetExeDir(true) + L"qxtarrow.ini" : iniPath;
    wchar_t value[520] = {};
    GetPrivateProfileStringW(L"main", setting.key, L"", value, _countof(value), ini.c_str());
    std::wstring url = WithoutTrailingSlashes(value);
    return url.empty() ? setting.shipped : url;
}

std::wstring SchemeOfUrl(const std::wstring& url) {
    size_t end = url.find(L"://");
    return end == std::wstring::npos ? std::wstring() : url.substr(0, end);
}

std::wstring HostOfUrl(const std::wstring& url) {
    size_t start = url.find(L"://");
    start = start == std::wstring::npos ? 0 : start + 3;
    size_t end = url.find_first_of(L"/?#", start);
    return url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring GetBackendApiHost() { return HostOfUrl(GetDeploymentUrl(DeploymentSite::Api)); }

std::wstring GetUpdateHost() { return HostOfUrl(GetDeploymentUrl(DeploymentSite::Update)); }
