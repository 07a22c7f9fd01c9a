#include "CrashHandle.h"

int g_crashDumpEnabled = 1;

LONG WINAPI AppCrashHandler(EXCEPTION_POINTERS* pointers) {
    if (g_crashDumpEnabled) WriteCrashDump(pointers, L"QXORV_Box");
    return EXCEPTION_EXECUTE_HANDLER;
}
