#pragma once
// CGameUpdateCheck: which installed client games to update and which to ask
// the back-end about. The window runs Check every ten minutes (and once at
// start) without a café client; the home ids it returns go to a worker that
// asks the back-end for each one's newest version. The pending set keeps
// its ids from one check to the next. Window thread.
#include <functional>
#include <set>
#include <vector>

class CLocalDB;

struct GameUpdateCandidate {
    int homeId = 0;    // jt_game_id: GameId of the local table
    int pkgId = 0;
    int gameType = 0;  // only 2 and 3 are client games
};

class CGameUpdateCheck {
public:
    // For each client game: one the table already knows a newer version of
    // is forgotten when pending, else updated by postUpdate(homeId) when it
    // updates automatically, exists in a window (windowExists) and is
    // complete (Status 0); any other game with a home id becomes pending.
    // Returns the pending ids in ascending order (empty: no worker needed).
    std::vector<int> Check(const std::vector<GameUpdateCandidate>& games, CLocalDB& db, bool windowExists,
                           const std::function<void(int homeId)>& postUpdate);

    const std::set<int>& Pending() const { return pending_; }

private:
    std::set<int> pending_;
};
