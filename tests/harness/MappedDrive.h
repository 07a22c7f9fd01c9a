#pragma once
// A drive letter of the test's Wine session that points at a folder, for
// tests of programs that look for files on other drives. Under Wine a drive
// is a symbolic link in the prefix's "dosdevices" folder: the host's ln makes
// it (Wine starts Unix programs as well) and the destructor removes it. Wine
// notices a new or removed drive within a few seconds; both ends wait for it.
#include <windows.h>

#include <string>

namespace harness {

class MappedDrive {
public:
    // folder: a Windows path on drive Z: (the host's root).
    MappedDrive(wchar_t letter, const std::wstring& folder);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    // True once the drive's root is visible to this process.
    bool Ready() const { return ready_; }

private:
    std::wstring link_;  // Unix path of the link
    wchar_t root_[4] = L"?:\\";
    bool ready_ = false;
};

}  // namespace harness
