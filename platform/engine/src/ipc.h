#pragma once
// Names of the messages between the browser process and its renderers, and
// the switches the engine puts on a renderer's command line. Both sides
// include this file.
namespace cefstub {
namespace ipc {

// Switches.
constexpr const wchar_t kTypeSwitch[] = L"type";
constexpr const wchar_t kRendererType[] = L"renderer";
constexpr const wchar_t kChannelSwitch[] = L"channel";

// Message kinds (key "kind").
constexpr const wchar_t kKind[] = L"kind";
// browser -> renderer
constexpr const wchar_t kInit[] = L"Init";              // cache_path, log_file, log_severity, extra_info
constexpr const wchar_t kCreateBrowser[] = L"CreateBrowser";  // browser, frame
constexpr const wchar_t kNavigate[] = L"Navigate";      // browser, frame, url
constexpr const wchar_t kLoadString[] = L"LoadString";  // browser, frame, text, url
constexpr const wchar_t kExecute[] = L"Execute";        // browser, frame, code, url, line
constexpr const wchar_t kReload[] = L"Reload";          // browser
constexpr const wchar_t kCloseBrowser[] = L"CloseBrowser";  // browser
constexpr const wchar_t kEval[] = L"Eval";              // browser, request, code
constexpr const wchar_t kExit[] = L"Exit";
// both ways
constexpr const wchar_t kProcessMessage[] = L"ProcessMessage";  // browser, name, args
// renderer -> browser
constexpr const wchar_t kLoadStart[] = L"LoadStart";    // browser, frame, parent, name, url
constexpr const wchar_t kLoadEnd[] = L"LoadEnd";        // browser, frame, url, status
constexpr const wchar_t kLoadError[] = L"LoadError";    // browser, frame, url, code, text
constexpr const wchar_t kTitle[] = L"Title";            // browser, title
constexpr const wchar_t kPageText[] = L"PageText";      // browser, url, text
constexpr const wchar_t kPopup[] = L"Popup";            // browser, frame, url, target
constexpr const wchar_t kConsole[] = L"Console";        // browser, message, source, line
constexpr const wchar_t kEvalResult[] = L"EvalResult";  // request, ok, text

// Keys.
constexpr const wchar_t kBrowser[] = L"browser";
constexpr const wchar_t kFrame[] = L"frame";
constexpr const wchar_t kParent[] = L"parent";
constexpr const wchar_t kName[] = L"name";
constexpr const wchar_t kUrl[] = L"url";
constexpr const wchar_t kStatus[] = L"status";
constexpr const wchar_t kCode[] = L"code";
constexpr const wchar_t kText[] = L"text";
constexpr const wchar_t kLine[] = L"line";
constexpr const wchar_t kTitleKey[] = L"title";
constexpr const wchar_t kTarget[] = L"target";
constexpr const wchar_t kArgs[] = L"args";
constexpr const wchar_t kRequest[] = L"request";
constexpr const wchar_t kOk[] = L"ok";
constexpr const wchar_t kCachePath[] = L"cache_path";
constexpr const wchar_t kLogFile[] = L"log_file";
constexpr const wchar_t kLogSeverity[] = L"log_severity";
constexpr const wchar_t kExtraInfo[] = L"extra_info";

}  // namespace ipc
}  // namespace cefstub
