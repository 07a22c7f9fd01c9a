#pragma once
// Extraction of a 7z package held in memory into a folder.
#include <windows.h>
#include <stddef.h>

// Results of ExtractArchive besides 0 (every file written) and the 7z
// decoder's own error codes (positive).
enum ExtractResult : int {
    kExtractOk = 0,
    kExtractEmptyPackage = -1,   // size 0; also the result of a file that could not be created
    kExtractBadArchive = -2,     // the package does not open as a 7z archive
    kExtractFolderTooLong = -3,  // the target folder has 2047 characters or more
    kExtractNoMemory = -4,       // no memory for a file name
    kExtractNameTooLong = -5,    // a file name has 2046 characters or more
};

// Results of WriteExtractedFile.
enum WriteResult : int {
    kWriteOk = 0,
    kWriteCannotCreate = -1,  // the file could not be created (locked, read-only, no folder ...)
    kWriteIncomplete = -2,    // not every byte could be written; the partial file was removed
};

// Extracts every entry of the archive into folder (created when missing),
// in archive order. A file that cannot be written does not stop the others;
// the result is that of the last file, or the code that stopped the loop.
// Entries whose names would leave the folder are skipped (result -1).
[[nodiscard]] int ExtractArchive(const wchar_t* folder, size_t size, const void* bytes) noexcept;

// Writes one extracted file, then gives it the archive's attributes and
// modification time when the archive defines them.
[[nodiscard]] int WriteExtractedFile(size_t size, const wchar_t* path, const void* bytes, bool hasAttributes,
                                     DWORD attributes, bool hasTime, const FILETIME& time) noexcept;

// true when name, taken relative to a folder, stays inside that folder: not
// empty, no leading separator, no drive or stream colon, and no part made
// only of dots and spaces ("..", "...", ". .").
[[nodiscard]] bool IsSafeEntryName(const wchar_t* name, size_t length) noexcept;
