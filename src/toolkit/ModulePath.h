#pragma once
// The full path of the program file, read once (under the module-path lock)
// and kept for the life of the process. Any thread.
#include <string>

namespace toolkit {

std::wstring GetCachedModulePath();
// The folder of the program file joined with a relative path (PathJoin).
std::wstring ModuleRelativePath(const std::wstring& relative);

}  // namespace toolkit
