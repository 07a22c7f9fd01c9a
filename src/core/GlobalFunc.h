#pragma once
// General helpers of both programs: text conversions, paths of the running
// program, processes, file versions, GUID and MD5 text, URL coding and the
// local network adapter. Free functions, callable from any thread except
// where a static buffer is named.
#include "PathUtil.h"

#include <windows.h>
#include <string>
#include <vector>

// The reference-counted wide string of the Windows toolkits; here a plain
// standard wide string.
using CStringW = std::wstring;

// --- Text conversions
std::wstring AnsiToUnicode(const char* text);
int AnsiToUnicodeStr(const char* text, CStringW& out);
std::string UnicodeToAnsi(const wchar_t* text);
int UnicodeToUtf8(const wchar_t* text, std::string& out);
std::wstring Utf8ToUnicode(const char* text);
bool StringToWString(const std::string& text, std::wstring& out);
std::wstring StringToWString(const std::string& text);
bool WStringToString(const std::wstring& text, std::string& out);
std::string WStringToString(const std::wstring& text);
std::wstring IpToString(unsigned int ip);
// Dotted text to a host-order integer; missing numbers count as 0. Reading
// stops at the first piece that is not a decimal number of 0..255 (that
// number and the rest count as 0); null text gives 0.
unsigned int IpStringToInt(const char* text);
int SplitBySemicolon(const wchar_t* text, std::vector<CStringW>& pieces);

// --- Paths and program identity
// Points into one process-wide buffer of 1,024 characters (lower case).
const wchar_t* GetExeName(bool fullPath);
CStringW GetExeDir(bool withTrailingBackslash);
// GetModulePath, GetModuleDir, TrimTrailingBackslashes, GetParentDir,
// PathJoin and FormatString: see PathUtil.h.
bool GetFileVersion(std::wstring& version);
// The ProductVersion text of a file's version block (first language of its
// translation table), as GetFileVersion reads it for the running program.
bool GetFileProductVersion(const std::wstring& path, std::wstring& version);
int IsRunInBeaconcli();
// The logger's fallback folder, filled by IsRunInBeaconcli.
const std::wstring& BeaconcliFallbackFolder();

// --- Processes, files, identifiers
bool EnableDebugPrivilege();
void DevicePathToDosPath(const wchar_t* devicePath, CStringW& out);
bool GetProcessExePath(DWORD processId, CStringW& out);
bool GetProcessIdsByName(const wchar_t* exeName, std::vector<DWORD>& ids);
int FindFilesByPattern(const wchar_t* pattern, std::vector<CStringW>& files);
void FindFiles(const wchar_t* folder, const wchar_t* patterns, std::vector<CStringW>& files);
bool CreateGUID(CStringW& out);
// hex33 receives 32 upper-case hexadecimal digits and a zero. Empty text has
// the digest of zero bytes; null text or buffer gives false.
bool CalcMD5(const char* text, wchar_t* hex33, DWORD* lastError);
std::string UrlEncode(const std::string& text);
// A '%' that is not followed by two hexadecimal digits stays a literal '%'.
std::string UrlDecode(const std::string& text);

// --- Network adapter (IPv4 as host-order integers)
bool GetLocalAdapterInfo(unsigned int* ip, unsigned int* mask, unsigned int* gateway, unsigned char mac[8]);
std::wstring MacToString(const unsigned char mac[6]);
std::wstring FormatMacAddress(const unsigned char mac[6], const wchar_t* prefix, const wchar_t* separator,
                              const wchar_t* suffix);
std::wstring GetMacAddress();
