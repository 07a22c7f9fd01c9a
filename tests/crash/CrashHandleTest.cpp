#include "CrashHandle.h"

#include "GlobalFunc.h"
#include "Harness.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
// Writing a dump under Wine takes seconds, more on a busy machine.
constexpr DWORD kRunTimeoutMs = 90000;

ULONGLONG LocalNowSeconds() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000ULL;
}

// "%d%02d%02d_%02d%02d%02d_QXORV_Box.dmp" back to seconds; 0 when the name
// does not have that shape.
ULONGLONG DumpNameSeconds(const std::wstring& name) {
    const std::wstring suffix = L"_QXORV_Box.dmp";
    if (name.size() != 15 + suffix.size() || name.compare(15, std::wstring::npos, suffix) != 0 || name[8] != L'_')
        return 0;
    for (size_t i = 0; i < 15; ++i) {
        if (i != 8 && !iswdigit(name[i])) return 0;
    }
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(std::stoi(name.substr(0, 4)));
    t.wMonth = static_cast<WORD>(std::stoi(name.substr(4, 2)));
    t.wDay = static_cast<WORD>(std::stoi(name.substr(6, 2)));
    t.wHour = static_cast<WORD>(std::stoi(name.substr(9, 2)));
    t.wMinute = static_cast<WORD>(std::stoi(name.substr(11, 2)));
    t.wSecond = static_cast<WORD>(std::stoi(name.substr(13, 2)));
    FILETIME file;
    if (!SystemTimeToFileTime(&t, &file)) return 0;
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000ULL;
}

std::vector<std::wstring> FileNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// Each case runs its own copy of crash_app in a fresh folder, so the Dump
// and Log folders beside it belong to that case alone.
class CrashDumpTest : public ::testing::Test {
protected:
    void Prepare(const std::wstring& name) {
        dir_ = harness::MakeScratchDir(name);
        exe_ = dir_ + L"\\crash_app.exe";
        ASSERT_TRUE(CopyFileW((harness::TestDir() + L"\\crash_app.exe").c_str(), exe_.c_str(), FALSE));
    }
    // Runs the copy; true when it ended within the time. Exit code in exitCode_.
    bool Run(const std::wstring& mode) {
        startSeconds_ = LocalNowSeconds();
        harness::ChildProcess child;
        if (!child.Start(exe_, mode)) return false;
        bool ended = child.Wait(kRunTimeoutMs, &exitCode_);
        endSeconds_ = LocalNowSeconds();
        return ended;
    }
    std::string Log() { return harness::LogText(dir_ + L"\\Log", L"crash_app"); }
    bool LogHas(const std::wstring& text) {
        for (const std::wstring& line : harness::ReadLogLines(dir_ + L"\\Log", L"crash_app")) {
            if (line.find(text) != std::wstring::npos) return true;
        }
        return false;
    }
    // The one dump in folder, checked for name, time and content.
    void ExpectOneDump(const std::wstring& folder) {
        std::vector<std::wstring> dumps = FileNames(folder + L"\\*.dmp");
        ASSERT_EQ(1u, dumps.size()) << Log();
        ULONGLONG stamp = DumpNameSeconds(dumps[0]);
        EXPECT_NE(0u, stamp) << harness::Narrow(dumps[0]);
        EXPECT_LE(startSeconds_, stamp) << harness::Narrow(dumps[0]);
        EXPECT_GE(endSeconds_, stamp) << harness::Narrow(dumps[0]);
        std::string bytes = harness::ReadFileBytes(folder + L"\\" + dumps[0]);
        EXPECT_GT(bytes.size(), 32u);
        EXPECT_EQ("MDMP", bytes.substr(0, 4));
    }

    std::wstring dir_;
    std::wstring exe_;
    DWORD exitCode_ = 0;
    ULONGLONG startSeconds_ = 0;
    ULONGLONG endSeconds_ = 0;
};

TEST_F(CrashDumpTest, CrashWritesDumpIntoNewDumpFolder) {
    Prepare(L"crash_new_folder");
    ASSERT_FALSE(harness::FileExists(dir_ + L"\\Dump"));
    ASSERT_TRUE(Run(L"crash")) << "crash_app did not end";
    EXPECT_EQ(kAccessViolation, exitCode_) << harness::DescribeExitCode(exitCode_) << "\n" << Log();
    ExpectOneDump(dir_ + L"\\Dump");
    EXPECT_TRUE(LogHas(L"[Error]|[AppCrashHandler]|Crash dump!!!!!")) << Log();
    EXPECT_FALSE(LogHas(L"MiniDumpWriteDump failed")) << Log();
}

TEST_F(CrashDumpTest, ExistingDumpFolderIsUsed) {
    Prepare(L"crash_old_folder");
    ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\Dump").c_str(), nullptr));
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\Dump\\keep.txt", "keep"));
    ASSERT_TRUE(Run(L"crash")) << "crash_app did not end";
    EXPECT_EQ(kAccessViolation, exitCode_) << harness::DescribeExitCode(exitCode_);
    ExpectOneDump(dir_ + L"\\Dump");
    EXPECT_EQ("keep", harness::ReadFileBytes(dir_ + L"\\Dump\\keep.txt"));
}

TEST_F(CrashDumpTest, CrashOnSecondThreadWritesDump) {
    Prepare(L"crash_thread");
    ASSERT_TRUE(Run(L"crash-thread")) << "crash_app did not end";
    EXPECT_EQ(kAccessViolation, exitCode_) << harness::DescribeExitCode(exitCode_) << "\n" << Log();
    ExpectOneDump(dir_ + L"\\Dump");
}

TEST_F(CrashDumpTest, NoDumpOnceFlagIsCleared) {
    Prepare(L"crash_no_dump");
    ASSERT_TRUE(Run(L"crash-nodump")) << "crash_app did not end";
    EXPECT_EQ(kAccessViolation, exitCode_) << harness::DescribeExitCode(exitCode_);
    EXPECT_TRUE(LogHas(L"crashing on purpose: crash-nodump")) << Log();
    EXPECT_FALSE(harness::FileExists(dir_ + L"\\Dump"));
    EXPECT_TRUE(FileNames(dir_ + L"\\*.dmp").empty());
    EXPECT_FALSE(LogHas(L"Crash dump!!!!!")) << Log();
}

TEST_F(CrashDumpTest, UnwritableDumpIsLoggedAndProcessStillEnds) {
    Prepare(L"crash_blocked");
    // A file named Dump: the folder "exists", but no dump can be created in it.
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\Dump", "not a folder"));
    ASSERT_TRUE(Run(L"crash")) << "crash_app did not end";
    EXPECT_EQ(kAccessViolation, exitCode_) << harness::DescribeExitCode(exitCode_);
    EXPECT_TRUE(LogHas(L"[Error]|[CreateDumpFile]|MiniDumpWriteDump failed")) << Log();
    EXPECT_TRUE(LogHas(L"[Error]|[AppCrashHandler]|Crash dump!!!!!")) << Log();
    EXPECT_EQ("not a folder", harness::ReadFileBytes(dir_ + L"\\Dump"));
}

// What the helpers report inside a copy of crash_app at exe; its lines.
std::vector<std::wstring> Identity(const std::wstring& exe) {
    harness::ChildProcess child;
    DWORD code = 1;
    if (!child.Start(exe, L"identity") || !child.Wait(kRunTimeoutMs, &code) || code != 0) return {};
    std::wstring text = harness::Widen(harness::ReadFileBytes(exe + L".identity.txt"));
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

TEST(ProgramIdentity, BeaconcliNamesTheFallbackFolder) {
    std::wstring root = harness::MakeScratchDir(L"Beacon_Root");
    ASSERT_TRUE(CreateDirectoryW((root + L"\\Bin").c_str(), nullptr));
    std::wstring exe = root + L"\\Bin\\BeaconCli.exe";
    ASSERT_TRUE(CopyFileW((harness::TestDir() + L"\\crash_app.exe").c_str(), exe.c_str(), FALSE));
    std::vector<std::wstring> lines = Identity(exe);
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ(L"1", lines[0]);
    EXPECT_EQ(Lower(root) + L"\\Tool\\GamePreSetUp\\clientinforeport\\", lines[1]);
    EXPECT_EQ(root + L"\\Bin\\", lines[2]);  // case kept
    EXPECT_EQ(L"\\beaconcli.exe", lines[3]);
    EXPECT_EQ(exe, lines[4]);
}

TEST(ProgramIdentity, NoVersionResource) {
    harness::ChildProcess child;
    ASSERT_TRUE(child.Start(harness::TestDir() + L"\\crash_app.exe", L"version"));
    DWORD code = 0;
    ASSERT_TRUE(child.Wait(kRunTimeoutMs, &code));
    EXPECT_EQ(10u, code) << harness::DescribeExitCode(code);
}

}  // namespace
