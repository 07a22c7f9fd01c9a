// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "GlobalFunc.h"

#include "DeploymentHosts.h"

#include "Harness.h"
#include "LogWriter.h"
#include "ShellOpen.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cwctype>

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// --- Handle owners

std::vector<int> g_closed;
struct CountingTraits {
    using Type = int;
    static Type Invalid() { return -1; }
    static void Close(Type value) { g_closed.push_back(value); }
};
using UniqueCounted = Unique<CountingTraits>;

TEST(UniqueHandle, ClosesExactlyWhatItOwns) {
    g_closed.clear();
    {
        UniqueCounted none;
        EXPECT_FALSE(none);
        UniqueCounted one(1);
        EXPECT_TRUE(one);
        UniqueCounted moved(std::move(one));
        EXPECT_FALSE(one);
        EXPECT_EQ(1, moved.get());
        UniqueCounted two(2);
        two = std::move(moved);  // closes 2, takes 1
        EXPECT_EQ((std::vector<int>{2}), g_closed);
        *two.addressof() = 3;    // closes 1 before handing out the slot
        EXPECT_EQ((std::vector<int>{2, 1}), g_closed);
        UniqueCounted four(4);
        EXPECT_EQ(4, four.release());  // released: never closed
        UniqueCounted five(5);
        five.reset(6);
        EXPECT_EQ((std::vector<int>{2, 1, 5}), g_closed);
    }
    EXPECT_EQ((std::vector<int>{2, 1, 5, 6, 3}), g_closed);  // reverse order of construction
}

TEST(UniqueHandle, RealFileHandle) {
    std::wstring dir = harness::MakeScratchDir(L"unique_file");
    std::wstring path = dir + L"\\x.txt";
    {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        UniqueFile again(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(again);  // no sharing while the first is open
    }
    UniqueFile reopened(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reopened);  // closed by the owner's destructor
}

// --- Text conversions

// The test runs with the Simplified Chinese code page (936), as the
// launcher's users do; CTest sets LANG for it.
TEST(Conversions, ChineseThroughAnsiCodePage) {
    ASSERT_EQ(936u, GetACP());
    const char gbk[] = "\xD3\xCE\xCF\xB7";  // 游戏 in GBK
    EXPECT_EQ(L"游戏", AnsiToUnicode(gbk));
    EXPECT_EQ(gbk, UnicodeToAnsi(L"游戏"));
    CStringW filled = L"untouched";
    EXPECT_EQ(0, AnsiToUnicodeStr("", filled));
    EXPECT_EQ(L"untouched", filled);
    EXPECT_EQ(1, AnsiToUnicodeStr(gbk, filled));
    EXPECT_EQ(L"游戏", filled);
    EXPECT_EQ(L"", AnsiToUnicode(nullptr));
    EXPECT_EQ("", UnicodeToAnsi(nullptr));

    std::wstring wide;
    EXPECT_TRUE(StringToWString(std::string(gbk), wide));
    EXPECT_EQ(L"游戏", wide);
    std::string narrow;
    EXPECT_TRUE(WStringToString(L"下载 ok", narrow));
    EXPECT_EQ("\xCF\xC2\xD4\xD8 ok", narrow);
    EXPECT_EQ(L"下载 ok", StringToWString(WStringToString(L"下载 ok")));
    // A lead byte with no trail byte: the strict pass fails, the second pass still converts.
    EXPECT_TRUE(StringToWString(std::string("ab\xD3"), wide));
    EXPECT_EQ(L"ab", wide.substr(0, 2));
}

TEST(Conversions, EmptyTextAndEmbeddedZeros) {
    std::wstring wide = L"old";
    EXPECT_TRUE(StringToWString(std::string(), wide));
    EXPECT_EQ(L"", wide);
    std::string narrow = "old";
    EXPECT_TRUE(WStringToString(std::wstring(), narrow));
    EXPECT_EQ("", narrow);
    EXPECT_EQ(std::wstring(L"a\0b", 3), StringToWString(std::string("a\0b", 3)));
}

TEST(Conversions, Utf8) {
    std::string utf8;
    EXPECT_EQ(5, UnicodeToUtf8(L"中a", utf8));  // bytes with the terminating zero
    EXPECT_EQ("\xE4\xB8\xAD" "a", utf8);
    EXPECT_EQ(L"中a", Utf8ToUnicode(utf8.c_str()));
    EXPECT_EQ(1, UnicodeToUtf8(L"", utf8));
    EXPECT_EQ("", utf8);
    EXPECT_EQ(0, UnicodeToUtf8(nullptr, utf8));
    EXPECT_EQ(L"", Utf8ToUnicode(nullptr));
    EXPECT_EQ(L"", Utf8ToUnicode(""));
}

TEST(Conversions, IpAddresses) {
    EXPECT_EQ(L"192.168.1.20", IpToString(0xC0A80114u));
    EXPECT_EQ(L"0.0.0.0", IpToString(0));
    EXPECT_EQ(L"255.255.255.255", IpToString(0xFFFFFFFFu));
    EXPECT_EQ(0xC0A80114u, IpStringToInt("192.168.1.20"));
    EXPECT_EQ(0xFFFFFFFFu, IpStringToInt("255.255.255.255"));
    EXPECT_EQ(0x0A010000u, IpStringToInt("10.1"));  // missing numbers count as 0
    EXPECT_EQ(0x01020304u, IpStringToInt(" 1. 2.3.4"));
    EXPECT_EQ(0x01020304u, IpStringToInt("1.2.3.4.5"));
    EXPECT_EQ(0x01020304u, IpStringToInt("1.2.3.4junk"));
    // Bad input: reading stops at the first piece that is no number of 0..255.
    EXPECT_EQ(0u, IpStringToInt(nullptr));
    EXPECT_EQ(0u, IpStringToInt(""));
    EXPECT_EQ(0u, IpStringToInt("garbage"));
    EXPECT_EQ(0u, IpStringToInt("-1.2.3.4"));
    EXPECT_EQ(0u, IpStringToInt("300.1.1.1"));
    EXPECT_EQ(0x01020300u, IpStringToInt("1.2.3.999"));
    EXPECT_EQ(0x01000000u, IpStringToInt("1..3.4"));
    EXPECT_EQ(0u, IpStringToInt("99999999999999999999999999.1.1.1"));
}

TEST(Conversions, FormatStringOfAnyLength) {
    EXPECT_EQ(L"7-游戏-abc", FormatString(L"%d-%s-%S", 7, L"游戏", "abc"));
    std::wstring huge(100000, L'x');
    std::wstring text = FormatString(L"[%s]", huge.c_str());
    EXPECT_EQ(100002u, text.size());
    EXPECT_EQ(L"[" + huge + L"]", text);
    EXPECT_EQ(L"", FormatString(nullptr));
    EXPECT_EQ(L"", FormatString(L""));
}

// --- URL coding

TEST(UrlCoding, EncodeAndDecodeRoundTrip) {
    EXPECT_EQ("a+b%26c~", UrlEncode("a b&c~"));
    EXPECT_EQ("a b&c~", UrlDecode("a+b%26c~"));
    EXPECT_EQ("AZaz09-_.~", UrlEncode("AZaz09-_.~"));
    EXPECT_EQ("%E4%B8%AD%2F%3D%00%FF", UrlEncode(std::string("\xE4\xB8\xAD/=\0\xFF", 7)));
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(all, UrlDecode(UrlEncode(all)));
    EXPECT_EQ("\xE4\xB8\xAD", UrlDecode("%e4%B8%aD"));
}

TEST(UrlCoding, DecodeKeepsBadEscapesLiterally) {
    EXPECT_EQ("%", UrlDecode("%"));
    EXPECT_EQ("100%", UrlDecode("100%"));
    EXPECT_EQ("%4", UrlDecode("%4"));
    EXPECT_EQ("%zz", UrlDecode("%zz"));
    EXPECT_EQ("%4g", UrlDecode("%4g"));
    EXPECT_EQ("%g4", UrlDecode("%g4"));
    EXPECT_EQ("%A", UrlDecode("%%41"));
    EXPECT_EQ("% ", UrlDecode("%+"));
    EXPECT_EQ(std::string("\0", 1), UrlDecode("%00"));
    // The input is never read past its end, even when bytes follow it in memory.
    const char buffer[] = "%41%4";
    EXPECT_EQ("A%", UrlDecode(std::string(buffer, 4)));
    EXPECT_EQ("A", UrlDecode(std::string(buffer, 3)));
    EXPECT_EQ("", UrlDecode(""));
    EXPECT_EQ("", UrlEncode(""));
}

// --- Identifiers

TEST(Identifiers, CreateGuidShape) {
    CStringW first, second;
    ASSERT_TRUE(CreateGUID(first));
    ASSERT_TRUE(CreateGUID(second));
    EXPECT_NE(first, second);
    for (const CStringW& guid : {first, second}) {
        ASSERT_EQ(32u, guid.size()) << harness::Narrow(guid);
        EXPECT_EQ(std::wstring::npos, guid.find_first_not_of(L"0123456789abcdef")) << harness::Narrow(guid);
        EXPECT_EQ(L"0000", guid.substr(8, 4));   // the 16-bit fields padded to 8 digits
        EXPECT_EQ(L"0000", guid.substr(16, 4));
    }
}

TEST(Identifiers, Md5OfTextAndOfEmptyText) {
    wchar_t hex[33];
    DWORD lastError = 12345;
    ASSERT_TRUE(CalcMD5("abc", hex, &lastError));
    EXPECT_STREQ(L"900150983CD24FB0D6963F7D28E17F72", hex);
    EXPECT_NE(12345u, lastError);
    ASSERT_TRUE(CalcMD5("", hex, nullptr));
    EXPECT_STREQ(L"D41D8CD98F00B204E9800998ECF8427E", hex);
    ASSERT_TRUE(CalcMD5("\xE4\xB8\xAD", hex, nullptr));
    EXPECT_STREQ(L"AED1DFBC31703955E64806B799B67645", hex);  // UTF-8 bytes of 中
    std::fill(hex, hex + 33, L'x');
    EXPECT_FALSE(CalcMD5(nullptr, hex, &lastError));
    EXPECT_EQ(std::wstring(33, L'\0'), std::wstring(hex, 33));  // cleared, never left half-filled
    EXPECT_FALSE(CalcMD5("abc", nullptr, nullptr));
}

// --- Paths

TEST(Paths, JoinAndParentEdgeCases) {
    EXPECT_EQ(L"C:\\games\\a.exe", PathJoin(L"C:\\games", L"\\a.exe"));
    EXPECT_EQ(L"C:\\games\\a.exe", PathJoin(L"C:\\games\\\\", L"\\\\a.exe"));
    EXPECT_EQ(L"\\a.exe", PathJoin(L"", L"\\a.exe"));
    EXPECT_EQ(L"C:\\games\\", PathJoin(L"C:\\games", L""));
    EXPECT_EQ(L"C:\\games\\", PathJoin(L"C:\\games", L"\\"));

    EXPECT_EQ(L"C:\\a", GetParentDir(L"C:\\a\\b\\\\"));
    EXPECT_EQ(L"C:", GetParentDir(L"C:\\a"));
    EXPECT_EQ(L"", GetParentDir(L"name.exe"));
    EXPECT_EQ(L"", GetParentDir(L"\\\\"));
    EXPECT_EQ(L"", GetParentDir(L""));
    EXPECT_EQ(L"C:\\a", TrimTrailingBackslashes(L"C:\\a\\\\\\"));
    EXPECT_EQ(L"", TrimTrailingBackslashes(L"\\"));
    std::wstring longPath(5000, L'd');
    EXPECT_EQ(L"C:\\" + longPath, GetParentDir(L"C:\\" + longPath + L"\\x"));
}

TEST(Paths, ProgramNameAndFolder) {
    std::wstring module = GetModulePath();
    EXPECT_EQ(harness::TestDir() + L"\\helpers_tests.exe", module);
    EXPECT_EQ(harness::TestDir(), GetModuleDir());
    EXPECT_EQ(harness::TestDir() + L"\\", GetExeDir(true));
    EXPECT_EQ(harness::TestDir(), GetExeDir(false));
    const wchar_t* full = GetExeName(true);
    ASSERT_NE(nullptr, full);
    EXPECT_EQ(Lower(module), full);
    const wchar_t* name = GetExeName(false);
    ASSERT_NE(nullptr, name);
    EXPECT_STREQ(L"\\helpers_tests.exe", name);
    EXPECT_EQ(0, IsRunInBeaconcli());
}

TEST(Paths, ProductVersionOfOwnFile) {
    std::wstring version = L"old";
    ASSERT_TRUE(GetFileVersion(version));
    EXPECT_EQ(L"3.1.4.15", version);  // from this program's version resource
}

TEST(Paths, FindFilesByPatterns) {
    std::wstring dir = harness::MakeScratchDir(L"findfiles");
    ASSERT_TRUE(harness::WriteFileBytes(dir + L"\\a.txt", "a"));
    ASSERT_TRUE(harness::WriteFileBytes(dir + L"\\b.log", "b"));
    ASSERT_TRUE(CreateDirectoryW((dir + L"\\sub").c_str(), nullptr));

    std::vector<CStringW> pieces;
    EXPECT_EQ(3, SplitBySemicolon(L"*.txt;*.log;", pieces));
    EXPECT_EQ((std::vector<CStringW>{L"*.txt", L"*.log", L""}), pieces);

    std::vector<CStringW> files;
    FindFiles(dir.c_str(), L"*.txt;*.log", files);
    EXPECT_EQ((std::vector<CStringW>{dir + L"\\a.txt", dir + L"\\b.log"}), files);

    files.clear();
    EXPECT_EQ(1, FindFilesByPattern((dir + L"\\*").c_str(), files));
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<CStringW>{dir + L"\\a.txt", dir + L"\\b.log", dir + L"\\sub"}), files);

    files.clear();
    EXPECT_EQ(0, FindFilesByPattern((dir + L"\\*.none").c_str(), files));
    EXPECT_EQ(0, FindFilesByPattern(nullptr, files));
    FindFiles((dir + L"\\" + std::wstring(3000, L'n')).c_str(), L"*.txt", files);  // too long: nothing found
    EXPECT_TRUE(files.empty());
}

// --- Processes

TEST(Processes, OwnProcessByNameAndPath) {
    std::vector<DWORD> ids = {1, 2, 3};
    ASSERT_TRUE(GetProcessIdsByName(L"HELPERS_TESTS.exe", ids));
    EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), GetCurrentProcessId()));
    EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), 1u));  // the list was cleared first
    EXPECT_FALSE(GetProcessIdsByName(L"no_such_program.exe", ids));
    EXPECT_TRUE(ids.empty());

    CStringW path;
    ASSERT_TRUE(GetProcessExePath(GetCurrentProcessId(), path));
    EXPECT_EQ(Lower(GetModulePath()), Lower(path));

    EXPECT_EQ(GetModulePath(), GetProcessImagePath(GetCurrentProcessId()));
    EXPECT_EQ(L"", GetProcessImagePath(0x7FFFFFF0));
}

TEST(Processes, MissingProcessLogsWarning) {
    LogWriter* log = LogWriter::GetInstance();
    CStringW path = L"untouched";
    EXPECT_FALSE(GetProcessExePath(0x7FFFFFF0, path));
    EXPECT_EQ(L"untouched", path);
    bool found = false;
    for (const std::wstring& line : harness::ReadLogLines(log->LogFolder(), L"helpers_tests"))
        found = found || (line.find(L"[Warning]|GetProcessExePath.OpenProcess [2147483632] failed, LastError=") !=
                          std::wstring::npos);
    EXPECT_TRUE(found) << harness::LogText(log->LogFolder(), L"helpers_tests");
}

TEST(Processes, DevicePathToDosPath) {
    wchar_t device[MAX_PATH + 1] = {};
    ASSERT_NE(0u, QueryDosDeviceW(L"C:", device, MAX_PATH));
    CStringW dos = L"old";
    DevicePathToDosPath((std::wstring(device) + L"\\windows\\system32").c_str(), dos);
    EXPECT_EQ(L"C:\\windows\\system32", dos);
    DevicePathToDosPath(device, dos);
    EXPECT_EQ(L"C:", dos);
    // A longer device name that merely starts like C:'s device is another device.
    DevicePathToDosPath((std::wstring(device) + L"9\\x").c_str(), dos);
    EXPECT_EQ(L"", dos);
    DevicePathToDosPath(L"\\Device\\NoSuchDevice\\x", dos);
    EXPECT_EQ(L"", dos);
    DevicePathToDosPath((L"\\" + std::wstring(40000, L'x')).c_str(), dos);
    EXPECT_EQ(L"", dos);
    DevicePathToDosPath(nullptr, dos);
    EXPECT_EQ(L"", dos);
}

// --- Network adapter

TEST(Adapter, MacFormatting) {
    const unsigned char mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xfe};
    EXPECT_EQ(L"001a2b3c4dfe", MacToString(mac));
    EXPECT_EQ(L"00-1a-2b-3c-4d-fe", FormatMacAddress(mac, L"", L"-", L""));
    EXPECT_EQ(L"<00:1a:2b:3c:4d:fe>", FormatMacAddress(mac, L"<", L":", L">"));
}

// The adapters Wine reports, read through the other adapter interface.
struct RealAdapter {
    std::wstring mac;
    std::vector<std::wstring> ips;
    DWORD type;
};
std::vector<RealAdapter> ListAdapters() {
    std::vector<RealAdapter> list;
    ULONG size = 0;
    GetAdaptersAddresses(AF_INET, 0, nullptr, nullptr, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_INET, 0, nullptr, first, &size) != ERROR_SUCCESS) return list;
    for (auto* a = first; a; a = a->Next) {
        RealAdapter real;
        unsigned char mac[6] = {};
        memcpy(mac, a->PhysicalAddress, std::min<ULONG>(a->PhysicalAddressLength, 6));
        real.mac = FormatMacAddress(mac, L"", L"-", L"");
        real.type = a->IfType;
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
            auto* in = reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr);
            real.ips.push_back(IpToString(ntohl(in->sin_addr.s_addr)));
        }
        list.push_back(real);
    }
    return list;
}

TEST(Adapter, MatchesWhatTheSystemReports) {
    unsigned int ip = 1, mask = 1, gateway = 1;
    unsigned char mac[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    bool found = GetLocalAdapterInfo(&ip, &mask, &gateway, mac);
    std::vector<RealAdapter> real = ListAdapters();
    std::string listing;
    for (const RealAdapter& a : real) {
        listing += harness::Narrow(a.mac) + " type " + std::to_string(a.type);
        for (const std::wstring& i : a.ips) listing += " " + harness::Narrow(i);
        listing += "\n";
    }
    bool anyReal = std::any_of(real.begin(), real.end(), [](const RealAdapter& a) {
        return a.type != IF_TYPE_SOFTWARE_LOOPBACK && a.mac != L"00-00-00-00-00-00";
    });
    ASSERT_EQ(anyReal, found) << listing;
    if (!found) {
        EXPECT_EQ(L"00-00-00-00-00-00", GetMacAddress());
        return;
    }
    std::wstring chosenMac = FormatMacAddress(mac, L"", L"-", L"");
    EXPECT_EQ(chosenMac, GetMacAddress());
    EXPECT_NE(L"00-00-00-00-00-00", chosenMac);
    auto match = std::find_if(real.begin(), real.end(), [&](const RealAdapter& a) { return a.mac == chosenMac; });
    ASSERT_NE(real.end(), match) << listing;
    EXPECT_NE(static_cast<DWORD>(IF_TYPE_SOFTWARE_LOOPBACK), match->type);
    // Ethernet comes first: the first Ethernet adapter with a real MAC wins.
    auto ethernet = std::find_if(real.begin(), real.end(), [](const RealAdapter& a) {
        return a.type == IF_TYPE_ETHERNET_CSMACD && a.mac != L"00-00-00-00-00-00";
    });
    if (ethernet != real.end()) {
        EXPECT_EQ(ethernet->mac, chosenMac) << listing;
    }
    if (!match->ips.empty()) {
        EXPECT_EQ(match->ips.front(), IpToString(ip)) << listing;
    }
    // A mask is a run of ones from the top.
    EXPECT_EQ(0u, (~mask + 1) & ~mask) << std::hex << mask;
}

// --- Deployment hosts

TEST(DeploymentHosts, IniKeysDefaultsAndEnvironmentOverrides) {
    std::wstring dir = harness::MakeScratchDir(L"deployment");
    std::wstring ini = dir + L"\\qxtarrow.ini";
    SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", nullptr);
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", nullptr);
    // No file, no key: the shipped values.
    EXPECT_EQ(L"https://backend.corrin.invalid", GetDeploymentUrl(DeploymentSite::Api, ini));
    EXPECT_EQ(L"https://account.corrin.invalid", GetDeploymentUrl(DeploymentSite::Account, ini));
    ASSERT_TRUE(WritePrivateProfileStringW(L"main", L"Api_url", L"https://127.0.0.1:8443/", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"main", L"Web_url", L"http://web.example:8025", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"main", L"Account_url", L"", ini.c_str()));
    EXPECT_EQ(L"https://127.0.0.1:8443", GetDeploymentUrl(DeploymentSite::Api, ini));
    EXPECT_EQ(L"http://web.example:8025", GetDeploymentUrl(DeploymentSite::Web, ini));
    EXPECT_EQ(L"https://account.corrin.invalid", GetDeploymentUrl(DeploymentSite::Account, ini));
    EXPECT_EQ(L"http://update.corrin.invalid", GetDeploymentUrl(DeploymentSite::Update, ini));
    EXPECT_EQ(L"https://www.corrin.invalid", GetDeploymentUrl(DeploymentSite::Homepage, ini));
    // The environment wins over the ini for the two hosts it names.
    SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", L"127.0.0.1:9443");
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", L"127.0.0.1:9080");
    EXPECT_EQ(L"https://127.0.0.1:9443", GetDeploymentUrl(DeploymentSite::Api, ini));
    EXPECT_EQ(L"http://127.0.0.1:9080", GetDeploymentUrl(DeploymentSite::Update, ini));
    EXPECT_EQ(L"127.0.0.1:9443", GetBackendApiHost());
    EXPECT_EQ(L"127.0.0.1:9080", GetUpdateHost());
    SetEnvironmentVariableW(L"CORRIN_BACKEND_HOST", nullptr);
    SetEnvironmentVariableW(L"CORRIN_UPDATE_HOST", nullptr);
}

TEST(DeploymentHosts, SchemeAndHostOfAnAddress) {
    EXPECT_EQ(L"127.0.0.1:8443", HostOfUrl(L"https://127.0.0.1:8443/user/logout?x=1"));
    EXPECT_EQ(L"a.example", HostOfUrl(L"http://a.example?q"));
    EXPECT_EQ(L"a.example", HostOfUrl(L"a.example/x"));
    EXPECT_EQ(L"https", SchemeOfUrl(L"https://a.example"));
    EXPECT_EQ(L"", SchemeOfUrl(L"a.example"));
}

// Only web addresses (and schemes registered as URL protocols) go to the shell.
TEST(ShellOpen, WebAddressesAndRegisteredProtocolsOnly) {
    for (const wchar_t* url : {L"http://a.example/x", L"HTTPS://a.example", L"ftp://a.example/f",
                               L"mailto:someone@a.example"}) {
        EXPECT_TRUE(IsShellOpenableUrl(url)) << url;
    }
    for (const wchar_t* url : {L"file:///C:/windows/notepad.exe", L"FILE://server/share/x.exe", L"shell:startup",
                               L"\\\\server\\share\\x.exe", L"C:\\windows\\notepad.exe", L"c:/windows/notepad.exe",
                               L"notepad.exe", L"", L"no-scheme-at-all", L"://a.example", L"a b:c"}) {
        EXPECT_FALSE(IsShellOpenableUrl(url)) << url;
    }
    // A scheme counts only while it is registered as a URL protocol (machine-wide here:
    // Wine does not merge the user's classes into HKEY_CLASSES_ROOT).
    const wchar_t kKey[] = L"Software\\Classes\\corrin-test-proto";
    EXPECT_FALSE(IsShellOpenableUrl(L"corrin-test-proto:open"));
    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             key.addressof(), nullptr));
    EXPECT_FALSE(IsShellOpenableUrl(L"corrin-test-proto:open")) << "a key without \"URL Protocol\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                                            sizeof(wchar_t)));
    EXPECT_TRUE(IsShellOpenableUrl(L"corrin-test-proto:open"));
    key.reset();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_FALSE(IsShellOpenableUrl(L"corrin-test-proto:open"));
}

}  // namespace
