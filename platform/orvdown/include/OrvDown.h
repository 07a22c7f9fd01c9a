#pragma once
// OrvDown.dll, the package download library: its exports and the notify
// interface it calls back on. The library fetches, updates, repairs and
// removes client game packages from the download server named by
// ConnectSSS and reports every outcome through IVokPkgDownNotify, on the
// library's own threads.
#include <stdint.h>

#ifdef ORVDOWN_BUILDING
#define ORVDOWN_API extern "C" __declspec(dllexport)
#else
#define ORVDOWN_API extern "C" __declspec(dllimport)
#endif

// The task record every task notice carries. Owned by the library; valid
// only during the notice. Callers read the words named here.
struct VokPkgTaskInfo {
    uint32_t state;    // library's own task state
    uint32_t pkgId;    // the task key given to CreateTask (the game id)
    uint32_t pkgVer;   // package version, known once the index arrived
    uint32_t totalKB;  // package size in KB, known once the index arrived
};

// The progress record of OnDumpPkgDownInfo: 17 32-bit words.
struct VokPkgProgressInfo {
    uint32_t pkgId;
    uint32_t totalBlocks;      // blocks of the whole package
    uint32_t needBlocks;       // blocks this task still has to fetch
    uint32_t taskBlocks;       // blocks this task had to fetch at its start
    uint32_t fileCount;        // files of the package
    uint32_t retriedBlocks;    // blocks fetched again after a fault
    uint32_t workerCount;      // download threads of the task
    uint32_t receivedLow;      // bytes received by this task (64-bit, low)
    uint32_t receivedHigh;     //   (high)
    uint32_t needBytesLow;     // bytes this task still has to fetch (64-bit, low)
    uint32_t needBytesHigh;    //   (high)
    uint32_t totalKB;          // package size in KB
    uint32_t elapsedMs;        // time since the download began
    uint32_t speedLimit;       // total speed limit in force, bytes per second (0 = none)
    uint32_t pkgVer;
    uint32_t localBlocks;      // blocks found sound in the game folder at the start
    uint32_t bytesPerSecond;   // current speed of the task
};

// What the library reports to its user. Called on the library's threads;
// an implementation must not block on the thread that calls the library.
class IVokPkgDownNotify {
public:
    virtual void OnTaskCreateFailed(VokPkgTaskInfo* task) = 0;
    virtual void OnTaskInit(VokPkgTaskInfo* task) = 0;
    virtual int DoCleanForPkg(VokPkgTaskInfo* /*task*/, uint64_t /*needBytes*/) { return 1; }
    virtual void OnBeginQueryBlock(VokPkgTaskInfo* /*task*/) {}
    virtual void OnCalcPkgDownInfo(VokPkgTaskInfo* /*task*/, uint32_t /*blocks*/, uint64_t /*bytes*/) {}
    virtual void OnCalcPkgDownIdxInfo(VokPkgTaskInfo* /*task*/, uint32_t /*needBlocks*/, uint32_t /*leftBlocks*/) {}
    virtual void OnIdxOfIdxDownFinish(VokPkgTaskInfo* /*task*/) {}
    virtual void OnIdxDownFinish(VokPkgTaskInfo* /*task*/) {}
    virtual void OnDumpPkgDownInfo(VokPkgTaskInfo* /*task*/, VokPkgProgressInfo* /*progress*/, uint32_t /*value*/) {}
    virtual bool Reserved(uint32_t /*value*/) { return true; }
    virtual bool FilterDownFile(const char* /*fileName*/) { return true; }
    virtual void OnPkgDownFinish(VokPkgTaskInfo* task, uint32_t fileCount, uint32_t blockCount, uint32_t idxSize) = 0;
    virtual void OnTaskSuccess(VokPkgTaskInfo* task, uint32_t value) = 0;
    virtual void OnTaskDestory(VokPkgTaskInfo* task, uint32_t value) = 0;
    virtual void OnTaskCancel(VokPkgTaskInfo* task, uint32_t value1, uint32_t value2) = 0;

protected:
    // The library never deletes the object it is given.
    ~IVokPkgDownNotify() = default;
};

// Exports (stdcall: the callee removes its arguments). Folders are narrow
// (ANSI code page) paths ending in a backslash.
ORVDOWN_API bool __stdcall DownInit(IVokPkgDownNotify* notify);
ORVDOWN_API bool __stdcall ConnectSSS(const char* host, unsigned short port);
ORVDOWN_API void __stdcall SetTotalSpeedLimit(uint32_t bytesPerSecond);
ORVDOWN_API void __stdcall CreateTask(uint32_t pkgId, const char* folder);
ORVDOWN_API void __stdcall PauseTask(uint32_t pkgId);
ORVDOWN_API void __stdcall StopTask(uint32_t pkgId);
ORVDOWN_API void __stdcall RepairTask(uint32_t pkgId, const char* folder);
ORVDOWN_API void __stdcall DeletePkg(uint32_t pkgId, const char* folder);
ORVDOWN_API void __stdcall DownUninit();
