#pragma once
// Helpers on standard wide strings: the running module's path, another
// process's program file, parent folders, joining a folder and a name, and
// printf-style formatting. Stateless; callable from any thread.
#include <windows.h>

#include <string>

// The full path of the program file (any length).
std::wstring GetModulePath();
// The folder of the program file, without trailing backslash.
std::wstring GetModuleDir();
// The full path of a process's program file (any length), from its image
// name: it needs only the limited query right and reads a 64-bit process
// from a 32-bit one, where a module snapshot fails. Empty when the process
// cannot be opened or its name read.
std::wstring GetProcessImagePath(DWORD processId);
std::wstring TrimTrailingBackslashes(const std::wstring& path);
// The text before the last backslash once trailing backslashes are trimmed;
// empty when there is none.
std::wstring GetParentDir(const std::wstring& path);
// folder + exactly one backslash + name without its leading backslashes.
// An empty folder gives the name unchanged; an empty name gives the folder
// with one trailing backslash.
std::wstring PathJoin(const std::wstring& folder, const std::wstring& name);
// True when path names an existing file (not a folder).
bool IsExistingFile(const std::wstring& path);
// Wide printf formatting (%s wide, %S narrow) of any length; empty when the
// format is null or invalid.
std::wstring FormatString(const wchar_t* format, ...);
