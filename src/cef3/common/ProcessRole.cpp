#include "ProcessRole.h"

#include <windows.h>

#include "include/cef_command_line.h"

ProcessRole GetProcessRole() {
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
    cmd->InitFromString(GetCommandLineW());
    if (!cmd->HasSwitch(L"type")) return ProcessRole::Browser;
    return cmd->GetSwitchValue(L"type") == CefString(L"renderer") ? ProcessRole::Renderer : ProcessRole::Other;
}
