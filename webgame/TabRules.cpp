#include "TabRules.h"

#include <algorithm>

namespace {

constexpr wchar_t kServerNameKey[] = L"&serverName=";
constexpr wchar_t kServerIdxKey[] = L"&serverIdx=";

}  // namespace

std::wstring ServerNameOf(const std::wstring& param) {
    size_t start = param.find(kServerNameKey);
    if (start == std::wstring::npos) return std::wstring();
    start += std::char_traits<wchar_t>::length(kServerNameKey);
    size_t end = param.find(kServerIdxKey, start);
    return end == std::wstring::npos ? std::wstring() : param.substr(start, end - start);
}

std::wstring SmallAccountLoginTitle(const std::wstring& param, const std::wstring& account) {
    return ServerNameOf(param) + L"(" + account + L")";
}

TabWidthStep NextTabWidth(int barWidth, int tabCount, int extra, int currentWidth) {
    TabWidthStep step = {currentWidth, currentWidth, false};
    if (tabCount <= 0 || tabCount + extra <= 0) return step;
    step.computed = barWidth / (tabCount + extra);
    if (step.computed < currentWidth) {
        step.narrower = true;
        step.width = std::max(step.computed, kTabWidthMin);
    } else if (currentWidth < kTabWidthMax) {
        step.width = std::min(step.computed, kTabWidthMax);
    }
    return step;
}

std::wstring ChooseTabText(const std::wstring& param, const std::wstring& smallAccountTitle,
                           const std::wstring& pageTitle) {
    std::wstring server = ServerNameOf(param);
    if (!server.empty()) return server;
    return smallAccountTitle.empty() ? pageTitle : smallAccountTitle;
}
