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

    // Every listed file but the one named except has the packed time as its
    // creation, last access and last write time.
    bool TimesAsListed(const std::wstring& except) const {
        for (const ListedEntry& entry : listing_) {
            if (entry.isFolder || entry.path == except) continue;
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (!::GetFileAttributesExW((folder_ + entry.path).c_str(), GetFileExInfoStandard, &data)) return false;
            const ULONGLONG packed = ParseListedTime(entry.modified);
            if (Ticks(data.ftCreationTime) != packed || Ticks(data.ftLastAccessTime) != packed ||
                Ticks(data.ftLastWriteTime) != packed)
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

    // Before any file is read (a read may move its access time): every file
    // carries the packed time as its creation, access and write time. The
    // plug-in is left out: registering it has read it.
    EXPECT_TRUE(harness::WaitUntil([&] { return TimesAsListed(L"npbrdplayer3.dll"); }, kSettleTimeoutMs));
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

TEST_F(FerruleProgram, AFailedLastEntryStillRegistersAndExitsWithZero) {
    ASSERT_EQ(0u, RunFerrule());
    const std::wstring plugin = folder_ + L"npbrdplayer3.dll";
    const std::wstring readme = folder_ + L"readme.txt";
    ASSERT_EQ(L"npbrdplayer3.dll", listing_.back().path) << "the plug-in is no longer the last entry";
    // Held open for reading only: the plug-in can still be loaded, but the
    // extraction's write of it (the last entry) is refused. Its time, set
    // through the handle, shows whether it was written.
    UniqueFile held(::CreateFileW(plugin.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const FILETIME old{0, 0x01C07000};  // in 2000
    ASSERT_TRUE(::SetFileTime(held.get(), nullptr, nullptr, &old));
    ASSERT_TRUE(harness::WaitUntil([&] { return ::DeleteFileW(readme.c_str()) != FALSE; }, kSettleTimeoutMs));
    const DWORD registeredBefore = RegistrationCount(plugin);

    const DWORD code = RunFerrule();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    // The entries before it were written; it was not.
    EXPECT_EQ(harness::ReadFileBytes(std::wstring(FERRULE_PACKAGE_STAGE_DIR) + L"\\readme.txt"),
              harness::ReadFileBytes(readme));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(plugin.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(Ticks(old), Ticks(data.ftLastWriteTime));
    // Registration ran after the failed extraction.
    EXPECT_GE(RegistrationCount(plugin), registeredBefore + 1);
}

}  // namespace
