#include "HandOverFile.h"

#include <windows.h>

#include "LogWriter.h"
#include "PathUtil.h"
#include "UniqueHandle.h"

namespace {

// Every text byte may have been stored as two; one unit more shows a cut.
constexpr DWORD kMaxStoredBytes = 2 * kHandOverMaxBytes + 2;

}  // namespace

std::wstring HandOverFilePath(const std::wstring& programFolder, const std::wstring& fileName) {
    return programFolder + kHandOverFolder + fileName;
}

std::wstring HandOverRequestPath(const std::wstring& programFolder, unsigned requestNumber) {
    return HandOverFilePath(programFolder, FormatString(L"%u.txt", requestNumber));
}

HandOverFileWriter::~HandOverFileWriter() {
    if (file_) fclose(file_);
}

bool HandOverFileWriter::Open(const std::wstring& path) {
    if (file_) fclose(file_);
    file_ = _wfopen(path.c_str(), L"w");
    return file_ != nullptr;
}

bool HandOverFileWriter::Write(const std::wstring& text) {
    if (!file_) return false;
    size_t written = text.empty() ? 0 : fwrite(text.data(), sizeof(wchar_t), text.size(), file_);
    bool closed = fclose(file_) == 0;
    file_ = nullptr;
    return written == text.size() && closed;
}

bool WriteHandOverFile(const std::wstring& path, const std::wstring& text) {
    HandOverFileWriter writer;
    return writer.Open(path) && writer.Write(text);
}

std::wstring DecodeHandOverBytes(const std::string& bytes, bool* cut) {
    std::string plain;
    plain.reserve(bytes.size() < kHandOverMaxBytes ? bytes.size() : kHandOverMaxBytes);
    bool longer = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (plain.size() == kHandOverMaxBytes) {
            longer = true;
            break;
        }
        // The writer stored each 0x0A as 0x0D 0x0A, so every such pair is one 0x0A.
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        plain.push_back(bytes[i]);
    }
    if (cut) *cut = longer;
    std::wstring text;
    for (size_t i = 0; i + 1 < plain.size(); i += 2) {
        wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(plain[i]) |
                                            static_cast<unsigned char>(plain[i + 1]) << 8);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

bool ReadHandOverFile(const std::wstring& path, std::wstring* text) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes(kMaxStoredBytes, '\0');
    DWORD total = 0;
    DWORD got = 0;
    while (total < kMaxStoredBytes && ReadFile(file.get(), &bytes[total], kMaxStoredBytes - total, &got, nullptr) &&
           got > 0) {
        total += got;
    }
    bytes.resize(total);
    bool cut = false;
    std::wstring result = DecodeHandOverBytes(bytes, &cut);
    if (cut) LOG_WARNING(L"hand-over file %s holds more than %u bytes; the rest is ignored", path.c_str(),
                         static_cast<unsigned>(kHandOverMaxBytes));
    if (text) *text = std::move(result);
    return true;
}
