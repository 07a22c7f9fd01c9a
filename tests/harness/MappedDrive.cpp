#include "MappedDrive.h"

#include "Harness.h"

namespace harness {

namespace {

// "Z:\a\b" -> "/a/b"; empty for a path on another drive.
std::wstring UnixPath(const std::wstring& windowsPath) {
    if (windowsPath.size() < 2 || towupper(windowsPath[0]) != L'Z' || windowsPath[1] != L':') return std::wstring();
    std::wstring path = windowsPath.substr(2);
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
    }
    return path.empty() ? L"/" : path;
}

// Runs a host program with its arguments through Wine's start.exe, and waits
// for start.exe; false when it could not start. CreateProcessW of a host
// program itself fills the process information with junk under Wine (a junk
// process id and thread handle), and closing that junk can close a live
// handle of this process: seen, every later connection of the test failed
// with WSAENOTSOCK. start.exe takes that in its own process. Callers wait for
// the program's effect.
bool RunHostProgram(const std::wstring& commandLine) {
    std::wstring line = L"start.exe /unix " + commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return false;
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool RootExists(const wchar_t* root) { return GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

MappedDrive::MappedDrive(wchar_t letter, const std::wstring& folder) {
    root_[0] = letter;
    std::wstring target = UnixPath(folder);
    // <build>\tests -> <build>/wineprefix/dosdevices/<letter>:
    std::wstring build = UnixPath(TestDir());
    build = build.substr(0, build.rfind(L'/'));
    if (target.empty() || build.empty() || RootExists(root_)) return;
    link_ = build + L"/wineprefix/dosdevices/" + static_cast<wchar_t>(towlower(letter)) + L":";
    if (!RunHostProgram(L"/bin/ln -sfn \"" + target + L"\" \"" + link_ + L"\"")) {
        link_.clear();
        return;
    }
    ready_ = WaitUntil([&] { return RootExists(root_); }, 10000);
}

MappedDrive::~MappedDrive() {
    if (link_.empty()) return;
    RunHostProgram(L"/bin/rm -f \"" + link_ + L"\"");
    WaitUntil([&] { return !RootExists(root_); }, 10000);
}

}  // namespace harness
