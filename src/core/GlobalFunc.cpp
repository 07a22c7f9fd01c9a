#include "GlobalFunc.h"

#include "LogWriter.h"

#include <cwchar>

namespace {

constexpr DWORD kExeNameChars = 1024;
wchar_t g_exeName[kExeNameChars + 1];
std::wstring g_beaconcliFolder;

}  // namespace

const wchar_t* GetExeName(bool fullPath) {
    DWORD n = GetModuleFileNameW(nullptr, g_exeName, kExeNameChars);
    if (n == 0) {
        LOG_ERROR(L"GetModuleFileName failed, LastError = %u", GetLastError());
        return nullptr;
    }
    g_exeName[n < kExeNameChars ? n : kExeNameChars] = L'\0';
    CharLowerW(g_exeName);
    if (fullPath) return g_exeName;
    const wchar_t* slash = wcsrchr(g_exeName, L'\\');
    return slash ? slash : g_exeName;
}

const std::wstring& BeaconcliFallbackFolder() { return g_beaconcliFolder; }

int IsRunInBeaconcli() {
    const wchar_t* name = GetExeName(false);
    if (!name) return 0;
    if (*name == L'\\') ++name;
    if (_wcsicmp(name, L"beaconcli.exe") == 0) {
        std::wstring exeDir = GetParentDir(GetExeName(true));
        g_beaconcliFolder = GetParentDir(exeDir) + L"\\Tool\\GamePreSetUp\\clientinforeport\\";
        OutputDebugStringW(L"\n[QXXX] in beaconcli.exe");
        return 1;
    }
    std::wstring text = L"\n[QXXX] in " + std::wstring(name) + L"\n";
    OutputDebugStringW(text.c_str());
    return 0;
}

int SplitBySemicolon(const wchar_t* text, std::vector<CStringW>& pieces) {
    int count = 0;
    std::wstring all = text ? text : L"";
    size_t start = 0;
    for (;;) {
        size_t end = all.find(L';', start);
        pieces.push_back(all.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        ++count;
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return count;
}

int FindFilesByPattern(const wchar_t* pattern, std::vector<CStringW>& files) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    std::wstring folder = pattern;
    size_t slash = folder.find_last_of(L"\\/:");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        files.push_back(folder + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return 1;
}

void FindFiles(const wchar_t* folder, const wchar_t* patterns, std::vector<CStringW>& files) {
    std::wstring base = folder ? folder : L"";
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    std::vector<CStringW> list;
    SplitBySemicolon(patterns, list);
    for (const CStringW& pattern : list) FindFilesByPattern((base + pattern).c_str(), files);
}

std::wstring TrimTrailingBackslashes(const std::wstring& path) {
    size_t end = path.find_last_not_of(L'\\');
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

std::wstring GetParentDir(const std::wstring& path) {
    std::wstring trimmed = TrimTrailingBackslashes(path);
    size_t slash = trimmed.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : trimmed.substr(0, slash);
}
