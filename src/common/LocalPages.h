#pragma once
// Addresses of the pages the launcher shows: its own pages in the "html"
// folder of the program folder, and the platform's fixed pages on its web
// site. Pure functions; any thread.
#include <string>

// The folder with every '\' turned into '/', for file:/// addresses.
std::wstring FolderUrlForm(const std::wstring& folder);
// "file:///<folder URL form>html/<page>", whatever the folder's length.
std::wstring LocalPageUrl(const std::wstring& folderUrl, const std::wstring& page);
// The local page of a game of a type (1 web, 2 single-player, 3 client game)
// for a kind of page ("details" or "launch"); empty for any other type.
std::wstring GameTypePageUrl(const std::wstring& folderUrl, int gameType, const wchar_t* kind);
// A fixed page of the platform's web site: <Web_url>/html/<UTF-8 name, URL-encoded>.
std::wstring PlatformPageUrl(const wchar_t* pageName);
