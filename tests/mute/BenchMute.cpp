// Sound mute benchmark: a waveOutWrite of 64 KB through the hook, muted and
// un-muted. The test prefix has no sound driver, so the system refuses the
// call at once and the un-muted call costs next to nothing; a device's write
// reads the 64 KB at least once, muted or not. The figure compared with the
// bound of 2 is therefore (muted + copy) / (un-muted + copy), one copy being
// a 64 KB memcpy. Runs as Windows XP
// (tools/wineprefix.sh) so the hooks are installed; exit code 1 above the bound.
#include "MuteProcessAudio.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBytes = 64 * 1024;
constexpr int kCalls = 2000;
constexpr int kRounds = 7;

template <typename Work>
double BestMicroseconds(Work work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        QueryPerformanceCounter(&start);
        for (int i = 0; i < kCalls; ++i) work();
        QueryPerformanceCounter(&end);
        const double us = 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart) / kCalls;
        if (us < best) best = us;
    }
    return best;
}

}  // namespace

int wmain() {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    if (version.dwMajorVersion >= 6) {
        fprintf(stderr, "bench_mute: needs the Windows XP setting of tools/wineprefix.sh\n");
        return 2;
    }
    std::vector<char> data(kBytes, 'w'), device(kBytes);
    WAVEHDR header = {};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    const HWAVEOUT noDevice = reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(0xBAD0));
    auto write = [&] { waveOutWrite(noDevice, &header, sizeof(header)); };

    MuteProcessAudio(false);  // installs the hooks, lets sound through
    const double unmuted = BestMicroseconds(write);
    MuteProcessAudio(true);
    const double muted = BestMicroseconds(write);
    MuteProcessAudio(false);
    volatile char sink = 0;
    const double copy = BestMicroseconds([&] {
        memcpy(device.data(), data.data(), kBytes);
        sink = device[kBytes - 1];
    });
    (void)sink;

    const double ratio = (muted + copy) / (unmuted + copy);
    printf("waveOutWrite of 64 KB through the hook: un-muted %.3f us (refused: no device), muted %.3f us\n", unmuted,
           muted);
    printf("one copy of 64 KB (the least a device's write costs): %.3f us\n", copy);
    printf("(muted + copy) / (un-muted + copy) = %.2f (bound 2)\n", ratio);
    return ratio <= 2.0 ? 0 : 1;
}
