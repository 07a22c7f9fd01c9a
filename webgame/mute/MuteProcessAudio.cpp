#include "MuteProcessAudio.h"

#include "AudioHooks.h"
#include "LogWriter.h"
#include "MixerMute.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> g_muted{false};

}  // namespace

bool IsProcessAudioMuted() { return g_muted.load(std::memory_order_relaxed); }

void SilenceWhileMuted(void* data, size_t bytes) {
    if (data && IsProcessAudioMuted()) memset(data, 0, bytes);
}

void MuteProcessAudio(bool mute) {
    LOG_INFO(L"mute=%d", mute ? 1 : 0);
    g_muted.store(mute);
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    if (version.dwMajorVersion < 6) {
        InstallAudioHooks();
        return;
    }
    int set = 0;
    for (DWORD type = MIXERLINE_COMPONENTTYPE_DST_DIGITAL; type <= MIXERLINE_COMPONENTTYPE_DST_WAVEIN; ++type) {
        if (SetMixerMute(mute, type)) ++set;
    }
    LOG_INFO(L"mute=%d: mixer mute set on %d of 7 destination lines", mute ? 1 : 0, set);
}
