// A process that logs like an engine sub-process: it sets the file-name
// prefix, then writes COUNT lines tagged TAG as fast as it can once the
// event GATE is set.
//   log_append_writer.exe PREFIX TAG COUNT GATE
// Several of them writing one day file at once show whether lines survive.
//   log_append_writer.exe --hold-lock PATH
// takes the lock of the file PATH and ends without letting it go.
#include "LogWriter.h"
#include "SharedFileLock.h"

#include <windows.h>

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && wcscmp(argv[1], L"--hold-lock") == 0) {
        SharedFileLock lock;
        if (!lock.Open(argv[2]) || !lock.Acquire(1000)) return 4;
        ExitProcess(0);  // ends holding it
    }
    if (argc != 5) return 2;
    HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
    if (!gate || WaitForSingleObject(gate, 60000) != WAIT_OBJECT_0) return 3;
    CloseHandle(gate);
    LogWriter* log = LogWriter::GetInstance();
    log->outputTargets = 2;
    log->levelMask = 63;
    log->filePrefix = argv[1];
    int count = _wtoi(argv[3]);
    for (int i = 0; i < count; ++i) LOG_INFO(L"%s line %d of a shared day file", argv[2], i);
    return 0;
}
