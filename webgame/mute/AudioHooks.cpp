#include "AudioHooks.h"

#include "LogWriter.h"
#include "MuteProcessAudio.h"
#include "MyDirectSound.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <tlhelp32.h>
#include <detours.h>

#include <mutex>
#include <new>
#include <vector>

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

// What the hook library needs to hold a thread still and move it out of the
// bytes being replaced; SYNCHRONIZE tells it a thread that has ended since.
constexpr DWORD kThreadAccess =
    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT | THREAD_QUERY_INFORMATION | SYNCHRONIZE;

// The other threads of this process (the engine's audio threads and the
// plug-ins' among them), to be held while the jumps are written: one of them
// may be inside or entering a hooked function. False when they cannot be listed.
bool OpenOtherThreads(std::vector<UniqueHandle>* threads) {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) {
        LOG_ERROR(L"CreateToolhelp32Snapshot failed, err=%lu", GetLastError());
        return false;
    }
    const DWORD process = GetCurrentProcessId(), self = GetCurrentThreadId();
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != process || entry.th32ThreadID == self) continue;
        UniqueHandle thread(OpenThread(kThreadAccess, FALSE, entry.th32ThreadID));
        if (!thread) {
            const DWORD error = GetLastError();
            // ERROR_INVALID_PARAMETER: the thread has ended since the snapshot.
            if (error != ERROR_INVALID_PARAMETER)
                LOG_WARNING(L"OpenThread %lu failed, err=%lu", entry.th32ThreadID, error);
            continue;
        }
        threads->push_back(std::move(thread));
    }
    return true;
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
    std::vector<UniqueHandle> others;  // open until the commit has let them go
    if (!OpenOtherThreads(&others)) return false;
    DetourTransactionBegin();
    DetourUpdateThread(GetCurrentThread());
    for (const UniqueHandle& thread : others) DetourUpdateThread(thread.get());
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
