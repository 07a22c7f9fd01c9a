// Builds CefMainInit as the launcher's entry does; see CefStartTest.cpp.
#include <windows.h>

#include <string>

#include "CefMainInit.h"
#include "LogWriter.h"
#include "include/cef_command_line.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    std::wstring cmd = GetCommandLineW();
    bool restart = cmd.find(L"SwitchUserRestart") != std::wstring::npos;
    LogWriter::GetInstance()->levelMask = 127;  // every level, the start-up's Debug lines too
    bool multiThreaded = false, ok = false;
    CefMainInit init(instance, restart, multiThreaded, ok);
    if (!ok) return 255;
    if (!multiThreaded) return 3;
    CefRefPtr<CefCommandLine> line = CefCommandLine::GetGlobalCommandLine();
    Sleep(static_cast<DWORD>(_wtoi(line->GetSwitchValue(L"hold-ms").c_str())));
    return 0;
}
