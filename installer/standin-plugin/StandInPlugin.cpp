// Stand-in for the browser plug-in DLL that the installer's package carries.
// Its only job is to show that it was registered: DllRegisterServer counts
// its calls in HKCU\Software\Brindle\brdplayer\Registrations, in a DWORD
// value named after the DLL's own full path.
#include <windows.h>

namespace {

constexpr wchar_t kRegistrationsKey[] = L"Software\\Brindle\\brdplayer\\Registrations";

HMODULE g_module = nullptr;

struct OpenKey {
    HKEY key = nullptr;
    ~OpenKey() {
        if (key) ::RegCloseKey(key);
    }
};

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    wchar_t path[4096] = {};
    const DWORD length = ::GetModuleFileNameW(g_module, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path)) return E_FAIL;
    OpenKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRegistrationsKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &key.key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    DWORD count = 0;
    DWORD size = sizeof(count);
    DWORD type = 0;
    if (::RegQueryValueExW(key.key, path, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        count = 0;
    ++count;
    if (::RegSetValueExW(key.key, path, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count)) !=
        ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}
