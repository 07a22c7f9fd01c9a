#include "DownloadProgress.h"

#include <algorithm>

#include "PathUtil.h"

const wchar_t kNoRemainSizeText[] = L"总 G / 剩余 G";
const wchar_t kNoSpeedText[] = L"总速度 0.0MB/s";
const wchar_t kNoRemainTimeText[] = L"剩余  0分0秒";
const wchar_t kRowRemainZeroText[] = L"剩余 00:00:00";

namespace {

constexpr size_t kMaxTextChars = kPanelTextChars - 1;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The first chars characters of text, never ending inside a surrogate pair.
std::wstring CutText(const std::wstring& text, size_t chars) {
    if (text.size() <= chars) return text;
    if (chars > 0 && IsHighSurrogate(text[chars - 1])) --chars;
    return text.substr(0, chars);
}

int ClampPerMille(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 0, kProgressDone)); }

}  // namespace

// --- Slots

DownloadProgressSlot* CDownloadProgressSlots::Find(int gameId) {
    if (gameId == 0) return nullptr;
    for (DownloadProgressSlot& slot : slots_) {
        if (slot.gameId.load() == gameId) return &slot;
    }
    return nullptr;
}

bool CDownloadProgressSlots::Take(int gameId) {
    if (gameId == 0) return false;
    if (DownloadProgressSlot* own = Find(gameId)) {
        own->needBlocks.store(0);
        own->speed.store(0);
        return true;
    }
    for (DownloadProgressSlot& slot : slots_) {
        if (slot.gameId.load() != 0) continue;
        slot.needBlocks.store(0);
        slot.speed.store(0);
        slot.progress.store(0);
        slot.gameId.store(gameId);  // last: readers see a taken slot with fresh values
        return true;
    }
    return false;
}

bool CDownloadProgressSlots::Free(int gameId) {
    DownloadProgressSlot* slot = Find(gameId);
    if (!slot) return false;
    slot->gameId.store(0);  // first: no reader takes the values below for this game
    slot->needBlocks.store(0);
    slot->speed.store(0);
    slot->progress.store(0);
    return true;
}

void CDownloadProgressSlots::Feed(int gameId, uint32_t needBlocks, uint32_t speed) {
    DownloadProgressSlot* slot = Find(gameId);
    if (!slot) return;
    slot->needBlocks.store(needBlocks);
    slot->speed.store(speed);
}

void CDownloadProgressSlots::StoreProgress(int gameId, int progress) {
    DownloadProgressSlot* slot = Find(gameId);
    if (!slot) return;
    // Compared and swapped, so a success stored meanwhile is never overwritten.
    int32_t seen = slot->progress.load();
    do {
        if (seen == kProgressDone) return;
    } while (!slot->progress.compare_exchange_weak(seen, progress));
}

void CDownloadProgressSlots::Complete(int gameId, const std::function<void()>& writeTable) {
    std::lock_guard<std::mutex> hold(storeLock_);
    if (DownloadProgressSlot* slot = Find(gameId)) {
        slot->needBlocks.store(0);
        slot->progress.store(kProgressDone);
    }
    writeTable();
}

void CDownloadProgressSlots::StoreEach(const std::function<void(int, int)>& store, const std::atomic<bool>& stop) {
    std::lock_guard<std::mutex> hold(storeLock_);
    for (DownloadProgressSlot& slot : slots_) {
        int gameId = slot.gameId.load();
        int progress = slot.progress.load();
        // A slot freed or taken by another game meanwhile is left for the next walk.
        if (gameId <= 0 || progress == 0 || slot.gameId.load() != gameId) continue;
        store(gameId, progress);
        if (stop.load()) break;
    }
}

// --- Maths

int ComputeDownloadProgress(int baseProgress, uint32_t needBlocks, uint32_t totalBlocks) {
    int64_t base = ClampPerMille(baseProgress);
    if (totalBlocks == 0) return static_cast<int>(base);
    int64_t left = std::min<int64_t>(static_cast<int64_t>(needBlocks) * kProgressDone / totalBlocks, kProgressDone);
    return ClampPerMille((kProgressDone - base) * (kProgressDone - left) / kProgressDone + base);
}

uint32_t ComputeRemainSeconds(uint32_t needBlocks, uint32_t bytesPerSecond) {
    float seconds = static_cast<float>(needBlocks) * static_cast<float>(kPackageBlockBytes);
    if (bytesPerSecond != 0) seconds /= static_cast<float>(bytesPerSecond);
    uint32_t result = seconds >= 4294967295.0f ? 0xFFFFFFFFu : static_cast<uint32_t>(seconds);
    return result == 0 && needBlocks > 0 ? 1 : result;
}

void DownloadPanelTotals::AddSize(int rowTotalMB, int progress) {
    totalMB += rowTotalMB;
    leftMB += static_cast<int64_t>(kProgressDone - ClampPerMille(progress)) * rowTotalMB / kProgressDone;
    any = true;
}

void DownloadPanelTotals::Add(int rowTotalMB, int progress, uint32_t speed, uint32_t remainSeconds) {
    AddSize(rowTotalMB, progress);
    speedSum += speed;
    longestSeconds = std::max(longestSeconds, remainSeconds);
}

// --- Texts

std::wstring FitPanelText(const std::wstring& text) { return CutText(text, kMaxTextChars); }

std::wstring FormatGameSizeText(const std::wstring& name, int totalMB) {
    std::wstring size = totalMB > 1024 ? FormatString(L"  %.2fGB", totalMB / 1024.0) : FormatString(L"  %dMB", totalMB);
    size_t room = size.size() < kMaxTextChars ? kMaxTextChars - size.size() : 0;
    return FitPanelText(CutText(name, room) + size);
}

std::wstring FormatPercentText(int progress) {
    if (progress < 1) return L"0%";
    return FormatString(L"%.1f%%", progress / 10.0);
}

std::wstring FormatRemainText(int totalMB, int progress, uint32_t seconds) {
    uint32_t hours = seconds / 3600;
    seconds %= 3600;
    uint32_t minutes = seconds / 60;
    seconds %= 60;
    double done = static_cast<double>(static_cast<int64_t>(totalMB) * progress) / kProgressDone;
    const wchar_t* unit = L"MB";
    if (done >= 1024) {
        done /= 1024;
        unit = L"GB";
    }
    if (hours <= 24)
        return FitPanelText(FormatString(L"%.2f %s  剩余 %02u:%02u:%02u", done, unit, hours, minutes, seconds));
    return FitPanelText(FormatString(L"%.2f %s  剩余 %u天 %02u:%02u:%02u", done, unit, hours / 24, hours % 24, minutes, seconds));
}

std::wstring FormatRemainTimeText(uint32_t seconds) {
    if (seconds == 0) return kNoRemainTimeText;
    if (seconds < 3600) return FitPanelText(FormatString(L"剩余 %2u分%2u秒", seconds / 60, seconds % 60));
    uint32_t hours = seconds / 3600;
    if (hours <= 24) return FitPanelText(FormatString(L"剩余 %2u小时%2u分", hours, (seconds - hours * 3600) / 60));
    return FitPanelText(FormatString(L"剩余 %2u天%2u小时", hours / 24, hours % 24));
}

std::wstring FormatTotalSpeedText(uint64_t bytesPerSecond) {
    if (bytesPerSecond < 1048576) return FitPanelText(FormatString(L"总速度 %.1fKB/s", bytesPerSecond / 1024.0));
    return FitPanelText(FormatString(L"总速度 %.2fMB/s", bytesPerSecond / 1048576.0));
}

std::wstring FormatRemainSizeText(int64_t totalMB, int64_t leftMB) {
    return FitPanelText(FormatString(L"总%.2fG / 剩余%.2fG", totalMB / 1024.0, leftMB / 1024.0));
}
