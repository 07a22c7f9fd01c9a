#include "PartialDownloadFile.h"

#include <utility>

namespace {

std::wstring TempPathFor(const std::wstring& target) {
    return target + L"." + std::to_wstring(GetCurrentThreadId()) + L".part";
}

}  // namespace

PartialDownloadFile::PartialDownloadFile(std::wstring targetPath)
    : target_(std::move(targetPath)), temp_(TempPathFor(target_)) {}

PartialDownloadFile::~PartialDownloadFile() {
    file_.reset();
    if (created_) DeleteFileW(temp_.c_str());
}

bool PartialDownloadFile::Create() {
    file_.reset(CreateFileW(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    created_ = static_cast<bool>(file_);
    return created_;
}

bool PartialDownloadFile::Write(const void* data, DWORD size) {
    DWORD written = 0;
    return file_ && WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
}

bool PartialDownloadFile::Commit() {
    if (!file_) return false;
    file_.reset();
    if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    created_ = false;   // the temporary file is the target now
    return true;
}
