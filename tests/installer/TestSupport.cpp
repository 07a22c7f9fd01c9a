#include "TestSupport.h"

#include "Harness.h"
#include "TestPaths.h"

namespace ferrule_test {
namespace {

void ListInto(const std::wstring& root, const std::wstring& prefix, std::map<std::wstring, TreeEntry>* out) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((root + L"\\" + prefix + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        TreeEntry entry;
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.attributes = data.dwFileAttributes;
        entry.lastWrite = data.ftLastWriteTime;
        (*out)[prefix + name] = entry;
        if (entry.isFolder) ListInto(root, prefix + name + L"\\", out);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

// A DWORD value under HKEY_CURRENT_USER; 0 when missing.
DWORD ReadUserDword(const wchar_t* keyPath, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD ? value : 0;
}

}  // namespace

std::map<std::wstring, TreeEntry> ListTree(const std::wstring& root) {
    std::map<std::wstring, TreeEntry> entries;
    ListInto(root, L"", &entries);
    return entries;
}

std::string ReadTestPackage(const wchar_t* name) {
    return harness::ReadFileBytes(std::wstring(FERRULE_TEST_DATA_DIR) + L"\\" + name);
}

DWORD RegistrationCount(const std::wstring& dllPath) {
    return ReadUserDword(L"Software\\Brindle\\brdplayer\\Registrations", dllPath);
}

DWORD RegistrationOrder(const std::wstring& dllPath) {
    return ReadUserDword(L"Software\\Brindle\\brdplayer\\RegistrationOrder", dllPath);
}

ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace ferrule_test
