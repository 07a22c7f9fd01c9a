#include "LogWriter.h"

#include "GlobalFunc.h"
#include "Harness.h"
#include "SharedFileLock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

// The fake clock every test sets: a local time the test picks.
__time64_t g_fakeNow = 0;
__time64_t FakeClock() { return g_fakeNow; }

__time64_t LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return _mktime64(&t);
}

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = LogWriter::GetInstance();
        saved_ = {log_->outputTargets, log_->prefixFlags, log_->levelMask, log_->keepDays, log_->sizeCap};
        log_->outputTargets = 2;
        LogWriter::SetClockForTest(&FakeClock);
    }
    void TearDown() override {
        log_->outputTargets = saved_.targets;
        log_->prefixFlags = saved_.prefix;
        log_->levelMask = saved_.mask;
        log_->keepDays = saved_.keepDays;
        log_->sizeCap = saved_.cap;
        log_->filePrefix.clear();
        LogWriter::SetClockForTest(nullptr);
    }
    // Moves the clock to a day whose file no earlier test wrote.
    std::wstring UseDay(int year, int month, int day, int hour = 12) {
        g_fakeNow = LocalTime(year, month, day, hour);
        wchar_t name[64];
        swprintf(name, 64, L"core_tests%04d%02d%02d.log", year, month, day);
        std::wstring path = log_->LogFolder() + L"\\" + name;
        DeleteFileW(path.c_str());
        return path;
    }
    std::string Read(const std::wstring& path) { return harness::ReadFileBytes(path); }

    LogWriter* log_ = nullptr;
    struct {
        int targets, prefix;
        unsigned mask;
        int keepDays, cap;
    } saved_{};
};

TEST_F(LogWriterTest, FolderIsLowerCaseProgramFolderPlusLog) {
    std::wstring expected = harness::TestDir();
    CharLowerW(&expected[0]);
    EXPECT_EQ(expected + L"\\Log", log_->LogFolder());
}

TEST_F(LogWriterTest, DefaultLineFormatAndMask) {
    std::wstring path = UseDay(2031, 1, 3, 8);
    log_->levelMask = 63;
    LOG_INFO(L"hello %s %d", L"world", 42);
    LOG_DEBUG(L"not written with mask 63");
    std::string text = Read(path);
    // [08:00:00.000]|[pid]|[tid]|[Info]|hello world 42 CR LF
    char expected[128];
    snprintf(expected, sizeof(expected), "[08:00:00.000]|[%04lx]|[%04lx]|[Info]|hello world 42\r\n",
             GetCurrentProcessId(), GetCurrentThreadId());
    EXPECT_EQ(expected, text);

    log_->levelMask = 127;
    LOG_DEBUG(L"debug now");
    EXPECT_NE(std::string::npos, Read(path).find("[Debug]|debug now\r\n"));
}

TEST_F(LogWriterTest, AllPrefixFlagsAndUnknownLevel) {
    std::wstring path = UseDay(2031, 1, 4);
    log_->prefixFlags = 15;
    log_->levelMask = 63;
    LOG_AS("CMainWnd::OnClick", LOG_LEVEL_INFO, L"clicked");
    LogWriter::SetSourceLocation("src/common/MainWnd.cpp", 77, "CMainWnd::OnClick")(0x24, L"odd level");
    // A compiler that saw the path relative to its build folder names the same source.
    LogWriter::SetSourceLocation("../../src/common/MainWnd.cpp", 78, "CMainWnd::OnClick")(LOG_LEVEL_INFO, L"relative");
    std::string text = Read(path);
    EXPECT_NE(std::string::npos, text.find("|[src\\common\\MainWnd:78]|[Info]|[CMainWnd::OnClick]|relative\r\n"));
    EXPECT_NE(std::string::npos, text.find("|[tests\\core\\LogWriterTest:"));
    EXPECT_NE(std::string::npos, text.find("|[Info]|[CMainWnd::OnClick]|clicked\r\n"));
    EXPECT_NE(std::string::npos, text.find("|[src\\common\\MainWnd:77]|[Unkown]|[CMainWnd::OnClick]|odd level\r\n"));
}

TEST_F(LogWriterTest, FunctionNameFromPrettyFunction) {
    EXPECT_EQ("CMainWnd::OnFinalMessage", QualifiedFunctionName("virtual void CMainWnd::OnFinalMessage(HWND)"));
    EXPECT_EQ("AppCrashHandler", QualifiedFunctionName("LONG AppCrashHandler(EXCEPTION_POINTERS*)"));
    EXPECT_EQ("ns::Box<int>::Get", QualifiedFunctionName("int* ns::Box<int>::Get(std::map<int, int>)"));
    EXPECT_EQ("main", QualifiedFunctionName("main"));
}

TEST_F(LogWriterTest, ChineseTextIsUtf8WithCrLf) {
    std::wstring path = UseDay(2031, 1, 5);
    log_->prefixFlags = 0;
    log_->levelMask = 63;
    LOG_WARNING(L"游戏 %s", L"下载完成");
    EXPECT_EQ("[Warning]|\xE6\xB8\xB8\xE6\x88\x8F \xE4\xB8\x8B\xE8\xBD\xBD\xE5\xAE\x8C\xE6\x88\x90\r\n", Read(path));
}

TEST_F(LogWriterTest, LongMessageIsCutTo2042Characters) {
    std::wstring path = UseDay(2031, 1, 6);
    log_->prefixFlags = 0;
    log_->levelMask = 63;
    std::wstring huge(10000, L'x');
    LOG_ERROR(L"%s", huge.c_str());
    LOG_ERROR(L"after");
    std::string text = Read(path);
    size_t firstEnd = text.find("\r\n");
    ASSERT_NE(std::string::npos, firstEnd);
    EXPECT_EQ(2042u, firstEnd);  // "[Error]|" + 2034 x
    EXPECT_EQ(std::string("[Error]|") + std::string(2034, 'x'), text.substr(0, firstEnd));
    EXPECT_EQ("[Error]|after\r\n", text.substr(firstEnd + 2));
}

TEST_F(LogWriterTest, SubProcessPrefixNamesTheFile) {
    g_fakeNow = LocalTime(2031, 1, 7);
    std::wstring path = log_->LogFolder() + L"\\qxtarrow_render20310107.log";
    DeleteFileW(path.c_str());
    log_->filePrefix = L"\\qxtarrow_render";
    log_->levelMask = 63;
    LOG_INFO(L"renderer line");
    EXPECT_NE(std::string::npos, Read(path).find("[Info]|renderer line"));
}

TEST_F(LogWriterTest, PrefixSetAfterTheFirstLineReopensUnderTheNewName) {
    // A sub-process whose first lines were written before its prefix was set.
    std::wstring programFile = UseDay(2031, 1, 10);
    std::wstring prefixFile = log_->LogFolder() + L"\\qxtarrow_render20310110.log";
    DeleteFileW(prefixFile.c_str());
    log_->prefixFlags = 0;
    log_->levelMask = 127;
    LOG_INFO(L"side program line");
    log_->filePrefix = L"\\qxtarrow_render";
    LOG_DEBUG(L"===== WinMain renderer =====");
    EXPECT_EQ("[Info]|side program line\r\n", Read(programFile));
    EXPECT_EQ("[Debug]|===== WinMain renderer =====\r\n", Read(prefixFile));
}

TEST_F(LogWriterTest, ProcessesSharingOneDayFileLoseNoLine) {
    // Renderers share one prefix and so one day file. Each writer appends its
    // lines while the others do; every line must arrive whole, exactly once.
    constexpr int kWriters = 4;
    constexpr int kLines = 2000;
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t name[64];
    swprintf(name, 64, L"\\shared_append%04u%02u%02u.log", today.wYear, today.wMonth, today.wDay);
    std::wstring path = log_->LogFolder() + name;
    DeleteFileW(path.c_str());
    // The writers start together once all of them run.
    const wchar_t* gateName = L"corrin_log_append_gate";
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, gateName);
    ASSERT_NE(nullptr, gate);
    std::vector<std::unique_ptr<harness::ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<harness::ChildProcess>());
        ASSERT_TRUE(writers.back()->Start(harness::TestDir() + L"\\log_append_writer.exe",
                                          L"\\shared_append w" + std::to_wstring(w) + L" " +
                                              std::to_wstring(kLines) + L" " + gateName));
    }
    Sleep(500);
    SetEvent(gate);  // kept open until the end, so a late writer still finds it set
    for (auto& writer : writers) {
        DWORD code = 1;
        EXPECT_TRUE(writer->Wait(90000, &code));
        EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    }
    CloseHandle(gate);
    std::string text = Read(path);
    std::vector<std::vector<int>> seen(kWriters, std::vector<int>(kLines, 0));
    size_t lines = 0, malformed = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 2;
        ++lines;
        int w = -1, i = -1;
        char tail[32] = {};
        size_t mark = line.find("|[Info]|w");
        if (mark != std::string::npos &&
            sscanf(line.c_str() + mark, "|[Info]|w%d line %d %31[a-z ]", &w, &i, tail) == 3 &&
            std::string(tail) == "of a shared day file" && w >= 0 && w < kWriters && i >= 0 && i < kLines)
            ++seen[w][i];
        else
            ++malformed;
    }
    int missing = 0, doubled = 0;
    for (const auto& writer : seen) {
        for (int count : writer) {
            missing += count == 0;
            doubled += count > 1;
        }
    }
    EXPECT_EQ(0u, malformed);
    EXPECT_EQ(0, missing);
    EXPECT_EQ(0, doubled);
    EXPECT_EQ(static_cast<size_t>(kWriters * kLines), lines);
    DeleteFileW(path.c_str());
}

TEST(SharedFileLock, OneHolderAtATimeAndALockLeftByAnEndedProcessIsTakenOver) {
    const std::wstring path = harness::TestDir() + L"\\Log\\Shared_Lock_Test.log";
    SharedFileLock mine, again;
    ASSERT_TRUE(mine.Open(path));
    ASSERT_TRUE(again.Open(harness::TestDir() + L"\\LOG\\shared_lock_test.LOG"));  // the same file
    ASSERT_TRUE(mine.Acquire(1000));
    mine.Release();

    // Another process takes it and ends without letting go.
    harness::ChildProcess holder;
    ASSERT_TRUE(holder.Start(harness::TestDir() + L"\\log_append_writer.exe", L"--hold-lock \"" + path + L"\""));
    DWORD code = 1;
    ASSERT_TRUE(holder.Wait(30000, &code));
    ASSERT_EQ(0u, code);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(mine.Acquire(20000));
    EXPECT_LT(GetTickCount64() - start, 10000u) << "the ended holder's lock was waited out, not taken over";
    mine.Release();
    again.Release();  // not its holder: changes nothing
    EXPECT_TRUE(again.Acquire(1000));
    again.Release();
}

TEST_F(LogWriterTest, MidnightOpensNewFileAndPurgesByName) {
    std::wstring folder = log_->LogFolder();
    std::wstring old1 = folder + L"\\core_tests20261129.log";
    std::wstring keep = folder + L"\\core_tests20261130.log";
    std::wstring other = folder + L"\\qxtarrow_render20200101.log";
    for (const std::wstring& f : {old1, keep, other}) ASSERT_TRUE(harness::WriteFileBytes(f, "x"));
    log_->levelMask = 63;
    log_->keepDays = 7;
    std::wstring before = UseDay(2026, 12, 6, 23);
    LOG_INFO(L"before midnight");
    EXPECT_TRUE(harness::FileExists(old1));  // cut-off on 6 December is 29 November
    g_fakeNow = LocalTime(2026, 12, 7, 0, 0, 1);
    std::wstring after = folder + L"\\core_tests20261207.log";
    DeleteFileW(after.c_str());
    LOG_INFO(L"after midnight");
    EXPECT_NE(std::string::npos, Read(before).find("before midnight"));
    EXPECT_EQ(std::string::npos, Read(before).find("after midnight"));
    EXPECT_NE(std::string::npos, Read(after).find("after midnight"));
    EXPECT_FALSE(harness::FileExists(old1));
    EXPECT_TRUE(harness::FileExists(keep));
    EXPECT_TRUE(harness::FileExists(other));  // another prefix is never purged
    DeleteFileW(keep.c_str());
    DeleteFileW(other.c_str());
}

TEST_F(LogWriterTest, SizeGuardSilencesLoggerBelowMask32) {
    std::wstring path = UseDay(2031, 1, 8);
    log_->prefixFlags = 0;
    log_->levelMask = 31;
    log_->sizeCap = 100;  // tiny cap, same rule as 20 MiB
    LOG_INFO(L"first line is long enough to pass the cap of one hundred bytes ..............");
    for (int i = 0; i < 2100; ++i) LOG_INFO(L"n%d", i);
    std::string text = Read(path);
    EXPECT_EQ(0u, log_->levelMask);
    // The counter reached 2001 at the 2001st line: n1999 is the last one written.
    EXPECT_NE(std::string::npos, text.find("[Info]|n1998\r\n"));
    EXPECT_EQ(std::string::npos, text.find("[Info]|n1999\r\n"));
    LOG_ERROR(L"silenced");
    EXPECT_EQ(std::string::npos, Read(path).find("silenced"));
}

TEST_F(LogWriterTest, SizeGuardNeverActsWithDefaultMask) {
    std::wstring path = UseDay(2031, 1, 9);
    log_->prefixFlags = 0;
    log_->levelMask = 63;
    log_->sizeCap = 10;
    for (int i = 0; i < 2100; ++i) LOG_INFO(L"n%d", i);
    EXPECT_EQ(63u, log_->levelMask);
    EXPECT_NE(std::string::npos, Read(path).find("[Info]|n2099\r\n"));
}

TEST(AppendLineToFile, AppendsTextAndOneCrLf) {
    std::wstring dir = harness::MakeScratchDir(L"append");
    std::wstring path = dir + L"\\gamelist.txt";
    AppendLineToFile(path.c_str(), "one");
    AppendLineToFile(path.c_str(), "two");
    EXPECT_EQ("one\r\ntwo\r\n", harness::ReadFileBytes(path));
    AppendLineToFile((dir + L"\\missing\\x.txt").c_str(), "nothing");  // no folder: nothing happens
    EXPECT_FALSE(harness::FileExists(dir + L"\\missing\\x.txt"));
}

}  // namespace
