#pragma once
// Helpers shared by the installer tests: file trees, package bytes and
// registration records of the stand-in plug-in.
#include <windows.h>

#include <map>
#include <string>

namespace ferrule_test {

struct TreeEntry {
    bool isFolder = false;
    DWORD attributes = 0;
    FILETIME lastWrite{};
};

// Every file and folder under root by relative path ("a\\b.txt"), recursively.
std::map<std::wstring, TreeEntry> ListTree(const std::wstring& root);

// The bytes of a file made by the build (test packages live in FERRULE_TEST_DATA_DIR).
std::string ReadTestPackage(const wchar_t* name);

// How often the stand-in plug-in at dllPath had its DllRegisterServer called.
DWORD RegistrationCount(const std::wstring& dllPath);
// The number of its latest DllRegisterServer call among the calls of all the
// stand-in copies (later calls have higher numbers); 0: never registered.
DWORD RegistrationOrder(const std::wstring& dllPath);

// FILETIME as one number, for readable comparisons.
ULONGLONG Ticks(const FILETIME& time);

}  // namespace ferrule_test
