#include "DeviceInfo.h"

#include "Harness.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <thread>

namespace {

constexpr ULONGLONG kMiB = 1ull << 20;
constexpr ULONGLONG kGiB = 1ull << 30;

int CountLogLines(const std::wstring& text) {
    int n = 0;
    for (const std::wstring& line : harness::ReadLogLines(LogWriter::GetInstance()->LogFolder(), L"device_tests")) {
        if (line.find(text) != std::wstring::npos) ++n;
    }
    return n;
}

// Runs work on its own thread. A call that hangs ends the whole program
// with a message after timeoutMs (the work still holds the caller's
// variables, so the test cannot simply go on).
template <typename Fn>
bool RunBounded(Fn work, DWORD timeoutMs) {
    auto task = std::make_shared<std::packaged_task<void()>>(work);
    std::future<void> done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready) return true;
    std::fprintf(stderr, "device call still running after %lu ms\n", timeoutMs);
    std::fflush(nullptr);
    ExitProcess(3);
}

TEST(DeviceText, MemoryRoundsToTheNearestGiB) {
    EXPECT_EQ(L"\"memory\":\"8 GB\"", CDeviceInfo::MemoryItem(static_cast<ULONGLONG>(7.6 * kGiB)));
    EXPECT_EQ(L"\"memory\":\"7 GB\"", CDeviceInfo::MemoryItem(static_cast<ULONGLONG>(7.4 * kGiB)));
    EXPECT_EQ(L"\"memory\":\"64 GB\"", CDeviceInfo::MemoryItem(64 * kGiB));
    EXPECT_EQ(L"\"memory\":\"0 GB\"", CDeviceInfo::MemoryItem(0));
}

TEST(DeviceText, VideoCardSizesAndList) {
    EXPECT_EQ(L"512 MB", CDeviceInfo::VideoCardSizeText(static_cast<unsigned>(512 * kMiB)));
    EXPECT_EQ(L"1023 MB", CDeviceInfo::VideoCardSizeText(static_cast<unsigned>(kGiB - 1)));
    EXPECT_EQ(L"1 GB", CDeviceInfo::VideoCardSizeText(static_cast<unsigned>(kGiB)));
    EXPECT_EQ(L"2 GB", CDeviceInfo::VideoCardSizeText(static_cast<unsigned>(2 * kGiB)));
    EXPECT_EQ(L"3 GB", CDeviceInfo::VideoCardSizeText(static_cast<unsigned>(3 * kGiB)));
    std::wstring list;
    CDeviceInfo::AppendVideoCard(list, L"A", static_cast<unsigned>(kGiB));
    CDeviceInfo::AppendVideoCard(list, L"B", static_cast<unsigned>(512 * kMiB));
    EXPECT_EQ(L"A 1 GB,B 512 MB", list);
}

TEST(DeviceText, LongValuesAreCutToTheirRoom) {
    std::wstring list;
    CDeviceInfo::AppendVideoCard(list, std::wstring(100, L'n'), static_cast<unsigned>(512 * kMiB));
    EXPECT_EQ(std::wstring(63, L'n') + L" 512 MB", list);
    std::wstring os = CDeviceInfo::OsText(std::wstring(60, L'c'), L"Service Pack 1");
    EXPECT_EQ(63u, os.size());
    EXPECT_EQ(std::wstring(60, L'c') + L" Se", os);
    EXPECT_EQ(L"Windows 7", CDeviceInfo::OsText(L"Windows 7", L""));
    EXPECT_EQ(L"Windows 7 Service Pack 1", CDeviceInfo::OsText(L"Windows 7", L"Service Pack 1"));
}

TEST(DeviceText, ValuesCannotBreakTheScriptLiteral) {
    EXPECT_EQ(L"plain", CDeviceInfo::JsonEscape(L"plain"));
    EXPECT_EQ(L"a\\\"b\\\\c", CDeviceInfo::JsonEscape(L"a\"b\\c"));
    EXPECT_EQ(L"x\\u000ay\\u0009", CDeviceInfo::JsonEscape(L"x\ny\t"));
    EXPECT_EQ(L"\u82f1\u7279\u5c14", CDeviceInfo::JsonEscape(L"\u82f1\u7279\u5c14"));
}

TEST(DeviceDrives, MostFreeDriveAndTheList) {
    using S = CDeviceInfo::DriveSample;
    std::vector<S> samples = {
        {L'C', DRIVE_FIXED, true, 100 * kGiB, 10 * kGiB},
        {L'D', DRIVE_CDROM, true, 4 * kGiB, 50 * kGiB},  // a CD is left out of the list but may win
        {L'E', DRIVE_FIXED, true, kGiB, kGiB},            // 1 GiB total: left out of the list
        {L'F', DRIVE_FIXED, true, 200 * kGiB, 50 * kGiB}, // ties keep the earlier drive
        {L'G', DRIVE_REMOVABLE, false, 0, 0},             // unreadable
    };
    std::vector<LogicalDiskInfo> drives;
    EXPECT_EQ(L'D', CDeviceInfo::PickDrives(samples, drives));
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(L'C', drives[0].letter);
    EXPECT_FLOAT_EQ(100.0f, drives[0].totalGB);
    EXPECT_FLOAT_EQ(10.0f, drives[0].freeGB);
    EXPECT_EQ(L'F', drives[1].letter);

    std::vector<LogicalDiskInfo> none;
    EXPECT_EQ(0, CDeviceInfo::PickDrives({}, none));
    EXPECT_TRUE(none.empty());
}

// Under Wine: every item is there or its failure is in the log, in bounded time.
TEST(DeviceLive, SystemInfoItemsPresentOrLogged) {
    int wmiErrorsBefore = CountLogLines(L"WNI API:") + CountLogLines(L"CoInitialize") +
                          CountLogLines(L"IWbemLocator");
    int cpuErrorsBefore = CountLogLines(L"failed for GetCpuInfo");
    std::wstring text = L"untouched";
    ASSERT_TRUE(RunBounded([&text] { CDeviceInfo().GetSystemInfo(text); }, 60000)) << "GetSystemInfo hangs";
    std::printf("system information: %s\n", harness::Narrow(text).c_str());
    if (text == L"untouched") {
        EXPECT_GT(CountLogLines(L"WNI API:") + CountLogLines(L"CoInitialize") + CountLogLines(L"IWbemLocator"),
                  wmiErrorsBefore)
            << "WMI did not open and said nothing";
        return;
    }
    ASSERT_EQ(L'{', text.front());
    ASSERT_EQ(L'}', text.back());
    // Items in their order; each present or its failure logged.
    size_t cpu = text.find(L"\"cpu\":\"");
    if (cpu == std::wstring::npos) {
        EXPECT_GT(CountLogLines(L"failed for GetCpuInfo"), cpuErrorsBefore);
    }
    size_t memory = text.find(L"\"memory\":\"");
    ASSERT_NE(std::wstring::npos, memory);
    EXPECT_EQ(std::wstring::npos, text.find(L"\"memory\":\"0 GB\""));
    size_t video = text.find(L"\"videoCard\":\"");
    size_t disk = text.find(L"\"harddisk\":\"");
    size_t os = text.find(L"\"os\":\"");
    ASSERT_NE(std::wstring::npos, disk);
    if (video == std::wstring::npos || os == std::wstring::npos) {
        EXPECT_GT(CountLogLines(L"WNI API:"), wmiErrorsBefore);
    }
    EXPECT_LT(memory, disk);
    if (cpu != std::wstring::npos) {
        EXPECT_LT(cpu, memory);
    }
    if (video != std::wstring::npos) {
        EXPECT_LT(memory, video);
    }
    if (os != std::wstring::npos) {
        EXPECT_LT(disk, os);
    }

    // COM security is process-wide and set once: a second text is still made.
    std::wstring again;
    ASSERT_TRUE(RunBounded([&again] { CDeviceInfo().GetSystemInfo(again); }, 60000));
    EXPECT_EQ(text.size() > 0, again.size() > 0);
    EXPECT_EQ(text.substr(0, text.find(L"\"harddisk\"")), again.substr(0, again.find(L"\"harddisk\"")));
}

TEST(DeviceLive, ComInAnotherApartmentLeavesTheTextUntouched) {
    std::wstring text = L"untouched";
    int before = CountLogLines(L"CoInitializeEx failed, rv=");
    ASSERT_TRUE(RunBounded(
        [&text] {
            if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
            CDeviceInfo().GetSystemInfo(text);
            CoUninitialize();
        },
        30000));
    EXPECT_EQ(L"untouched", text);
    EXPECT_EQ(before + 1, CountLogLines(L"CoInitializeEx failed, rv="));
}

TEST(DeviceLive, DrivesAndFreeSpace) {
    CDeviceInfo info;
    std::vector<LogicalDiskInfo> drives;
    wchar_t best = 0;
    int freeGB = -1;
    ASSERT_TRUE(RunBounded([&] {
        best = info.GetLogicalDiskPartition(drives);
        freeGB = info.GetHardDiskFreeSize();
    }, 30000));
    // Wine always has C: (the prefix) and Z: (the Linux root).
    EXPECT_GE(best, L'A');
    EXPECT_LE(best, L'Z');
    EXPECT_GE(freeGB, 0);
    EXPECT_FALSE(drives.empty());
    for (const LogicalDiskInfo& d : drives) {
        EXPECT_GT(d.totalGB, 1.0f) << static_cast<char>(d.letter);
        EXPECT_LE(d.freeGB, d.totalGB + 1.0f) << static_cast<char>(d.letter);
    }
}

}  // namespace
