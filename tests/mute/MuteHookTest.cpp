// The sound mute's hook path, as it runs before Windows 6.0: the test prefix
// runs this program as Windows XP (tools/wineprefix.sh), and has no sound
// driver, so every call below fails as it would without a device. The hooks
// are written while another thread stands inside the bytes they replace and
// a third keeps calling the hooked function.
#include "LogWriter.h"
#include "MuteProcessAudio.h"
#include "UniqueHandle.h"

#include "Harness.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

#if defined(_WIN64)
DWORD64& Ip(CONTEXT& context) { return context.Rip; }
DWORD64& Sp(CONTEXT& context) { return context.Rsp; }
#else
DWORD& Ip(CONTEXT& context) { return context.Eip; }
DWORD& Sp(CONTEXT& context) { return context.Esp; }
#endif
constexpr DWORD kTrapFlag = 0x100;
constexpr DWORD kNoResult = 0xFFFFFFFF;

// A thread stopped inside the first bytes of a function it was called into,
// as a game's audio thread may stand when the hooks are written. It spins in
// a code blob, is given a call frame whose return leads to a landing that
// stores the result, runs the function's first instruction alone (trap flag)
// and is held behind it. An exception on it is recorded and the thread sent
// back to spin. One at a time.
class ParkedCall {
public:
    ParkedCall() {
        code_.reset(VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
        auto* code = static_cast<uint8_t*>(code_.get());
        if (!code) return;
        result_ = reinterpret_cast<volatile DWORD*>(code + 64);
        *result_ = kNoResult;
        const uintptr_t result = reinterpret_cast<uintptr_t>(result_);
        const uint8_t spin[] = {0xEB, 0xFE};  // jmp $
        memcpy(code, spin, sizeof(spin));
        code[16] = 0xA3;  // mov [result], eax; jmp $
        memcpy(code + 17, &result, sizeof(result));
        memcpy(code + 17 + sizeof(result), spin, sizeof(spin));
        s_current = this;
        handler_ = AddVectoredExceptionHandler(1, &OnException);
    }
    ~ParkedCall() {
        if (thread_) {
            TerminateThread(thread_.get(), 0);
            WaitForSingleObject(thread_.get(), 10000);
        }
        if (handler_) RemoveVectoredExceptionHandler(handler_);
        s_current = nullptr;
    }
    ParkedCall(const ParkedCall&) = delete;
    ParkedCall& operator=(const ParkedCall&) = delete;

    // Calls fn(a, b, c) (stdcall, or the x64 convention) and holds the thread
    // behind its first instruction, where HeldIp() tells.
    bool Park(const void* fn, uintptr_t a, uintptr_t b, uintptr_t c) {
        if (!code_ || !handler_) return false;
        thread_.reset(CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(Spin()), nullptr, 0, &id_));
        if (!thread_ || !harness::WaitUntil([&] { return RunningIp() == Spin(); }, 10000)) return false;
        CONTEXT context = {};
        if (!Hold(&context)) return false;
        const uintptr_t landing = reinterpret_cast<uintptr_t>(static_cast<uint8_t*>(code_.get()) + 16);
#if defined(_WIN64)
        Sp(context) = ((Sp(context) - 256) & ~DWORD64{15}) - 8;
        context.Rcx = a;
        context.Rdx = b;
        context.R8 = c;
        *reinterpret_cast<uintptr_t*>(Sp(context)) = landing;
#else
        Sp(context) = (Sp(context) - 256) & ~DWORD{15};
        const uintptr_t frame[] = {landing, a, b, c};
        memcpy(reinterpret_cast<void*>(Sp(context)), frame, sizeof(frame));
#endif
        Ip(context) = reinterpret_cast<uintptr_t>(fn);
        context.EFlags |= kTrapFlag;
        if (!SetThreadContext(thread_.get(), &context) || ResumeThread(thread_.get()) == static_cast<DWORD>(-1))
            return false;
        if (!harness::WaitUntil([&] { return stepped_.load() && RunningIp() == Spin(); }, 10000)) return false;
        if (!Hold(&context)) return false;
        context = afterFirst_;
        context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
        context.EFlags &= ~kTrapFlag;
        return SetThreadContext(thread_.get(), &context) != FALSE;
    }
    uintptr_t HeldIp() const {
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        return GetThreadContext(thread_.get(), &context) ? Ip(context) : 0;
    }
    // Lets the held thread go on; true when it returned from the function, or faulted, in time.
    bool Finish(DWORD timeoutMs) {
        if (ResumeThread(thread_.get()) == static_cast<DWORD>(-1)) return false;
        return harness::WaitUntil([&] { return *result_ != kNoResult || fault_.load() != 0; }, timeoutMs);
    }
    DWORD Result() const { return *result_; }
    DWORD Fault() const { return fault_.load(); }

private:
    uintptr_t Spin() const { return reinterpret_cast<uintptr_t>(code_.get()); }
    // Suspends the thread and reads its registers; it stays suspended even when the read fails.
    bool Hold(CONTEXT* context) {
        if (SuspendThread(thread_.get()) == static_cast<DWORD>(-1)) return false;
        context->ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
        return GetThreadContext(thread_.get(), context) != FALSE;
    }
    uintptr_t RunningIp() {
        CONTEXT context = {};
        const bool read = Hold(&context);
        ResumeThread(thread_.get());  // nothing happens when the suspension failed
        return read ? Ip(context) : 0;
    }
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
        ParkedCall* self = s_current;
        if (!self || GetCurrentThreadId() != self->id_) return EXCEPTION_CONTINUE_SEARCH;
        CONTEXT* context = info->ContextRecord;
        if (info->ExceptionRecord->ExceptionCode == EXCEPTION_SINGLE_STEP && !self->stepped_.load()) {
            self->afterFirst_ = *context;
            self->stepped_.store(true);
        } else {
            self->fault_.store(info->ExceptionRecord->ExceptionCode);
        }
        context->EFlags &= ~kTrapFlag;
        Ip(*context) = self->Spin();
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static ParkedCall* s_current;
    UniqueVirtualMemory code_;
    volatile DWORD* result_ = nullptr;
    PVOID handler_ = nullptr;
    UniqueHandle thread_;
    DWORD id_ = 0;
    CONTEXT afterFirst_ = {};
    std::atomic<bool> stepped_{false};
    std::atomic<DWORD> fault_{0};
};
ParkedCall* ParkedCall::s_current = nullptr;

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

    // A thread held inside the bytes the hook replaces, and one calling the
    // function over and over, while the hooks are written.
    std::vector<char> parkedData(256, 'p');
    WAVEHDR parkedHeader = {};
    parkedHeader.lpData = parkedData.data();
    parkedHeader.dwBufferLength = static_cast<DWORD>(parkedData.size());
    ParkedCall parked;
    ASSERT_TRUE(parked.Park(reinterpret_cast<const void*>(e.waveOutWrite), reinterpret_cast<uintptr_t>(kBadWave),
                            reinterpret_cast<uintptr_t>(&parkedHeader), sizeof(parkedHeader)));
    const uintptr_t parkedAt = parked.HeldIp() - reinterpret_cast<uintptr_t>(e.waveOutWrite);
    ASSERT_GT(parkedAt, 0u);
    ASSERT_LT(parkedAt, 5u) << "the first instruction must leave the thread inside the patch";
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0}, wrongResults{0};
    std::thread caller([&] {
        char data[64] = {};
        while (!stop.load()) {
            WAVEHDR header = {};
            header.lpData = data;
            header.dwBufferLength = sizeof(data);
            if (e.waveOutWrite(kBadWave, &header, sizeof(header)) != MMSYSERR_INVALHANDLE) ++wrongResults;
            ++calls;
        }
    });

    LogWriter::GetInstance()->levelMask = 63;  // the programs' default: Info lines included
    const int installedBefore = CountLogLines(L"audio hooks installed");
    MuteProcessAudio(true);
    const int callsAtInstall = calls.load();
    EXPECT_TRUE(harness::WaitUntil([&] { return calls.load() > callsAtInstall + 100; }, 10000));
    stop.store(true);
    caller.join();
    EXPECT_EQ(0, wrongResults.load());
    EXPECT_TRUE(IsProcessAudioMuted());
    const std::string hooked = Prologues(e);
    EXPECT_NE(original, hooked);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(0xE9, static_cast<uint8_t>(hooked[16 * i])) << i;
    // The held thread goes on where it stood and returns the system's result.
    EXPECT_TRUE(parked.Finish(10000));
    EXPECT_EQ(0u, parked.Fault()) << std::hex << "exception 0x" << parked.Fault() << " on the held thread";
    EXPECT_EQ(static_cast<DWORD>(MMSYSERR_INVALHANDLE), parked.Result());

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
