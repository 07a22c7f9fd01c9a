#pragma once
// The player's keys in section [WebGame] of qxtarrow.ini in the program
// folder, through the private-profile interface. Any thread.
#include <string>

std::wstring PlayerIniPath();
int ReadWebGameInt(const wchar_t* key, int defaultValue);
// At most cchMax - 1 characters, as the profile reader gives them.
std::wstring ReadWebGameString(const wchar_t* key, const wchar_t* defaultValue, unsigned cchMax);
// False (logged) when the file could not be written.
bool WriteWebGameString(const wchar_t* key, const std::wstring& value);
