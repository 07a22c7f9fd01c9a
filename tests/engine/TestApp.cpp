#include "TestApp.h"

#include <windows.h>

#include "include/wrapper/cef_helpers.h"

namespace {

// Turns a call into a process message: string, bool, int, object (as a
// dictionary of its pkgid / game_name properties), anything else null.
class CallForwarder : public CefV8Handler {
public:
    bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& args,
                 CefRefPtr<CefV8Value>& retval, CefString& exception) override {
        CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
        if (!context) {
            exception = L"no current context";
            return true;
        }
        CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create(name);
        CefRefPtr<CefListValue> list = msg->GetArgumentList();
        list->SetSize(args.size());
        for (size_t k = 0; k < args.size(); ++k) {
            CefRefPtr<CefV8Value> a = args[k];
            int i = static_cast<int>(k);
            if (a->IsString()) list->SetString(i, a->GetStringValue());
            else if (a->IsBool()) list->SetBool(i, a->GetBoolValue());
            else if (a->IsInt()) list->SetInt(i, a->GetIntValue());
            else if (a->IsObject()) {
                CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
                d->SetInt(L"pkgid", a->GetValue(L"pkgid")->GetIntValue());
                d->SetString(L"game_name", a->GetValue(L"game_name")->GetStringValue());
                list->SetDictionary(i, d);
            }
        }
        // The renderer's thread, as the browser side can check it.
        list->SetBool(static_cast<int>(args.size()), CefCurrentlyOn(TID_RENDERER));
        context->GetBrowser()->SendProcessMessage(PID_BROWSER, msg);
        if (name == L"probe") retval = CefV8Value::CreateInt(static_cast<int>(args.size()));
        return true;
    }
    IMPLEMENT_REFCOUNTING(CallForwarder);
};

void Notify(CefRefPtr<CefBrowser> browser, const wchar_t* name, CefRefPtr<CefFrame> frame) {
    CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create(name);
    msg->GetArgumentList()->SetString(0, frame->GetURL());
    msg->GetArgumentList()->SetBool(1, frame->IsMain());
    msg->GetArgumentList()->SetBool(2, CefCurrentlyOn(TID_RENDERER));
    browser->SendProcessMessage(PID_BROWSER, msg);
}

}  // namespace

void TestApp::OnBeforeCommandLineProcessing(const CefString& processType, CefRefPtr<CefCommandLine> commandLine) {
    if (!processType.empty() || extraSwitch_.empty()) return;
    size_t eq = extraSwitch_.find(L'=');
    if (eq == std::wstring::npos) commandLine->AppendSwitch(extraSwitch_);
    else commandLine->AppendSwitchWithValue(extraSwitch_.substr(0, eq), extraSwitch_.substr(eq + 1));
}

void TestApp::OnContextInitialized() {
    if (CefCurrentlyOn(TID_UI)) ++contextInitializedOnUi;
    else ++contextInitializedElsewhere;
}

void TestApp::OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine>) { ++childLaunches; }

void TestApp::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefV8Context> context) {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    global->SetValue(L"external", global, V8_PROPERTY_ATTRIBUTE_NONE);
    if (!handler_) handler_ = new CallForwarder();
    for (const wchar_t* name : kTestFunctions)
        global->SetValue(name, CefV8Value::CreateFunction(name, handler_), V8_PROPERTY_ATTRIBUTE_NONE);
    Notify(browser, L"ContextCreated", frame);
}

void TestApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) {
    Notify(browser, L"ContextReleased", frame);
}

bool TestApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                       CefRefPtr<CefProcessMessage> message) {
    if (source != PID_BROWSER) return false;
    std::wstring name = message->GetName();
    if (name == L"KillProcess") TerminateProcess(GetCurrentProcess(), 0);
    if (name == L"Run") {
        browser->GetMainFrame()->ExecuteJavaScript(message->GetArgumentList()->GetString(0), L"", 0);
        return true;
    }
    if (name == L"Echo") {
        CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create(L"EchoReply");
        CefRefPtr<CefListValue> args = message->GetArgumentList()->Copy();
        args->SetBool(static_cast<int>(args->GetSize()), CefCurrentlyOn(TID_RENDERER));
        CefRefPtr<CefListValue> out = reply->GetArgumentList();
        for (size_t k = 0; k < args->GetSize(); ++k) {
            int i = static_cast<int>(k);
            switch (args->GetType(i)) {
                case VTYPE_STRING: out->SetString(i, args->GetString(i)); break;
                case VTYPE_INT: out->SetInt(i, args->GetInt(i)); break;
                case VTYPE_BOOL: out->SetBool(i, args->GetBool(i)); break;
                case VTYPE_DICTIONARY: out->SetDictionary(i, args->GetDictionary(i)); break;
                default: out->SetNull(i); break;
            }
        }
        browser->SendProcessMessage(PID_BROWSER, reply);
        return true;
    }
    return false;
}
