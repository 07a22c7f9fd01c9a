// The sound mute's hook path, as it runs before Windows 6.0: the test prefix
// runs this program as Windows XP (tools/wineprefix.sh), and has no sound
// driver, so every call below fails as it would without a device.
#include "LogWriter.h"
#include "MuteProcessAudio.h"

#include "Harness.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, LPMIDIHDR, UINT);
using CreateFn = HRESULT(WINAPI*)(LPCGUID, void**, LPUNKNOWN);

const HWAVEOUT kBadWave = reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(0xBAD0));
const HMIDISTRM kBadMidi = reinterpret_cast<HMIDISTRM>(static_cast<uintptr_t>(0xBAD0));

struct SoundExports {
    WaveOutWriteFn waveOutWrite;
    MidiStreamOutFn midiStreamOut;
    CreateFn create;
    CreateFn create8;
};

template <typename Fn>
Fn Export(const wchar_t* module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(module), name)));
}

SoundExports Exports() {
    return {Export<WaveOutWriteFn>(L"winmm.dll", "waveOutWrite"), Export<MidiStreamOutFn>(L"winmm.dll", "midiStreamOut"),
            Export<CreateFn>(L"dsound.dll", "DirectSoundCreate"), Export<CreateFn>(L"dsound.dll", "DirectSoundCreate8")};
}

// The first bytes of each export, to see whether they were patched.
std::string Prologues(const SoundExports& e) {
    std::string bytes;
    for (const void* f : {reinterpret_cast<const void*>(e.waveOutWrite), reinterpret_cast<const void*>(e.midiStreamOut),
                          reinterpret_cast<const void*>(e.create), reinterpret_cast<const void*>(e.create8)})
        bytes.append(static_cast<const char*>(f), 16);
    return bytes;
}

struct Results {
    MMRESULT wave;
    MMRESULT midi;
    HRESULT create;
    HRESULT create8;
    bool waveSilent;
    bool midiSilent;
    void* sound;
    void* sound8;
};

bool AllZero(const std::vector<char>& data) {
    for (char c : data)
        if (c != 0) return false;
    return true;
}

Results PlayOnce(const SoundExports& e) {
    Results r = {};
    std::vector<char> wave(4096, 'w'), midi(256, 'm');
    WAVEHDR waveHeader = {};
    waveHeader.lpData = wave.data();
    waveHeader.dwBufferLength = static_cast<DWORD>(wave.size());
    MIDIHDR midiHeader = {};
    midiHeader.lpData = midi.data();
    midiHeader.dwBufferLength = static_cast<DWORD>(midi.size());
    r.wave = e.waveOutWrite(kBadWave, &waveHeader, sizeof(waveHeader));
    r.midi = e.midiStreamOut(kBadMidi, &midiHeader, sizeof(midiHeader));
    r.waveSilent = AllZero(wave);
    r.midiSilent = AllZero(midi);
    r.create = e.create(nullptr, &r.sound, nullptr);
    r.create8 = e.create8(nullptr, &r.sound8, nullptr);
    return r;
}

int CountLogLines(const wchar_t* text) {
    int count = 0;
    for (const std::wstring& line : harness::ReadLogLines(LogWriter::GetInstance()->LogFolder(), L"mute_hook_tests"))
        if (line.find(text) != std::wstring::npos) ++count;
    return count;
}

TEST(MuteHooks, SilenceWhileMutedInstalledOnceSystemResultsKept) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)));
    ASSERT_LT(version.dwMajorVersion, 6u) << "tools/wineprefix.sh runs this program as Windows XP";

    const SoundExports e = Exports();
    ASSERT_TRUE(e.waveOutWrite && e.midiStreamOut && e.create && e.create8);
    const std::string original = Prologues(e);
    const Results before = PlayOnce(e);
    EXPECT_EQ(MMSYSERR_INVALHANDLE, before.wave);
    EXPECT_NE(MMSYSERR_NOERROR, before.midi);
    ASSERT_TRUE(FAILED(before.create)) << "the test prefix must have no sound driver";
    EXPECT_FALSE(before.waveSilent);

    LogWriter::GetInstance()->levelMask = 63;  // the programs' default: Info lines included
    const int installedBefore = CountLogLines(L"audio hooks installed");
    MuteProcessAudio(true);
    EXPECT_TRUE(IsProcessAudioMuted());
    const std::string hooked = Prologues(e);
    EXPECT_NE(original, hooked);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(0xE9, static_cast<uint8_t>(hooked[16 * i])) << i;

    Results muted = PlayOnce(e);
    EXPECT_EQ(before.wave, muted.wave);
    EXPECT_EQ(before.midi, muted.midi);
    EXPECT_TRUE(muted.waveSilent);
    EXPECT_TRUE(muted.midiSilent);
    EXPECT_EQ(before.create, muted.create);  // no device: the system's error, and no wrapper
    EXPECT_EQ(before.create8, muted.create8);
    EXPECT_EQ(nullptr, muted.sound);
    EXPECT_EQ(nullptr, muted.sound8);

    MuteProcessAudio(false);
    EXPECT_FALSE(IsProcessAudioMuted());
    Results unmuted = PlayOnce(e);
    EXPECT_EQ(before.wave, unmuted.wave);
    EXPECT_FALSE(unmuted.waveSilent);
    EXPECT_FALSE(unmuted.midiSilent);

    MuteProcessAudio(true);  // the hooks are in place: nothing attached again
    EXPECT_EQ(hooked, Prologues(e));
    muted = PlayOnce(e);
    EXPECT_TRUE(muted.waveSilent);
    EXPECT_EQ(installedBefore + 1, CountLogLines(L"audio hooks installed"));
    MuteProcessAudio(false);
}

}  // namespace
