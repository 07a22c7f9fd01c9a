#include "PageScripts.h"

#include "PathUtil.h"

namespace {

const wchar_t* Bool(bool value) { return value ? L"true" : L"false"; }

}  // namespace

std::wstring EscapeJsString(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + 8);
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'"': out += L"\\\""; break;
        case L'\'': out += L"\\'"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029)
                out += FormatString(L"\\u%04X", static_cast<unsigned>(c));
            else
                out += c;
        }
    }
    return out;
}

std::wstring SubmitSearchScript(const std::wstring& searchText, int mode) {
    return L"submitSearch(\"" + EscapeJsString(searchText) + L"\"," + std::to_wstring(mode) + L");";
}

std::wstring NotifyGameIdScript(int key, bool installed, bool inMyList, bool needUpdate, int mode, int status) {
    return FormatString(L"notifyGameID(%d,%s,%s,%s,%d,%d);", key, Bool(installed), Bool(inMyList), Bool(needUpdate),
                        mode, status);
}

std::wstring GameIsLoadScript(bool installed, int gameId) {
    return FormatString(installed ? L"gameIsLoad(1, %d);" : L"gameIsLoad(0, %d);", gameId);
}

std::wstring UpdateServerPingScript(int milliseconds) { return FormatString(L"updateServerPing(%d);", milliseconds); }

std::wstring QuerySystemInfoScript(const std::wstring& systemInfo) { return L"onQuerySystemInfo(" + systemInfo + L");"; }
