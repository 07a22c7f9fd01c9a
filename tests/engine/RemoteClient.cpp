#include "RemoteClient.h"

#include <windows.h>

namespace {
std::string Utf8(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}
std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}
bool WaitIo(HANDLE h, OVERLAPPED* ov, DWORD ms, DWORD* bytes) {
    if (WaitForSingleObject(ov->hEvent, ms) != WAIT_OBJECT_0) {
        CancelIoEx(h, ov);
        GetOverlappedResult(h, ov, bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(h, ov, bytes, FALSE) != FALSE;
}
}  // namespace

std::wstring RemoteCall(const std::wstring& pipeName, const std::wstring& request, unsigned timeoutMs) {
    std::wstring name = pipeName.compare(0, 9, L"\\\\.\\pipe\\") == 0 ? pipeName : L"\\\\.\\pipe\\" + pipeName;
    DWORD start = GetTickCount();
    HANDLE h = INVALID_HANDLE_VALUE;
    while (GetTickCount() - start < timeoutMs) {
        h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        Sleep(50);
    }
    if (h == INVALID_HANDLE_VALUE) return L"";
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(h, &mode, nullptr, nullptr);
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov = {};
    ov.hEvent = ev;
    std::string req = Utf8(request), reply;
    DWORD bytes = 0;
    bool ok = (WriteFile(h, req.data(), static_cast<DWORD>(req.size()), nullptr, &ov) ||
               GetLastError() == ERROR_IO_PENDING) &&
              WaitIo(h, &ov, timeoutMs, &bytes);
    char buf[4096];
    while (ok) {
        ResetEvent(ev);
        BOOL r = ReadFile(h, buf, sizeof(buf), nullptr, &ov);
        DWORD e = r ? 0 : GetLastError();
        if (!r && e != ERROR_IO_PENDING && e != ERROR_MORE_DATA) break;
        bool done = WaitIo(h, &ov, timeoutMs, &bytes);
        if (!done && GetLastError() != ERROR_MORE_DATA) break;
        reply.append(buf, bytes);
        if (done) break;
    }
    CloseHandle(ev);
    CloseHandle(h);
    return Wide(reply);
}

std::vector<RemoteBrowser> RemoteList(const std::wstring& pipeName) {
    std::vector<RemoteBrowser> out;
    std::wstring text = RemoteCall(pipeName, L"list");
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find(L'\n', pos);
        std::wstring line = text.substr(pos, nl == std::wstring::npos ? std::wstring::npos : nl - pos);
        pos = nl == std::wstring::npos ? text.size() : nl + 1;
        size_t t1 = line.find(L'\t'), t2 = line.find(L'\t', t1 + 1), t3 = line.find(L'\t', t2 + 1);
        if (t3 == std::wstring::npos) continue;
        RemoteBrowser b;
        b.id = _wtoi(line.c_str());
        b.rendererPid = wcstoul(line.c_str() + t1 + 1, nullptr, 10);
        b.url = line.substr(t2 + 1, t3 - t2 - 1);
        b.title = line.substr(t3 + 1);
        out.push_back(b);
    }
    return out;
}
