#include "LauncherSettings.h"

#include <algorithm>
#include <memory>
#include <new>

#include "GlobalFunc.h"
#include "LogWriter.h"

namespace {

constexpr DWORD kTextChars = 256;
constexpr DWORD kGameDiskChars = 4;
constexpr DWORD kUnlimitedBytes = 0x6400000;
constexpr unsigned short kDefaultPort = 9904;

int ReadInt(const wchar_t* section, const wchar_t* key, int fallback, const std::wstring& ini) {
    return static_cast<int>(GetPrivateProfileIntW(section, key, fallback, ini.c_str()));
}

std::wstring ReadText(const wchar_t* section, const wchar_t* key, wchar_t* buffer, DWORD cch,
                      const std::wstring& ini) {
    buffer[0] = L'\0';
    GetPrivateProfileStringW(section, key, L"", buffer, cch, ini.c_str());
    return buffer;
}

bool WriteFlag(const wchar_t* key, bool on, const std::wstring& ini) {
    return WriteSettingsValue(L"main", key, on ? L"1" : L"0", ini);
}

}  // namespace

void LauncherSettings::Load(const std::wstring& iniPath, const std::function<wchar_t()>& chooseGameDisk) {
    autoRun = ReadInt(L"main", L"AutoRun", 1, iniPath) != 0;
    closeType = ReadInt(L"main", L"CloseType", 1, iniPath) != 0;
    alwaysUpdate = ReadInt(L"main", L"AlwaysUpdate", 1, iniPath) != 0;
    netLimit = ReadInt(L"download", L"NetLimit", 0, iniPath) != 0;
    int speed = ReadInt(L"download", L"LimitSpeed", 0, iniPath);
    if (speed > 0) limitSpeed = static_cast<unsigned>(speed);

    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kTextChars]);
    if (!buffer) return;

    std::wstring disk = ReadText(L"main", L"GameDisk", buffer.get(), kGameDiskChars, iniPath);
    if (!disk.empty()) {
        gameDisk = disk[0];
    } else {
        gameDisk = chooseGameDisk ? chooseGameDisk() : L'C';
        const wchar_t letter[2] = {gameDisk, L'\0'};
        WriteSettingsValue(L"main", L"GameDisk", letter, iniPath);
    }
    reportUrl = ReadText(L"report", L"url", buffer.get(), kTextChars, iniPath);
    installReportUrl = ReadText(L"report", L"installurl", buffer.get(), kTextChars, iniPath);
    std::wstring address = ReadText(L"download", L"address", buffer.get(), kTextChars, iniPath);
    if (!address.empty()) downloadAddress = UnicodeToAnsi(address.c_str());
    std::wstring screenshot = ReadText(L"main", L"ScreenshotPath", buffer.get(), kTextChars, iniPath);
    if (!screenshot.empty()) screenshotPath = screenshot;
    int port = ReadInt(L"download", L"port", 0, iniPath);
    if (port > 0xFFFF) {
        LOG_WARNING(L"LoadSettings port=%d is out of range, keep %u", port, static_cast<unsigned>(downloadPort));
    } else if (port > 0) {
        downloadPort = static_cast<unsigned short>(port);
    }
}

bool LauncherSettings::WriteBack(const LauncherSettings& before, const std::wstring& iniPath) {
    if (closeType != before.closeType && !WriteFlag(L"CloseType", closeType, iniPath)) closeType = before.closeType;
    if (autoRun == before.autoRun) return false;
    if (WriteFlag(L"AutoRun", autoRun, iniPath)) return true;
    autoRun = before.autoRun;
    return false;
}

DWORD LauncherSettings::SpeedLimitBytes() const {
    if (!netLimit) return kUnlimitedBytes;
    unsigned long long bytes = static_cast<unsigned long long>(limitSpeed) * 1024u;
    return static_cast<DWORD>(std::min<unsigned long long>(bytes, 0xFFFFFFFFu));
}

bool WriteSettingsValue(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                        const std::wstring& iniPath) {
    if (WritePrivateProfileStringW(section, key, value.c_str(), iniPath.c_str())) return true;
    const DWORD error = GetLastError();
    LOG_ERROR(L"write [%s] %s=%s to %s failed, LastError=%lu", section, key, value.c_str(), iniPath.c_str(), error);
    return false;
}

std::wstring AutoRunCommand(const std::wstring& modulePath) { return L"\"" + modulePath + L"\""; }

wchar_t ChooseGameDisk(const std::vector<CDeviceInfo::DriveSample>& drives) {
    wchar_t best = L'C';
    ULONGLONG bestFree = 0;
    bool found = false;
    for (const CDeviceInfo::DriveSample& d : drives) {
        if (d.type != DRIVE_FIXED || !d.ok) continue;
        if (!found || d.freeBytes > bestFree) {
            best = d.letter;
            bestFree = d.freeBytes;
            found = true;
        }
    }
    return best;
}
