#include "PkgIndex.h"

#include "Text.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string_view>

namespace orvdown {
namespace {

// The shortest hash line of a block: 40 hex digits and a line feed.
constexpr size_t kHashLineBytes = 41;

// Splits the text into lines, refusing lines that end the text without a
// line feed (a cut answer). A line is a view into the text, never a copy.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view* line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) return false;
        *line = text_.substr(pos_, end - pos_);
        if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
        pos_ = end + 1;
        return true;
    }
    bool AtEnd() const { return pos_ == text_.size(); }
    // Bytes of the text not read yet.
    size_t Left() const { return text_.size() - pos_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool ParseNumber(std::string_view text, uint64_t limit, uint64_t* out) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *out = value;
    return true;
}

// "key <number>" with the number at most limit.
bool ParseKeyNumber(std::string_view line, std::string_view key, uint64_t limit, uint64_t* out) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') return false;
    return ParseNumber(line.substr(key.size() + 1), limit, out);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHash(std::string_view line, BlockHash* out) {
    if (line.size() != 40) return false;
    for (size_t i = 0; i < 20; ++i) {
        int hi = HexValue(line[2 * i]), lo = HexValue(line[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*out)[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool IsDeviceName(const std::wstring& component) {
    std::wstring stem = UpperCase(component.substr(0, component.find(L'.')));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* d : kDevices)
        if (stem == d) return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'0' && stem[3] <= L'9';
}

bool IsSafeComponent(const std::wstring& c) {
    if (c.empty() || c == L"." || c == L"..") return false;
    if (c.back() == L'.' || c.back() == L' ') return false;  // Windows would strip these
    for (wchar_t ch : c)
        if (ch < 0x20 || wcschr(L"<>:\"|?*", ch)) return false;
    return !IsDeviceName(c);
}

// The hash lines of a file of `count` blocks. The count comes from the
// size the index claims: the lines it calls for must be in the text before
// room is made for them.
bool ParseBlockHashes(LineReader& lines, uint32_t count, std::vector<BlockHash>* blocks, std::wstring* error) {
    if (count > lines.Left() / kHashLineBytes) {
        *error = L"block hash expected";
        return false;
    }
    blocks->resize(count);
    std::string_view line;
    for (auto& hash : *blocks) {
        if (!lines.Next(&line) || !ParseHash(line, &hash)) {
            *error = L"block hash expected";
            return false;
        }
    }
    return true;
}

bool ParseFile(LineReader& lines, uint64_t* totalBytes, PkgFile* file, std::wstring* error) {
    std::string_view line;
    if (!lines.Next(&line) || line.substr(0, 5) != "file ") {
        *error = L"file entry expected";
        return false;
    }
    size_t space = line.find(' ', 5);
    uint64_t size = 0;
    if (space == std::string_view::npos || !ParseNumber(line.substr(5, space - 5), kMaxPackageBytes, &size) ||
        size > kMaxPackageBytes - *totalBytes) {
        *error = L"bad or absurd file size";
        return false;
    }
    *totalBytes += size;
    file->size = size;
    std::string_view name = line.substr(space + 1);
    if (name.size() > kMaxNameBytes) {
        *error = L"unsafe file name";
        return false;
    }
    file->name.assign(name);
    std::replace(file->name.begin(), file->name.end(), '/', '\\');
    file->relPath = WideFromUtf8(file->name);
    if (!IsSafeRelativeName(file->relPath)) {
        *error = L"unsafe file name";
        return false;
    }
    return ParseBlockHashes(lines, BlockCountOf(size), &file->blocks, error);
}

}  // namespace

uint64_t PkgIndex::TotalBytes() const {
    uint64_t total = 0;
    for (const auto& f : files) total += f.size;
    return total;
}

uint32_t PkgIndex::TotalBlocks() const {
    uint32_t total = 0;
    for (const auto& f : files) total += static_cast<uint32_t>(f.blocks.size());
    return total;
}

uint32_t BlockCountOf(uint64_t size) { return static_cast<uint32_t>((size + kBlockSize - 1) / kBlockSize); }

uint32_t BlockBytes(uint64_t fileSize, uint32_t block) {
    uint64_t start = static_cast<uint64_t>(block) * kBlockSize;
    return static_cast<uint32_t>(std::min<uint64_t>(kBlockSize, fileSize - start));
}

bool IsSafeRelativeName(const std::wstring& name) {
    if (name.empty() || name.front() == L'\\') return false;
    size_t start = 0;
    while (true) {
        size_t end = name.find(L'\\', start);
        if (!IsSafeComponent(name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)))
            return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

bool ParsePkgIndex(const std::string& text, PkgIndex* out, std::wstring* error) {
    if (text.size() > kMaxIndexBytes) {
        *error = L"index too large";
        return false;
    }
    LineReader lines(text);
    std::string_view line;
    uint64_t version = 0, blockSize = 0, count = 0;
    if (!lines.Next(&line) || line != "ORVPKG 1") {
        *error = L"not a package index";
        return false;
    }
    if (!lines.Next(&line) || !ParseKeyNumber(line, "version", UINT32_MAX, &version) || !lines.Next(&line) ||
        !ParseKeyNumber(line, "blocksize", UINT32_MAX, &blockSize) || blockSize != kBlockSize ||
        !lines.Next(&line) || !ParseKeyNumber(line, "files", UINT32_MAX, &count) || count > kMaxFiles) {
        *error = L"bad header (version, block size or file count)";
        return false;
    }
    PkgIndex index;
    index.version = static_cast<uint32_t>(version);
    uint64_t totalBytes = 0;
    std::set<std::wstring> seen;
    for (uint64_t i = 0; i < count; ++i) {
        PkgFile file;
        if (!ParseFile(lines, &totalBytes, &file, error)) return false;
        if (!seen.insert(UpperCase(file.relPath)).second) {
            *error = L"file listed twice";
            return false;
        }
        index.files.push_back(std::move(file));
    }
    if (!lines.Next(&line) || line != "end" || !lines.AtEnd()) {
        *error = L"index does not end where it should";
        return false;
    }
    *out = std::move(index);
    return true;
}

}  // namespace orvdown

