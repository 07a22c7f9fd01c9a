// Stand-in for the café client's TesselPkgPath.dll: maps a package id to the
// game's install path. The answers come from "TesselPkgPath.txt" beside the
// DLL, one "pkgid<TAB>path" per line (the path in the system code page),
// read at every call. Any thread; nothing is kept between calls.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HMODULE g_module = nullptr;

std::wstring TablePath() {
    wchar_t path[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameW(g_module, path, _countof(path));
    if (n == 0 || n >= _countof(path)) return std::wstring();
    std::wstring text(path, n);
    size_t slash = text.rfind(L'\\');
    return (slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1)) + L"TesselPkgPath.txt";
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

// 1 and the zero-terminated path in buffer when the table names the package
// and the path fits; 0 otherwise (buffer then holds an empty text). A path
// too long for the buffer fills all of it without a zero, and the answer is
// 1 all the same: the library does not promise a terminated text.
extern "C" __declspec(dllexport) int __cdecl GetGamePathByPackageID(int pkgId, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    FILE* table = _wfopen(TablePath().c_str(), L"rb");
    if (!table) return 0;
    char line[2048];
    int result = 0;
    while (fgets(line, sizeof(line), table)) {
        char* tab = strchr(line, '\t');
        if (!tab || atoi(line) != pkgId) continue;
        std::string path(tab + 1);
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        if (path.size() >= static_cast<size_t>(bufferSize)) {
            memcpy(buffer, path.c_str(), static_cast<size_t>(bufferSize));
            result = 1;
        } else if (!path.empty()) {
            memcpy(buffer, path.c_str(), path.size() + 1);
            result = 1;
        }
        break;
    }
    fclose(table);
    return result;
}
