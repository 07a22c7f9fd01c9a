#pragma once
// The channel list of the launcher's channel bar: one channel per element of
// the back-end's channel answer (a JSON array, UTF-8), its index being its
// position. Pure data and parsing; any thread.
#include <string>
#include <vector>

struct ChannelInfo {
    std::wstring name;
    std::wstring linkUrl;
};

// One icon of one channel to download: the checked (hover) icon goes to
// "icon_hover_<index>.png", the unchecked one to "icon_<index>.png".
struct ChannelIconRequest {
    int index = 0;
    std::wstring url;
    bool checked = false;
};

// Appends the channels of the answer and the icons they name, in answer
// order (checked icon before unchecked). An answer that is not a JSON array
// adds nothing.
void ParseChannelInfoJsonString(const char* utf8Text, std::vector<ChannelInfo>* channels,
                                std::vector<ChannelIconRequest>* icons);

// "<program folder>skin\mainwnd\icon_<n>.png", or "icon_hover_<n>.png" when checked.
std::wstring GetChannelIconPath(const std::wstring& programFolder, int index, bool checked);
