#include "CriticalSection.h"

namespace OS {
namespace {

CriticalSection g_fontCacheLock;
CriticalSection g_modulePathLock;

}  // namespace

CriticalSection& FontCacheLock() { return g_fontCacheLock; }
CriticalSection& ModulePathLock() { return g_modulePathLock; }

}  // namespace OS
