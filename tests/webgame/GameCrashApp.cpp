// Helper of webgame_unit_tests: installs the player's crash filter, as the
// player's entry does, and crashes on purpose.
#include <windows.h>

#include "CrashHandle.h"
#include "LogWriter.h"

int wmain() {
    LogWriter::GetInstance()->levelMask = 127;
    SetUnhandledExceptionFilter(&AppCrashHandler);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
