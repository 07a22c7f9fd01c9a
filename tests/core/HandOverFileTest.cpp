// The hand-over file codec: the launcher's text-mode writer and the player's
// reader, through real files in a scratch folder.
#include "HandOverFile.h"

#include <gtest/gtest.h>

#include <string>

#include "Harness.h"
#include "LogWriter.h"

namespace {

class HandOverFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::MakeScratchDir(L"handover_codec");
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + L"\\0.txt";
    }
    std::wstring RoundTrip(const std::wstring& text) {
        EXPECT_TRUE(WriteHandOverFile(path_, text));
        std::wstring back = L"untouched";
        EXPECT_TRUE(ReadHandOverFile(path_, &back));
        return back;
    }

    std::wstring dir_;
    std::wstring path_;
};

TEST_F(HandOverFileTest, TextWithLineFeedAndSubstituteBytesInsideUnitsSurvives) {
    // U+4E00 holds a 0x00 byte, U+4E0A a 0x0A byte, U+4E1A "业" a 0x1A byte,
    // U+0A0D both line-end bytes the other way round.
    const std::wstring text = L"一上业\x0A0D\x0D0A|a\r\nb\n\rc\tHeaderImagePath=C:\\头像.png";
    EXPECT_EQ(text, RoundTrip(text));
    // The writer is a text-mode stream: "上" = 0A 4E is stored as 0D 0A 4E.
    ASSERT_TRUE(WriteHandOverFile(path_, L"上"));
    EXPECT_EQ(std::string("\x0D\x0A\x4E", 3), harness::ReadFileBytes(path_));
}

TEST_F(HandOverFileTest, EmptyTextIsAnEmptyFileAndReadsEmpty) {
    EXPECT_EQ(L"", RoundTrip(L""));
    EXPECT_TRUE(harness::FileExists(path_));
    EXPECT_EQ("", harness::ReadFileBytes(path_));
}

TEST_F(HandOverFileTest, OddLastByteIsDroppedAndZeroUnitEndsTheText) {
    ASSERT_TRUE(harness::WriteFileBytes(path_, std::string("a\0b\0c", 5)));
    std::wstring text;
    ASSERT_TRUE(ReadHandOverFile(path_, &text));
    EXPECT_EQ(L"ab", text);
    ASSERT_TRUE(harness::WriteFileBytes(path_, std::string("a\0\0\0b\0", 6)));
    ASSERT_TRUE(ReadHandOverFile(path_, &text));
    EXPECT_EQ(L"a", text);
}

TEST_F(HandOverFileTest, LongerTextIsCutAtTheCapWithAWarning) {
    LogWriter::GetInstance()->levelMask = 0x7F;
    // Line feeds double on disk: the cap counts the text, not the stored bytes.
    std::wstring text(kHandOverMaxBytes / 2 - 1, L'\x0A0A');
    text += L"xy";
    std::wstring back = RoundTrip(text);
    EXPECT_EQ(kHandOverMaxBytes / 2, back.size());
    EXPECT_EQ(text.substr(0, kHandOverMaxBytes / 2), back);
    const std::string log = harness::LogText(LogWriter::GetInstance()->LogFolder(), L"core_tests");
    EXPECT_NE(std::string::npos, log.find("[Warning]|hand-over file " + harness::Narrow(path_))) << log;
    // Exactly the cap is not cut.
    text.resize(kHandOverMaxBytes / 2);
    EXPECT_EQ(text, RoundTrip(text));
}

TEST(HandOverBytes, UndoesExactlyTheWritersLineFeedTranslation) {
    bool cut = true;
    // 0D 0D 0A stored for 0D 0A; a lone 0D and a lone 0A stay as they are.
    EXPECT_EQ(std::wstring(L"\x0A0D"), DecodeHandOverBytes(std::string("\x0D\x0D\x0A", 3), &cut));
    EXPECT_FALSE(cut);
    EXPECT_EQ(std::wstring(L"\x0D0A"), DecodeHandOverBytes(std::string("\x0A\x0D", 2), &cut));
    EXPECT_EQ(std::wstring(L"\x1A1A"), DecodeHandOverBytes(std::string("\x1A\x1A", 2), &cut));
    EXPECT_EQ(std::wstring(), DecodeHandOverBytes(std::string(), nullptr));
}

TEST(HandOverPaths, TempFolderOfTheProgramFolder) {
    EXPECT_EQ(L"C:\\app\\Temp\\7.txt", HandOverRequestPath(L"C:\\app\\", 7));
    EXPECT_EQ(L"C:\\app\\Temp\\4294967295.txt", HandOverRequestPath(L"C:\\app\\", 4294967295u));
    EXPECT_EQ(L"C:\\app\\Temp\\10002.txt", HandOverFilePath(L"C:\\app\\", kUserFileName));
}

TEST_F(HandOverFileTest, MissingFileIsReportedAndWriterWithoutFileFails) {
    std::wstring text = L"kept";
    EXPECT_FALSE(ReadHandOverFile(dir_ + L"\\none.txt", &text));
    EXPECT_EQ(L"kept", text);
    HandOverFileWriter writer;
    EXPECT_FALSE(writer.Write(L"x"));
    EXPECT_FALSE(writer.Open(dir_ + L"\\no such folder\\1.txt"));
}

}  // namespace
