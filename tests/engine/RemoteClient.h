#pragma once
// Client of the engine's remote-control pipe, with bounded waits.
#include <string>

// The answer text, or "" when the pipe could not be used in time.
std::wstring RemoteCall(const std::wstring& pipeName, const std::wstring& request, unsigned timeoutMs = 20000);
// Browser ids, renderer pids, URLs and titles from "list".
struct RemoteBrowser {
    int id = 0;
    unsigned long rendererPid = 0;
    std::wstring url;
    std::wstring title;
};
#include <vector>
std::vector<RemoteBrowser> RemoteList(const std::wstring& pipeName);
