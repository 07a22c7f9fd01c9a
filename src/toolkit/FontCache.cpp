#include "FontCache.h"

#include <atomic>

#include "CriticalSection.h"

namespace {

std::atomic<FontCache*> g_fontCache{nullptr};

}  // namespace

FontCache* FontCache::GetInstance() {
    if (FontCache* cache = g_fontCache.load(std::memory_order_acquire)) return cache;
    OS::AutoLock lock(OS::FontCacheLock());
    if (!g_fontCache.load(std::memory_order_relaxed))
        g_fontCache.store(new FontCache(), std::memory_order_release);  // kept for the process
    return g_fontCache.load(std::memory_order_relaxed);
}

HFONT FontCache::GetFont() {
    // Created under the lock too, so two first buttons on two threads make one font.
    OS::AutoLock lock(OS::FontCacheLock());
    if (!font_) {
        font_ = ::CreateFontW(14, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    }
    return font_;
}

bool FontCache::GetLogFont(LOGFONTW& out) {
    HFONT font = GetFont();
    return font && ::GetObjectW(font, sizeof(out), &out) == static_cast<int>(sizeof(out));
}
