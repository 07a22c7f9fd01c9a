#include "HandOverRequest.h"

#include <cstdint>
#include <cwchar>

#include "HandOverFile.h"

namespace {

constexpr wchar_t kServerNameKey[] = L"serverName=";
constexpr wchar_t kSmallAccountNameKey[] = L"&smallAccountName=";

size_t Length(const wchar_t* text) { return std::char_traits<wchar_t>::length(text); }

// "server(account)" from the text after "\tsmallAccount="; the end marker
// counts only after the start marker.
std::wstring SmallAccountTitle(const std::wstring& rest) {
    size_t start = rest.find(kServerNameKey);
    if (start == std::wstring::npos) return std::wstring();
    start += Length(kServerNameKey);
    size_t end = rest.find(kSmallAccountNameKey, start);
    if (end == std::wstring::npos || end == start) return std::wstring();
    std::wstring account = rest.substr(end + Length(kSmallAccountNameKey));
    return rest.substr(start, end - start) + L"(" + account + L")";
}

}  // namespace

HandOverRequest SplitHandOverRequest(const std::wstring& text) {
    HandOverRequest request;
    size_t marker = text.find(kParamMarker);
    if (marker != std::wstring::npos) {
        request.url = text.substr(0, marker);
        request.param = text.substr(marker + Length(kParamMarker));
        return request;
    }
    marker = text.find(kSmallAccountMarker);
    if (marker != std::wstring::npos) {
        request.url = text.substr(0, marker);
        request.smallAccountTitle = SmallAccountTitle(text.substr(marker + Length(kSmallAccountMarker)));
        return request;
    }
    request.url = text;
    return request;
}

bool IsPageAddress(const std::wstring& url) {
    size_t host = 0;
    for (const wchar_t* scheme : {L"http://", L"https://"}) {
        if (_wcsnicmp(url.c_str(), scheme, Length(scheme)) == 0) host = Length(scheme);
    }
    return host != 0 && host < url.size() && !wcschr(L"/?#", url[host]);
}

UserInfoText SplitUserInfo(const std::wstring& text) {
    UserInfoText info;
    size_t marker = text.find(kHeaderImageMarker);
    if (marker == std::wstring::npos) {
        info.nick = text;
        return info;
    }
    info.nick = text.substr(0, marker);
    info.headImagePath = text.substr(marker + Length(kHeaderImageMarker));
    info.hasHeadImage = true;
    return info;
}

bool ParseRequestNumber(const std::wstring& text, unsigned* number) {
    const bool negative = !text.empty() && text[0] == L'-';
    const size_t first = negative ? 1 : 0;
    if (text.size() == first || text.size() - first > 10) return false;
    uint64_t value = 0;
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
    }
    const uint64_t limit = negative ? (uint64_t(1) << 31) : UINT32_MAX;
    if (value > limit || (negative && value == 0)) return false;
    if (number) *number = static_cast<unsigned>(negative ? (uint64_t(1) << 32) - value : value);
    return true;
}
