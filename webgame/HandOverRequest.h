#pragma once
// What the player reads out of the launcher's hand-over texts (the files
// are read by HandOverFile.h). Pure functions; any thread.
#include <string>

// One request file: page address, then "\tparam=" and the request
// parameter, or "\tsmallAccount=" and a small account's server and name.
struct HandOverRequest {
    std::wstring url;
    std::wstring param;
    // "server(account)" for a small-account request naming both; else empty.
    std::wstring smallAccountTitle;
};
HandOverRequest SplitHandOverRequest(const std::wstring& text);

// True for an address a tab can show: "http://" or "https://" (any case)
// and a host. A request of anything else (a file of garbage, a path, an
// empty text) names no page.
bool IsPageAddress(const std::wstring& url);

// "10002.txt": the nick, then "\tHeaderImagePath=" and the head image path.
struct UserInfoText {
    std::wstring nick;
    std::wstring headImagePath;
    bool hasHeadImage = false;  // the marker was there
};
UserInfoText SplitUserInfo(const std::wstring& text);

// The request number of the switch "url": an unsigned 32-bit decimal; the
// launcher's signed form of a number of 2^31 or more ("-2147483648") names
// the same number. False for anything else.
bool ParseRequestNumber(const std::wstring& text, unsigned* number);
