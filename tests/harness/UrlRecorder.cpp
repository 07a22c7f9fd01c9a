// url_recorder.exe: stands in the test Wine prefix for the programs the
// shell starts for web addresses (the http and https handlers), so no test
// ever opens a browser on the host. It appends its arguments as one UTF-8
// line to the file named by the environment variable CORRIN_URL_RECORD
// (inherited from the program that asked the shell), else to
// url_recorder.log beside itself, and exits 0.
#include <windows.h>

#include <string>

#include "Harness.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    std::wstring record = harness::UrlRecordFile();
    if (record.empty()) record = harness::TestDir() + L"\\url_recorder.log";
    return harness::AppendUrlRecord(record, commandLine ? commandLine : L"") ? 0 : 1;
}
