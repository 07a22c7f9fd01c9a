#include "ChannelInfo.h"

#include "GlobalFunc.h"
#include "JsonDoc.h"
#include "LogWriter.h"

namespace {

// The member's text converted back from the ANSI code page; empty when missing.
std::wstring ChannelText(const cJSON* element, const char* key) {
    const char* text = JsonText(element, key);
    return text ? AnsiToUnicode(text) : std::wstring();
}

}  // namespace

void ParseChannelInfoJsonString(const char* utf8Text, std::vector<ChannelInfo>* channels,
                                std::vector<ChannelIconRequest>* icons) {
    std::string ansi = UnicodeToAnsi(Utf8ToUnicode(utf8Text ? utf8Text : "").c_str());
    JsonDoc root = ParseJson(ansi.c_str());
    if (!cJSON_IsArray(root.get())) return;
    int index = 0;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, root.get()) {
        ChannelInfo channel;
        channel.name = ChannelText(element, "navigationName");
        if (!channel.name.empty()) LOG_DEBUG(L"channelname_%d = %s", index, channel.name.c_str());
        std::wstring checkedUrl = ChannelText(element, "iconCheckedUrl");
        if (!checkedUrl.empty()) {
            LOG_DEBUG(L"iconCheckedUrl_%d = %s", index, checkedUrl.c_str());
            if (icons) icons->push_back({index, checkedUrl, true});
        }
        std::wstring uncheckedUrl = ChannelText(element, "iconUncheckedUrl");
        if (!uncheckedUrl.empty()) {
            LOG_DEBUG(L"iconUncheckedUrl_%d = %s", index, uncheckedUrl.c_str());
            if (icons) icons->push_back({index, uncheckedUrl, false});
        }
        channel.linkUrl = ChannelText(element, "linkUrl");
        if (!channel.linkUrl.empty()) LOG_DEBUG(L"linkUrl_%d = %s", index, channel.linkUrl.c_str());
        if (channels) channels->push_back(channel);
        ++index;
    }
}

std::wstring GetChannelIconPath(const std::wstring& programFolder, int index, bool checked) {
    return FormatString(checked ? L"%sskin\\mainwnd\\icon_hover_%d.png" : L"%sskin\\mainwnd\\icon_%d.png",
                        programFolder.c_str(), index);
}
