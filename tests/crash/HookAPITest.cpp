#include "HookAPI.h"

#include "Harness.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

int g_tickCalls = 0;
DWORD WINAPI CountingGetTickCount() {
    ++g_tickCalls;
    return 4242;
}

int g_filterCalls = 0;
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI RefusingSetFilter(LPTOP_LEVEL_EXCEPTION_FILTER) {
    ++g_filterCalls;
    return nullptr;
}

LONG WINAPI SomeFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

const BYTE* Export(const char* name) {
    return reinterpret_cast<const BYTE*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name));
}

std::string Bytes(const BYTE* at, size_t count = 5) { return std::string(reinterpret_cast<const char*>(at), count); }

// Where the 5-byte jump at target leads: the replacement itself, or (on
// 64-bit, when the replacement is out of rel32 reach) a relay that jumps on to it.
const void* JumpDestination(const BYTE* target) {
    int32_t displacement = 0;
    memcpy(&displacement, target + 1, sizeof(displacement));  // little endian on x86
    return target + 5 + displacement;
}

#if defined(_WIN64)
const void* RelayDestination(const void* relay) {
    const BYTE* code = static_cast<const BYTE*>(relay);
    const BYTE jump[6] = {0xFF, 0x25, 0, 0, 0, 0};  // jmp qword [rip+0]
    if (memcmp(code, jump, sizeof(jump)) != 0) return nullptr;
    uint64_t address = 0;
    memcpy(&address, code + sizeof(jump), sizeof(address));
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
}
#endif

TEST(HookAPI, PatchesKernel32ExportAndRestoresIt) {
    const BYTE* target = Export("GetTickCount");
    ASSERT_NE(nullptr, target);
    const std::string original = Bytes(target);
    auto getTickCount = reinterpret_cast<DWORD(WINAPI*)()>(reinterpret_cast<uintptr_t>(target));
    const void* replacement = reinterpret_cast<const void*>(&CountingGetTickCount);
    {
        CHookAPI hook("GetTickCount", replacement);
        EXPECT_EQ(target, hook.Target());
        EXPECT_FALSE(hook.IsInstalled());
        EXPECT_EQ(original, Bytes(target));  // prepared, not yet written

        hook.Toggle();
        ASSERT_TRUE(hook.IsInstalled());
        EXPECT_EQ(0xE9, target[0]);
        const void* destination = JumpDestination(target);
#if defined(_WIN64)
        if (destination != replacement) {
            EXPECT_EQ(replacement, RelayDestination(destination));
            intptr_t distance = static_cast<const BYTE*>(destination) - target;
            EXPECT_LT(distance < 0 ? -distance : distance, static_cast<intptr_t>(INT32_MAX));
        }
#else
        // E9 followed by replacement - target - 5, little endian.
        uint32_t expected = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(replacement) -
                                                  reinterpret_cast<uintptr_t>(target) - 5);
        BYTE patch[5] = {0xE9, static_cast<BYTE>(expected), static_cast<BYTE>(expected >> 8),
                         static_cast<BYTE>(expected >> 16), static_cast<BYTE>(expected >> 24)};
        EXPECT_EQ(Bytes(patch), Bytes(target));
        EXPECT_EQ(replacement, destination);
#endif
        int before = g_tickCalls;
        EXPECT_EQ(4242u, getTickCount());
        EXPECT_EQ(4242u, GetTickCount());
        EXPECT_GE(g_tickCalls, before + 2);

        hook.Toggle();  // twice: the function's own bytes again
        EXPECT_FALSE(hook.IsInstalled());
        EXPECT_EQ(original, Bytes(target));
        before = g_tickCalls;
        getTickCount();
        EXPECT_EQ(before, g_tickCalls);

        hook.Toggle();  // installed again, then restored by the destructor
        EXPECT_EQ(0xE9, target[0]);
        EXPECT_EQ(4242u, getTickCount());
    }
    EXPECT_EQ(original, Bytes(target));
    int before = g_tickCalls;
    getTickCount();
    EXPECT_EQ(before, g_tickCalls);
}

TEST(HookAPI, FilterHookKeepsFirstFilterInForce) {
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(&SomeFilter);
    {
        CHookAPI hook("SetUnhandledExceptionFilter", reinterpret_cast<const void*>(&RefusingSetFilter));
        hook.Toggle();
        EXPECT_EQ(nullptr, SetUnhandledExceptionFilter(nullptr));
        EXPECT_EQ(1, g_filterCalls);
    }
    // Unhooked: the filter in force is still the one set before the hook.
    EXPECT_EQ(&SomeFilter, SetUnhandledExceptionFilter(previous));
}

TEST(HookAPI, MissingExportLogsWarningAndStaysInert) {
    LogWriter* log = LogWriter::GetInstance();
    int savedFlags = log->prefixFlags;
    log->prefixFlags = 8;
    CHookAPI hook("NoSuchExportOfKernel32", reinterpret_cast<const void*>(&CountingGetTickCount));
    log->prefixFlags = savedFlags;
    EXPECT_EQ(nullptr, hook.Target());
    hook.Toggle();
    EXPECT_FALSE(hook.IsInstalled());
    bool found = false;
    for (const std::wstring& line : harness::ReadLogLines(log->LogFolder(), L"crash_tests")) {
        found = found || line == L"[Warning]|[CHookAPI::CHookAPI]|Hook api failed, dll(kernel32.dll) "
                                 L"funcName(NoSuchExportOfKernel32)";
    }
    EXPECT_TRUE(found) << harness::LogText(log->LogFolder(), L"crash_tests");
}

}  // namespace
