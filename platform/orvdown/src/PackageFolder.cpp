#include "PackageFolder.h"

#include "Handles.h"
#include "OrvLog.h"
#include "PkgIndex.h"
#include "Text.h"

#include <set>
#include <string_view>

namespace orvdown {
namespace {

constexpr char kListHeader[] = "ORVFILES 1";
constexpr wchar_t kStoreSuffix[] = L".new";  // a file being written, before it replaces the old one
// Renamed files of many updates add up; far more than one index may hold.
constexpr size_t kMaxListedFiles = 16 * kMaxFiles;

// Appends the names not listed yet (the file system ignores case).
void Merge(const std::vector<std::wstring>& add, std::vector<std::wstring>* names) {
    std::set<std::wstring> seen;
    for (const auto& n : *names) seen.insert(UpperCase(n));
    for (const auto& n : add)
        if (seen.insert(UpperCase(n)).second) names->push_back(n);
}

bool IndexCopyFiles(const std::wstring& folder, uint32_t pkgId, std::vector<std::wstring>* names) {
    PkgIndex index;
    std::wstring error;
    if (!ParsePkgIndex(ReadSmallFile(IndexCopyPath(folder, pkgId)), &index, &error)) return false;
    for (const auto& f : index.files) names->push_back(f.relPath);
    return true;
}

// A name of the list; false when it is too long or could reach outside the
// folder. A long line is refused before anything is made of it.
bool ParseListedName(std::string_view line, std::wstring* name) {
    if (line.size() > kMaxNameBytes) return false;
    *name = WideFromUtf8(std::string(line));
    return IsSafeRelativeName(*name);
}

// Removes the folders of the files that are empty now. The folders of each
// name are tried from its deepest up, until one stays (it still holds
// something, or went already): a folder empties when its last entry goes,
// and the name that took that entry goes on to the folder. Nothing is kept
// per folder, however deep the names of the list reach.
void RemoveEmptyFolders(const std::wstring& folder, const std::vector<std::wstring>& names) {
    for (const auto& name : names) {
        std::wstring dir = folder + name;
        for (size_t pos = dir.rfind(L'\\'); pos != std::wstring::npos && pos >= folder.size(); pos = dir.rfind(L'\\')) {
            dir.resize(pos);
            if (!::RemoveDirectoryW(dir.c_str())) break;
        }
    }
    ::RemoveDirectoryW(folder.c_str());
}

void DeleteIfThere(const std::wstring& path, uint32_t pkgId) {
    if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
        ::GetLastError() != ERROR_PATH_NOT_FOUND)
        ORV_ERROR(L"DeletePkg pkgId=%u: deleting %s failed, error=%lu", pkgId, path.c_str(), ::GetLastError());
}

}  // namespace

std::wstring IndexCopyPath(const std::wstring& folder, uint32_t pkgId) {
    return folder + L"OrvDown_" + std::to_wstring(pkgId) + L".idx";
}

std::wstring InstalledListPath(const std::wstring& folder, uint32_t pkgId) {
    return folder + L"OrvDown_" + std::to_wstring(pkgId) + L".files";
}

std::string ReadSmallFile(const std::wstring& path) {
    std::string text;
    UniqueFile file{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxIndexBytes))
        return text;
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!text.empty() && (!::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr) ||
                          got != text.size()))
        text.clear();
    return text;
}

bool StoreFile(const std::wstring& path, const std::string& bytes, std::wstring* error) {
    std::wstring temp = path + kStoreSuffix;
    {
        UniqueFile file{::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr)};
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            *error = L"writing " + temp + L" failed, error=" + std::to_wstring(::GetLastError());
            return false;
        }
    }
    if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = L"replacing " + path + L" failed, error=" + std::to_wstring(::GetLastError());
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

std::string FormatInstalledList(const std::vector<std::wstring>& names) {
    std::string text = std::string(kListHeader) + "\n";
    for (const auto& n : names) text += Utf8FromWide(n) + "\n";
    return text + "end\n";
}

bool ParseInstalledList(const std::string& text, std::vector<std::wstring>* names, std::wstring* error) {
    std::vector<std::wstring> out;
    size_t pos = 0;
    bool header = true;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) break;
        std::string_view line = std::string_view(text).substr(pos, end - pos);
        pos = end + 1;
        if (header) {
            if (line != kListHeader) break;
            header = false;
            continue;
        }
        if (line == "end") {
            if (pos != text.size()) break;
            *names = std::move(out);
            return true;
        }
        std::wstring name;
        if (out.size() >= kMaxListedFiles || !ParseListedName(line, &name)) {
            *error = L"unsafe or too many names";
            return false;
        }
        out.push_back(std::move(name));
    }
    *error = L"not a list of installed files";
    return false;
}

bool RecordInstalledFiles(const std::wstring& folder, uint32_t pkgId, const std::vector<std::wstring>& names,
                          std::wstring* error) {
    std::wstring path = InstalledListPath(folder, pkgId);
    std::vector<std::wstring> listed;
    std::wstring why;
    bool haveList = ParseInstalledList(ReadSmallFile(path), &listed, &why);
    if (!haveList) {
        listed.clear();
        IndexCopyFiles(folder, pkgId, &listed);
    }
    size_t before = listed.size();
    Merge(names, &listed);
    if (haveList && listed.size() == before) return true;  // nothing new
    if (listed.size() > kMaxListedFiles) {
        *error = L"too many files installed in " + folder;
        return false;
    }
    return StoreFile(path, FormatInstalledList(listed), error);
}

bool LoadInstalledFiles(const std::wstring& folder, uint32_t pkgId, std::vector<std::wstring>* names) {
    std::wstring error;
    std::string list = ReadSmallFile(InstalledListPath(folder, pkgId));
    if (!list.empty()) {
        if (ParseInstalledList(list, names, &error)) return true;
        ORV_WARN(L"DeletePkg pkgId=%u: list of installed files refused: %s", pkgId, error.c_str());
    }
    names->clear();
    return IndexCopyFiles(folder, pkgId, names);
}

void RemoveInstalledFiles(const std::wstring& folder, uint32_t pkgId, const std::vector<std::wstring>& names) {
    for (const auto& name : names) DeleteIfThere(folder + name, pkgId);
    for (const std::wstring& own : {InstalledListPath(folder, pkgId), IndexCopyPath(folder, pkgId)}) {
        DeleteIfThere(own, pkgId);
        DeleteIfThere(own + kStoreSuffix, pkgId);  // left by a write that was cut short
    }
    RemoveEmptyFolders(folder, names);
}

}  // namespace orvdown
