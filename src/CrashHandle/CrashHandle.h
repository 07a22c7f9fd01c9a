#pragma once
// The launcher's top-level exception filter and the minidump writer.
//
// AppCrashHandler is installed with SetUnhandledExceptionFilter by the entry
// and runs on whichever thread crashed. While g_crashDumpEnabled is set it
// writes "Dump\<local time>_QXORV_Box.dmp" beside the program; it always
// answers EXCEPTION_EXECUTE_HANDLER, so the process ends without the
// system's error dialog.
//
// CreateDumpFile lives in its own object file: the player supplies its own
// AppCrashHandler and links only the writer.
#include <windows.h>

// 1 from load until the launcher's UI loop has ended; the entry clears it.
extern int g_crashDumpEnabled;

LONG WINAPI AppCrashHandler(EXCEPTION_POINTERS* pointers);
// Writes one MiniDumpNormal dump of the own process to path.
void CreateDumpFile(const wchar_t* path, EXCEPTION_POINTERS* pointers);
