// The look-in stream the 7z decoder reads the package through.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryLookStream.h"

namespace {

constexpr size_t kSize = 100000;

std::string Bytes() {
    std::string bytes(kSize, '\0');
    for (size_t i = 0; i < kSize; ++i) bytes[i] = static_cast<char>(i * 7);
    return bytes;
}

TEST(MemoryLookStream, LookOffersPiecesOfThePackageWithoutMoving) {
    const std::string bytes = Bytes();
    MemoryLookStream s(bytes.data(), bytes.size());
    const void* buf = nullptr;
    size_t size = kSize;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));
    EXPECT_EQ(MemoryLookStream::kMaxChunk, size);
    EXPECT_EQ(bytes.data(), buf);
    size = 10;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(0u, s.pos);

    ASSERT_EQ(SZ_OK, s.vt.Skip(&s.vt, kSize - 5));
    size = 100;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));
    EXPECT_EQ(5u, size);
    EXPECT_EQ(bytes.data() + kSize - 5, buf);
    ASSERT_EQ(SZ_OK, s.vt.Skip(&s.vt, 5));
    size = 100;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));
    EXPECT_EQ(0u, size);  // end of the package
    EXPECT_EQ(SZ_ERROR_INPUT_EOF, s.vt.Skip(&s.vt, 1));
    EXPECT_EQ(kSize, s.pos);
}

TEST(MemoryLookStream, ReadCopiesAtMostAPieceAndAdvances) {
    const std::string bytes = Bytes();
    MemoryLookStream s(bytes.data(), bytes.size());
    std::vector<char> out(kSize);
    size_t size = kSize;
    ASSERT_EQ(SZ_OK, s.vt.Read(&s.vt, out.data(), &size));
    EXPECT_EQ(MemoryLookStream::kMaxChunk, size);
    EXPECT_EQ(bytes.substr(0, size), std::string(out.data(), size));
    EXPECT_EQ(size, s.pos);

    // The SDK's read-all helper gets the rest piece by piece, then reports the end.
    ASSERT_EQ(SZ_OK, LookInStream_Read(&s.vt, out.data(), kSize - MemoryLookStream::kMaxChunk));
    EXPECT_EQ(bytes.substr(MemoryLookStream::kMaxChunk), std::string(out.data(), kSize - MemoryLookStream::kMaxChunk));
    EXPECT_EQ(SZ_ERROR_INPUT_EOF, LookInStream_Read(&s.vt, out.data(), 1));
}

TEST(MemoryLookStream, SeekStaysInsideThePackage) {
    const std::string bytes = Bytes();
    MemoryLookStream s(bytes.data(), bytes.size());
    Int64 pos = 1000;
    ASSERT_EQ(SZ_OK, s.vt.Seek(&s.vt, &pos, SZ_SEEK_SET));
    EXPECT_EQ(1000, pos);
    pos = -200;
    ASSERT_EQ(SZ_OK, s.vt.Seek(&s.vt, &pos, SZ_SEEK_CUR));
    EXPECT_EQ(800, pos);
    pos = 0;
    ASSERT_EQ(SZ_OK, s.vt.Seek(&s.vt, &pos, SZ_SEEK_END));
    EXPECT_EQ(static_cast<Int64>(kSize), pos);
    pos = -10;
    ASSERT_EQ(SZ_OK, s.vt.Seek(&s.vt, &pos, SZ_SEEK_END));
    EXPECT_EQ(static_cast<Int64>(kSize - 10), s.pos);

    for (auto [offset, origin] : {std::pair<Int64, ESzSeek>{-1, SZ_SEEK_SET}, {kSize + 1, SZ_SEEK_SET},
                                  {11, SZ_SEEK_CUR}, {1, SZ_SEEK_END}, {-static_cast<Int64>(kSize) - 1, SZ_SEEK_END},
                                  {INT64_MIN, SZ_SEEK_CUR}, {INT64_MAX, SZ_SEEK_END}}) {
        pos = offset;
        EXPECT_EQ(SZ_ERROR_INPUT_EOF, s.vt.Seek(&s.vt, &pos, origin)) << offset << " from " << origin;
        EXPECT_EQ(static_cast<Int64>(kSize - 10), s.pos);
    }
}

TEST(MemoryLookStream, ProgressGetsTheShareHandedOut) {
    const std::string bytes = Bytes();
    MemoryLookStream s(bytes.data(), bytes.size());
    std::vector<double> seen;
    s.progress = [](void* user, double fraction) { static_cast<std::vector<double>*>(user)->push_back(fraction); };
    s.progressUser = &seen;
    std::vector<char> out(kSize);
    size_t size = 25000;
    ASSERT_EQ(SZ_OK, s.vt.Read(&s.vt, out.data(), &size));
    const void* buf = nullptr;
    size = 25000;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));
    size = 0;
    ASSERT_EQ(SZ_OK, s.vt.Look(&s.vt, &buf, &size));  // nothing asked, nothing counted
    ASSERT_EQ(2u, seen.size());
    EXPECT_DOUBLE_EQ(0.25, seen[0]);
    EXPECT_DOUBLE_EQ(0.5, seen[1]);
}

}  // namespace
