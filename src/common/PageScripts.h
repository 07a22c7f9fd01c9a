#pragma once
// The scripts the main window runs in its pages, as the pages expect them.
// Texts that come from the user or a page are put in as JavaScript string
// literals (escaped), so they can neither end the literal nor add script.
// Pure functions; any thread.
#include <string>

// text as the inside of a double-quoted JavaScript string literal: backslash,
// both quotes, control characters, U+2028 and U+2029 escaped.
std::wstring EscapeJsString(const std::wstring& text);

// "submitSearch(\"<text>\",<mode>);"
std::wstring SubmitSearchScript(const std::wstring& searchText, int mode);
// "notifyGameID(%d,%s,%s,%s,%d,%d);" with the booleans as true/false.
std::wstring NotifyGameIdScript(int key, bool installed, bool inMyList, bool needUpdate, int mode, int status);
// "gameIsLoad(1, %d);" or "gameIsLoad(0, %d);"
std::wstring GameIsLoadScript(bool installed, int gameId);
// "updateServerPing(%d);"
std::wstring UpdateServerPingScript(int milliseconds);
// "onQuerySystemInfo(%s);" with the system information as it stands.
std::wstring QuerySystemInfoScript(const std::wstring& systemInfo);
