#include "GameUpdateCheck.h"

#include "LogWriter.h"
#include "sqlite_helper.h"

std::vector<int> CGameUpdateCheck::Check(const std::vector<GameUpdateCandidate>& games, CLocalDB& db,
                                         bool windowExists, const std::function<void(int)>& postUpdate) {
    for (const GameUpdateCandidate& game : games) {
        if (game.gameType != 2 && game.gameType != 3) continue;
        int h = game.homeId;
        if (db.IsGameNeedUpdate(h)) {
            if (pending_.erase(h) > 0) continue;
            int autoUpdate = db.GetGameAutoUpdateValue(h);
            if (windowExists && autoUpdate == 1) {
                int status = db.GetGameStatus(h);
                if (status == 0) postUpdate(h);
                LOG_DEBUG(L"Check game update find homeId=%d need update, status=%d", h, status);
            } else {
                LOG_DEBUG(L"Check game update find homeId=%d has new version, autoUpdate=%d", h, autoUpdate);
            }
        } else if (h != 0) {
            pending_.insert(h);
        } else {
            LOG_WARNING(L"Check game update pkgId=%d homeId=0, skiped", game.pkgId);
        }
    }
    return std::vector<int>(pending_.begin(), pending_.end());
}
