// The main window as the download library's notify object. Every notice
// comes on a thread of the library: it logs, posts to the window (never
// sends), feeds the task's progress slot, or writes a success to the local
// table. None calls back into the library.
#include "MainWnd.h"

#include <new>

#include "DownloadRecords.h"
#include "GameDownloadRequest.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

namespace {

uint32_t PkgIdOf(const VokPkgTaskInfo* task) { return task ? task->pkgId : 0; }
uint32_t VersionOf(const VokPkgTaskInfo* task) { return task ? task->pkgVer : 0; }
uint32_t TotalKBOf(const VokPkgTaskInfo* task) { return task ? task->totalKB : 0; }

}  // namespace

void CMainWnd::OnTaskCreateFailed(VokPkgTaskInfo* task) {
    LOG_INFO(L"[Download] OnTaskCreateFailed pkgId=%u", PkgIdOf(task));
}

void CMainWnd::OnTaskInit(VokPkgTaskInfo* task) { LOG_INFO(L"[Download] OnTaskInit pkgId=%u", PkgIdOf(task)); }

int CMainWnd::DoCleanForPkg(VokPkgTaskInfo* task, uint64_t needBytes) {
    LOG_WARNING(L"[Download] DoCleanForPkg pkgId=%u NeedDownBytes=%I64u", PkgIdOf(task), needBytes);
    return 1;
}

void CMainWnd::OnBeginQueryBlock(VokPkgTaskInfo* task) {
    LOG_INFO(L"[Download] OnBeginQueryBlock pkgId=%u", PkgIdOf(task));
}

void CMainWnd::OnCalcPkgDownInfo(VokPkgTaskInfo* task, uint32_t blocks, uint64_t bytes) {
    uint32_t pkgId = PkgIdOf(task);
    LOG_INFO(L"[Download] OnCalcPkgDownInfo pkgId=%u blocks=%u bytes=%I64u totalSize=%u KB", pkgId, blocks, bytes,
             TotalKBOf(task));
    std::unique_ptr<GamePackageInfo> info(new (std::nothrow) GamePackageInfo());
    if (!info) return;
    info->blocks = blocks;
    info->kb = static_cast<uint32_t>(bytes / 1024);
    info->version = VersionOf(task);
    info->totalKB = TotalKBOf(task);
    m_context->Payloads().PostKeyedInLParam(WM_GAME_DOWNLOAD_PROGRESS, pkgId, std::move(info));
}

void CMainWnd::OnCalcPkgDownIdxInfo(VokPkgTaskInfo* task, uint32_t needBlocks, uint32_t leftBlocks) {
    LOG_DEBUG(L"[Download] OnCalcPkgDownIdxInfo pkgId=%u need blocks=%u left blocks=%u", PkgIdOf(task), needBlocks,
              leftBlocks);
}

void CMainWnd::OnIdxOfIdxDownFinish(VokPkgTaskInfo* task) {
    LOG_INFO(L"[Download] OnIdxOfIdxDownFinish pkgId=%u pkgVer=%u", PkgIdOf(task), VersionOf(task));
}

void CMainWnd::OnIdxDownFinish(VokPkgTaskInfo* task) {
    LOG_INFO(L"[Download] OnIdxDownFinish pkgId=%u", PkgIdOf(task));
}

void CMainWnd::OnDumpPkgDownInfo(VokPkgTaskInfo* task, VokPkgProgressInfo* progress, uint32_t) {
    if (!progress) return;
    uint32_t pkgId = PkgIdOf(task);
    LOG_DEBUG(L"[Download] OnDumpPkgDownInfo pkgId=%u need blocks=%u speed=%u B/s", pkgId, progress->needBlocks,
              progress->bytesPerSecond);
    m_downloadProgress->slots.Feed(static_cast<int>(pkgId), progress->needBlocks, progress->bytesPerSecond);
}

bool CMainWnd::FilterDownFile(const char* fileName) { return IsDownFileAllowed(fileName); }

void CMainWnd::OnPkgDownFinish(VokPkgTaskInfo* task, uint32_t, uint32_t, uint32_t idxSize) {
    LOG_INFO(L"[Download] OnPkgDownFinish pkgId=%u IdxSize=%u", PkgIdOf(task), idxSize);
}

void CMainWnd::OnTaskSuccess(VokPkgTaskInfo* task, uint32_t) {
    uint32_t pkgId = PkgIdOf(task);
    uint32_t version = VersionOf(task);
    LOG_INFO(L"[Download] OnTaskSuccess pkgId=%u pkgVer=%u", pkgId, version);
    CMainWndContext& context = *m_context;
    RecordDownloadSuccess(m_downloadProgress->slots, context.LocalDB(), static_cast<int>(pkgId), version,
                          [&context, pkgId] { context.Post(WM_GAME_DOWNLOAD_SUCCESS, pkgId, 0); });
}

void CMainWnd::OnTaskDestory(VokPkgTaskInfo* task, uint32_t) {
    LOG_INFO(L"[Download] OnTaskDestory pkgId=%u", PkgIdOf(task));
}

void CMainWnd::OnTaskCancel(VokPkgTaskInfo* task, uint32_t, uint32_t) {
    uint32_t pkgId = PkgIdOf(task);
    LOG_INFO(L"[Download] OnTaskCancel pkgId=%u", pkgId);
    m_context->Post(WM_GAME_DOWNLOAD_CANCEL, pkgId, 0);
}
