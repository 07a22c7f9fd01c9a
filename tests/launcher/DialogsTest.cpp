// The small dialogs the launcher opens from its title-bar menu, used as a
// user would: the about box, the settings dialog and its write-back, the
// screenshot-folder dialog.
#include <gtest/gtest.h>

#include <cwchar>

#include "DialogTestSupport.h"
#include "LauncherRun.h"
#include "UniqueHandle.h"
#include "WindowTool.h"

namespace {

using dialogs::OpenFromTitleMenu;
using dialogs::SaveSettledScreenshot;
using launcher::Control;
using launcher::LauncherRun;

// The dialog's control tree as the seam sends it, for a failure's message.
std::string TreeText(HWND window) {
    std::wstring text;
    bool answered = DuiLib::SkinSeamQueryTree(window, &text, 10000);
    return (answered ? "tree:\n" : "no answer; IsWindow=" + std::to_string(IsWindow(window) != FALSE) + "\n") +
           harness::Narrow(text);
}

// Top-level windows of the class that are shown.
struct WindowCount {
    const wchar_t* className;
    size_t count;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowCount*>(param);
    wchar_t name[64] = {};
    GetClassNameW(window, name, _countof(name));
    search->count += IsWindowVisible(window) && wcscmp(name, search->className) == 0;
    return TRUE;
}

size_t VisibleWindows(const wchar_t* className) {
    WindowCount search = {className, 0};
    EnumWindows(&CountVisible, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

bool IsSelected(const Control& c) { return c.selected; }
bool IsNotSelected(const Control& c) { return !c.selected; }

class DialogsTest : public launcher::LauncherTest {
protected:
    static void ExpectCentredOn(HWND dialog, HWND owner, int width, int height) {
        EXPECT_EQ(owner, GetWindow(dialog, GW_OWNER));
        EXPECT_TRUE(dialogs::WaitUntilCentred(dialog)) << "a modal dialog sits in the middle of the main window";
        RECT d = harness::WindowRect(dialog);
        EXPECT_EQ(width, d.right - d.left);
        EXPECT_EQ(height, d.bottom - d.top);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    }
};

TEST_F(DialogsTest, AboutShowsTheProductVersion) {
    LauncherRun run;
    run.WriteIni();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();

    HWND about = OpenFromTitleMenu(run, L"menu_about", L"DlgAbout");
    ASSERT_NE(nullptr, about) << run.LogText();
    wchar_t title[64] = {};
    GetWindowTextW(about, title, _countof(title));
    EXPECT_STREQ(L"关于Vanta", title);
    ExpectCentredOn(about, window, 482, 308);
    EXPECT_FALSE(IsWindowEnabled(window)) << "modal";
    Control version;
    ASSERT_TRUE(run.FindControl(L"label_ver", &version, about));
    EXPECT_EQ(L"Vanta V1.0.0.1", version.text);
    SaveSettledScreenshot(about, L"dialog_about");
    ASSERT_TRUE(run.Click(L"okbtn", about));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(about); }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(DialogsTest, SettingsWriteWhatChangedWhenTheDialogCloses) {
    launcher::RunValue runValue;
    // Installed in a folder whose name has a space, as under "Program Files".
    LauncherRun run(L"", L" Vanta Games");
    run.WriteIni();
    run.SetIniValue(L"main", L"AutoRun", L"1");
    const std::wstring ini = run.Dir() + L"\\qxtarrow.ini";
    // An earlier launcher wrote the path without quotes: read back as the same program.
    ASSERT_TRUE(runValue.Write(run.ExePath()));
    EXPECT_EQ(run.ExePath(), runValue.Read());
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    EXPECT_EQ(L"\"" + run.ExePath() + L"\"", runValue.Text())
        << "in quotes, so that Windows cannot take a program at the space instead";
    ASSERT_EQ(run.ExePath(), runValue.Read()) << "AutoRun on refreshes the Run value";

    // Toggled twice and closed: nothing is written.
    std::string before = harness::ReadFileBytes(ini);
    HWND dialog = OpenFromTitleMenu(run, L"menu_setting", L"SettingDlg");
    ASSERT_NE(nullptr, dialog) << run.LogText();
    ExpectCentredOn(dialog, window, 580, 444);
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsSelected, 5000, dialog)) << "AutoRun is on";
    Control option;
    ASSERT_TRUE(run.FindControl(L"exit", &option, dialog));
    EXPECT_TRUE(option.selected) << "CloseType 1: close quits";
    ASSERT_TRUE(run.FindControl(L"minimize", &option, dialog));
    EXPECT_FALSE(option.selected);
    SaveSettledScreenshot(dialog, L"dialog_setting");
    ASSERT_TRUE(run.Click(L"auto_start", dialog));
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsNotSelected, 5000, dialog));
    ASSERT_TRUE(run.Click(L"auto_start", dialog));
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsSelected, 5000, dialog));
    ASSERT_TRUE(run.Click(L"okbtn", dialog));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|~CSettingDlg()"));
    EXPECT_EQ(before, harness::ReadFileBytes(ini)) << "toggling twice writes nothing";
    EXPECT_EQ(run.ExePath(), runValue.Read());

    // Autostart off and close to the tray while another program holds the
    // file: nothing is written, so nothing is acted on either.
    dialog = OpenFromTitleMenu(run, L"menu_setting", L"SettingDlg");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(run.Click(L"auto_start", dialog));
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsNotSelected, 5000, dialog));
    ASSERT_TRUE(run.Click(L"minimize", dialog));
    ASSERT_TRUE(run.WaitForControl(L"minimize", IsSelected, 5000, dialog));
    {
        UniqueFile held(CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held) << GetLastError();
        ASSERT_TRUE(run.Click(L"okbtn", dialog));
        ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
        EXPECT_TRUE(run.WaitForLog(L"[Error]|write [main] AutoRun=0 to " + ini + L" failed")) << run.LogText();
        EXPECT_TRUE(run.LogHas(L"[Error]|write [main] CloseType=0 to " + ini + L" failed"));
    }
    EXPECT_EQ(before, harness::ReadFileBytes(ini));
    EXPECT_EQ(L"\"" + run.ExePath() + L"\"", runValue.Text()) << "the Run value follows only what was written";
    // The dialog shows what is stored.
    dialog = OpenFromTitleMenu(run, L"menu_setting", L"SettingDlg");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsSelected, 5000, dialog));
    ASSERT_TRUE(run.FindControl(L"exit", &option, dialog));
    EXPECT_TRUE(option.selected) << "close still quits";

    // Now written.
    ASSERT_TRUE(run.Click(L"auto_start", dialog));
    ASSERT_TRUE(run.WaitForControl(L"auto_start", IsNotSelected, 5000, dialog));
    ASSERT_TRUE(run.Click(L"minimize", dialog));
    ASSERT_TRUE(run.WaitForControl(L"minimize", IsSelected, 5000, dialog));
    // Another page of the dialog, and an unknown click is only logged.
    ASSERT_TRUE(run.Click(L"download_btn", dialog));
    ASSERT_TRUE(run.WaitForControl(L"mode1_btn", [](const Control& c) { return c.visible; }, 5000, dialog));
    ASSERT_TRUE(run.Click(L"okbtn", dialog));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|~CSettingDlg()"));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return run.IniValue(L"main", L"CloseType") == L"0" && run.IniValue(L"main", L"AutoRun") == L"0"; },
        5000));
    EXPECT_EQ(L"", runValue.Read()) << "the Run value is removed";
    EXPECT_TRUE(run.LogHas(L"[Debug]|CSettingDlg AutoStart btn selected"));
    EXPECT_TRUE(run.LogHas(L"[Debug]|CSettingDlg minimize btn selected"));
    EXPECT_TRUE(run.LogHas(L"[Debug]|CSettingDlg download btn is clicked"));

    // The new close rule holds at once: the close button hides the window.
    ASSERT_TRUE(run.Click(L"closebtn"));
    EXPECT_TRUE(harness::WaitUntilHidden(window, 10000));
    DWORD code = 1;
    EXPECT_FALSE(run.Process().Wait(1000, &code));
    harness::PostToWindow(window, WM_CLOSE);
    ASSERT_TRUE(run.Process().Wait(30000, &code));
    EXPECT_EQ(0u, code);
}

// The tray stays usable while a dialog runs: its dialog items open no
// second dialog over the first but bring the open one to the front, and the
// main window stays disabled under it until it closes.
TEST_F(DialogsTest, TrayItemsBringTheOpenDialogToTheFrontInsteadOfOpeningAnother) {
    LauncherRun run;
    run.WriteIni();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    HWND dialog = OpenFromTitleMenu(run, L"menu_setting", L"SettingDlg");
    ASSERT_NE(nullptr, dialog) << run.LogText();
    // Another program's window is in front meanwhile.
    HWND other = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"other program", WS_POPUP | WS_VISIBLE, 0, 0, 120, 60,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, other);

    for (const wchar_t* item : {L"menu_setting", L"menu_about", L"menu_update"}) {
        SetForegroundWindow(other);
        ASSERT_EQ(other, GetForegroundWindow());
        const size_t fronted = run.CountLog(L"[Debug]|CMainWnd a dialog runs: it comes to the front");
        HWND menu = dialogs::OpenTrayMenu(run);
        ASSERT_NE(nullptr, menu) << run.LogText();
        ASSERT_TRUE(run.Click(item, menu));
        EXPECT_TRUE(harness::WaitUntil(
            [&] { return run.CountLog(L"[Debug]|CMainWnd a dialog runs: it comes to the front") > fronted; }, 10000))
            << harness::Narrow(item);
        ASSERT_TRUE(dialogs::WaitUntilResponsive(dialog));
        EXPECT_EQ(1u, VisibleWindows(L"SettingDlg")) << harness::Narrow(item);
        EXPECT_EQ(nullptr, harness::FindTopWindow(L"DlgAbout", nullptr, false)) << harness::Narrow(item);
        EXPECT_EQ(nullptr, harness::FindTopWindow(L"DlgUpdate", nullptr, false)) << harness::Narrow(item);
        EXPECT_TRUE(harness::WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5000))
            << harness::Narrow(item);
        EXPECT_FALSE(IsWindowEnabled(window)) << "the dialog still holds the main window";
    }
    DestroyWindow(other);

    // The login asked for meanwhile (by a page, or posted by any program): the
    // running dialog comes to the front and no login dialog opens over it.
    const size_t fronted = run.CountLog(L"[Debug]|CMainWnd a dialog runs: it comes to the front");
    PostMessageW(window, 5027, 0, 0);
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return run.CountLog(L"[Debug]|CMainWnd a dialog runs: it comes to the front") > fronted; }, 10000));
    ASSERT_TRUE(dialogs::WaitUntilResponsive(dialog));
    EXPECT_EQ(nullptr, harness::FindTopWindow(L"LoginDlg", nullptr, false)) << "no login dialog over the settings";

    // Closed, it leaves the main window as it found it; the next one opens as usual.
    ASSERT_TRUE(run.Click(L"okbtn", dialog));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));
    HWND about = dialogs::OpenFromTrayMenu(run, L"menu_about", L"DlgAbout");
    ASSERT_NE(nullptr, about) << run.LogText();
    EXPECT_EQ(0u, VisibleWindows(L"SettingDlg"));
    ASSERT_TRUE(run.Click(L"okbtn", about));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(about); }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(DialogsTest, ScreenshotFolderIsStoredForThePlayer) {
    LauncherRun run;
    run.WriteIni();
    run.SetIniValue(L"main", L"ScreenshotPath", L"shots");
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    const std::wstring folder = run.Dir() + L"\\shots";
    EXPECT_EQ(folder, run.IniValue(L"WebGame", L"ScreenshotFullPath"));

    // The folder went missing meanwhile: the dialog makes it again and shows it.
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    HWND dialog = OpenFromTitleMenu(run, L"menu_screenshot", L"DlgScreenshot");
    ASSERT_NE(nullptr, dialog) << run.LogText();
    ExpectCentredOn(dialog, window, 482, 308);
    Control edit;
    ASSERT_TRUE(run.FindControl(L"selected_path_edit", &edit, dialog));
    EXPECT_EQ(folder, edit.text);
    EXPECT_TRUE(harness::FileExists(folder));
    SaveSettledScreenshot(dialog, L"dialog_screenshot");

    // The folder picker cancelled: nothing changes.
    ASSERT_TRUE(run.Click(L"browsebtn", dialog));
    HWND picker = harness::WaitForTopWindow(L"#32770", L"浏览目录", true, 10000);
    ASSERT_NE(nullptr, picker) << "the shell's folder picker";
    SaveSettledScreenshot(picker, L"dialog_screenshot_picker");
    harness::PostToWindow(picker, WM_COMMAND, IDCANCEL);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(picker); }, 10000));
    // The shell takes its time to let go of the picker on a loaded machine.
    ASSERT_TRUE(dialogs::WaitUntilResponsive(dialog, 30000));
    EXPECT_TRUE(run.WaitForControl(L"selected_path_edit", [](const Control& c) { return !c.name.empty(); }, 10000,
                                   dialog))
        << TreeText(dialog);
    ASSERT_TRUE(run.FindControl(L"selected_path_edit", &edit, dialog));
    EXPECT_EQ(folder, edit.text);
    ASSERT_TRUE(run.Click(L"closebtn", dialog));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_EQ(folder, run.IniValue(L"WebGame", L"ScreenshotFullPath"));

    // An edited path is stored as it is written, existing or not.
    dialog = OpenFromTitleMenu(run, L"menu_screenshot", L"DlgScreenshot");
    ASSERT_NE(nullptr, dialog);
    HWND nativeEdit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    ASSERT_NE(nullptr, nativeEdit);
    const std::wstring ini = run.Dir() + L"\\qxtarrow.ini";
    const std::wstring edited = run.Dir() + L"\\截图 新";
    SendMessageW(nativeEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(edited.c_str()));
    ASSERT_TRUE(run.Click(L"okbtn", dialog));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return run.IniValue(L"WebGame", L"ScreenshotFullPath") == edited; }, 5000));

    // Another path while another program holds the file: not stored, so the
    // launcher keeps the stored folder too.
    dialog = OpenFromTitleMenu(run, L"menu_screenshot", L"DlgScreenshot");
    ASSERT_NE(nullptr, dialog);
    nativeEdit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    ASSERT_NE(nullptr, nativeEdit);
    const std::wstring unstored = run.Dir() + L"\\unstored";
    SendMessageW(nativeEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(unstored.c_str()));
    {
        UniqueFile held(CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held) << GetLastError();
        ASSERT_TRUE(run.Click(L"okbtn", dialog));
        ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
        EXPECT_TRUE(run.WaitForLog(L"[Error]|write [WebGame] ScreenshotFullPath=" + unstored + L" to " + ini +
                                   L" failed"))
            << run.LogText();
    }
    EXPECT_EQ(edited, run.IniValue(L"WebGame", L"ScreenshotFullPath"));

    // The dialog opens on the stored folder next time.
    dialog = OpenFromTitleMenu(run, L"menu_screenshot", L"DlgScreenshot");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(run.FindControl(L"selected_path_edit", &edit, dialog));
    EXPECT_EQ(edited, edit.text);
    harness::PostToWindow(dialog, WM_CLOSE);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 10000));

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
