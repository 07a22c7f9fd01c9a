#pragma once
// Files and addresses that belong to the logged-in account: the head image
// file, the café login's my-games address and the account site's logout
// page. Pure functions; any thread.
#include <string>

// The account as a part of a file name: every character other than a
// letter, a digit or one of "_-.@" becomes '_' (so "..\x" cannot leave the
// folder); an empty account stays empty.
std::wstring AccountFileNamePart(const std::wstring& account);
// "<programFolder>skin\headimage\user_<account as a file name part>.png"
std::wstring HeadImagePath(const std::wstring& programFolder, const std::wstring& account);
// "<programFolder>skin\headimage\head_default.png"
std::wstring DefaultHeadImagePath(const std::wstring& programFolder);

// The my-games address of a café login: the channel's link with the
// start-game tail (when there is one) and "isLoginByICafe=1" as query
// fields, joined with '?' or '&' as the link needs.
std::wstring CafeLoginPageUrl(const std::wstring& link, const std::wstring& startGameTail);
// The account site's logout page that returns to the channel's link:
// "<scheme>://<accountHost>/user/logout?curUrl=<link in the ANSI code page, URL-encoded>",
// the scheme "https" when the link begins with it (any case), else "http".
std::wstring LogoutPageUrl(const std::wstring& link, const std::wstring& accountHost);
