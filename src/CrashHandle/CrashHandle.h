#pragma once
// The launcher's top-level exception filter and the minidump writer.
//
// AppCrashHandler is installed with SetUnhandledExceptionFilter by the entry
// and runs on whichever thread crashed. While g_crashDumpEnabled is set it
// writes "Dump\<local time>_QXORV_Box.dmp" beside the program; it always
// answers EXCEPTION_EXECUTE_HANDLER, so the process ends without the
// system's error dialog.
//
// The dump writer lives in its own object file: the player supplies its own
// AppCrashHandler (dumps named "..._QXORV_Game.dmp", written at any time) and
// links only the writer.
#include <windows.h>

#include <string>

// 1 from load until the launcher's UI loop has ended; the entry clears it.
extern int g_crashDumpEnabled;

LONG WINAPI AppCrashHandler(EXCEPTION_POINTERS* pointers);
// Writes one MiniDumpNormal dump of the own process to path.
void CreateDumpFile(const wchar_t* path, EXCEPTION_POINTERS* pointers);
// The crash filter's work: a dump named CrashDumpFileName(local time,
// programTag) in the folder "Dump" beside the program (created when missing;
// the program folder itself when it cannot be), then "Crash dump!!!!!".
void WriteCrashDump(EXCEPTION_POINTERS* pointers, const wchar_t* programTag);
// "%d%02d%02d_%02d%02d%02d_<programTag>.dmp" (at most 127 characters).
std::wstring CrashDumpFileName(const SYSTEMTIME& time, const wchar_t* programTag);
