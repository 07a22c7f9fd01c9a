#include "CefMainInit.h"

#include <cstdlib>

#include "ClientAppBrowser.h"
#include "ClientAppRender.h"
#include "CefProgramTraits.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "ProcessRole.h"

namespace {

const int kMutexTries = 20;
const DWORD kMutexRetryMs = 100;

#define INIT_LOG(level, ...) LOG_AS("CefMainInit::CefMainInit", level, __VA_ARGS__)

// Waits for the browser process before this one to end, when restarting.
bool TakeSingleInstance(bool restartAfterUserSwitch) {
    int tries = restartAfterUserSwitch ? kMutexTries : 1;
    for (int k = 0; k < tries; ++k) {
        if (k > 0) Sleep(kMutexRetryMs);
        if (CefMainInit::IsFirstMainBrowser()) return true;
    }
    return false;
}

void FillSettings(CefSettings& settings) {
    std::wstring exeDir = GetExeDir(true);
    settings.locale = L"zh-CN";
    settings.accept_language_list = L"zh-CN";
    settings.multi_threaded_message_loop = 1;
    settings.log_severity = LOGSEVERITY_DISABLE;
    settings.cache_path = exeDir + L"cookies";
    settings.log_file = exeDir + L"Log\\webkit.log";
    settings.background_color = 0xFF2D3039;
}

}  // namespace

CefMainInit::CefMainInit(HINSTANCE instance, bool restartAfterUserSwitch, bool& multiThreadedLoop, bool& ok) {
    CefMainArgs args(instance);
    CefRefPtr<CefApp> app;
    switch (GetProcessRole()) {
        case ProcessRole::Renderer:
            LogWriter::GetInstance()->filePrefix = L"\\qxtarrow_render";
            INIT_LOG(LOG_LEVEL_DEBUG, L"===== WinMain renderer =====");
            app = new ClientAppRender();
            break;
        case ProcessRole::Other:
            LogWriter::GetInstance()->filePrefix = L"\\qxtarrow_other";
            INIT_LOG(LOG_LEVEL_DEBUG, L"===== WinMain other =====");
            app = new ClientApp();
            break;
        case ProcessRole::Browser:
            INIT_LOG(LOG_LEVEL_DEBUG, L"===== WinMain browser =====");
            if (!TakeSingleInstance(restartAfterUserSwitch)) {
                INIT_LOG(LOG_LEVEL_INFO, L"----- WinMain browser exit ----");
                otherInstanceRuns_ = true;
                ok = false;
                return;
            }
            app = new ClientAppBrowser();
            break;
    }
    int exitCode = CefExecuteProcess(args, app, nullptr);
    if (exitCode >= 0) {
        INIT_LOG(LOG_LEVEL_DEBUG, L"----- WinMain exit_code=%d -----", exitCode);
        exit(exitCode);
    }
    CefSettings settings;
    FillSettings(settings);
    ok = CefInitialize(args, settings, app, nullptr);
    initialized_ = ok;
    multiThreadedLoop = settings.multi_threaded_message_loop != 0;
}

CefMainInit::~CefMainInit() {
    if (!initialized_) return;
    initialized_ = false;
    LOG_AS("CefMainInit::~CefMainInit", LOG_LEVEL_DEBUG, L"call CefShutdown...");
    CefShutdown();
    LOG_AS("CefMainInit::~CefMainInit", LOG_LEVEL_DEBUG, L"CefShutdown done");
}

bool CefMainInit::IsFirstMainBrowser() {
    const CefProgramTraits& traits = GetCefProgramTraits();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, traits.instanceMutexName);
    if (!mutex) {
        LOG_AS("CefMainInit::IsFirstMainBrowser", LOG_LEVEL_ERROR, L"CreateMutex failed");
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LOG_AS("CefMainInit::IsFirstMainBrowser", LOG_LEVEL_WARNING, L"%s", traits.instanceRunningWarning);
        CloseHandle(mutex);
        return false;
    }
    // Held, never closed: the mutex marks the running browser process until it ends.
    return true;
}

void CefMainInit::AddRef() const { refCount_.fetch_add(1); }

bool CefMainInit::Release() const {
    if (refCount_.fetch_sub(1) != 1) return false;
    delete this;
    return true;
}

bool CefMainInit::HasOneRef() const { return refCount_.load() == 1; }
