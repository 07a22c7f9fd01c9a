// The side-program stand-ins record how they were started, beside themselves.
#include "Harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeoutMs = 30000;

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string LocalStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

WORD Subsystem(const std::wstring& exe) {
    std::string bytes = harness::ReadFileBytes(exe);
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    size_t pe = static_cast<size_t>(dos->e_lfanew);
    // Subsystem sits at the same offset in 32- and 64-bit optional headers.
    size_t at = pe + 4 + sizeof(IMAGE_FILE_HEADER) + offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem);
    if (at + sizeof(WORD) > bytes.size()) return 0;
    WORD value = 0;
    memcpy(&value, bytes.data() + at, sizeof(value));
    return value;
}

class SideProgramTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(SideProgramTest, RecordsEachStartBesideItself) {
    const std::wstring name = GetParam();
    const std::wstring shipped = harness::ProgramDir() + L"\\" + name;
    ASSERT_TRUE(harness::FileExists(shipped));
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, Subsystem(shipped));

    // A copy in a folder of its own, so the record belongs to this test.
    std::wstring dir = harness::MakeScratchDir(L"side_" + name);
    std::wstring exe = dir + L"\\" + name;
    ASSERT_TRUE(CopyFileW(shipped.c_str(), exe.c_str(), FALSE));
    std::wstring workDir = harness::MakeScratchDir(L"side_work folder");
    const std::wstring args[] = {L"-s", L"Z:\\pkgs\\更新 包.exe"};

    std::string before = LocalStamp();
    for (const std::wstring& arg : args) {
        harness::ChildProcess child;
        ASSERT_TRUE(child.Start(exe, arg, workDir));
        DWORD code = 1;
        ASSERT_TRUE(child.Wait(kRunTimeoutMs, &code));
        EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    }
    std::string after = LocalStamp();

    std::string record = harness::ReadFileBytes(exe + L".started.txt");
    std::vector<std::string> lines = Split(record, "\r\n");
    ASSERT_EQ(3u, lines.size()) << record;  // two lines, each ended by CR LF
    EXPECT_EQ("", lines[2]);
    for (size_t i = 0; i < 2; ++i) {
        std::vector<std::string> fields = Split(lines[i], "\t");
        ASSERT_EQ(3u, fields.size()) << lines[i];
        EXPECT_LE(before, fields[0]);
        EXPECT_GE(after, fields[0]);
        EXPECT_EQ(harness::Narrow(workDir), fields[1]);
        EXPECT_EQ(harness::Narrow(L"\"" + exe + L"\" " + args[i]), fields[2]);
    }
}

INSTANTIATE_TEST_SUITE_P(Stand_ins, SideProgramTest, ::testing::Values(L"Tolvane.exe", L"SelfUpdate.exe"));

}  // namespace
