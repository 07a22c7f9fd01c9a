// Stand-in for the browser plug-in DLL that the installer's package carries.
// Its only job is to show that it was registered: DllRegisterServer counts
// its calls in HKCU\Software\Brindle\brdplayer\Registrations, in a DWORD
// value named after the DLL's own full path. So that an order shows, it also
// counts the calls of all copies in ...\RegistrationOrder value "Next" and
// keeps there, under its own path, the number of its latest call.
#include <windows.h>

namespace {

constexpr wchar_t kRegistrationsKey[] = L"Software\\Brindle\\brdplayer\\Registrations";
constexpr wchar_t kOrderKey[] = L"Software\\Brindle\\brdplayer\\RegistrationOrder";

HMODULE g_module = nullptr;

struct OpenKey {
    HKEY key = nullptr;
    ~OpenKey() {
        if (key) ::RegCloseKey(key);
    }
    bool Open(const wchar_t* path) {
        return ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                                 &key, nullptr) == ERROR_SUCCESS;
    }
    // Adds one to the DWORD value name (a missing one counts as 0).
    bool Increment(const wchar_t* name, DWORD* sum) {
        DWORD count = 0;
        DWORD size = sizeof(count);
        DWORD type = 0;
        if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            count = 0;
        *sum = count + 1;
        return Store(name, *sum);
    }
    bool Store(const wchar_t* name, DWORD value) {
        return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
               ERROR_SUCCESS;
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
    OpenKey registrations, order;
    DWORD count = 0, number = 0;
    if (!registrations.Open(kRegistrationsKey) || !registrations.Increment(path, &count)) return E_FAIL;
    if (!order.Open(kOrderKey) || !order.Increment(L"Next", &number) || !order.Store(path, number)) return E_FAIL;
    return S_OK;
}
