#pragma once
// A package index as the download server sends it. Text, UTF-8, one item a
// line:
//   ORVPKG 1
//   version <n>
//   blocksize 32768
//   files <count>
//   file <size> <relative name>      then one SHA-1 (40 hex digits) per block
//   ...
//   end
// Everything in it is outside input: Parse refuses absurd counts and sizes,
// and names that could reach outside the game folder, and makes room only
// for what the text itself holds, never for what a count or size claims.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvdown {

constexpr uint32_t kBlockSize = 32768;
constexpr size_t kMaxIndexBytes = 64u << 20;
constexpr uint32_t kMaxFiles = 100000;
constexpr uint64_t kMaxPackageBytes = 1ull << 40;
constexpr size_t kMaxNameBytes = 1024;

using BlockHash = std::array<uint8_t, 20>;

struct PkgFile {
    std::string name;      // as sent (UTF-8), separators unified to '\'
    std::wstring relPath;  // the same, for the file system
    uint64_t size = 0;
    std::vector<BlockHash> blocks;
};

struct PkgIndex {
    uint32_t version = 0;
    std::vector<PkgFile> files;
    uint64_t TotalBytes() const;
    uint32_t TotalBlocks() const;
};

// Blocks a file of this size has.
uint32_t BlockCountOf(uint64_t size);
// Size of block i of a file.
uint32_t BlockBytes(uint64_t fileSize, uint32_t block);

// false with a reason on any fault of the text.
bool ParsePkgIndex(const std::string& text, PkgIndex* out, std::wstring* error);

// A relative name that stays inside the folder it is joined to.
bool IsSafeRelativeName(const std::wstring& name);

}  // namespace orvdown
