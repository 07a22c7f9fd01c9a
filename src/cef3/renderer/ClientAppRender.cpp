#include "ClientAppRender.h"

#include "CefProgramTraits.h"
#include "ClientV8Handler.h"
#include "JsFunctionNameSet.h"
#include "LogWriter.h"

ClientAppRender::ClientAppRender() {
    LOG_DEBUG(L"ClientAppRender() this=0x%p", static_cast<void*>(this));
}

ClientAppRender::~ClientAppRender() {
    LOG_DEBUG(L"~ClientAppRender() this=0x%p", static_cast<void*>(this));
}

void ClientAppRender::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefV8Context> context) {
    (void)browser;
    (void)frame;
    CefRefPtr<CefV8Value> global = context ? context->GetGlobal() : nullptr;
    if (!global) return;
    global->SetValue(L"external", global, V8_PROPERTY_ATTRIBUTE_NONE);
    if (!v8Handler_) v8Handler_ = new ClientV8Handler();
    for (const wchar_t* name : JsFunctionNameSet::Names()) {
        global->SetValue(name, CefV8Value::CreateFunction(name, v8Handler_), V8_PROPERTY_ATTRIBUTE_NONE);
    }
    LOG_DEBUG(L"ClientAppRender.OnContextCreated context=0x%p", static_cast<void*>(context.get()));
}

void ClientAppRender::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                        CefRefPtr<CefV8Context> context) {
    (void)browser;
    (void)frame;
    LOG_DEBUG(L"ClientAppRender.OnContextReleased context=0x%p", static_cast<void*>(context.get()));
}

bool ClientAppRender::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                               CefRefPtr<CefProcessMessage> message) {
    (void)browser;
    if (!GetCefProgramTraits().rendererObeysKillProcess || source_process != PID_BROWSER) return false;
    if (message && message->GetName() == CefString(kKillProcessMessage)) {
        TerminateProcess(GetCurrentProcess(), 0);
    }
    return true;
}
