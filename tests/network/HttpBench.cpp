// Download benchmark of CWinHttp::HttpDownload, run by tools/bench-http.sh
// (not a test): http_bench URL FILE  ->  "bytes=N ms=N"
#include <windows.h>

#include <cstdio>
#include <string>

#include "http.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: http_bench URL FILE\n");
        return 2;
    }
    std::wstring url = argv[1];
    CWinHttp http;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    bool ok = http.HttpDownload(&url[0], argv[2], nullptr);
    QueryPerformanceCounter(&end);
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    if (!ok || !GetFileAttributesExW(argv[2], GetFileExInfoStandard, &info)) {
        fwprintf(stderr, L"http_bench: download failed\n");
        return 1;
    }
    unsigned long long bytes = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    long long ms = (end.QuadPart - start.QuadPart) * 1000 / freq.QuadPart;
    wprintf(L"bytes=%llu ms=%lld\n", bytes, ms);
    return 0;
}
