// Benchmark driver: downloads one package through OrvDown.dll with no speed
// limit (or the total limit given, bytes per second) and prints
// "orvdown <bytes> <seconds>". Used by tools/bench-orvdown.sh and
// tools/bench-downloads.sh.
//   orvdown_bench.exe PORT PKGID FOLDER [LIMIT]
#include "OrvDown.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class BenchNotify : public IVokPkgDownNotify {
public:
    BenchNotify() : ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~BenchNotify() { CloseHandle(ended_); }
    void OnTaskCreateFailed(VokPkgTaskInfo*) override { ok_ = false; }
    void OnTaskInit(VokPkgTaskInfo*) override {}
    void OnCalcPkgDownInfo(VokPkgTaskInfo*, uint32_t, uint64_t bytes) override { bytes_ = bytes; }
    void OnPkgDownFinish(VokPkgTaskInfo*, uint32_t, uint32_t, uint32_t) override {}
    void OnTaskSuccess(VokPkgTaskInfo*, uint32_t) override { ok_ = true; }
    void OnTaskDestory(VokPkgTaskInfo*, uint32_t) override { SetEvent(ended_); }
    void OnTaskCancel(VokPkgTaskInfo*, uint32_t, uint32_t) override {}

    HANDLE ended_;
    bool ok_ = false;
    uint64_t bytes_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: orvdown_bench PORT PKGID FOLDER [LIMIT]\n");
        return 2;
    }
    BenchNotify notify;
    std::wstring folder = argv[3];
    char narrow[MAX_PATH * 2];
    if (!WideCharToMultiByte(CP_ACP, 0, (folder + L"\\").c_str(), -1, narrow, sizeof(narrow), nullptr, nullptr))
        return 2;
    if (!DownInit(&notify) || !ConnectSSS("127.0.0.1", static_cast<unsigned short>(_wtoi(argv[1])))) {
        fprintf(stderr, "orvdown_bench: no connection to the download server\n");
        return 1;
    }
    SetTotalSpeedLimit(argc == 5 ? static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)) : 0);
    auto start = std::chrono::steady_clock::now();
    CreateTask(static_cast<uint32_t>(_wtoi(argv[2])), narrow);
    DWORD wait = WaitForSingleObject(notify.ended_, 600000);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    DownUninit();
    if (wait != WAIT_OBJECT_0 || !notify.ok_) {
        fprintf(stderr, "orvdown_bench: the download failed or took over 10 minutes\n");
        return 1;
    }
    printf("orvdown %llu %.3f\n", static_cast<unsigned long long>(notify.bytes_), seconds);
    return 0;
}
