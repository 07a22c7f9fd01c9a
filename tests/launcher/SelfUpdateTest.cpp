// The launcher's self-update chain against the local back-end, used as a
// user would from the tray menu: the check, the offer, the download with its
// progress, the hand-over to SelfUpdate.exe and the launcher's end; and what
// the user sees when there is nothing newer or when the check or the
// download fails. Also the download's rate against the HTTP client alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <regex>

#include "DialogTestSupport.h"
#include "DlgUpdateBase.h"
#include "FakeGameFrame.h"
#include "InetHttpClient.h"
#include "LauncherRun.h"
#include "MainWndMessages.h"
#include "WindowTool.h"

namespace {

using dialogs::SaveSettledScreenshot;
using launcher::Control;
using launcher::LauncherRun;

// A small zip (two text files) served as the update package.
constexpr char kPackageBase64[] =
    "UEsDBBQAAAAAAAAAgV3ACBgpCgAAAAoAAAASAAAAQ29ycmluL3ZlcnNpb24udHh0MS4yLjEwLjANClBLAwQUAAAAAAAAAIFdLlf49LgBAAC4AQAA"
    "EQAAAENvcnJpbi9yZWFkbWUudHh0VmFudGEgMS4yLjEwLjAgdXBkYXRlIHBhY2thZ2UgZm9yIHRoZSBsYXVuY2hlciB0ZXN0cy4NClZhbnRhIDEu"
    "Mi4xMC4wIHVwZGF0ZSBwYWNrYWdlIGZvciB0aGUgbGF1bmNoZXIgdGVzdHMuDQpWYW50YSAxLjIuMTAuMCB1cGRhdGUgcGFja2FnZSBmb3IgdGhl"
    "IGxhdW5jaGVyIHRlc3RzLg0KVmFudGEgMS4yLjEwLjAgdXBkYXRlIHBhY2thZ2UgZm9yIHRoZSBsYXVuY2hlciB0ZXN0cy4NClZhbnRhIDEuMi4x"
    "MC4wIHVwZGF0ZSBwYWNrYWdlIGZvciB0aGUgbGF1bmNoZXIgdGVzdHMuDQpWYW50YSAxLjIuMTAuMCB1cGRhdGUgcGFja2FnZSBmb3IgdGhlIGxh"
    "dW5jaGVyIHRlc3RzLg0KVmFudGEgMS4yLjEwLjAgdXBkYXRlIHBhY2thZ2UgZm9yIHRoZSBsYXVuY2hlciB0ZXN0cy4NClZhbnRhIDEuMi4xMC4w"
    "IHVwZGF0ZSBwYWNrYWdlIGZvciB0aGUgbGF1bmNoZXIgdGVzdHMuDQpQSwECFAMUAAAAAAAAAIFdwAgYKQoAAAAKAAAAEgAAAAAAAAAAAAAAgAEA"
    "AAAAQ29ycmluL3ZlcnNpb24udHh0UEsBAhQDFAAAAAAAAACBXS5X+PS4AQAAuAEAABEAAAAAAAAAAAAAAIABOgAAAENvcnJpbi9yZWFkbWUudHh0"
    "UEsFBgAAAAACAAIAfwAAACECAAAAAA==";
constexpr int kBigPackageBytes = 20 * 1024 * 1024;
// Served in 16 KB pieces 50 ms apart: about 6 s for the whole package.
constexpr int kDripPackageBytes = 2 * 1024 * 1024;
constexpr wchar_t kFailedText[] = L"更新失败，请稍后重试";

std::string Base64Decode(const char* text) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(text, 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) return std::string();
    std::string bytes(size, '\0');
    if (!CryptStringToBinaryA(text, 0, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(&bytes[0]), &size, nullptr,
                              nullptr))
        return std::string();
    bytes.resize(size);
    return bytes;
}

// The update server's answer naming a version and a package on the back-end.
std::string VersionRoute(const std::string& version, const std::string& packagePath) {
    return R"({"path":"/version/get","body_json":{"success":true,"data":{"versionNo":")" + version +
           R"(","url":")" + harness::Narrow(launcher::HttpBase()) + packagePath + R"("}}})";
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

class SelfUpdateTest : public launcher::LauncherTest {
protected:
    void SetUp() override {
        launcher::LauncherTest::SetUp();
        package_ = Base64Decode(kPackageBase64);
        ASSERT_EQ(694u, package_.size());
        ASSERT_TRUE(launcher::Backend().AddRoutes(
            R"([{"path":"/launcher/update/update_pkg.zip","headers":{"Content-Type":"application/zip"},)"
            R"("body_b64":")" + std::string(kPackageBase64) + R"("},)"
            R"({"path":"/launcher/update/update_pkg_slow.zip","delay_ms":3000,"body_b64":")" +
            std::string(kPackageBase64) + R"("},)"
            R"({"path":"/launcher/update/big.zip","body_size":)" + std::to_string(kBigPackageBytes) + "},"
            R"({"path":"/launcher/update/drip.zip","drip_ms":50,"drip_bytes":16384,"body_size":)" +
            std::to_string(kDripPackageBytes) + "}]"));
    }

    // Opens the update chain from the tray menu; the first update dialog.
    static HWND StartUpdateFromTray(const LauncherRun& run) {
        return dialogs::OpenFromTrayMenu(run, L"menu_update", L"DlgUpdate");
    }

    // The visible update dialog whose controls satisfy holds; null after the time-out.
    static HWND WaitForUpdateDialog(const LauncherRun& run, const std::function<bool(const LauncherRun&, HWND)>& holds,
                                    DWORD timeoutMs = 30000) {
        HWND found = nullptr;
        harness::WaitUntil(
            [&] {
                HWND dialog = harness::FindTopWindow(L"DlgUpdate", nullptr, true);
                if (dialog && holds(run, dialog)) found = dialog;
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }
    static bool TextIs(const LauncherRun& run, HWND dialog, const wchar_t* name, const std::wstring& text) {
        Control c;
        return run.FindControl(name, &c, dialog) && c.text == text;
    }
    static bool Has(const LauncherRun& run, HWND dialog, const wchar_t* name) {
        Control c;
        return run.FindControl(name, &c, dialog);
    }
    // The update packages in the program folder's "update" folder.
    static std::vector<std::wstring> Packages(const LauncherRun& run) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((run.Dir() + L"\\update\\update_pkg_*.zip").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    // Runs the check from the tray and takes the offer.
    static bool ChooseUpdate(const LauncherRun& run) {
        if (!StartUpdateFromTray(run)) return false;
        HWND detect = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
            return TextIs(r, d, L"okbtn", L"立即更新");
        });
        return detect && run.Click(L"okbtn", detect);
    }

    std::string package_;
};

TEST_F(SelfUpdateTest, ANewerVersionIsDownloadedAndHandedToTheUpdater) {
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.2.10.0", "/launcher/update/update_pkg_slow.zip")));
    FakeGameFrame player;
    LauncherRun run(L" with space");
    run.WriteIni();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"gameframe=0x"));

    // The check offers the newer version.
    ASSERT_NE(nullptr, StartUpdateFromTray(run)) << run.LogText();
    HWND detect = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"label_desc", L"检测到新版本 V1.2.10.0");
    });
    ASSERT_NE(nullptr, detect) << run.LogText();
    RECT rect = harness::WindowRect(detect);
    EXPECT_EQ(482, rect.right - rect.left);
    EXPECT_EQ(308, rect.bottom - rect.top);
    EXPECT_TRUE(TextIs(run, detect, L"okbtn", L"立即更新"));
    EXPECT_TRUE(TextIs(run, detect, L"label_ver", L"Vanta V1.0.0.1"));
    EXPECT_TRUE(run.LogHas(L"[Info]|need update:1, 1.2.10.0"));
    std::vector<backend::RecordedRequest> checks = launcher::RequestsOf("/version/get");
    ASSERT_FALSE(checks.empty());
    EXPECT_EQ("HTTP/1.0", checks.back().version);
    EXPECT_EQ("Glacio", checks.back().Header("User-Agent"));
    EXPECT_EQ("no-cache", checks.back().Header("Pragma"));
    SaveSettledScreenshot(detect, L"update_detect");

    // The download (its answer held back 3 s): progress above 100 leaves the bar alone.
    ASSERT_TRUE(run.Click(L"okbtn", detect));
    HWND updating = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) { return Has(r, d, L"progress1"); });
    ASSERT_NE(nullptr, updating) << run.LogText();
    EXPECT_TRUE(TextIs(run, updating, L"ver", L"1.2.10.0"));
    harness::PostToWindow(updating, 1035, 40);
    EXPECT_TRUE(WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"label_progress", L"40%");
    }, 5000));
    harness::PostToWindow(updating, 1035, 150);
    Sleep(300);
    EXPECT_TRUE(TextIs(run, updating, L"label_progress", L"40%")) << "150 is no percent";
    SaveSettledScreenshot(updating, L"update_updating");

    HWND complete = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"okbtn", L"立即安装");
    });
    ASSERT_NE(nullptr, complete) << run.LogText();
    EXPECT_TRUE(run.LogHas(L"[Info]|download result:err=0"));
    EXPECT_FALSE(Has(run, complete, L"closebtn")) << "the downloaded package waits for okbtn only";
    SaveSettledScreenshot(complete, L"update_complete");

    // The package is as the server sent it, named after the seconds since the system started.
    std::vector<std::wstring> packages;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((run.Dir() + L"\\update\\update_pkg_*.zip").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do packages.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    ASSERT_EQ(1u, packages.size());
    EXPECT_TRUE(std::regex_match(harness::Narrow(packages[0]), std::regex("update_pkg_[0-9]+\\.zip")));
    const std::wstring packagePath = run.Dir() + L"\\update\\" + packages[0];
    EXPECT_EQ(package_, harness::ReadFileBytes(packagePath));

    // "立即安装": the updater gets the package path unquoted, in the package's folder; the launcher ends.
    ASSERT_TRUE(run.Click(L"okbtn", complete));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    const std::wstring record = run.Dir() + L"\\SelfUpdate.exe.started.txt";
    ASSERT_TRUE(harness::WaitForFile(record, 10000));
    std::string line;
    ASSERT_TRUE(harness::WaitUntil([&] { return (line = harness::ReadFileBytes(record)).find("\r\n") != line.npos; },
                                   10000));
    std::vector<std::string> fields = Split(line.substr(0, line.find("\r\n")), '\t');
    ASSERT_EQ(3u, fields.size()) << line;
    EXPECT_EQ(harness::Narrow(run.Dir() + L"\\update"), fields[1]) << "working folder";
    const std::string exe = harness::Narrow(run.Dir() + L"\\SelfUpdate.exe");
    std::string parameters = fields[2];
    if (parameters.rfind("\"" + exe + "\" ", 0) == 0)
        parameters = parameters.substr(exe.size() + 3);
    else if (parameters.rfind(exe + " ", 0) == 0)
        parameters = parameters.substr(exe.size() + 1);
    EXPECT_EQ(harness::Narrow(packagePath), parameters) << fields[2];
    EXPECT_EQ((std::vector<FakeGameFrame::Message>{{WM_NOTIFY_USER_LOGOUT, 0}}), player.Received());
    EXPECT_TRUE(run.LogHas(L"[Info]|CDlgUpdateComplete the launcher ends for the update"));
}

TEST_F(SelfUpdateTest, NothingNewerAFailedCheckAndAFailedDownloadAreShown) {
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.0.0.1", "/launcher/update/update_pkg.zip")));
    LauncherRun run;
    run.WriteIni();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();

    // The same version: "up to date".
    ASSERT_NE(nullptr, StartUpdateFromTray(run)) << run.LogText();
    HWND latest = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return !Has(r, d, L"label_desc") && Has(r, d, L"label_ver");
    });
    ASSERT_NE(nullptr, latest) << run.LogText();
    EXPECT_TRUE(TextIs(run, latest, L"label_ver", L"Vanta V1.0.0.1"));
    EXPECT_TRUE(run.LogHas(L"[Info]|need update:0, 1.0.0.1"));
    SaveSettledScreenshot(latest, L"update_last");
    ASSERT_TRUE(run.Click(L"okbtn", latest));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(latest); }, 10000));
    Sleep(300);
    EXPECT_EQ(nullptr, harness::FindTopWindow(L"DlgUpdate", nullptr, false)) << "the chain ended";
    EXPECT_TRUE(IsWindowEnabled(window));

    // The server is down: the check says it failed and ends the chain when closed.
    run.SetIniValue(L"main", L"Update_url", L"http://127.0.0.1:9");
    ASSERT_NE(nullptr, StartUpdateFromTray(run));
    HWND failed = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"label_desc", kFailedText);
    });
    ASSERT_NE(nullptr, failed) << run.LogText();
    SaveSettledScreenshot(failed, L"update_detect_failed");
    // Another program's 1035 brings no answer: logged, and the dialog stays as it is.
    harness::PostToWindow(failed, WM_UPDATE_NOTIFY, 0, 0x1234);
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|CDlgUpdate WM_UPDATE_NOTIFY (1035): unknown payload key 0x1234, ignored"))
        << run.LogText();
    EXPECT_TRUE(harness::WindowAnswers(failed, 5000));
    EXPECT_TRUE(TextIs(run, failed, L"label_desc", kFailedText));
    ASSERT_TRUE(run.Click(L"closebtn", failed));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(failed); }, 10000));
    Sleep(300);
    EXPECT_EQ(nullptr, harness::FindTopWindow(L"DlgUpdate", nullptr, false));

    // A package the server does not have: the download says it failed and waits.
    run.SetIniValue(L"main", L"Update_url", launcher::HttpBase());
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.2.10.0", "/launcher/update/missing.zip")));
    ASSERT_NE(nullptr, StartUpdateFromTray(run));
    HWND detect = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"okbtn", L"立即更新");
    });
    ASSERT_NE(nullptr, detect) << run.LogText();
    ASSERT_TRUE(run.Click(L"okbtn", detect));
    HWND updating = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"label_desc", kFailedText);
    });
    ASSERT_NE(nullptr, updating) << run.LogText();
    EXPECT_TRUE(run.LogHas(L"[Info]|download result:err=404"));
    Control ver;
    ASSERT_TRUE(run.FindControl(L"ver", &ver, updating));
    EXPECT_FALSE(ver.visible);
    SaveSettledScreenshot(updating, L"update_updating_failed");
    // Another program's 1036 with "done" names no package: logged, nothing else.
    harness::PostToWindow(updating, WM_UPDATE_DOWNLOAD_RESULT, 0, 0x1234);
    EXPECT_TRUE(run.WaitForLog(
        L"[Warning]|CDlgUpdate WM_UPDATE_DOWNLOAD_RESULT (1036): unknown payload key 0x1234, ignored"))
        << run.LogText();
    EXPECT_TRUE(harness::WindowAnswers(updating, 5000));
    EXPECT_TRUE(TextIs(run, updating, L"label_desc", kFailedText)) << "still the failure";
    ASSERT_TRUE(run.Click(L"okbtn", updating));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(updating); }, 10000));

    // A 20 MB package: the chain's download against the plain client alone,
    // timed just before and just after it (the machine is shared).
    const std::wstring bigUrl = launcher::HttpBase() + L"/launcher/update/big.zip";
    const std::wstring scratch = harness::MakeScratchDir(L"update_" + harness::CurrentTestName() + L"_direct") + L"\\big.zip";
    auto directMs = [&] {
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(0, HttpDownloadToFile(bigUrl.c_str(), scratch.c_str(), nullptr, nullptr, false));
        return static_cast<double>(GetTickCount64() - start);
    };
    double before = directMs();
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.2.10.0", "/launcher/update/big.zip")));
    ASSERT_NE(nullptr, StartUpdateFromTray(run));
    detect = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) { return TextIs(r, d, L"okbtn", L"立即更新"); });
    ASSERT_NE(nullptr, detect) << run.LogText();
    ASSERT_TRUE(run.Click(L"okbtn", detect));
    ASSERT_NE(nullptr, WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"okbtn", L"立即安装");
    }, 120000)) << run.LogText();
    double after = directMs();
    long began = run.LogTimeMs(L"[Info]|CDlgUpdating download " + bigUrl);
    long ended = run.LogTimeMs(L"[Info]|download:0,");
    ASSERT_GE(began, 0);
    ASSERT_GT(ended, began);
    const double megabytes = kBigPackageBytes / 1048576.0;
    double directRate = megabytes * 1000.0 / std::max(1.0, (before + after) / 2);
    double chainRate = megabytes * 1000.0 / static_cast<double>(ended - began);
    std::cout << "benchmark: 20 MB update package " << chainRate << " MB/s in the update dialog, " << directRate
              << " MB/s by the HTTP client alone (" << chainRate / directRate << "x)" << std::endl;
    EXPECT_GE(chainRate / directRate, 0.3) << "several times slower than the client alone";
    // The complete dialog reacts to nothing but okbtn; the run ends here.
}

TEST_F(SelfUpdateTest, AClosedDownloadStopsAndAnUpdaterThatDoesNotStartKeepsTheLauncher) {
    FakeGameFrame player;
    LauncherRun run;
    run.WriteIni();
    ASSERT_TRUE(DeleteFileW((run.Dir() + L"\\SelfUpdate.exe").c_str()));
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"gameframe=0x"));

    // The download dialog closed while the package still comes: the download
    // stops at once and leaves no package behind.
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.2.10.0", "/launcher/update/drip.zip")));
    ASSERT_TRUE(ChooseUpdate(run)) << run.LogText();
    HWND updating = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        Control progress;
        return r.FindControl(L"label_progress", &progress, d) && progress.text != L"0%";
    }, 20000);
    ASSERT_NE(nullptr, updating) << run.LogText();
    ASSERT_TRUE(run.Click(L"closebtn", updating));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(updating); }, 10000));
    ASSERT_TRUE(run.WaitForLog(L"[Info]|download:", 10000)) << "the download thread ended";
    EXPECT_TRUE(run.LogHas(L"[Info]|download:-1,")) << run.LogText();
    EXPECT_FALSE(run.LogHas(L"worker still runs"));
    EXPECT_TRUE(Packages(run).empty()) << harness::Narrow(Packages(run).front());
    Sleep(300);
    EXPECT_EQ(nullptr, harness::FindTopWindow(L"DlgUpdate", nullptr, false)) << "the chain ended";

    // A downloaded package whose updater does not start: the launcher goes on
    // and says so, and the player is told nothing.
    ASSERT_TRUE(launcher::Backend().AddRoutes(VersionRoute("1.2.10.0", "/launcher/update/update_pkg.zip")));
    ASSERT_TRUE(ChooseUpdate(run)) << run.LogText();
    HWND complete = WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"okbtn", L"立即安装");
    });
    ASSERT_NE(nullptr, complete) << run.LogText();
    ASSERT_TRUE(run.Click(L"okbtn", complete));
    EXPECT_TRUE(WaitForUpdateDialog(run, [](const LauncherRun& r, HWND d) {
        return TextIs(r, d, L"label_desc", kFailedText);
    }, 10000)) << run.LogText();
    DWORD code = 0;
    ASSERT_FALSE(run.Process().Wait(0, &code)) << "the launcher ended, code " << code;
    EXPECT_TRUE(run.LogHas(L"[Error]|CDlgUpdateComplete the updater did not start: the launcher goes on"));
    EXPECT_EQ(1u, Packages(run).size()) << "the package stays for the next try";
    SaveSettledScreenshot(complete, L"update_complete_failed");
    ASSERT_TRUE(run.Click(L"okbtn", complete));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(complete); }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));
    EXPECT_TRUE(player.Received().empty());
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
