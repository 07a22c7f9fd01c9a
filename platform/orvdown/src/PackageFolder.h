#pragma once
// What the library keeps in a game folder about a package: a copy of the
// index it installed last ("OrvDown_<id>.idx", the index as the server sent
// it) and the list of every file any version of the package installed
// there ("OrvDown_<id>.files"), which DeletePkg removes. The list, UTF-8:
//   ORVFILES 1
//   <relative name>          one a line, '\' separated
//   ...
//   end
// Both are outside input when read back: names that could reach outside
// the folder are refused.
#include <cstdint>
#include <string>
#include <vector>

namespace orvdown {

std::wstring IndexCopyPath(const std::wstring& folder, uint32_t pkgId);
std::wstring InstalledListPath(const std::wstring& folder, uint32_t pkgId);

// The whole file, at most kMaxIndexBytes; empty when missing or larger.
std::string ReadSmallFile(const std::wstring& path);
// Writes a sibling file, then puts it in the place of path.
bool StoreFile(const std::wstring& path, const std::string& bytes, std::wstring* error);

std::string FormatInstalledList(const std::vector<std::wstring>& names);
bool ParseInstalledList(const std::string& text, std::vector<std::wstring>* names, std::wstring* error);

// Adds names to the folder's list before their files are written. A
// folder with no list yet starts it from the index copy an earlier
// install left there.
bool RecordInstalledFiles(const std::wstring& folder, uint32_t pkgId, const std::vector<std::wstring>& names,
                          std::wstring* error);
// Every file the package installed in the folder: the list, else the
// files of the index copy. false when the folder holds neither.
bool LoadInstalledFiles(const std::wstring& folder, uint32_t pkgId, std::vector<std::wstring>* names);
// Deletes the files, the library's own files of the package and the
// folders left empty (the game folder too).
void RemoveInstalledFiles(const std::wstring& folder, uint32_t pkgId, const std::vector<std::wstring>& names);

}  // namespace orvdown
