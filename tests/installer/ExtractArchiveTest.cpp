// Extraction of 7z packages made by the build with 7zz (make-test-packages.py).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ArchiveExtract.h"
#include "Harness.h"
#include "TestPaths.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using ferrule_test::ListTree;
using ferrule_test::ReadTestPackage;
using ferrule_test::Ticks;

namespace {

const std::wstring kSourceTree = std::wstring(FERRULE_TEST_DATA_DIR) + L"\\tree";
constexpr DWORD kComparedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;

int Extract(const std::wstring& folder, const std::string& package) {
    return ExtractArchive(folder.c_str(), package.size(), package.data());
}

UniqueFile OpenExclusive(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Every file and folder of the source tree is in dest with the same bytes,
// modification time and read-only flag, and dest holds nothing else.
void ExpectSameTree(const std::wstring& dest) {
    const auto source = ListTree(kSourceTree);
    const auto copy = ListTree(dest);
    ASSERT_GE(source.size(), 15u);
    EXPECT_EQ(source.size(), copy.size());
    for (const auto& [name, want] : source) {
        SCOPED_TRACE(harness::Narrow(name));
        const auto got = copy.find(name);
        ASSERT_NE(got, copy.end());
        EXPECT_EQ(want.attributes & kComparedAttributes, got->second.attributes & kComparedAttributes);
        if (want.isFolder) continue;
        EXPECT_EQ(Ticks(want.lastWrite), Ticks(got->second.lastWrite));
        EXPECT_EQ(harness::ReadFileBytes(kSourceTree + L"\\" + name), harness::ReadFileBytes(dest + L"\\" + name));
    }
}

class PackageKinds : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(PackageKinds, ExtractEveryEntryLikeItsSource) {
    const std::string package = ReadTestPackage(GetParam());
    ASSERT_FALSE(package.empty());
    const std::wstring dest = harness::MakeScratchDir(std::wstring(L"ferrule_kind_") + GetParam()) + L"\\out\\";
    EXPECT_EQ(0, Extract(dest, package));
    ExpectSameTree(dest);
}

INSTANTIATE_TEST_SUITE_P(SevenZip, PackageKinds,
                         ::testing::Values(L"solid_lzma2.7z", L"solid_lzma.7z", L"nonsolid_lzma2.7z",
                                           L"nonsolid_lzma.7z", L"bcj_lzma.7z", L"bcj2_lzma.7z", L"ppmd.7z",
                                           L"blocks_lzma2.7z"));

TEST(ExtractFolder, MissingFoldersAreMadeAndASeparatorIsAddedWhenNeeded) {
    const std::string package = ReadTestPackage(L"locked.7z");
    const std::wstring scratch = harness::MakeScratchDir(L"ferrule_folder_text");
    for (const std::wstring tail : {L"\\plain", L"\\slash/", L"\\deep\\er/still\\"}) {
        SCOPED_TRACE(harness::Narrow(tail));
        EXPECT_EQ(0, Extract(scratch + tail, package));
        std::wstring folder = scratch + tail;
        if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
        EXPECT_EQ("content of c-last.txt\r\n", harness::ReadFileBytes(folder + L"c-last.txt"));
    }
    // No sibling named after the folder text plus the entry name.
    EXPECT_FALSE(harness::FileExists(scratch + L"\\plaina-first.txt"));
    EXPECT_EQ(5u, ListTree(scratch + L"\\deep").size());  // er, er\still and the 3 files
}

TEST(ExtractFolder, TextOf2047CharactersOrMoreExtractsNothing) {
    const std::string package = ReadTestPackage(L"locked.7z");
    const std::wstring scratch = harness::MakeScratchDir(L"ferrule_long_folder");
    for (size_t length : {2047u, 3000u, 5000u}) {
        std::wstring folder = scratch + L"\\";
        folder.append(length - folder.size(), L'a');
        EXPECT_EQ(kExtractFolderTooLong, Extract(folder, package)) << length;
    }
    EXPECT_TRUE(ListTree(scratch).empty());
    // One character less is a folder like any other (whether the system takes so long a path or not).
    std::wstring folder = scratch + L"\\";
    folder.append(2046 - folder.size(), L'a');
    EXPECT_NE(kExtractFolderTooLong, Extract(folder, package));
}

TEST(ExtractFolder, NameOf2046CharactersOrMoreStopsTheExtraction) {
    const std::wstring dest = harness::MakeScratchDir(L"ferrule_long_name") + L"\\";
    EXPECT_EQ(kExtractNameTooLong, Extract(dest, ReadTestPackage(L"long2046.7z")));
    EXPECT_EQ("short\r\n", harness::ReadFileBytes(dest + L"a-short.txt"));
    EXPECT_EQ(1u, ListTree(dest).size());
    // One character less is a name like any other (whether the system takes so long a path or not).
    EXPECT_NE(kExtractNameTooLong, Extract(dest, ReadTestPackage(L"long2045.7z")));
}

TEST(ExtractLocked, LaterFilesStillExtractAndTheLastFileDecides) {
    const std::string package = ReadTestPackage(L"locked.7z");
    const std::wstring dest = harness::MakeScratchDir(L"ferrule_locked") + L"\\";
    {
        UniqueFile middle = OpenExclusive(dest + L"b-middle.txt");
        ASSERT_TRUE(middle);
        EXPECT_EQ(0, Extract(dest, package));
    }
    EXPECT_EQ("content of a-first.txt\r\n", harness::ReadFileBytes(dest + L"a-first.txt"));
    EXPECT_EQ("", harness::ReadFileBytes(dest + L"b-middle.txt"));
    EXPECT_EQ("content of c-last.txt\r\n", harness::ReadFileBytes(dest + L"c-last.txt"));

    UniqueFile last = OpenExclusive(dest + L"c-last.txt");
    ASSERT_TRUE(last);
    EXPECT_EQ(kWriteCannotCreate, Extract(dest, package));
    EXPECT_EQ("content of b-middle.txt\r\n", harness::ReadFileBytes(dest + L"b-middle.txt"));
}

TEST(ExtractUnsafeNames, EntriesLeavingTheFolderAreSkipped) {
    for (const wchar_t* name : {L"unsafe.7z", L"unsafe_patched.7z"}) {
        SCOPED_TRACE(harness::Narrow(name));
        const std::string package = ReadTestPackage(name);
        const std::wstring scratch = harness::MakeScratchDir(std::wstring(L"ferrule_") + name);
        const std::wstring dest = scratch + L"\\one\\two\\";
        EXPECT_EQ(0, Extract(dest, package));  // the last entry is a plain name
        const auto all = ListTree(scratch);
        EXPECT_EQ(4u, all.size());  // one, one\two and the two plain files
        EXPECT_TRUE(all.count(L"one\\two\\a-first.txt"));
        EXPECT_TRUE(all.count(L"one\\two\\z-last.txt"));
    }
}

TEST(ExtractBadPackages, AreRefusedOrStopWithTheDecoderError) {
    const std::wstring dest = harness::MakeScratchDir(L"ferrule_bad") + L"\\";
    const std::string good = ReadTestPackage(L"solid_lzma2.7z");
    ASSERT_GT(good.size(), 4096u);
    EXPECT_EQ(kExtractEmptyPackage, Extract(dest, std::string()));
    EXPECT_EQ(kExtractBadArchive, Extract(dest, std::string(4096, 'x')));
    EXPECT_EQ(kExtractBadArchive, Extract(dest, good.substr(0, good.size() / 2)));
    EXPECT_EQ(kExtractBadArchive, Extract(dest, good.substr(0, good.size() - 1)));
    EXPECT_TRUE(ListTree(dest).empty());

    std::string corrupt = good;
    for (size_t i = 200; i < 400; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const int result = Extract(dest, corrupt);
    EXPECT_GT(result, 0);  // the decoder's own code
    for (const auto& [name, entry] : ListTree(dest)) {
        // Folders and empty files need no decoding; nothing decoded was written.
        if (!entry.isFolder) {
            EXPECT_EQ("", harness::ReadFileBytes(dest + name)) << harness::Narrow(name);
        }
    }
}

TEST(WriteExtractedFile, FailedWriteLeavesNoFile) {
    const std::wstring path = harness::MakeScratchDir(L"ferrule_write_fail") + L"\\half.bin";
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    // Two pages of which only the first can be read: the write stops half way.
    auto* bytes = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(nullptr, bytes);
    memset(bytes, 'x', page);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(bytes + page, page, PAGE_NOACCESS, &old));
    const FILETIME time{};
    EXPECT_EQ(kWriteIncomplete, WriteExtractedFile(2 * page, path.c_str(), bytes, false, 0, false, time));
    EXPECT_FALSE(harness::FileExists(path));
    ::VirtualFree(bytes, 0, MEM_RELEASE);
}

TEST(WriteExtractedFile, SetsAttributesAndTimeWhenGiven) {
    const std::wstring dir = harness::MakeScratchDir(L"ferrule_write_attr");
    const FILETIME time{0x89ABCDEF, 0x01D50000};  // 100 ns resolution
    // As 7-Zip on Linux stores them: POSIX mode above, read-only and archive below.
    const DWORD posixStyle = (0100444u << 16) | 0x8000 | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    const std::wstring a = dir + L"\\a.txt";
    EXPECT_EQ(kWriteOk, WriteExtractedFile(3, a.c_str(), "abc", true, posixStyle, true, time));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(a.c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    // The one time of the archive is the file's creation, access and write time.
    EXPECT_EQ(Ticks(time), Ticks(data.ftCreationTime));
    EXPECT_EQ(Ticks(time), Ticks(data.ftLastAccessTime));
    EXPECT_EQ(Ticks(time), Ticks(data.ftLastWriteTime));
    EXPECT_EQ("abc", harness::ReadFileBytes(a));

    const std::wstring b = dir + L"\\b.txt";
    EXPECT_EQ(kWriteOk, WriteExtractedFile(0, b.c_str(), nullptr, false, 0, false, time));
    ASSERT_TRUE(::GetFileAttributesExW(b.c_str(), GetFileExInfoStandard, &data));
    EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(Ticks(time), Ticks(data.ftLastWriteTime));

    EXPECT_EQ(kWriteCannotCreate, WriteExtractedFile(3, (dir + L"\\no\\such\\c.txt").c_str(), "abc", false, 0,
                                                     false, time));
}

TEST(WriteExtractedFile, ReplacesAReadOnlyFile) {
    const std::wstring path = harness::MakeScratchDir(L"ferrule_write_readonly") + L"\\license.txt";
    const FILETIME time{0x89ABCDEF, 0x01D50000};
    EXPECT_EQ(kWriteOk, WriteExtractedFile(3, path.c_str(), "old", true, FILE_ATTRIBUTE_READONLY, true, time));
    ASSERT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    // Written again by an entry that defines no attributes: the file is
    // replaced and ends as a plain file. (Windows refuses to replace a
    // read-only file, so the attribute must be gone before the write.)
    EXPECT_EQ(kWriteOk, WriteExtractedFile(3, path.c_str(), "new", false, 0, false, time));
    EXPECT_EQ("new", harness::ReadFileBytes(path));
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY) << attributes;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(IsSafeEntryName, RefusesNamesThatLeaveTheFolder) {
    for (const wchar_t* name : {L"a.txt", L"a/b/c.txt", L"a\\b", L"..a", L"a..", L"a/..b/c", L"中文/文件.txt",
                                L"a/b/"}) {
        EXPECT_TRUE(IsSafeEntryName(name, wcslen(name))) << harness::Narrow(name);
    }
    for (const wchar_t* name : {L"", L"..", L"../a", L"..\\a", L"a/../../b", L"a/..", L"/a", L"\\a",
                                L"\\\\server\\share\\a", L"C:\\a", L"C:a", L"a:stream", L"...\\a", L". .\\a",
                                L"a/./b"}) {
        EXPECT_FALSE(IsSafeEntryName(name, wcslen(name))) << harness::Narrow(name);
    }
    // Only the given length counts.
    EXPECT_TRUE(IsSafeEntryName(L"ab/..", 2));
}

}  // namespace
