#include "ArchiveExtract.h"

#include <stdlib.h>
#include <wchar.h>

#include <string>

#include "7z.h"
#include "7zCrc.h"
#include "MemoryLookStream.h"
#include "UniqueHandle.h"

namespace {

constexpr size_t kFolderCopyChars = 4096;  // at most this much of the folder text is taken
constexpr size_t kFolderCharsLimit = 2047;  // a folder this long or longer is refused
constexpr size_t kNameUnitsLimit = 2047;    // name units with the terminator
// Attribute bit 7-Zip sets when the high 16 bits carry a POSIX mode rather
// than Windows attributes (packages made on Linux or macOS).
constexpr DWORD kPosixModeInHighBits = 0x8000;
// The most one WriteFile call is handed (its count is a DWORD).
constexpr size_t kMaxWriteChunk = 0x40000000;

void* HeapAllocate(ISzAllocPtr, size_t size) { return malloc(size); }
void HeapFree(ISzAllocPtr, void* address) { free(address); }
const ISzAlloc kHeap = {HeapAllocate, HeapFree};

// The opened archive database; freed with the heap it was built on.
class ArchiveDatabase {
public:
    ArchiveDatabase() { SzArEx_Init(&db_); }
    ~ArchiveDatabase() { SzArEx_Free(&db_, &kHeap); }
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;
    CSzArEx* get() { return &db_; }

private:
    CSzArEx db_;
};

// What the decoder keeps between files: the last decoded block and its index,
// so a solid block is decoded once for all of its files.
struct DecodeCache {
    DecodeCache() = default;
    ~DecodeCache() { ISzAlloc_Free(&kHeap, buffer); }
    DecodeCache(const DecodeCache&) = delete;
    DecodeCache& operator=(const DecodeCache&) = delete;

    UInt32 blockIndex = 0xFFFFFFFF;
    Byte* buffer = nullptr;
    size_t bufferSize = 0;
};

// A name buffer that only grows, to exactly the size last asked for.
class NameBuffer {
public:
    NameBuffer() = default;
    ~NameBuffer() { free(units_); }
    NameBuffer(const NameBuffer&) = delete;
    NameBuffer& operator=(const NameBuffer&) = delete;

    bool Reserve(size_t units) {
        if (units <= capacity_) return true;
        free(units_);
        capacity_ = 0;
        units_ = static_cast<UInt16*>(malloc(units * sizeof(UInt16)));
        if (!units_) return false;
        capacity_ = units;
        return true;
    }
    UInt16* get() { return units_; }

private:
    UInt16* units_ = nullptr;
    size_t capacity_ = 0;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Creates every folder along path from index start on: at each separator the
// text up to it is created (an existing folder is fine) and the separator
// becomes a backslash.
void CreateFoldersAlong(std::wstring* path, size_t start) {
    for (size_t i = start; i < path->size(); ++i) {
        if (!IsSeparator((*path)[i])) continue;
        (*path)[i] = L'\\';
        if (i > 0) ::CreateDirectoryW(path->substr(0, i).c_str(), nullptr);
    }
}

// The folder text every entry name is appended to, ending in a separator
// unless it is empty. false when it is too long.
bool TargetFolder(const wchar_t* folder, std::wstring* out) {
    const size_t length = folder ? wcsnlen(folder, kFolderCopyChars) : 0;
    out->assign(folder ? folder : L"", length);
    if (out->empty()) return true;
    if (length >= kFolderCharsLimit) return false;
    if (!IsSeparator(out->back())) out->push_back(L'\\');
    return true;
}

bool IsDotsAndSpaces(const wchar_t* part, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (part[i] != L'.' && part[i] != L' ') return false;
    }
    return true;
}

// Windows attributes of an entry; 7-Zip on POSIX systems puts the file mode
// into the high 16 bits, which are not attributes.
DWORD WindowsAttributes(DWORD archived) {
    return (archived & kPosixModeInHighBits) ? (archived & 0x7FFF) : archived;
}

bool WriteAll(HANDLE file, const Byte* bytes, size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < kMaxWriteChunk ? size : kMaxWriteChunk);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk) return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

struct EntryInfo {
    std::wstring name;
    bool isFolder;
    bool hasAttributes;
    DWORD attributes;
    bool hasTime;
    FILETIME time;
};

EntryInfo DescribeEntry(const CSzArEx* db, UInt32 index, const UInt16* name, size_t nameUnits) {
    EntryInfo e{};
    if (nameUnits > 1) e.name.assign(name, name + nameUnits - 1);  // without the terminator
    e.isFolder = SzArEx_IsDir(db, index);
    e.hasAttributes = SzBitWithVals_Check(&db->Attribs, index);
    if (e.hasAttributes) e.attributes = db->Attribs.Vals[index];
    e.hasTime = SzBitWithVals_Check(&db->MTime, index);
    if (e.hasTime) e.time = FILETIME{db->MTime.Vals[index].Low, db->MTime.Vals[index].High};
    return e;
}

int ExtractEntries(CSzArEx* db, ILookInStreamPtr stream, const std::wstring& folder) {
    NameBuffer name;
    DecodeCache cache;
    int result = kExtractOk;
    for (UInt32 i = 0; i < db->NumFiles; ++i) {
        const size_t units = SzArEx_GetFileNameUtf16(db, i, nullptr);
        if (!name.Reserve(units)) return kExtractNoMemory;
        if (units >= kNameUnitsLimit) return kExtractNameTooLong;
        SzArEx_GetFileNameUtf16(db, i, name.get());
        const EntryInfo entry = DescribeEntry(db, i, name.get(), units);
        if (!IsSafeEntryName(entry.name.c_str(), entry.name.size())) {
            result = kWriteCannotCreate;  // never written outside the folder
            continue;
        }
        std::wstring path = folder + entry.name;
        size_t offset = 0;
        size_t extracted = 0;
        if (!entry.isFolder) {
            const SRes res = SzArEx_Extract(db, stream, i, &cache.blockIndex, &cache.buffer, &cache.bufferSize,
                                            &offset, &extracted, &kHeap, &kHeap);
            if (res != SZ_OK) return res;
        }
        CreateFoldersAlong(&path, folder.size());
        if (entry.isFolder) {
            ::CreateDirectoryW(path.c_str(), nullptr);
        } else {
            result = WriteExtractedFile(extracted, path.c_str(), cache.buffer + offset, entry.hasAttributes,
                                        entry.attributes, entry.hasTime, entry.time);
        }
    }
    return result;
}

}  // namespace

bool IsSafeEntryName(const wchar_t* name, size_t length) noexcept {
    if (length == 0 || IsSeparator(name[0])) return false;
    size_t partStart = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && name[i] == L':') return false;
        if (i < length && !IsSeparator(name[i])) continue;
        if (i > partStart && IsDotsAndSpaces(name + partStart, i - partStart)) return false;
        partStart = i + 1;
    }
    return true;
}

int WriteExtractedFile(size_t size, const wchar_t* path, const void* bytes, bool hasAttributes, DWORD attributes,
                       bool hasTime, const FILETIME& time) noexcept {
    // A read-only file (an earlier install gave it that attribute) cannot be
    // replaced until the attribute is gone.
    const DWORD existing = ::GetFileAttributesW(path);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) &&
        !(existing & FILE_ATTRIBUTE_DIRECTORY))
        ::SetFileAttributesW(path, existing & ~FILE_ATTRIBUTE_READONLY);
    UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kWriteCannotCreate;
    if (!WriteAll(file.get(), static_cast<const Byte*>(bytes), size)) {
        // A cut-off file must not pass for an installed one.
        file.reset();
        ::DeleteFileW(path);
        return kWriteIncomplete;
    }
    if (hasAttributes) ::SetFileAttributesW(path, WindowsAttributes(attributes));
    if (hasTime) ::SetFileTime(file.get(), &time, &time, &time);
    return kWriteOk;
}

int ExtractArchive(const wchar_t* folder, size_t size, const void* bytes) noexcept try {
    if (size == 0) return kExtractEmptyPackage;
    CrcGenerateTable();
    MemoryLookStream stream(bytes, size);
    ArchiveDatabase db;
    if (SzArEx_Open(db.get(), &stream.vt, &kHeap, &kHeap) != SZ_OK) return kExtractBadArchive;
    std::wstring target;
    if (!TargetFolder(folder, &target)) return kExtractFolderTooLong;
    CreateFoldersAlong(&target, 0);
    return ExtractEntries(db.get(), &stream.vt, target);
} catch (...) {
    return kExtractNoMemory;  // only the path texts allocate
}
