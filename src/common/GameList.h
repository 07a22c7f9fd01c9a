#pragma once
// CGameList: the user's game list ("my games"), an ordered list of heap
// GameInfoItem records that it owns, with the rules that add, merge and
// order entries. Entries are known by their game key (pkgid with a café
// client, jt_game_id without); a key of 0 never matches another entry.
// Window thread, or a worker that owns a list of its own (an answer parsed
// apart from the window's list).
#include <list>
#include <string>
#include <vector>

#include "GameInfoItem.h"

class CGameList {
public:
    using Items = std::list<GameInfoItem*>;

    explicit CGameList(bool noCafeClient = false) : noCafeClient_(noCafeClient) {}
    ~CGameList();
    CGameList(const CGameList&) = delete;
    CGameList& operator=(const CGameList&) = delete;

    bool NoCafeClient() const { return noCafeClient_; }
    void SetNoCafeClient(bool noCafeClient) { noCafeClient_ = noCafeClient; }
    int KeyOf(const GameInfoItem& entry) const { return entry.GameKey(noCafeClient_); }

    const Items& items() const { return items_; }
    bool empty() const { return items_.empty(); }
    size_t size() const { return items_.size(); }

    // The entry with this game key; null for key 0 or none.
    GameInfoItem* FindByKey(int key) const;
    GameInfoItem* FindByButton(const CGameButtonUI* button) const;
    // Takes the entry out of the list and frees it.
    void Remove(GameInfoItem* entry);
    // Takes ownership; appends.
    void Append(GameInfoItem* entry);

    // Keeps the list sorted by list index. An entry with the same key is
    // moved to the new index (when it is 0 or more and differs) and the new
    // record is not taken: false, and the caller frees it. Otherwise the
    // entry is inserted before the first greater index (equal indices keep
    // their arrival order; a negative one goes to the end): true.
    bool AddNewGameBtnBySequence(GameInfoItem* entry);
    // A game added by the page or a launch request. An entry with the same
    // key is returned (the caller frees the new record). Otherwise, when the
    // new index is 0 or more, every entry at or after it moves up by one and
    // is added to changed; the new entry is appended, and null is returned.
    GameInfoItem* AddNewGameBtn(GameInfoItem* entry, std::vector<GameInfoItem*>* changed);

    // Merges fileList into this list. A file entry whose key is already here
    // gives that entry its id; any other is moved here (its list index, when
    // 0 or more, raised by the number of entries here before it). With report:
    // changed gets the entries whose order changed and unmatched the entries
    // of this list that no file entry matched. fileList keeps what was not moved.
    void MergeGameList(CGameList& fileList, bool report, std::vector<GameInfoItem*>* changed,
                       std::vector<GameInfoItem*>* unmatched);

    // The order rule: the entries to show, in order, numbered 0, 1, 2 ...
    // (the smallest list index first; among equal ones the first in list
    // order; indices of 1000 or more are never shown). An entry whose index
    // had to change gets its new one and is added to changed; the entries
    // that are not shown go to leftover. Logs each correction.
    std::vector<GameInfoItem*> OrderForDisplay(std::vector<GameInfoItem*>* changed,
                                               std::vector<GameInfoItem*>* leftover);

private:
    void MoveBeforeGreaterIndex(Items::iterator it);
    Items::iterator FirstGreaterIndex(int listIndex);

    Items items_;
    bool noCafeClient_;
};

// The text of a UTF-16 file (the cached game list, gamebtn.dat), read in
// chunks and joined by the bytes read; a byte-order mark is skipped and an odd
// trailing byte dropped. False when the file cannot be opened.
bool ReadGameListFile(const std::wstring& path, std::wstring* text);

// Parses a game-list answer (root object with "code" 0 and a "gamelist"
// array) into target with AddNewGameBtnBySequence. text is in the ANSI code
// page (ansi) or UTF-8; it is parsed in the ANSI code page. An answer that
// cannot be parsed or lacks "gamelist" is appended to badAnswerLog. False
// when the answer added nothing because it was not a good answer.
bool ParseGameListJsonString(const char* text, bool ansi, CGameList& target, const std::wstring& badAnswerLog);
