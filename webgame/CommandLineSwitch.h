#pragma once
// A switch of this process's command line as the engine reads it
// (cef_command_line_get_global): "--name=value". Any thread.
#include <string>

// The value, or empty when the switch is absent or has none.
std::wstring GetGlobalSwitchValue(const wchar_t* name);
