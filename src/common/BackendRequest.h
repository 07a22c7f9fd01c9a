#pragma once
// The texts of the launcher's requests to its web back-end: platform-API
// URLs, the report URLs and the game-order report. Pure functions; any thread.
#include <string>
#include <vector>

struct GameInfoItem;

// A query value with every character but A-Z a-z 0-9 - . _ ~ percent-encoded
// (non-ASCII as its UTF-8 bytes), so an account or version cannot add or
// break query fields. Plain values pass unchanged.
std::wstring EncodeQueryValue(const std::wstring& value);

// <API site>/orv2/api/getFrontData.do?<query>
std::wstring PlatformApiUrl(const std::wstring& query);

// The items of a game-order report, "{"id":%d,"list_index":%d,"idType":%d}"
// joined by commas: the list id with idType 1 when it is 1 or more, else the
// game key and its idType.
std::wstring FormatGameOrderItems(const std::vector<const GameInfoItem*>& entries, bool noCafeClient);
// One entry of a game-order report with another list index (-1 = removed).
std::wstring FormatGameOrderItem(const GameInfoItem& entry, int listIndex, bool noCafeClient);
// The form body of the order report: "type=updateplaygame&userAccount=%s&gameList=[%s]".
std::wstring GameOrderReportBody(const std::wstring& account, const std::wstring& items);
// Order texts this long or longer are logged by their length only.
constexpr size_t kLongOrderText = 1024;
// The items as the order report's log lines show them: "text len > 1024" in
// place of a text that long.
std::wstring GameOrderItemsForLog(const std::wstring& items);

// The start-up report: "%s?ip=%s&mac=%s&ver=%s&agent=%s&type=%d".
std::wstring StartupReportUrl(const std::wstring& reportUrl, const std::wstring& ip, const std::wstring& mac,
                              const std::wstring& version, int type);
// The install report: "%s?ip=%s&mac=%s&ver=%s&guid=%s&bar=%d&type=%d" with type 1.
std::wstring InstallReportUrl(const std::wstring& installUrl, const std::wstring& ip, const std::wstring& mac,
                              const std::wstring& version, const std::wstring& guid, int bar);
