#include "GlobalFunc.h"

#include "LogWriter.h"
#include "UniqueHandle.h"

#include <iphlpapi.h>
#include <psapi.h>
#include <rpc.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

constexpr DWORD kExeNameChars = 1024;
wchar_t g_exeName[kExeNameChars + 1];
std::wstring g_beaconcliFolder;
// Set once the first GetProcessExePath has asked for the debug privilege.
bool g_debugPrivilegeTried = false;

struct CryptProviderTraits {
    using Type = HCRYPTPROV;
    static Type Invalid() { return 0; }
    static void Close(Type h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static Type Invalid() { return 0; }
    static void Close(Type h) { CryptDestroyHash(h); }
};

// Converts length bytes of text (-1: up to its zero); false when the
// converter fails. Nothing to convert gives an empty string and true.
bool ToWide(UINT codePage, DWORD flags, const char* text, int length, std::wstring& out) {
    out.clear();
    if (!text || length == 0 || (length < 0 && *text == '\0')) return true;
    int n = MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
    if (n <= 0) return false;
    std::wstring buffer(static_cast<size_t>(n), L'\0');
    n = MultiByteToWideChar(codePage, flags, text, length, &buffer[0], n);
    if (n <= 0) return false;
    buffer.resize(static_cast<size_t>(length < 0 ? n - 1 : n));
    out.swap(buffer);
    return true;
}

bool ToNarrow(UINT codePage, const wchar_t* text, int length, std::string& out) {
    out.clear();
    if (!text || length == 0 || (length < 0 && *text == L'\0')) return true;
    int n = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    std::string buffer(static_cast<size_t>(n), '\0');
    n = WideCharToMultiByte(codePage, 0, text, length, &buffer[0], n, nullptr, nullptr);
    if (n <= 0) return false;
    buffer.resize(static_cast<size_t>(length < 0 ? n - 1 : n));
    out.swap(buffer);
    return true;
}

bool SizeFitsInt(size_t size) { return size <= static_cast<size_t>(INT_MAX); }

std::wstring TrimWhiteSpace(const std::wstring& text) {
    size_t start = 0;
    size_t end = text.size();
    while (start < end && iswspace(text[start])) ++start;
    while (end > start && iswspace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~';
}

// MD5 of the text's bytes as 32 upper-case hexadecimal digits into hex33.
bool Md5Hex(const char* text, wchar_t* hex33) {
    Unique<CryptProviderTraits> provider;
    if (!CryptAcquireContextW(provider.addressof(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    Unique<CryptHashTraits> hash;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.addressof())) return false;
    size_t length = strlen(text);
    if (length > MAXDWORD) return false;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(length), 0)) return false;
    BYTE digest[16] = {};
    DWORD digestBytes = sizeof(digest);
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &digestBytes, 0) || digestBytes != sizeof(digest))
        return false;
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    for (size_t i = 0; i < sizeof(digest); ++i) {
        hex33[2 * i] = kDigits[digest[i] >> 4];
        hex33[2 * i + 1] = kDigits[digest[i] & 15];
    }
    hex33[32] = L'\0';
    return true;
}

// --- Network adapter

bool HasRealMac(const IP_ADAPTER_INFO& adapter) {
    UINT length = adapter.AddressLength < MAX_ADAPTER_ADDRESS_LENGTH ? adapter.AddressLength
                                                                     : MAX_ADAPTER_ADDRESS_LENGTH;
    for (UINT i = 0; i < length; ++i) {
        if (adapter.Address[i] != 0) return true;
    }
    return false;
}

struct AdapterChoice {
    unsigned int ip = 0;
    unsigned int mask = 0;
    unsigned int gateway = 0;
    unsigned char mac[8] = {};
    bool taken = false;

    void ReadAddresses(const IP_ADAPTER_INFO& adapter) {
        ip = IpStringToInt(adapter.IpAddressList.IpAddress.String);
        mask = IpStringToInt(adapter.IpAddressList.IpMask.String);
        gateway = IpStringToInt(adapter.GatewayList.IpAddress.String);
    }
    void ReadMac(const IP_ADAPTER_INFO& adapter) {
        memset(mac, 0, sizeof(mac));
        UINT length = adapter.AddressLength < sizeof(mac) ? adapter.AddressLength : sizeof(mac);
        memcpy(mac, adapter.Address, length);
    }
    // The first adapter of its kind with a real MAC is kept.
    void Consider(const IP_ADAPTER_INFO& adapter) {
        if (taken) return;
        ReadAddresses(adapter);
        if (HasRealMac(adapter)) {
            ReadMac(adapter);
            taken = true;
        }
    }
    void CopyTo(unsigned int* ipOut, unsigned int* maskOut, unsigned int* gatewayOut, unsigned char macOut[8]) const {
        *ipOut = ip;
        *maskOut = mask;
        *gatewayOut = gateway;
        memcpy(macOut, mac, sizeof(mac));
    }
};

}  // namespace

// --- Text conversions

std::wstring AnsiToUnicode(const char* text) {
    std::wstring out;
    ToWide(CP_ACP, 0, text, -1, out);
    return out;
}

int AnsiToUnicodeStr(const char* text, CStringW& out) {
    std::wstring wide = AnsiToUnicode(text);
    if (wide.empty()) return 0;
    out.swap(wide);
    return 1;
}

std::string UnicodeToAnsi(const wchar_t* text) {
    std::string out;
    ToNarrow(CP_ACP, text, -1, out);
    return out;
}

int UnicodeToUtf8(const wchar_t* text, std::string& out) {
    out.clear();
    if (!text) return 0;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return 0;
    ToNarrow(CP_UTF8, text, -1, out);
    return bytes;
}

std::wstring Utf8ToUnicode(const char* text) {
    std::wstring out;
    ToWide(CP_UTF8, 0, text, -1, out);
    return out;
}

bool StringToWString(const std::string& text, std::wstring& out) {
    if (!SizeFitsInt(text.size())) return false;
    int length = static_cast<int>(text.size());
    return ToWide(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, text.data(), length, out) ||
           ToWide(CP_THREAD_ACP, 0, text.data(), length, out);
}

std::wstring StringToWString(const std::string& text) {
    std::wstring out;
    StringToWString(text, out);
    return out;
}

bool WStringToString(const std::wstring& text, std::string& out) {
    if (!SizeFitsInt(text.size())) return false;
    return ToNarrow(CP_THREAD_ACP, text.data(), static_cast<int>(text.size()), out);
}

std::string WStringToString(const std::wstring& text) {
    std::string out;
    WStringToString(text, out);
    return out;
}

std::wstring IpToString(unsigned int ip) {
    return FormatString(L"%d.%d.%d.%d", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF);
}

unsigned int IpStringToInt(const char* text) {
    unsigned int ip = 0;
    const char* at = text;
    for (int field = 0; at && field < 4; ++field) {
        if (field > 0) {
            if (*at != '.') break;
            ++at;
        }
        while (*at == ' ' || *at == '\t') ++at;  // as scanf's %u does
        if (*at < '0' || *at > '9') break;
        unsigned int value = 0;
        while (*at >= '0' && *at <= '9' && value <= 255) value = value * 10 + static_cast<unsigned int>(*at++ - '0');
        if (value > 255) break;
        ip |= value << (8 * (3 - field));
    }
    return ip;
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

// --- Paths and program identity

const wchar_t* GetExeName(bool fullPath) {
    DWORD n = GetModuleFileNameW(nullptr, g_exeName, kExeNameChars);
    if (n == 0) {
        DWORD error = GetLastError();
        LOG_ERROR(L"GetModuleFileName failed, LastError = %u", error);
        return nullptr;
    }
    g_exeName[n < kExeNameChars ? n : kExeNameChars] = L'\0';
    CharLowerW(g_exeName);
    if (fullPath) return g_exeName;
    const wchar_t* slash = wcsrchr(g_exeName, L'\\');
    return slash ? slash : g_exeName;
}

CStringW GetExeDir(bool withTrailingBackslash) {
    std::wstring path = GetModulePath();
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return CStringW();
    return path.substr(0, withTrailingBackslash ? slash + 1 : slash);
}

bool GetFileVersion(std::wstring& version) {
    const wchar_t* exe = GetExeName(true);
    if (!exe) return false;
    return GetFileProductVersion(exe, version);  // copied first: the static buffer may be rewritten
}

bool GetFileProductVersion(const std::wstring& path, std::wstring& version) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* translation = nullptr;
    UINT translationBytes = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &translation, &translationBytes) ||
        translationBytes < sizeof(Translation))
        return true;
    const Translation* first = static_cast<const Translation*>(translation);
    std::wstring key = FormatString(L"\\StringFileInfo\\%04x%04x\\ProductVersion", first->language, first->codePage);
    void* value = nullptr;
    UINT valueChars = 0;
    if (!VerQueryValueW(data.data(), key.c_str(), &value, &valueChars) || !value) return true;
    const wchar_t* text = static_cast<const wchar_t*>(value);
    version.assign(text, wcsnlen(text, valueChars));
    return true;
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

// --- Processes, files, identifiers

bool EnableDebugPrivilege() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.addressof())) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return false;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

void DevicePathToDosPath(const wchar_t* devicePath, CStringW& out) {
    out.clear();
    if (!devicePath) return;
    std::vector<wchar_t> drives(256);
    DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(drives.size() - 1), drives.data());
    if (n >= drives.size()) {
        drives.assign(n + 1, L'\0');
        n = GetLogicalDriveStringsW(static_cast<DWORD>(drives.size() - 1), drives.data());
    }
    if (n == 0 || n >= drives.size()) return;
    for (const wchar_t* drive = drives.data(); *drive; drive += wcslen(drive) + 1) {
        const wchar_t name[3] = {drive[0], L':', L'\0'};
        wchar_t device[MAX_PATH + 1] = {};
        if (!QueryDosDeviceW(name, device, MAX_PATH)) continue;
        size_t length = wcslen(device);
        // The device name must end where a path element ends: \Device\HarddiskVolume1
        // is no prefix of \Device\HarddiskVolume10.
        if (length == 0 || _wcsnicmp(devicePath, device, length) != 0) continue;
        if (devicePath[length] != L'\\' && devicePath[length] != L'\0') continue;
        out = std::wstring(name) + (devicePath + length);
        return;
    }
}

bool GetProcessExePath(DWORD processId, CStringW& out) {
    if (!g_debugPrivilegeTried) {
        g_debugPrivilegeTried = true;
        EnableDebugPrivilege();
    }
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        DWORD error = GetLastError();
        LOG_WARNING(L"GetProcessExePath.OpenProcess [%d] failed, LastError=%d", processId, error);
        return false;
    }
    std::vector<wchar_t> image(32768);
    if (!GetProcessImageFileNameW(process.get(), image.data(), static_cast<DWORD>(image.size() - 1))) return false;
    CStringW dosPath;
    DevicePathToDosPath(image.data(), dosPath);
    out = TrimWhiteSpace(dosPath);
    return out.size() > 2;
}

bool GetProcessIdsByName(const wchar_t* exeName, std::vector<DWORD>& ids) {
    ids.clear();
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snapshot.get(), &entry)) return false;
    do {
        if (exeName && _wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    } while (Process32NextW(snapshot.get(), &entry));
    return !ids.empty();
}

int FindFilesByPattern(const wchar_t* pattern, std::vector<CStringW>& files) {
    if (!pattern) return 0;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(pattern, &data));
    if (!find) return 0;
    std::wstring folder = pattern;
    size_t slash = folder.find_last_of(L"\\/:");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        files.push_back(folder + data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    return 1;
}

void FindFiles(const wchar_t* folder, const wchar_t* patterns, std::vector<CStringW>& files) {
    std::wstring base = folder ? folder : L"";
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    std::vector<CStringW> list;
    SplitBySemicolon(patterns, list);
    for (const CStringW& pattern : list) FindFilesByPattern((base + pattern).c_str(), files);
}

bool CreateGUID(CStringW& out) {
    UUID uuid = {};
    RPC_STATUS result = UuidCreate(&uuid);
    if ((result & 0xFFFF) != 0) {
        LOG_ERROR(L"UuidCreate failed, res = 0x%x", static_cast<unsigned>(result));
        out.clear();
        return false;
    }
    unsigned int last = static_cast<unsigned int>(uuid.Data4[0]) | static_cast<unsigned int>(uuid.Data4[1]) << 8 |
                        static_cast<unsigned int>(uuid.Data4[2]) << 16 |
                        static_cast<unsigned int>(uuid.Data4[3]) << 24;
    out = FormatString(L"%08x%08x%08x%08x", static_cast<unsigned>(uuid.Data1), static_cast<unsigned>(uuid.Data2),
                       static_cast<unsigned>(uuid.Data3), last);
    return true;
}

bool CalcMD5(const char* text, wchar_t* hex33, DWORD* lastError) {
    if (hex33) memset(hex33, 0, 33 * sizeof(wchar_t));
    bool ok = text && hex33 && Md5Hex(text, hex33);
    if (lastError) *lastError = GetLastError();
    return ok;
}

std::string UrlEncode(const std::string& text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 15];
        }
    }
    return out;
}

std::string UrlDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
            continue;
        }
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
            continue;
        }
        out += c;
    }
    return out;
}

// --- Network adapter

bool GetLocalAdapterInfo(unsigned int* ip, unsigned int* mask, unsigned int* gateway, unsigned char mac[8]) {
    if (!ip || !mask || !gateway || !mac) return false;
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return false;
    std::vector<BYTE> buffer(size);
    IP_ADAPTER_INFO* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (GetAdaptersInfo(list, &size) != ERROR_SUCCESS) return false;
    AdapterChoice wireless;
    AdapterChoice other;
    for (const IP_ADAPTER_INFO* adapter = list; adapter; adapter = adapter->Next) {
        switch (adapter->Type) {
            case MIB_IF_TYPE_ETHERNET: {
                // Its addresses replace the outputs even when its MAC is all zeros.
                AdapterChoice ethernet;
                ethernet.ReadAddresses(*adapter);
                bool realMac = HasRealMac(*adapter);
                if (realMac) ethernet.ReadMac(*adapter);
                ethernet.CopyTo(ip, mask, gateway, mac);
                if (realMac) return true;
                break;
            }
            case IF_TYPE_IEEE80211: wireless.Consider(*adapter); break;
            case MIB_IF_TYPE_LOOPBACK: break;
            default: other.Consider(*adapter); break;
        }
    }
    const AdapterChoice* chosen = wireless.taken ? &wireless : other.taken ? &other : nullptr;
    if (!chosen) return false;
    chosen->CopyTo(ip, mask, gateway, mac);
    return true;
}

std::wstring FormatMacAddress(const unsigned char mac[6], const wchar_t* prefix, const wchar_t* separator,
                              const wchar_t* suffix) {
    std::wstring text = prefix ? prefix : L"";
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && separator) text += separator;
        text += FormatString(L"%02x", mac[i]);
    }
    return text + (suffix ? suffix : L"");
}

std::wstring MacToString(const unsigned char mac[6]) { return FormatMacAddress(mac, L"", L"", L""); }

std::wstring GetMacAddress() {
    unsigned int ip = 0, mask = 0, gateway = 0;
    unsigned char mac[8] = {};
    if (!GetLocalAdapterInfo(&ip, &mask, &gateway, mac)) memset(mac, 0, sizeof(mac));
    return FormatMacAddress(mac, L"", L"-", L"");
}
