// The hook library stand-in on live code: functions of this program, code
// written at run time (relative branches and calls in the prologue), a
// thread standing inside the patched bytes, and the system's own sound
// exports. Each hook stays for the life of this test program.
#include "detours.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "Harness.h"

namespace {

#if defined(_WIN64)
#define BLOB_CALL
#else
#define BLOB_CALL __fastcall
#endif

// Executable memory holding hand-assembled code (the same bytes decode the
// same way in 32- and 64-bit mode: arguments in ecx and edx).
class CodeBlob {
public:
    explicit CodeBlob(const std::vector<uint8_t>& bytes) {
        code_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
        if (code_) memcpy(code_, bytes.data(), bytes.size());
    }
    ~CodeBlob() = default;  // hooked code must stay: the trampoline jumps back into it
    uint8_t* Code() const { return code_; }

private:
    uint8_t* code_ = nullptr;
};

using Pair = int(BLOB_CALL*)(int, int);

// test ecx, ecx; je +6; lea eax, [ecx+edx]; ret; int3 x2; mov eax, 99; ret
const std::vector<uint8_t> kBranching = {0x85, 0xC9, 0x74, 0x06, 0x8D, 0x04, 0x11, 0xC3,
                                         0xCC, 0xCC, 0xB8, 0x63, 0, 0, 0, 0xC3};
// call +7 (to offset 12); add eax, ecx; ret; int3 x4; mov eax, 40; ret
const std::vector<uint8_t> kCalling = {0xE8, 0x07, 0, 0, 0, 0x01, 0xC8, 0xC3, 0xCC, 0xCC,
                                       0xCC, 0xCC, 0xB8, 0x28, 0, 0, 0, 0xC3};

Pair g_branchingReal = nullptr;
int BLOB_CALL BranchingDetour(int a, int b) { return g_branchingReal(a, b) + 1000; }
Pair g_callingReal = nullptr;
int BLOB_CALL CallingDetour(int a, int b) { return g_callingReal(a, b) + 2000; }

__attribute__((noinline)) int LocalScaled(int value) {
    volatile int factor = 3;
    return value * factor;
}
int (*volatile g_localScaled)(int) = &LocalScaled;
int (*g_localScaledReal)(int) = nullptr;
int LocalScaledDetour(int value) { return -g_localScaledReal(value); }

LONG AttachOne(PVOID* pointer, PVOID detour) {
    LONG begin = DetourTransactionBegin();
    if (begin != NO_ERROR) return begin;
    DetourUpdateThread(GetCurrentThread());
    LONG attach = DetourAttach(pointer, detour);
    LONG commit = DetourTransactionCommit();
    return attach != NO_ERROR ? attach : commit;
}

DWORD WINAPI EndAtOnce(void*) { return 0; }

int32_t Rel32At(const uint8_t* at) {
    int32_t value = 0;
    memcpy(&value, at, sizeof(value));
    return value;
}

TEST(Detours, LocalFunctionRunsTheDetourWhichReachesTheOriginal) {
    ASSERT_EQ(21, g_localScaled(7));
    g_localScaledReal = &LocalScaled;
    ASSERT_EQ(NO_ERROR, AttachOne(reinterpret_cast<PVOID*>(&g_localScaledReal), reinterpret_cast<PVOID>(&LocalScaledDetour)));
    EXPECT_NE(reinterpret_cast<PVOID>(&LocalScaled), reinterpret_cast<PVOID>(g_localScaledReal));
    EXPECT_EQ(0xE9, reinterpret_cast<const uint8_t*>(&LocalScaled)[0]);
    EXPECT_EQ(-21, g_localScaled(7));
    EXPECT_EQ(21, g_localScaledReal(7));
}

TEST(Detours, RelativeBranchesAndCallsOfThePrologueStillLeadWhereTheyDid) {
    CodeBlob branching(kBranching), calling(kCalling);
    ASSERT_TRUE(branching.Code() && calling.Code());
    Pair branchingFn = reinterpret_cast<Pair>(branching.Code());
    Pair callingFn = reinterpret_cast<Pair>(calling.Code());
    ASSERT_EQ(5, branchingFn(2, 3));
    ASSERT_EQ(99, branchingFn(0, 3));
    ASSERT_EQ(47, callingFn(7, 0));

    g_branchingReal = branchingFn;
    g_callingReal = callingFn;
    ASSERT_EQ(NO_ERROR, DetourTransactionBegin());
    EXPECT_EQ(NO_ERROR, DetourUpdateThread(GetCurrentThread()));
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_branchingReal), reinterpret_cast<PVOID>(&BranchingDetour)));
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_callingReal), reinterpret_cast<PVOID>(&CallingDetour)));
    ASSERT_EQ(NO_ERROR, DetourTransactionCommit());

    // The patch covers three instructions (7 bytes); its last two bytes trap.
    const uint8_t* code = branching.Code();
    EXPECT_EQ(0xE9, code[0]);
    EXPECT_EQ(0xCC, code[5]);
    EXPECT_EQ(0xCC, code[6]);
    EXPECT_EQ(0xC3, code[7]);
    // The short je moved as a near je that still reaches offset 10.
    const uint8_t* trampoline = reinterpret_cast<const uint8_t*>(g_branchingReal);
    EXPECT_EQ(0x0F, trampoline[2]);
    EXPECT_EQ(0x84, trampoline[3]);
    EXPECT_EQ(code + 10, trampoline + 8 + Rel32At(trampoline + 4));

    EXPECT_EQ(1005, branchingFn(2, 3));
    EXPECT_EQ(1099, branchingFn(0, 3));  // through the moved je to the original's tail
    EXPECT_EQ(5, g_branchingReal(2, 3));
    EXPECT_EQ(2047, callingFn(7, 0));  // the moved call returns into the trampoline
    EXPECT_EQ(47, g_callingReal(7, 0));
}

TEST(Detours, TransactionRules) {
    CodeBlob good(kBranching);
    CodeBlob tooShort({0x31, 0xC0, 0xC3, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC});  // xor eax, eax; ret
    PVOID goodPointer = good.Code(), shortPointer = tooShort.Code();
    PVOID detour = reinterpret_cast<PVOID>(&BranchingDetour);

    EXPECT_EQ(ERROR_INVALID_OPERATION, DetourAttach(&goodPointer, detour));  // no transaction
    EXPECT_EQ(ERROR_INVALID_OPERATION, DetourTransactionCommit());

    ASSERT_EQ(NO_ERROR, DetourTransactionBegin());
    EXPECT_EQ(ERROR_INVALID_OPERATION, DetourTransactionBegin());  // one at a time
    LONG fromOtherThread = NO_ERROR;
    std::thread other([&] { fromOtherThread = DetourAttach(&goodPointer, detour); });
    other.join();
    EXPECT_EQ(ERROR_INVALID_OPERATION, fromOtherThread);  // the transaction is its thread's
    EXPECT_EQ(NO_ERROR, DetourAttach(&goodPointer, detour));
    PVOID again = good.Code();
    EXPECT_EQ(ERROR_INVALID_OPERATION, DetourAttach(&again, detour));  // the same bytes twice
    EXPECT_EQ(ERROR_INVALID_BLOCK, DetourAttach(&shortPointer, detour));
    EXPECT_EQ(ERROR_INVALID_OPERATION, DetourTransactionCommit());  // the first failure

    // All or nothing: the good attach was not written either.
    EXPECT_EQ(0x85, good.Code()[0]);
    EXPECT_EQ(good.Code(), goodPointer);
    EXPECT_EQ(0x31, tooShort.Code()[0]);
    EXPECT_EQ(tooShort.Code(), shortPointer);

    // A new transaction starts clean; a thread named to it that has ended
    // before the commit holds nothing up.
    HANDLE ended = CreateThread(nullptr, 0, &EndAtOnce, nullptr, 0, nullptr);
    ASSERT_TRUE(ended);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ended, 10000));
    ASSERT_EQ(NO_ERROR, DetourTransactionBegin());
    EXPECT_EQ(NO_ERROR, DetourUpdateThread(GetCurrentThread()));
    EXPECT_EQ(NO_ERROR, DetourUpdateThread(ended));
    EXPECT_EQ(NO_ERROR, DetourAttach(&goodPointer, detour));
    EXPECT_EQ(NO_ERROR, DetourTransactionCommit());
    CloseHandle(ended);
    EXPECT_NE(good.Code(), goodPointer);
    EXPECT_EQ(0xE9, good.Code()[0]);
}

TEST(Detours, HeldThreadInsideThePatchGoesOnInTheTrampoline) {
    // Eight nops, then jmp $ at offset 8.
    CodeBlob spin({0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xEB, 0xFE});
    uint8_t* code = spin.Code();
    ASSERT_TRUE(code);
    HANDLE thread = CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(code), nullptr, 0, nullptr);
    ASSERT_TRUE(thread);
    auto ipOf = [thread]() -> uintptr_t {
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) return 0;
        BOOL ok = GetThreadContext(thread, &context);
        ResumeThread(thread);
#if defined(_WIN64)
        return ok ? context.Rip : 0;
#else
        return ok ? context.Eip : 0;
#endif
    };
    const uintptr_t loop = reinterpret_cast<uintptr_t>(code + 8);
    ASSERT_TRUE(harness::WaitUntil([&] { return ipOf() == loop; }, 10000));

    // Hold the thread and put it on the third nop, inside the bytes to be patched.
    ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(thread));
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL;
    ASSERT_TRUE(GetThreadContext(thread, &context));
#if defined(_WIN64)
    context.Rip = reinterpret_cast<uintptr_t>(code + 2);
#else
    context.Eip = reinterpret_cast<uintptr_t>(code + 2);
#endif
    ASSERT_TRUE(SetThreadContext(thread, &context));

    PVOID pointer = code;
    ASSERT_EQ(NO_ERROR, DetourTransactionBegin());
    EXPECT_EQ(NO_ERROR, DetourUpdateThread(GetCurrentThread()));
    EXPECT_EQ(NO_ERROR, DetourUpdateThread(thread));
    EXPECT_EQ(NO_ERROR, DetourAttach(&pointer, reinterpret_cast<PVOID>(&BranchingDetour)));
    ASSERT_EQ(NO_ERROR, DetourTransactionCommit());
    EXPECT_EQ(0xE9, code[0]);

    ASSERT_TRUE(GetThreadContext(thread, &context));
#if defined(_WIN64)
    const uintptr_t ip = context.Rip;
#else
    const uintptr_t ip = context.Eip;
#endif
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer) + 2, ip);
    ResumeThread(thread);
    // Through the trampoline and back behind the patch, to the loop again.
    EXPECT_TRUE(harness::WaitUntil([&] { return ipOf() == loop; }, 10000));
    TerminateThread(thread, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
}

// The system's sound exports, as the sound mute hooks them.
using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, LPMIDIHDR, UINT);
using CreateFn = HRESULT(WINAPI*)(LPCGUID, void**, IUnknown*);

WaveOutWriteFn g_waveOutWrite = nullptr;
MidiStreamOutFn g_midiStreamOut = nullptr;
CreateFn g_create = nullptr;
CreateFn g_create8 = nullptr;
int g_calls[4] = {};

MMRESULT WINAPI CountingWaveOutWrite(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    ++g_calls[0];
    return g_waveOutWrite(h, header, size);
}
MMRESULT WINAPI CountingMidiStreamOut(HMIDISTRM h, LPMIDIHDR header, UINT size) {
    ++g_calls[1];
    return g_midiStreamOut(h, header, size);
}
HRESULT WINAPI CountingCreate(LPCGUID guid, void** out, IUnknown* outer) {
    ++g_calls[2];
    return g_create(guid, out, outer);
}
HRESULT WINAPI CountingCreate8(LPCGUID guid, void** out, IUnknown* outer) {
    ++g_calls[3];
    return g_create8(guid, out, outer);
}

TEST(Detours, SystemSoundExportsAreFoundAndHooked) {
    g_waveOutWrite = reinterpret_cast<WaveOutWriteFn>(DetourFindFunction("winmm.DLL", "waveOutWrite"));
    g_midiStreamOut = reinterpret_cast<MidiStreamOutFn>(DetourFindFunction("winmm.DLL", "midiStreamOut"));
    g_create = reinterpret_cast<CreateFn>(DetourFindFunction("dsound.DLL", "DirectSoundCreate"));
    g_create8 = reinterpret_cast<CreateFn>(DetourFindFunction("dsound.DLL", "DirectSoundCreate8"));
    ASSERT_TRUE(g_waveOutWrite && g_midiStreamOut && g_create && g_create8);
    EXPECT_EQ(reinterpret_cast<void*>(g_waveOutWrite),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"winmm.dll"), "waveOutWrite")));
    EXPECT_EQ(reinterpret_cast<void*>(g_create8),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"dsound.dll"), "DirectSoundCreate8")));
    EXPECT_EQ(nullptr, DetourFindFunction("winmm.DLL", "NoSuchExport"));
    EXPECT_EQ(nullptr, DetourFindFunction("nosuchmodule.dll", "waveOutWrite"));

    const WaveOutWriteFn waveOutWrite = g_waveOutWrite;
    const MidiStreamOutFn midiStreamOut = g_midiStreamOut;
    const CreateFn create = g_create, create8 = g_create8;
    char data[64] = "sound";
    WAVEHDR wave = {};
    wave.lpData = data;
    wave.dwBufferLength = sizeof(data);
    MIDIHDR midi = {};
    midi.lpData = data;
    midi.dwBufferLength = sizeof(data);
    HWAVEOUT badWave = reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(0xBAD0));
    HMIDISTRM badMidi = reinterpret_cast<HMIDISTRM>(static_cast<uintptr_t>(0xBAD0));
    const MMRESULT waveBefore = waveOutWrite(badWave, &wave, sizeof(wave));
    const MMRESULT midiBefore = midiStreamOut(badMidi, &midi, sizeof(midi));
    void* sound = nullptr;
    const HRESULT createBefore = create(nullptr, &sound, nullptr);
    ASSERT_TRUE(FAILED(createBefore)) << "the test prefix must have no sound device";

    ASSERT_EQ(NO_ERROR, DetourTransactionBegin());
    DetourUpdateThread(GetCurrentThread());
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_waveOutWrite), reinterpret_cast<PVOID>(&CountingWaveOutWrite)));
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_midiStreamOut), reinterpret_cast<PVOID>(&CountingMidiStreamOut)));
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_create), reinterpret_cast<PVOID>(&CountingCreate)));
    EXPECT_EQ(NO_ERROR, DetourAttach(reinterpret_cast<PVOID*>(&g_create8), reinterpret_cast<PVOID>(&CountingCreate8)));
    ASSERT_EQ(NO_ERROR, DetourTransactionCommit());
    EXPECT_EQ(0xE9, *reinterpret_cast<const uint8_t*>(waveOutWrite));
    EXPECT_EQ(0xE9, *reinterpret_cast<const uint8_t*>(create8));

    EXPECT_EQ(waveBefore, waveOutWrite(badWave, &wave, sizeof(wave)));
    EXPECT_EQ(waveBefore, ::waveOutWrite(badWave, &wave, sizeof(wave)));  // through the import too
    EXPECT_EQ(midiBefore, midiStreamOut(badMidi, &midi, sizeof(midi)));
    EXPECT_EQ(createBefore, create(nullptr, &sound, nullptr));
    EXPECT_EQ(createBefore, create8(nullptr, &sound, nullptr));
    EXPECT_EQ(2, g_calls[0]);
    EXPECT_EQ(1, g_calls[1]);
    EXPECT_EQ(1, g_calls[2]);
    EXPECT_EQ(1, g_calls[3]);
    EXPECT_STREQ("sound", data);
}

}  // namespace
