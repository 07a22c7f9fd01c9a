#include "GameList.h"

#include <algorithm>

#include "GlobalFunc.h"
#include "JsonDoc.h"
#include "LogWriter.h"
#include "UniqueHandle.h"

namespace {

// Indices at or above this are never shown by the order rule.
constexpr int kUnplacedIndex = 1000;
constexpr DWORD kChunkUnits = 2048;
constexpr wchar_t kByteOrderMark = 0xFEFF;

void AppendBadAnswer(const std::wstring& logPath, const std::string& ansiText) {
    AppendLineToFile(logPath.c_str(), ansiText.c_str());
}

// Reads one element of "gamelist" into a new entry (default values where
// a member is missing).
GameInfoItem* ReadGameListElement(const cJSON* element) {
    GameInfoItem* entry = new (std::nothrow) GameInfoItem();
    if (!entry) {
        LOG_ERROR(L"new GameInfoItem failed");
        return nullptr;
    }
    if (JsonInt(element, "id", &entry->id)) LOG_DEBUG(L"id = %d", entry->id);
    if (JsonInt(element, "pkgid", &entry->pkgid)) LOG_DEBUG(L"pkgid = %d", entry->pkgid);
    if (JsonInt(element, "jt_game_id", &entry->jt_game_id)) LOG_DEBUG(L"jt_game_id = %d", entry->jt_game_id);
    const char* name = JsonText(element, "game_name");
    if (name && *name) {
        entry->gameName = AnsiToUnicode(name);
        LOG_DEBUG(L"game_name = %s", entry->gameName.c_str());
    }
    if (JsonInt(element, "game_type", &entry->gameType)) LOG_DEBUG(L"game_type = %d", entry->gameType);
    int listIndex = -1;
    if (JsonInt(element, "list_index", &listIndex)) {
        if (listIndex >= 0) {
            entry->listIndex = listIndex;
            LOG_DEBUG(L"list_index = %d", listIndex);
        } else {
            LOG_ERROR(L"pkgid = %d, list_index = %d", entry->pkgid, listIndex);
        }
    }
    const char* iconUrl = JsonText(element, "game_icon_url");
    if (iconUrl && *iconUrl) {
        entry->SetIconUrl(AnsiToUnicode(iconUrl));
        LOG_DEBUG(L"game_icon_url = %s", entry->iconUrl.c_str());
    } else {
        const char* iconType = JsonText(element, "icon_type");
        entry->SetIconExtension(iconType ? AnsiToUnicode(iconType) : std::wstring());
    }
    if (entry->gameType == 1) {
        if (JsonInt(element, "open_type", &entry->openType))
            LOG_DEBUG(L"open_type = %d", entry->openType);
        else
            LOG_ERROR(L"without open_type, pkgid=%d", entry->pkgid);
    }
    return entry;
}

}  // namespace

CGameList::~CGameList() {
    for (GameInfoItem* entry : items_) delete entry;
}

GameInfoItem* CGameList::FindByKey(int key) const {
    if (key == 0) return nullptr;
    for (GameInfoItem* entry : items_) {
        if (KeyOf(*entry) == key) return entry;
    }
    return nullptr;
}

GameInfoItem* CGameList::FindByButton(const CGameButtonUI* button) const {
    if (!button) return nullptr;
    for (GameInfoItem* entry : items_) {
        if (entry->gameBtn == button) return entry;
    }
    return nullptr;
}

void CGameList::Remove(GameInfoItem* entry) {
    auto it = std::find(items_.begin(), items_.end(), entry);
    if (it == items_.end()) return;
    items_.erase(it);
    delete entry;
}

void CGameList::Append(GameInfoItem* entry) {
    if (entry) items_.push_back(entry);
}

CGameList::Items::iterator CGameList::FirstGreaterIndex(int listIndex) {
    return std::find_if(items_.begin(), items_.end(),
                        [listIndex](const GameInfoItem* e) { return e->listIndex > listIndex; });
}

void CGameList::MoveBeforeGreaterIndex(Items::iterator it) {
    GameInfoItem* entry = *it;
    items_.erase(it);
    items_.insert(FirstGreaterIndex(entry->listIndex), entry);
}

bool CGameList::AddNewGameBtnBySequence(GameInfoItem* entry) {
    int key = KeyOf(*entry);
    auto existing = std::find_if(items_.begin(), items_.end(),
                                 [&](const GameInfoItem* e) { return key != 0 && KeyOf(*e) == key; });
    if (existing != items_.end()) {
        GameInfoItem* old = *existing;
        if (old->listIndex != entry->listIndex && entry->listIndex >= 0) {
            LOG_INFO(L"AddNewGameBtnBySequence() pkgid=%d, listIndex=%d->%d", old->pkgid, old->listIndex,
                     entry->listIndex);
            old->listIndex = entry->listIndex;
            MoveBeforeGreaterIndex(existing);
        }
        return false;
    }
    if (entry->listIndex >= 0)
        items_.insert(FirstGreaterIndex(entry->listIndex), entry);
    else
        items_.push_back(entry);
    return true;
}

GameInfoItem* CGameList::AddNewGameBtn(GameInfoItem* entry, std::vector<GameInfoItem*>* changed) {
    if (GameInfoItem* existing = FindByKey(KeyOf(*entry))) {
        LOG_INFO(L"CMainWnd.AddNewGameBtn pkgId=%d is exist, list order=%d", entry->pkgid, existing->listIndex);
        return existing;
    }
    // Placed entries make room for a placed one; an unplaced one (negative
    // index) moves nobody and goes to the end.
    for (GameInfoItem* e : items_) {
        if (entry->listIndex < 0 || e->listIndex < entry->listIndex) continue;
        ++e->listIndex;
        if (changed) changed->push_back(e);
    }
    items_.push_back(entry);
    return nullptr;
}

void CGameList::MergeGameList(CGameList& fileList, bool report, std::vector<GameInfoItem*>* changed,
                              std::vector<GameInfoItem*>* unmatched) {
    std::vector<GameInfoItem*> notMatched(items_.begin(), items_.end());
    for (auto it = fileList.items_.begin(); it != fileList.items_.end();) {
        GameInfoItem* fileEntry = *it;
        if (GameInfoItem* entry = FindByKey(KeyOf(*fileEntry))) {
            entry->id = fileEntry->id;
            if (report && entry->listIndex != fileEntry->listIndex && changed) changed->push_back(entry);
            notMatched.erase(std::remove(notMatched.begin(), notMatched.end(), entry), notMatched.end());
            ++it;
            continue;
        }
        if (fileEntry->listIndex >= 0) {
            fileEntry->listIndex += static_cast<int>(items_.size());
            if (report && changed) changed->push_back(fileEntry);
        }
        items_.push_back(fileEntry);
        it = fileList.items_.erase(it);
    }
    if (report && unmatched) *unmatched = notMatched;
}

std::vector<GameInfoItem*> CGameList::OrderForDisplay(std::vector<GameInfoItem*>* changed,
                                                      std::vector<GameInfoItem*>* leftover) {
    std::vector<GameInfoItem*> rest(items_.begin(), items_.end());
    std::vector<GameInfoItem*> shown;
    for (int i = 0;; ++i) {
        auto picked = rest.end();
        int minimum = kUnplacedIndex;
        for (auto it = rest.begin(); it != rest.end(); ++it) {
            if ((*it)->listIndex < minimum) {
                minimum = (*it)->listIndex;
                picked = it;
            }
        }
        if (picked == rest.end()) break;
        GameInfoItem* entry = *picked;
        if (entry->listIndex != i) {
            LOG_ERROR(L"CreateAndShowGameListBySequence() invalid listIndex=%d(->%d) pkgid=%d", entry->listIndex, i,
                      entry->pkgid);
            entry->listIndex = i;
            if (changed) changed->push_back(entry);
        }
        shown.push_back(entry);
        rest.erase(picked);
    }
    for (GameInfoItem* entry : rest) {
        LOG_ERROR(L"CreateAndShowGameListBySequence() invalid listIndex=%d pkgid=%d", entry->listIndex, entry->pkgid);
    }
    if (leftover) *leftover = rest;
    return shown;
}

bool ReadGameListFile(const std::wstring& path, std::wstring* text) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes;
    char chunk[kChunkUnits * sizeof(wchar_t)];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) bytes.append(chunk, read);
    text->assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    if (!text->empty() && (*text)[0] == kByteOrderMark) text->erase(0, 1);
    return true;
}

bool ParseGameListJsonString(const char* text, bool ansi, CGameList& target, const std::wstring& badAnswerLog) {
    std::wstring wide = ansi ? AnsiToUnicode(text ? text : "") : Utf8ToUnicode(text ? text : "");
    std::string ansiText = UnicodeToAnsi(wide.c_str());
    JsonDoc root = ParseJson(ansiText.c_str());
    if (!root) {
        AppendBadAnswer(badAnswerLog, ansiText);
        LOG_ERROR(L"ParseGameListJsonString.cJSON_Parse failed, %s", badAnswerLog.c_str());
        return false;
    }
    int code = 0;
    if (!JsonInt(root.get(), "code", &code)) {
        LOG_ERROR(L"ParseGameListJsonString not get 'code' item");
        return false;
    }
    if (code != 0) {
        LOG_ERROR(L"ParseGameListJsonString code=%d", code);
        return false;
    }
    const cJSON* list = cJSON_GetObjectItem(root.get(), "gamelist");
    if (!cJSON_IsArray(list)) {
        AppendBadAnswer(badAnswerLog, ansiText);
        LOG_ERROR(L"ParseGameListJsonString without game list, %s", badAnswerLog.c_str());
        return false;
    }
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, list) {
        GameInfoItem* entry = ReadGameListElement(element);
        if (!entry) break;
        if (!target.AddNewGameBtnBySequence(entry)) delete entry;
    }
    return true;
}
