#include "AudioHooks.h"

#include "LogWriter.h"
#include "MuteProcessAudio.h"
#include "MyDirectSound.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <detours.h>

#include <mutex>
#include <new>

namespace {

using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, LPMIDIHDR, UINT);
using DirectSoundCreateFn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
using DirectSoundCreate8Fn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND8*, LPUNKNOWN);

// The system functions; once hooked, their trampolines.
WaveOutWriteFn g_pWaveOutWrite = nullptr;
MidiStreamOutFn g_pMidiStreamOut = nullptr;
DirectSoundCreateFn g_pDirectSoundCreate = nullptr;
DirectSoundCreate8Fn g_pDirectSoundCreate8 = nullptr;

// The replacements run on whatever thread plays sound.
MMRESULT WINAPI MyWaveOutWrite(HWAVEOUT waveOut, LPWAVEHDR header, UINT size) {
    if (header && size >= sizeof(WAVEHDR)) SilenceWhileMuted(header->lpData, header->dwBufferLength);
    return g_pWaveOutWrite(waveOut, header, size);
}

MMRESULT WINAPI MyMidiStreamOut(HMIDISTRM stream, LPMIDIHDR header, UINT size) {
    if (header && size >= sizeof(MIDIHDR)) SilenceWhileMuted(header->lpData, header->dwBufferLength);
    return g_pMidiStreamOut(stream, header, size);
}

// The caller receives a wrapper of the new object; without memory for one, the object itself.
template <typename Wrapper, typename Interface>
void HandOutWrapper(Interface** out) {
    if (Wrapper* wrapper = new (std::nothrow) Wrapper(*out)) *out = wrapper;
}

HRESULT WINAPI MyDirectSoundCreate(LPCGUID device, LPDIRECTSOUND* sound, LPUNKNOWN outer) {
    const HRESULT result = g_pDirectSoundCreate(device, sound, outer);
    if (SUCCEEDED(result) && sound && *sound) HandOutWrapper<MyDirectSound>(sound);
    return result;
}

HRESULT WINAPI MyDirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* sound, LPUNKNOWN outer) {
    const HRESULT result = g_pDirectSoundCreate8(device, sound, outer);
    if (SUCCEEDED(result) && sound && *sound) HandOutWrapper<MyDirectSound8>(sound);
    return result;
}

bool AttachAll() {
    g_pWaveOutWrite = reinterpret_cast<WaveOutWriteFn>(DetourFindFunction("winmm.DLL", "waveOutWrite"));
    g_pMidiStreamOut = reinterpret_cast<MidiStreamOutFn>(DetourFindFunction("winmm.DLL", "midiStreamOut"));
    g_pDirectSoundCreate = reinterpret_cast<DirectSoundCreateFn>(DetourFindFunction("dsound.DLL", "DirectSoundCreate"));
    g_pDirectSoundCreate8 =
        reinterpret_cast<DirectSoundCreate8Fn>(DetourFindFunction("dsound.DLL", "DirectSoundCreate8"));
    const struct {
        PVOID* system;
        PVOID replacement;
        const char* name;
    } hooks[] = {
        {reinterpret_cast<PVOID*>(&g_pWaveOutWrite), reinterpret_cast<PVOID>(&MyWaveOutWrite), "waveOutWrite"},
        {reinterpret_cast<PVOID*>(&g_pMidiStreamOut), reinterpret_cast<PVOID>(&MyMidiStreamOut), "midiStreamOut"},
        {reinterpret_cast<PVOID*>(&g_pDirectSoundCreate), reinterpret_cast<PVOID>(&MyDirectSoundCreate),
         "DirectSoundCreate"},
        {reinterpret_cast<PVOID*>(&g_pDirectSoundCreate8), reinterpret_cast<PVOID>(&MyDirectSoundCreate8),
         "DirectSoundCreate8"},
    };
    DetourTransactionBegin();
    DetourUpdateThread(GetCurrentThread());
    for (const auto& hook : hooks) {
        if (!*hook.system) {
            LOG_WARNING(L"%S not found, not hooked", hook.name);
            continue;
        }
        const LONG attached = DetourAttach(hook.system, hook.replacement);
        if (attached != NO_ERROR) LOG_ERROR(L"DetourAttach %S failed, rv=%ld", hook.name, attached);
    }
    const LONG committed = DetourTransactionCommit();
    if (committed != NO_ERROR) {
        LOG_ERROR(L"DetourTransactionCommit failed, rv=%ld", committed);
        return false;
    }
    LOG_INFO(L"audio hooks installed");
    return true;
}

}  // namespace

bool InstallAudioHooks() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] { installed = AttachAll(); });
    return installed;
}
