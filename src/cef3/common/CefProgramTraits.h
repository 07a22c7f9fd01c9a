#pragma once
// Where the two programs built from the browser host differ: the launcher
// Corrin and the web-game player Corrinweb. The shared code reads the traits
// of the running program (GetCefProgramTraits): the launcher's, unless the
// program's entry selects others first thing, in every process role, before
// any other thread exists. Constant data afterwards; any thread.
#include <cstddef>

// The engine switches the browser process adds before the engine starts.
enum class BrowserSwitchSet { Launcher, Player };

struct CefProgramTraits {
    // Single-instance mutex of the browser process and the Warning line
    // written when another browser process holds it.
    const wchar_t* instanceMutexName;
    const wchar_t* instanceRunningWarning;
    // The page-callable native functions, in registration order.
    const wchar_t* const* pageFunctionNames;
    size_t pageFunctionCount;
    BrowserSwitchSet switchSet;
    // The renderer ends itself (exit code 0) on the process message
    // "KillProcess" from the browser process.
    bool rendererObeysKillProcess;
    // Popups: false = every target URL to the owner's OpenNewPopupWnd(url,
    // null); true = a non-empty one to OpenPageGameWebWnd(url, false).
    bool popupsOpenGamePages;
    // Title changes are logged and also reach the owner's NotifyCefTitleChanged.
    bool titlesReachOwner;
    // The browser control logs WM_CLOSE and WM_DESTROY of its window.
    bool controlLogsClose;
};

extern const CefProgramTraits kLauncherCefTraits;
extern const CefProgramTraits kPlayerCefTraits;

// The traits of this program.
const CefProgramTraits& GetCefProgramTraits();
// The entry's choice (the player's: kPlayerCefTraits).
void SelectCefProgramTraits(const CefProgramTraits& traits);

// The process message the player's browser side sends a renderer to end it.
constexpr wchar_t kKillProcessMessage[] = L"KillProcess";
