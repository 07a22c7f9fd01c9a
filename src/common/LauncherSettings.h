#pragma once
// LauncherSettings: the launcher's user settings from qxtarrow.ini ([main],
// [download], [report]), with their defaults and limits. The main window
// keeps one and reads it at construction; window thread only.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DeviceInfo.h"

struct LauncherSettings {
    bool autoRun = true;        // [main] AutoRun
    bool closeType = true;      // [main] CloseType: true = close quits, false = close hides
    bool alwaysUpdate = true;   // [main] AlwaysUpdate
    bool netLimit = false;      // [download] NetLimit
    unsigned limitSpeed = 100000;  // [download] LimitSpeed, KB/s
    wchar_t gameDisk = L'C';    // [main] GameDisk
    std::wstring screenshotPath;   // [main] ScreenshotPath, below the program folder
    std::wstring reportUrl;        // [report] url
    std::wstring installReportUrl; // [report] installurl
    std::string downloadAddress;   // [download] address, ANSI code page
    unsigned short downloadPort = 9904;  // [download] port

    // Reads the keys of iniPath over the defaults. An empty GameDisk takes
    // chooseGameDisk() and is written back as that one letter.
    void Load(const std::wstring& iniPath, const std::function<wchar_t()>& chooseGameDisk);

    // After the settings dialog: writes [main] AutoRun and CloseType ("1" or
    // "0") where they differ from before, nothing else. A value that could
    // not be written goes back to its value before, the one the file still
    // holds. True when AutoRun changed and was written (the Run value must
    // follow).
    bool WriteBack(const LauncherSettings& before, const std::wstring& iniPath);

    // The download speed limit in bytes per second: LimitSpeed x 1024 (at
    // most 0xFFFFFFFF) with NetLimit on, else 0x6400000.
    DWORD SpeedLimitBytes() const;
};

// Writes one key of the settings file; a failure is logged (Error) and gives false.
bool WriteSettingsValue(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                        const std::wstring& iniPath);

// The start-with-Windows command for the program at modulePath: the path in
// double quotes, so that a space in a folder name cannot make Windows start
// another program ("C:\Program.exe") at log-on.
std::wstring AutoRunCommand(const std::wstring& modulePath);

// The game disk: the fixed drive with the most free bytes (the first on a
// tie); 'C' when there is none.
wchar_t ChooseGameDisk(const std::vector<CDeviceInfo::DriveSample>& drives);
