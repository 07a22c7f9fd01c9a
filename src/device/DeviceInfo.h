#pragma once
// CDeviceInfo describes the machine for the page script: processor, memory,
// video cards, free disk space and operating system in one line of
// JSON-shaped text, gathered from the registry, the memory and disk APIs and
// WMI (ROOT\CIMV2). It also finds the logical drive with the most free space.
//
// Threads: any thread that may use COM apartment-threaded; GetSystemInfo
// initialises COM for its own duration. Every source that fails leaves its
// item empty and logs why; no call waits without a bound.
#include "ComPtr.h"

#include <windows.h>
#include <wbemidl.h>

#include <string>
#include <vector>

// One logical drive of the drive list.
struct LogicalDiskInfo {
    float totalGB;  // whole GiB (total bytes >> 30)
    float freeGB;   // GiB available to the caller
    wchar_t letter;
};

class CDeviceInfo {
public:
    // What one drive reported; ok is false when its sizes could not be read.
    struct DriveSample {
        wchar_t letter;
        unsigned type;  // GetDriveTypeW
        bool ok;
        ULONGLONG totalBytes;
        ULONGLONG freeBytes;  // available to the caller
    };

    // COM and the WMI connection of one GetSystemInfo call; released (and
    // COM uninitialised when this session initialised it) on destruction.
    struct WmiSession {
        bool comInitialized = false;
        ComPtr<IWbemLocator> locator;
        ComPtr<IWbemServices> services;
        WmiSession() = default;
        ~WmiSession();
        WmiSession(const WmiSession&) = delete;
        WmiSession& operator=(const WmiSession&) = delete;
    };

    virtual ~CDeviceInfo() = default;

    // The whole text; left untouched when WMI cannot be opened.
    virtual void GetSystemInfo(std::wstring& text);
    // The drive with the most free space (0 without drives); drives holds
    // the fixed drives above 1 GiB.
    virtual wchar_t GetLogicalDiskPartition(std::vector<LogicalDiskInfo>& drives);

    std::wstring GetCpuInfo();
    std::wstring GetMemoryInfo();
    int GetHardDiskFreeSize();
    // 0 on success, else the number of the step that failed (1-5).
    int OpenWMIAPI(WmiSession& session);
    bool VideoCard_WMIAPI(WmiSession& session, std::wstring& item);
    bool OS_WMIAPI(WmiSession& session, std::wstring& item);

    // --- Pieces of the text, kept apart so their rules can be checked.
    // Installed memory in GiB, rounded to the nearest whole number.
    static std::wstring MemoryItem(ULONGLONG totalBytes);
    static std::wstring VideoCardSizeText(unsigned adapterRamBytes);
    // Appends "name size" (name cut to 63 characters, entry to 79) with ","
    // between cards.
    static void AppendVideoCard(std::wstring& list, const std::wstring& name, unsigned adapterRamBytes);
    // Caption and service pack, cut to 63 characters.
    static std::wstring OsText(const std::wstring& caption, const std::wstring& servicePack);
    // A value made safe between double quotes: quote, backslash and control
    // characters are escaped, so the text stays one valid script literal.
    static std::wstring JsonEscape(const std::wstring& value);
    static wchar_t PickDrives(const std::vector<DriveSample>& samples, std::vector<LogicalDiskInfo>& drives);

    // Every logical drive with its type and sizes, in drive-letter order.
    static std::vector<DriveSample> ReadDrives();
};
