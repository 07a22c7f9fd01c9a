#pragma once
// The rules of the player's tab strip: how wide every tab header is and
// which text a tab shows. Pure functions; any thread.
#include <string>

constexpr int kTabWidthMax = 190;
constexpr int kTabWidthMin = 60;

struct TabWidthStep {
    int width;     // the headers' width from now on
    int computed;  // bar width / tabs, before the bounds
    bool narrower; // computed fell below the width the headers had
};

// The header width for tabCount tabs plus extra (1 while a tab is being
// added) in a bar barWidth wide, when the headers are currentWidth wide:
// narrower when the tabs no longer fit (never below kTabWidthMin), wider
// again up to kTabWidthMax when they do; no tabs: unchanged.
TabWidthStep NextTabWidth(int barWidth, int tabCount, int extra, int currentWidth);

// The game server a request parameter names: the text between
// "&serverName=" and a later "&serverIdx="; empty without both.
std::wstring ServerNameOf(const std::wstring& param);

// The title of a tab a small account's login opens: the server of the
// parameter the login window was opened for, then the account in round
// brackets ("(account)" alone when the parameter names no server).
std::wstring SmallAccountLoginTitle(const std::wstring& param, const std::wstring& account);

// The text of a tab: the server named in its request parameter (between
// "&serverName=" and "&serverIdx="), else its small-account title, else the
// page title.
std::wstring ChooseTabText(const std::wstring& param, const std::wstring& smallAccountTitle,
                           const std::wstring& pageTitle);
