#pragma once
// One run of Corrin.exe as a user would start it, for the launcher's
// integration tests: a fresh copy of the program folder with its own
// qxtarrow.ini pointed at the local back-end, the program started with the
// skin test seam on, and what a test reads of it: the main window and its
// control tree, clicks by control name, the log, the back-end's record.
// Every wait is bounded.
#include <windows.h>

#include <DuiLib/UITestSeam.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BackendClient.h"
#include "Harness.h"
#include "RemoteClient.h"
#include "WindowTool.h"

namespace launcher {

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kLogTimeoutMs = 30000;

using Control = DuiLib::SkinSeamControl;

// The test's back-end: listeners and the launcher's fixture routes
// (launcher_routes.json beside the test program, added once per test program).
backend::BackendClient& Backend();
// Base URLs of the back-end's listeners ("http://127.0.0.1:PORT").
std::wstring HttpBase();
std::wstring HttpsBase();
// Adds the routes of a JSON file beside the test program, with the same
// ${http}, ${https} and ${http_hostport} texts as launcher_routes.json.
bool AddFixtureRoutes(const std::wstring& fileName);

// Base of the launcher's integration tests: they run under the Chinese code
// page and need the back-end.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
};

class LauncherRun {
public:
    // A fresh program folder named after the running test (and suffix), with
    // folderSuffix added to the folder's name only (a space in it, say, as
    // under "Program Files").
    explicit LauncherRun(const std::wstring& suffix = std::wstring(),
                         const std::wstring& folderSuffix = std::wstring());
    ~LauncherRun();
    LauncherRun(const LauncherRun&) = delete;
    LauncherRun& operator=(const LauncherRun&) = delete;

    const std::wstring& Dir() const { return dir_; }
    std::wstring ExePath() const { return dir_ + L"\\Corrin.exe"; }

    // qxtarrow.ini: LogLevel=127, the deployment sites and the channel list
    // (channelPath on the back-end's HTTP listener, or a full URL), the
    // report URLs under /launcher/report/<name>/.
    void WriteIni(const std::wstring& channelPath = L"/launcher/channels");
    void SetIniValue(const wchar_t* section, const wchar_t* key, const std::wstring& value) const;
    std::wstring IniValue(const wchar_t* section, const wchar_t* key) const;
    // The report URLs the ini names.
    std::wstring ReportPath() const;
    std::wstring InstallReportPath() const;
    // gamebtn.dat as UTF-16 text.
    bool WriteGameBtnFile(const std::wstring& json) const;

    // Starts the program with args; with the engine's remote control on
    // (EnableRemoteControl before Start) its switch comes first.
    bool Start(const std::wstring& args = std::wstring());
    // The engine's remote control (a pipe named after the run): page scripts
    // run in the program's browsers as a page would run them.
    void EnableRemoteControl() { pipe_ = L"corrin_launcher_" + name_; }
    std::vector<RemoteBrowser> Browsers() const;
    // The id of the first browser whose URL holds urlPart; 0 after the time-out.
    int WaitForBrowser(const std::wstring& urlPart, DWORD timeoutMs = kWindowTimeoutMs) const;
    // Runs script in the browser's main frame: "ok\n<result>" or "error\n<message>".
    std::wstring Eval(int browserId, const std::wstring& script) const;
    // The result text of script, or "" when it failed.
    std::wstring EvalResult(int browserId, const std::wstring& script) const;
    // The visible main window ("QXTarrowMainWnd" "QuillexTarrow"); null after the time-out.
    HWND WaitForMainWindow(DWORD timeoutMs = kWindowTimeoutMs);
    HWND MainWindow() const { return window_; }
    harness::ChildProcess& Process() { return process_; }
    // Posts WM_CLOSE to the main window and waits for the exit code.
    bool CloseAndWait(DWORD* exitCode, DWORD timeoutMs = 30000);
    // The same, true when the launcher ended with exit code 0.
    bool CloseAndExitCleanly();

    // The skin control tree of a window of the program (the main window by default).
    std::vector<Control> Tree(HWND window = nullptr) const;
    bool FindControl(const std::wstring& name, Control* control, HWND window = nullptr) const;
    // The game buttons of "my_game_left_list", in list order.
    std::vector<Control> GameButtons() const;
    bool WaitForControl(const std::wstring& name, bool (*holds)(const Control&), DWORD timeoutMs,
                        HWND window = nullptr) const;
    // Clicks the control's centre once it is visible and laid out.
    bool Click(const std::wstring& name, HWND window = nullptr) const;
    // The screen point at the centre of a control of the main window.
    POINT ScreenCenter(const Control& control) const;

    std::vector<std::wstring> Log() const;
    std::string LogText() const;
    bool LogHas(const std::wstring& text) const;
    bool WaitForLog(const std::wstring& text, DWORD timeoutMs = kLogTimeoutMs) const;
    size_t CountLog(const std::wstring& text) const;
    // Index of the first line holding text; npos when none.
    size_t LogIndex(const std::wstring& text) const;
    // The local time of day (ms) of the first line holding text; -1 when none.
    long LogTimeMs(const std::wstring& text) const;

private:
    std::wstring name_;
    std::wstring dir_;
    harness::ChildProcess process_;
    HWND window_ = nullptr;
    std::wstring pipe_;  // empty: no remote control
};

// The launcher's autostart value (HKCU Run "Corrin"), which a run with
// AutoRun on writes; removed again when this goes, so no later session
// starts that copy of the launcher.
class RunValue {
public:
    ~RunValue();
    // The program the value starts, written in double quotes or (as older
    // launchers wrote it) without; empty when there is no value.
    std::wstring Read() const;
    // The value's text as stored; empty when there is none.
    std::wstring Text() const;
    // Stores text as the value, as an earlier launcher left it.
    bool Write(const std::wstring& text) const;
};

// The local time of day now, in ms (the clock of the log lines).
long NowMs();

// The requests the back-end recorded on path whose query holds queryPart.
std::vector<backend::RecordedRequest> RequestsOf(const std::string& path, const std::string& queryPart = std::string());
// The value of key in a query ("a=1&b=2"); empty when missing.
std::string QueryValue(const std::string& query, const std::string& key);

}  // namespace launcher
