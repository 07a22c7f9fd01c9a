#pragma once
// The file a download writes: a temporary name beside the target (same
// folder, so the final rename never crosses volumes) that takes the target's
// name only once the whole body is in. Until then, and whenever the download
// fails, a file already at the target stays exactly as it was, and the
// temporary file is removed when this object goes.
//
// One object per download, used on the downloading thread only. The
// temporary name carries that thread's id, so two threads downloading the
// same target at once never write into one file.
#include <windows.h>

#include <string>

#include "UniqueHandle.h"

class PartialDownloadFile {
public:
    explicit PartialDownloadFile(std::wstring targetPath);
    ~PartialDownloadFile();
    PartialDownloadFile(const PartialDownloadFile&) = delete;
    PartialDownloadFile& operator=(const PartialDownloadFile&) = delete;

    // Creates (or truncates) the temporary file. false: it could not be created.
    [[nodiscard]] bool Create();
    // Appends size bytes. false: the write failed or was short.
    [[nodiscard]] bool Write(const void* data, DWORD size);
    // Closes the temporary file and renames it over the target
    // (MOVEFILE_REPLACE_EXISTING). false: the rename failed; the temporary file
    // is removed and the target is as it was.
    [[nodiscard]] bool Commit();

    const std::wstring& TargetPath() const { return target_; }
    const std::wstring& TempPath() const { return temp_; }

private:
    const std::wstring target_;
    const std::wstring temp_;
    UniqueFile file_;
    bool created_ = false;
};
