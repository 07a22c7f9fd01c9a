// Ferrule.exe as the launcher starts it: "Ferrule.exe -s", hidden, no window.
// It must install its package into the user's local application data and
// register the plug-in. The package listing made by the build (7zz l -slt,
// UTC times) says what the install folder must hold.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "Harness.h"
#include "TestPaths.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using ferrule_test::RegistrationCount;
using ferrule_test::Ticks;

namespace {

constexpr DWORD kRunTimeoutMs = 30000;
// Other tests start the launcher, which starts Ferrule.exe too, in the same
// Wine prefix: give a concurrent run time to finish before judging.
constexpr DWORD kSettleTimeoutMs = 10000;

struct ListedEntry {
    std::wstring path;  // backslash separated
    bool isFolder = false;
    std::string attributeLetters;  // "RA", "D", ...
    std::string modified;          // "2026-12-08 20:30:35.9684810" (UTC)
};

// The entries of "7zz l -slt" output: blocks of "Key = value" lines; the
// first block describes the archive itself and is dropped.
std::vector<ListedEntry> ReadListing(const std::wstring& path) {
    std::ifstream in(harness::Narrow(path));
    std::vector<ListedEntry> entries;
    bool pastHeader = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("----------", 0) == 0) pastHeader = true;
        const size_t eq = line.find(" = ");
        if (!pastHeader || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 3);
        if (key == "Path") {
            entries.emplace_back();
            entries.back().path = harness::Widen(value);
            for (wchar_t& c : entries.back().path) c = (c == L'/') ? L'\\' : c;
        } else if (!entries.empty() && key == "Attributes") {
            entries.back().attributeLetters = value.substr(0, value.find(' '));
            entries.back().isFolder = entries.back().attributeLetters.find('D') != std::string::npos;
        } else if (!entries.empty() && key == "Modified") {
            entries.back().modified = value;
        }
    }
    return entries;
}

// "YYYY-MM-DD hh:mm:ss.fffffff" (UTC) as a FILETIME tick count.
ULONGLONG ParseListedTime(const std::string& text) {
    SYSTEMTIME st{};
    unsigned fraction = 0;
    if (sscanf(text.c_str(), "%hu-%hu-%hu %hu:%hu:%hu.%7u", &st.wYear, &st.wMonth, &st.wDay, &st.wHour,
               &st.wMinute, &st.wSecond, &fraction) != 7)
        return 0;
    FILETIME ft{};
    if (!::SystemTimeToFileTime(&st, &ft)) return 0;
    return Ticks(ft) + fraction;
}

std::string AttributeLetters(DWORD attributes) {
    std::string letters;
    if (attributes & FILE_ATTRIBUTE_READONLY) letters += 'R';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += 'H';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += 'S';
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) letters += 'D';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += 'A';
    return letters;
}

std::wstring InstallFolder() {
    wchar_t base[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, base, CSIDL_LOCAL_APPDATA, TRUE);
    return std::wstring(base) + L"\\Brindle\\brdplayer\\";
}

DWORD RunFerrule() {
    harness::ChildProcess ferrule;
    DWORD code = 0xDEAD;
    if (!ferrule.Start(harness::ProgramDir() + L"\\Ferrule.exe", L"-s")) return code;
    if (!ferrule.Wait(kRunTimeoutMs, &code)) return 0xDEAD;
    return code;
}

class FerruleProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = InstallFolder();
        const std::wstring tree = folder_.substr(0, folder_.size() - 1);
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::RemoveTree(tree); }, kSettleTimeoutMs));
        listing_ = ReadListing(FERRULE_PACKAGE_LISTING);
        ASSERT_GE(listing_.size(), 9u);
    }

    // Every listed file is installed with the packed bytes (the quick check
    // the detailed comparison waits for).
    bool InstalledAsListed() const {
        for (const ListedEntry& entry : listing_) {
            if (entry.isFolder) continue;
            if (harness::ReadFileBytes(std::wstring(FERRULE_PACKAGE_STAGE_DIR) + L"\\" + entry.path) !=
                harness::ReadFileBytes(folder_ + entry.path))
                return false;
        }
        return true;
    }

    std::wstring folder_;
    std::vector<ListedEntry> listing_;
};

TEST_F(FerruleProgram, InstallsEveryEntryAndRegistersThePlugin) {
    const std::wstring plugin = folder_ + L"npbrdplayer3.dll";
    const DWORD registeredBefore = RegistrationCount(plugin);

    const DWORD code = RunFerrule();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);

    harness::WaitUntil([&] { return InstalledAsListed(); }, kSettleTimeoutMs);
    for (const ListedEntry& entry : listing_) {
        SCOPED_TRACE(harness::Narrow(entry.path));
        const std::wstring installed = folder_ + entry.path;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(::GetFileAttributesExW(installed.c_str(), GetFileExInfoStandard, &data));
        if (entry.isFolder) {
            EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            continue;
        }
        EXPECT_EQ(entry.attributeLetters, AttributeLetters(data.dwFileAttributes));
        EXPECT_EQ(ParseListedTime(entry.modified), Ticks(data.ftLastWriteTime)) << entry.modified;
        EXPECT_EQ(harness::ReadFileBytes(std::wstring(FERRULE_PACKAGE_STAGE_DIR) + L"\\" + entry.path),
                  harness::ReadFileBytes(installed));
    }
    EXPECT_EQ(listing_.size(), ferrule_test::ListTree(folder_).size());
    EXPECT_GE(RegistrationCount(plugin), registeredBefore + 1);
}

TEST_F(FerruleProgram, ExitsWithZeroWhenFilesCannotBeWritten) {
    ASSERT_EQ(0u, RunFerrule());
    const std::wstring readme = folder_ + L"readme.txt";
    UniqueFile locked(::CreateFileW(readme.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    const DWORD code = RunFerrule();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
}

}  // namespace
