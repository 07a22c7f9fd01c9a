// The player's unhandled-exception filter: a dump "<local time>_QXORV_Game.dmp"
// in the folder Dump beside the program, whenever the process crashes (also
// after its message loop ended); the process then ends without the system's
// error dialog.
#include "CrashHandle.h"

LONG WINAPI AppCrashHandler(EXCEPTION_POINTERS* pointers) {
    WriteCrashDump(pointers, L"QXORV_Game");
    return EXCEPTION_EXECUTE_HANDLER;
}
