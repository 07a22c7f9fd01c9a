// The rules behind the self-update chain and the settings dialog, without a
// window: version comparison and product versions, the update server's
// answer, the package file and the download's outcome, the progress text,
// and what closing the settings dialog writes.
#include <gtest/gtest.h>

#include "GlobalFunc.h"
#include "Harness.h"
#include "LauncherSettings.h"
#include "UniqueHandle.h"
#include "UpdateVersion.h"

namespace {

TEST(CompareVersionTest, ComparesFourNumbersAsNumbers) {
    EXPECT_EQ(1, CompareVersion(L"1.2.10.0", L"1.2.9.9")) << "numbers, not text";
    EXPECT_EQ(-1, CompareVersion(L"1.2.9.9", L"1.2.10.0"));
    EXPECT_EQ(0, CompareVersion(L"1.2.3.4", L"1.2.3.4"));
    EXPECT_EQ(0, CompareVersion(L"1.02.3.4", L"1.2.3.4")) << "equal numbers in other texts";
    EXPECT_EQ(1, CompareVersion(L"2.0.0.0", L"1.99.99.99")) << "the first differing part decides";
    EXPECT_EQ(-1, CompareVersion(L"1.2.3.4", L"1.2.3.5"));
}

TEST(CompareVersionTest, AMalformedVersionIsNeverNewer) {
    EXPECT_EQ(-1, CompareVersion(L"1.2.3", L"1.2.3.4")) << "three parts: no update";
    EXPECT_EQ(-1, CompareVersion(L"1.2.3.4.5", L"1.0.0.0"));
    EXPECT_EQ(-1, CompareVersion(L"", L"1.0.0.0"));
    EXPECT_EQ(-1, CompareVersion(L"1.2.3", L"1.2.3")) << "malformed on both sides";
    EXPECT_EQ(1, CompareVersion(L"1.0.0.0", L"1.2.3")) << "a malformed local version loses";
    EXPECT_EQ(1, CompareVersion(L"0.0.0.1", L"garbage"));
    EXPECT_EQ(1, CompareVersion(L"1..2.3.4", L"1.2.3.3")) << "empty runs between dots do not count";
}

TEST(ProductVersionTest, BlanksGoAndCommasBecomeDots) {
    EXPECT_EQ(L"1.2.3.4", NormalizeProductVersion(L"1, 2, 3, 4"));
    EXPECT_EQ(L"1.2.3.4", NormalizeProductVersion(L"1.2.3.4"));
    EXPECT_EQ(L"0.0.0.0", NormalizeProductVersion(L""));
    EXPECT_EQ(0, CompareVersion(NormalizeProductVersion(L"1, 2, 3, 4"), L"1.2.3.4"));
}

TEST(ProductVersionTest, ReadsTheVersionBlockOfAFile) {
    // The test program carries no version block; the system's kernel32 does.
    EXPECT_EQ(L"0.0.0.0", GetProductVersion(GetModulePath()));
    EXPECT_EQ(L"0.0.0.0", GetProductVersion(harness::TestDir() + L"\\no such file.exe"));
    std::wstring system = GetProductVersion(L"C:\\windows\\system32\\kernel32.dll");
    EXPECT_NE(L"0.0.0.0", system);
    EXPECT_EQ(std::wstring::npos, system.find_first_of(L" ,")) << harness::Narrow(system);
    EXPECT_EQ(L"Vanta V", OwnVersionLabel()) << "no version block: the label has no number";
}

TEST(VersionAnswerTest, AGoodAnswerOffersItsVersionAndPackage) {
    std::wstring version, url;
    EXPECT_EQ(VersionAnswer::Offered,
              ParseVersionAnswer(R"({"success":true,"data":{"versionNo":"1.2.10.0","url":"http://h/p.zip"}})",
                                 &version, &url));
    EXPECT_EQ(L"1.2.10.0", version);
    EXPECT_EQ(L"http://h/p.zip", url);
}

TEST(VersionAnswerTest, AGoodAnswerWithoutVersionOrPackageOffersNothing) {
    struct Case {
        const char* body;
        const wchar_t* version;
    } cases[] = {
        {R"({"success":true,"data":null})", L""},
        {R"({"success":true})", L""},
        {R"({"success":true,"data":{"versionNo":"1.2.10.0"}})", L"1.2.10.0"},
        {R"({"success":true,"data":{"versionNo":1,"url":"http://h/p.zip"}})", L""},
    };
    for (const Case& c : cases) {
        std::wstring version, url;
        EXPECT_EQ(VersionAnswer::NoUpdate, ParseVersionAnswer(c.body, &version, &url)) << c.body;
        EXPECT_EQ(c.version, version) << c.body;
        EXPECT_TRUE(url.empty()) << c.body;
    }
}

TEST(VersionAnswerTest, NoAnswerOrABadOneFails) {
    const char* bodies[] = {
        "",                                         // no network: nothing came
        "<html>502</html>",                         // not JSON
        "[1,2]",                                    // not an object
        R"({"data":{"versionNo":"9.9.9.9","url":"u"}})",  // no "success"
        R"({"success":"true"})",                    // "success" not a bool
        R"({"success":false,"data":{"versionNo":"9.9.9.9","url":"u"}})",
        R"({"success":true,"data":"9.9.9.9"})",     // data neither object nor null
        R"({"success":true,"data":{"versionNo":"9.9.9.9","url":"u"})",  // cut short
    };
    for (const char* body : bodies) {
        std::wstring version, url;
        EXPECT_EQ(VersionAnswer::Failed, ParseVersionAnswer(body, &version, &url)) << body;
    }
}

TEST(VersionAnswerTest, TextsAreReadInTheAnsiCodePage) {
    ASSERT_EQ(936u, GetACP());
    std::string body = "{\"success\":true,\"data\":{\"versionNo\":\"1.0.0.2\",\"url\":\"http://h/" +
                       UnicodeToAnsi(L"更新") + ".zip\"}}";
    std::wstring version, url;
    ASSERT_EQ(VersionAnswer::Offered, ParseVersionAnswer(body, &version, &url));
    EXPECT_EQ(L"http://h/更新.zip", url);
}

TEST(UpdatePackageTest, LivesInTheUpdateFolderNamedAfterTheSeconds) {
    std::wstring folder = UpdatePackageFolder(L"C:\\Program Files\\Vanta");
    EXPECT_EQ(L"C:\\Program Files\\Vanta\\update\\", folder);
    EXPECT_EQ(L"C:\\Program Files\\Vanta\\update\\update_pkg_1234.zip", UpdatePackagePath(folder, 1234999));
    EXPECT_NE(UpdatePackagePath(folder, 1234999), UpdatePackagePath(folder, 1235000)) << "another second";
}

TEST(UpdatePackageTest, ADoneDownloadWithoutItsFileFails) {
    std::wstring dir = harness::MakeScratchDir(L"update_" + harness::CurrentTestName());
    std::wstring file = dir + L"\\update_pkg_1.zip";
    EXPECT_EQ(kUpdateFileMissing, CheckedDownloadResult(0, file));
    ASSERT_TRUE(harness::WriteFileBytes(file, "PK"));
    EXPECT_EQ(0, CheckedDownloadResult(0, file));
    EXPECT_EQ(404, CheckedDownloadResult(404, file)) << "other results stay";
    EXPECT_EQ(-1, CheckedDownloadResult(-1, dir + L"\\gone.zip"));
}

TEST(UpdateProgressTest, PercentsAboveAHundredLeaveTheProgressAlone) {
    std::wstring text = L"unchanged";
    EXPECT_TRUE(UpdateProgressText(0, &text));
    EXPECT_EQ(L"0%", text);
    EXPECT_TRUE(UpdateProgressText(100, &text));
    EXPECT_EQ(L"100%", text);
    EXPECT_FALSE(UpdateProgressText(101, &text));
    EXPECT_FALSE(UpdateProgressText(0xFFFFFFFFul, &text));
    EXPECT_EQ(L"100%", text);
}

// --- What closing the settings dialog writes

class SettingsWriteBackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ini_ = harness::MakeScratchDir(L"settings_" + harness::CurrentTestName()) + L"\\qxtarrow.ini";
        ASSERT_TRUE(harness::WriteFileBytes(ini_, "[main]\r\nAutoRun=1\r\nCloseType=1\r\nLogLevel=63\r\n"));
        original_ = harness::ReadFileBytes(ini_);
    }
    std::wstring Value(const wchar_t* key) const {
        wchar_t value[16] = {};
        GetPrivateProfileStringW(L"main", key, L"", value, _countof(value), ini_.c_str());
        return value;
    }

    std::wstring ini_;
    std::string original_;
    LauncherSettings before_;
};

TEST_F(SettingsWriteBackTest, WritesOnlyWhatChanged) {
    struct Case {
        bool autoRun, closeType;
        bool runValueFollows;
        const wchar_t* autoRunText;
        const wchar_t* closeTypeText;
    } cases[] = {
        {true, true, false, L"1", L"1"},
        {false, true, true, L"0", L"1"},
        {true, false, false, L"1", L"0"},
        {false, false, true, L"0", L"0"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(harness::WriteFileBytes(ini_, original_));
        LauncherSettings after = before_;
        after.autoRun = c.autoRun;
        after.closeType = c.closeType;
        EXPECT_EQ(c.runValueFollows, after.WriteBack(before_, ini_)) << c.autoRun << c.closeType;
        EXPECT_EQ(c.autoRunText, Value(L"AutoRun"));
        EXPECT_EQ(c.closeTypeText, Value(L"CloseType"));
        EXPECT_EQ(L"63", Value(L"LogLevel")) << "other keys stay";
    }
}

TEST_F(SettingsWriteBackTest, NothingChangedWritesNothing) {
    LauncherSettings after = before_;
    after.autoRun = !after.autoRun;
    after.autoRun = !after.autoRun;   // toggled twice
    EXPECT_FALSE(after.WriteBack(before_, ini_));
    EXPECT_EQ(original_, harness::ReadFileBytes(ini_));
    // From CloseType 0: choosing "minimize" again changes nothing either.
    LauncherSettings hiding = before_;
    hiding.closeType = false;
    EXPECT_FALSE(hiding.WriteBack(hiding, ini_));
    EXPECT_EQ(original_, harness::ReadFileBytes(ini_));
}

TEST_F(SettingsWriteBackTest, WhatCouldNotBeWrittenIsNotActedOn) {
    LauncherSettings after = before_;
    after.autoRun = false;
    after.closeType = false;
    {
        // Another program holds the file open without sharing it.
        UniqueFile held(CreateFileW(ini_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held) << GetLastError();
        EXPECT_FALSE(after.WriteBack(before_, ini_)) << "the Run value follows only what was written";
    }
    EXPECT_EQ(original_, harness::ReadFileBytes(ini_));
    EXPECT_TRUE(after.autoRun) << "back to what the file holds";
    EXPECT_TRUE(after.closeType);

    // Written once the file is free again.
    after.autoRun = false;
    after.closeType = false;
    EXPECT_TRUE(after.WriteBack(before_, ini_));
    EXPECT_EQ(L"0", Value(L"AutoRun"));
    EXPECT_EQ(L"0", Value(L"CloseType"));
}

}  // namespace
