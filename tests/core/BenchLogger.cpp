// Logger benchmark: 100,000 lines through the logger (file target only) and
// the same lines written with plain fwprintf + fflush to other files, in one
// run. Prints microseconds per line and the ratio.
//
// The main baseline opens its file the way the logger must (append mode,
// UTF-8 text), so the ratio shows what the logger adds to the write itself.
// A second baseline writes a file opened for writing only: under Wine the
// C runtime's append mode costs a seek to the end before every write.
#include "GlobalFunc.h"
#include "LogWriter.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 100000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeLogger() {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kLines; ++i) LOG_INFO(L"bench line %d of %s", i, L"the logger benchmark");
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

// The same line the logger writes with its default prefixes, by hand.
double TimePlain(const std::wstring& path, const wchar_t* mode) {
    DeleteFileW(path.c_str());
    FILE* file = _wfopen(path.c_str(), mode);
    if (!file) return -1;
    _setmode(_fileno(file), _O_U8TEXT);
    DWORD pid = GetCurrentProcessId();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kLines; ++i) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        fwprintf(file, L"[%02u:%02u:%02u.%03u]|[%04x]|[%04x]|[Info]|bench line %d of %ls\n", now.wHour, now.wMinute,
                 now.wSecond, now.wMilliseconds, pid, GetCurrentThreadId(), i, L"the logger benchmark");
        fflush(file);
    }
    QueryPerformanceCounter(&end);
    fclose(file);
    return Seconds(start, end);
}

// Bytes in the files matching pattern, to show both sides wrote the same amount.
ULONGLONG BytesOf(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<CStringW> files;
    FindFiles(folder.c_str(), pattern, files);
    ULONGLONG total = 0;
    for (const CStringW& file : files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
            total += static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }
    return total;
}

}  // namespace

int wmain() {
    LogWriter* log = LogWriter::GetInstance();
    log->outputTargets = 2;  // file only
    log->levelMask = 63;     // the default mask plus Info
    LOG_INFO(L"benchmark start");  // opens the day's file outside the timing
    std::wstring plainPath = log->LogFolder() + L"\\bench_plain.txt";
    double plainWrite = TimePlain(plainPath, L"w");
    double plain = TimePlain(plainPath, L"a+");
    ULONGLONG plainBytes = BytesOf(log->LogFolder(), L"bench_plain.txt");
    ULONGLONG loggerBefore = BytesOf(log->LogFolder(), L"bench_logger*.log");
    double logger = TimeLogger();
    ULONGLONG loggerBytes = BytesOf(log->LogFolder(), L"bench_logger*.log") - loggerBefore;
    if (plain <= 0 || plainWrite <= 0 || logger <= 0) {
        fwprintf(stderr, L"benchmark failed (plain file %s)\n", plainPath.c_str());
        return 1;
    }
    double plainUs = plain * 1e6 / kLines;
    double plainWriteUs = plainWrite * 1e6 / kLines;
    double loggerUs = logger * 1e6 / kLines;
    wprintf(L"lines: %d\n"
            L"plain fwprintf+fflush, append mode (as the logger): %.3f us/line (%llu bytes)\n"
            L"plain fwprintf+fflush, write mode: %.3f us/line\n"
            L"logger: %.3f us/line (%llu bytes)\n"
            L"ratio logger/plain (append mode): %.3f\n"
            L"ratio logger/plain (write mode): %.3f\n",
            kLines, plainUs, plainBytes, plainWriteUs, loggerUs, loggerBytes, loggerUs / plainUs,
            loggerUs / plainWriteUs);
    DeleteFileW(plainPath.c_str());
    LogWriter::DestroyInstance();
    return 0;
}
