#pragma once
// Inline function hooking (stand-in for the Detours library): the calls the
// player's sound mute makes. A function is detoured by writing a 5-byte
// relative jump over its first instructions; those instructions move, with
// their relative branches and RIP-relative operands rewritten, into a
// trampoline that then jumps back behind the patch. A prologue that cannot be
// decoded whole is refused.
//
// Hooks are set in a transaction owned by the thread that begins it:
//     DetourTransactionBegin();
//     DetourUpdateThread(GetCurrentThread());
//     DetourAttach(&(PVOID&)realFunction, MyFunction);   // realFunction becomes the trampoline
//     DetourTransactionCommit();                         // all patches, or none
// The calls return NO_ERROR or a Win32 error code. A failed attach makes the
// commit fail and write nothing.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

LONG WINAPI DetourTransactionBegin(void);
// Threads (other than the caller) to hold still while the patches are written;
// one that stands inside the bytes being replaced continues in the trampoline.
// The handle needs THREAD_SUSPEND_RESUME, THREAD_GET_CONTEXT, THREAD_SET_CONTEXT
// and THREAD_QUERY_INFORMATION, and stays open until the commit returns; with
// SYNCHRONIZE too, a thread that has ended before the commit is passed over.
LONG WINAPI DetourUpdateThread(HANDLE thread);
LONG WINAPI DetourAttach(PVOID* pointer, PVOID detour);
LONG WINAPI DetourTransactionCommit(void);

// The export of the module, loading the module when it is not loaded yet
// (it then stays loaded); null when either is missing.
PVOID WINAPI DetourFindFunction(LPCSTR module, LPCSTR function);

#ifdef __cplusplus
}
#endif
