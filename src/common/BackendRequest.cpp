#include "BackendRequest.h"

#include "DeploymentHosts.h"
#include "GameInfoItem.h"
#include "GlobalFunc.h"

namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

}  // namespace

std::wstring EncodeQueryValue(const std::wstring& value) {
    std::string utf8;
    UnicodeToUtf8(value.c_str(), utf8);
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : utf8) {
        if (IsUnreserved(c)) {
            out += static_cast<wchar_t>(c);
        } else {
            out += L'%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::wstring PlatformApiUrl(const std::wstring& query) {
    return GetDeploymentUrl(DeploymentSite::Api) + L"/orv2/api/getFrontData.do?" + query;
}

std::wstring FormatGameOrderItem(const GameInfoItem& entry, int listIndex, bool noCafeClient) {
    bool byListId = entry.id >= 1;
    int id = byListId ? entry.id : entry.GameKey(noCafeClient);
    int idType = byListId ? 1 : GameKeyIdType(noCafeClient);
    return FormatString(L"{\"id\":%d,\"list_index\":%d,\"idType\":%d}", id, listIndex, idType);
}

std::wstring FormatGameOrderItems(const std::vector<const GameInfoItem*>& entries, bool noCafeClient) {
    std::wstring text;
    for (const GameInfoItem* entry : entries) {
        if (!text.empty()) text += L',';
        text += FormatGameOrderItem(*entry, entry->listIndex, noCafeClient);
    }
    return text;
}

std::wstring GameOrderItemsForLog(const std::wstring& items) {
    return items.size() >= kLongOrderText ? std::wstring(L"text len > 1024") : items;
}

std::wstring GameOrderReportBody(const std::wstring& account, const std::wstring& items) {
    return L"type=updateplaygame&userAccount=" + EncodeQueryValue(account) + L"&gameList=[" + items + L"]";
}

std::wstring StartupReportUrl(const std::wstring& reportUrl, const std::wstring& ip, const std::wstring& mac,
                              const std::wstring& version, int type) {
    return FormatString(L"%s?ip=%s&mac=%s&ver=%s&agent=%s&type=%d", reportUrl.c_str(), ip.c_str(),
                        EncodeQueryValue(mac).c_str(), EncodeQueryValue(version).c_str(), L"", type);
}

std::wstring InstallReportUrl(const std::wstring& installUrl, const std::wstring& ip, const std::wstring& mac,
                              const std::wstring& version, const std::wstring& guid, int bar) {
    return FormatString(L"%s?ip=%s&mac=%s&ver=%s&guid=%s&bar=%d&type=%d", installUrl.c_str(), ip.c_str(),
                        EncodeQueryValue(mac).c_str(), EncodeQueryValue(version).c_str(), guid.c_str(), bar, 1);
}
