// Script contexts on Duktape, and the V8-shaped values over them.
//
// Duktape reports script errors by longjmp. Every native function below does
// its C++ work in a helper that returns before anything is thrown, so no C++
// object is alive in a frame that a longjmp skips.
#include "script_context.h"

#include <cmath>

#include "bootstrap_js.h"
#include "duktape.h"
#include "url.h"
#include "util.h"

namespace cefstub {
namespace {

thread_local std::vector<ScriptContext*> g_entered;

const char kSelfKey[] = "cefstub_self";
const char kRefsKey[] = "cefstub_refs";
const char kNativeKey[] = "cefstub_native";
// Hidden properties of native functions (hidden symbols start with 0xFF).
const char kHandlerKey[] = "\xFF" "handler";
const char kNameKey[] = "\xFF" "fname";

std::string U8(const std::wstring& s) { return ToUtf8(s); }

std::wstring StackString(duk_context* c, duk_idx_t idx) {
    duk_size_t n = 0;
    const char* p = duk_safe_to_lstring(c, idx, &n);
    return FromUtf8(std::string(p ? p : "", n));
}

// ---------------------------------------------------------------- property access
// A page's object can run script when a property is read, written, listed or
// deleted (getters, setters, proxies), and that script can throw. Each access
// runs as a protected call, so a throw ends the access, not the native code
// around it: the access then answers undefined (missing, false, none).
//
// A protected call runs in the caller's value stack frame, so each access
// finds its values at the top: the object, then what the access needs above
// it. Each leaves one result on top.
duk_ret_t GetProp(duk_context* c, void*) {  // object, key
    duk_get_prop(c, -2);
    return 1;
}
duk_ret_t HasProp(duk_context* c, void*) {  // object, key
    duk_push_boolean(c, duk_has_prop(c, -2));
    return 1;
}
duk_ret_t DelProp(duk_context* c, void*) {  // object, key
    duk_push_boolean(c, duk_del_prop(c, -2));
    return 1;
}
duk_ret_t PutProp(duk_context* c, void*) {  // object, key, value
    duk_put_prop(c, -3);
    duk_push_true(c);
    return 1;
}
duk_ret_t DefineProp(duk_context* c, void* flags) {  // object, key, value
    duk_def_prop(c, -3, *static_cast<duk_uint_t*>(flags));
    duk_push_true(c);
    return 1;
}
duk_ret_t OwnKeys(duk_context* c, void*) {  // object; an array of its own keys
    duk_push_array(c);
    duk_enum(c, -2, DUK_ENUM_OWN_PROPERTIES_ONLY);
    for (duk_uarridx_t n = 0; duk_next(c, -1, 0); ++n) duk_put_prop_index(c, -3, n);
    duk_pop(c);
    return 1;
}
duk_ret_t Length(duk_context* c, void*) {  // object
    duk_push_number(c, static_cast<double>(duk_get_length(c, -1)));
    return 1;
}

// Runs access with the nargs values on top of the stack (the object first)
// and leaves its result there, or undefined when it threw. False when it threw.
bool Protected(duk_context* c, duk_safe_call_function access, duk_idx_t nargs, void* udata = nullptr) {
    if (duk_safe_call(c, access, udata, nargs, 1) == DUK_EXEC_SUCCESS) return true;
    duk_pop(c);
    duk_push_undefined(c);
    return false;
}

// ---------------------------------------------------------------- values
class V8ExceptionImpl : public CefV8Exception {
public:
    explicit V8ExceptionImpl(std::wstring m) : message_(std::move(m)) {}
    CefString GetMessage() override { return message_; }
    CefString GetSourceLine() override { return CefString(); }
    CefString GetScriptResourceName() override { return CefString(); }
    int GetLineNumber() override { return 0; }

private:
    std::wstring message_;
    IMPLEMENT_REFCOUNTING(V8ExceptionImpl);
};

class V8ValueImpl : public CefV8Value {
public:
    enum class Kind { Undefined, Null, Bool, Number, String, Object };

    static CefRefPtr<V8ValueImpl> Primitive(Kind k) { return new V8ValueImpl(k); }
    // The value at idx of the context's heap.
    static CefRefPtr<V8ValueImpl> FromStack(ScriptContext* sc, duk_idx_t idx) {
        duk_context* c = sc->heap();
        CefRefPtr<V8ValueImpl> v;
        switch (duk_get_type(c, idx)) {
            case DUK_TYPE_NULL: return Primitive(Kind::Null);
            case DUK_TYPE_BOOLEAN: v = Primitive(Kind::Bool); v->b_ = duk_get_boolean(c, idx) != 0; return v;
            case DUK_TYPE_NUMBER: v = Primitive(Kind::Number); v->d_ = duk_get_number(c, idx); return v;
            case DUK_TYPE_STRING: v = Primitive(Kind::String); v->s_ = StackString(c, idx); return v;
            case DUK_TYPE_OBJECT:
            case DUK_TYPE_LIGHTFUNC:
            case DUK_TYPE_BUFFER:
                v = Primitive(Kind::Object);
                v->ctx_ = sc;
                v->isArray_ = duk_is_array(c, idx) != 0;
                v->isFunction_ = duk_is_function(c, idx) != 0;
                v->ref_ = sc->StashPut(idx);
                return v;
            default: return Primitive(Kind::Undefined);
        }
    }
    static V8ValueImpl* From(const CefRefPtr<CefV8Value>& v) { return static_cast<V8ValueImpl*>(v.get()); }

    // Pushes this value onto sc's heap (undefined when it belongs elsewhere).
    void Push(ScriptContext* sc) const {
        duk_context* c = sc->heap();
        switch (kind_) {
            case Kind::Null: duk_push_null(c); return;
            case Kind::Bool: duk_push_boolean(c, b_); return;
            case Kind::Number: duk_push_number(c, d_); return;
            case Kind::String: { std::string u = U8(s_); duk_push_lstring(c, u.data(), u.size()); return; }
            case Kind::Object:
                if (ctx_.get() == sc && sc->IsValid()) { sc->StashPush(ref_); return; }
                duk_push_undefined(c);
                return;
            default: duk_push_undefined(c); return;
        }
    }

    ~V8ValueImpl() override {
        if (kind_ == Kind::Object && ctx_ && ctx_->IsValid()) ctx_->StashRemove(ref_);
    }

    bool IsValid() override { return kind_ != Kind::Object || (ctx_ && ctx_->IsValid()); }
    bool IsUndefined() override { return kind_ == Kind::Undefined; }
    bool IsNull() override { return kind_ == Kind::Null; }
    bool IsBool() override { return kind_ == Kind::Bool; }
    bool IsInt() override {
        return kind_ == Kind::Number && std::isfinite(d_) && d_ == std::floor(d_) && d_ >= -2147483648.0 &&
               d_ <= 2147483647.0;
    }
    bool IsUInt() override {
        return kind_ == Kind::Number && std::isfinite(d_) && d_ == std::floor(d_) && d_ >= 0 && d_ <= 4294967295.0;
    }
    bool IsDouble() override { return kind_ == Kind::Number; }
    bool IsDate() override { return false; }
    bool IsString() override { return kind_ == Kind::String; }
    bool IsObject() override { return kind_ == Kind::Object; }
    bool IsArray() override { return kind_ == Kind::Object && isArray_; }
    bool IsFunction() override { return kind_ == Kind::Object && isFunction_; }
    bool IsSame(CefRefPtr<CefV8Value> that) override {
        auto* o = From(that);
        if (!o || o->kind_ != kind_) return false;
        if (kind_ != Kind::Object) return o->b_ == b_ && o->d_ == d_ && o->s_ == s_;
        if (o->ctx_ != ctx_ || !Usable()) return false;
        duk_context* c = ctx_->heap();
        ctx_->StashPush(ref_);
        ctx_->StashPush(o->ref_);
        bool same = duk_strict_equals(c, -1, -2) != 0;
        duk_pop_2(c);
        return same;
    }

    bool GetBoolValue() override { return kind_ == Kind::Bool && b_; }
    int32_t GetIntValue() override { return IsInt() ? static_cast<int32_t>(d_) : 0; }
    uint32_t GetUIntValue() override { return IsUInt() ? static_cast<uint32_t>(d_) : 0; }
    double GetDoubleValue() override { return kind_ == Kind::Number ? d_ : 0; }
    CefString GetStringValue() override { return kind_ == Kind::String ? s_ : std::wstring(); }

    // Runs op(heap) with this object on top of the value stack, then puts the
    // stack back to where it was. The caller has checked Usable().
    template <class Op>
    auto WithObject(Op op) {
        duk_context* c = ctx_->heap();
        duk_idx_t top = duk_get_top(c);
        ctx_->StashPush(ref_);
        auto result = op(c);
        duk_set_top(c, top);
        return result;
    }

    // WithObject with the key (or index) pushed above the object.
    template <class Op>
    auto WithKey(const CefString& key, Op op) {
        std::string k = key.ToString();
        return WithObject([&](duk_context* c) {
            duk_push_lstring(c, k.data(), k.size());
            return op(c);
        });
    }
    template <class Op>
    auto WithIndex(int index, Op op) {
        return WithObject([&](duk_context* c) {
            duk_push_uint(c, static_cast<duk_uint_t>(index));
            return op(c);
        });
    }

    bool HasValue(const CefString& key) override {
        if (!Usable()) return false;
        return WithKey(key, [](duk_context* c) { return Protected(c, &HasProp, 2) && duk_get_boolean(c, -1); });
    }
    bool HasValue(int index) override {
        if (!Usable() || index < 0) return false;
        return WithIndex(index, [](duk_context* c) { return Protected(c, &HasProp, 2) && duk_get_boolean(c, -1); });
    }
    bool DeleteValue(const CefString& key) override {
        if (!Usable()) return false;
        return WithKey(key, [](duk_context* c) { return Protected(c, &DelProp, 2) && duk_get_boolean(c, -1); });
    }
    bool DeleteValue(int index) override {
        if (!Usable() || index < 0) return false;
        return WithIndex(index, [](duk_context* c) { return Protected(c, &DelProp, 2) && duk_get_boolean(c, -1); });
    }
    CefRefPtr<CefV8Value> GetValue(const CefString& key) override {
        if (!Usable()) return nullptr;
        return WithKey(key, [this](duk_context* c) {
            Protected(c, &GetProp, 2);
            return FromStack(ctx_.get(), -1);
        });
    }
    CefRefPtr<CefV8Value> GetValue(int index) override {
        if (!Usable() || index < 0) return nullptr;
        return WithIndex(index, [this](duk_context* c) {
            Protected(c, &GetProp, 2);
            return FromStack(ctx_.get(), -1);
        });
    }
    bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute) override {
        if (!Usable() || !value) return false;
        duk_uint_t flags = DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE | DUK_DEFPROP_HAVE_WRITABLE |
                           DUK_DEFPROP_HAVE_ENUMERABLE | DUK_DEFPROP_HAVE_CONFIGURABLE;
        if (!(attribute & V8_PROPERTY_ATTRIBUTE_READONLY)) flags |= DUK_DEFPROP_WRITABLE;
        if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM)) flags |= DUK_DEFPROP_ENUMERABLE;
        if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE)) flags |= DUK_DEFPROP_CONFIGURABLE;
        return WithKey(key, [&](duk_context* c) {
            From(value)->Push(ctx_.get());
            return Protected(c, &DefineProp, 3, &flags);
        });
    }
    bool SetValue(int index, CefRefPtr<CefV8Value> value) override {
        if (!Usable() || !value || index < 0) return false;
        return WithIndex(index, [&](duk_context* c) {
            From(value)->Push(ctx_.get());
            return Protected(c, &PutProp, 3);
        });
    }
    bool GetKeys(std::vector<CefString>& keys) override {
        if (!Usable()) return false;
        return WithObject([&](duk_context* c) {
            if (!Protected(c, &OwnKeys, 1)) return false;
            duk_size_t n = duk_get_length(c, -1);  // a plain array of our own
            for (duk_size_t i = 0; i < n; ++i) {
                duk_get_prop_index(c, -1, static_cast<duk_uarridx_t>(i));
                keys.push_back(StackString(c, -1));
                duk_pop(c);
            }
            return true;
        });
    }
    int GetArrayLength() override {
        if (!Usable() || !isArray_) return 0;
        return WithObject([](duk_context* c) {
            Protected(c, &Length, 1);
            return static_cast<int>(duk_get_number_default(c, -1, 0));
        });
    }
    CefString GetFunctionName() override {
        if (!Usable() || !isFunction_) return CefString();
        return CefString(WithObject([](duk_context* c) {
            if (!duk_get_prop_string(c, -1, kNameKey)) {
                duk_pop(c);
                duk_push_string(c, "name");
                Protected(c, &GetProp, 2);
            }
            return duk_is_string(c, -1) ? StackString(c, -1) : std::wstring();
        }));
    }
    CefRefPtr<CefV8Handler> GetFunctionHandler() override {
        if (!Usable() || !isFunction_) return nullptr;
        return WithObject([&](duk_context* c) -> CefRefPtr<CefV8Handler> {
            if (!duk_get_prop_string(c, -1, kHandlerKey)) return nullptr;
            return ctx_->HandlerAt(static_cast<size_t>(duk_get_number(c, -1)));
        });
    }
    CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) override {
        return ExecuteFunctionWithContext(ctx_.get(), object, arguments);
    }
    CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context, CefRefPtr<CefV8Value> object,
                                                     const CefV8ValueList& arguments) override {
        exception_ = nullptr;
        if (!Usable() || !isFunction_ || context.get() != ctx_.get()) return nullptr;
        ScriptContext* sc = ctx_.get();
        duk_context* c = sc->heap();
        ScopedContext scope(sc);
        sc->StashPush(ref_);
        if (object) From(object)->Push(sc);
        else duk_push_global_object(c);
        for (auto& a : arguments) {
            if (a) From(a)->Push(sc);
            else duk_push_undefined(c);
        }
        if (duk_pcall_method(c, static_cast<duk_idx_t>(arguments.size())) != DUK_EXEC_SUCCESS) {
            exception_ = new V8ExceptionImpl(StackString(c, -1));
            duk_pop(c);
            return nullptr;
        }
        CefRefPtr<CefV8Value> result = FromStack(sc, -1);
        duk_pop(c);
        return result;
    }
    bool HasException() override { return exception_ != nullptr; }
    CefRefPtr<CefV8Exception> GetException() override { return exception_; }
    bool ClearException() override { exception_ = nullptr; return true; }

    bool b_ = false;
    double d_ = 0;
    std::wstring s_;

private:
    explicit V8ValueImpl(Kind k) : kind_(k) {}
    bool Usable() const { return kind_ == Kind::Object && ctx_ && ctx_->IsValid(); }

    Kind kind_;
    CefRefPtr<ScriptContext> ctx_;
    unsigned ref_ = 0;
    bool isArray_ = false;
    bool isFunction_ = false;
    CefRefPtr<CefV8Exception> exception_;
    IMPLEMENT_REFCOUNTING(V8ValueImpl);
};

// ---------------------------------------------------------------- natives
// Calls the function's handler. Returns 1 with the result pushed, 0 for
// undefined, -1 with an error object pushed (to be thrown by the caller).
int CallHandler(duk_context* c) {
    try {
        ScriptContext* sc = ScriptContext::FromHeap(c);
        if (!sc) return 0;
        duk_idx_t nargs = duk_get_top(c);
        duk_push_current_function(c);
        duk_get_prop_string(c, -1, kHandlerKey);
        size_t index = static_cast<size_t>(duk_get_number(c, -1));
        duk_pop(c);
        duk_get_prop_string(c, -1, kNameKey);
        std::wstring name = StackString(c, -1);
        duk_pop_2(c);
        CefRefPtr<CefV8Handler> handler = sc->HandlerAt(index);
        if (!handler) return 0;
        CefV8ValueList args;
        for (duk_idx_t k = 0; k < nargs; ++k) args.push_back(V8ValueImpl::FromStack(sc, k).get());
        duk_push_this(c);
        CefRefPtr<CefV8Value> self = V8ValueImpl::FromStack(sc, -1).get();
        duk_pop(c);
        CefRefPtr<CefV8Value> retval;
        CefString exception;
        {
            CefRefPtr<ScriptContext> keep(sc);
            ScopedContext scope(keep);
            handler->Execute(name, self, args, retval, exception);
        }
        if (!sc->IsValid()) return 0;
        if (!exception.empty()) {
            std::string m = exception.ToString();
            duk_push_error_object(c, DUK_ERR_ERROR, "%s", m.c_str());
            return -1;
        }
        if (!retval) return 0;
        V8ValueImpl::From(retval)->Push(sc);
        return 1;
    } catch (...) {
        return 0;
    }
}

duk_ret_t NativeFunction(duk_context* c) {
    int r = CallHandler(c);
    if (r < 0) return duk_throw(c);
    return r;
}

enum NativeHook {
    kHookUrl, kHookResolve, kHookNavigate, kHookReload, kHookOpen, kHookSetTitle, kHookGetCookie,
    kHookSetCookie, kHookTimer, kHookLog,
};

std::wstring ArgText(duk_context* c, duk_idx_t idx) {
    return idx < duk_get_top(c) ? StackString(c, idx) : std::wstring();
}

// The engine hooks of the page objects; returns the number of results pushed.
int CallHook(duk_context* c, int hook) {
    try {
        ScriptContext* sc = ScriptContext::FromHeap(c);
        ScriptHost* host = sc ? sc->host() : nullptr;
        if (!host) return 0;
        std::wstring out;
        switch (hook) {
            case kHookUrl: out = host->ScriptUrl(); break;
            case kHookResolve: out = ResolveUrl(host->ScriptUrl(), ArgText(c, 0)); break;
            case kHookNavigate: host->ScriptNavigate(ArgText(c, 0)); return 0;
            case kHookReload: host->ScriptReload(); return 0;
            case kHookOpen: host->ScriptOpen(ArgText(c, 0), ArgText(c, 1)); return 0;
            case kHookSetTitle: host->ScriptSetTitle(ArgText(c, 0)); return 0;
            case kHookGetCookie: out = host->ScriptGetCookie(); break;
            case kHookSetCookie: host->ScriptSetCookie(ArgText(c, 0)); return 0;
            case kHookTimer: host->ScriptStartTimer(duk_get_int(c, 0), duk_get_int(c, 1)); return 0;
            case kHookLog: host->ScriptConsole(duk_get_int(c, 0), ArgText(c, 1), host->ScriptUrl(), 0); return 0;
            default: return 0;
        }
        std::string u = U8(out);
        duk_push_lstring(c, u.data(), u.size());
        return 1;
    } catch (...) {
        return 0;
    }
}

duk_ret_t HookFunction(duk_context* c) { return CallHook(c, duk_get_current_magic(c)); }

void PushNativeObject(duk_context* c) {
    static const struct { const char* name; int hook; int nargs; } kHooks[] = {
        {"url", kHookUrl, 0}, {"resolve", kHookResolve, 1}, {"navigate", kHookNavigate, 1},
        {"reload", kHookReload, 0}, {"open", kHookOpen, 2}, {"setTitle", kHookSetTitle, 1},
        {"getCookie", kHookGetCookie, 0}, {"setCookie", kHookSetCookie, 1}, {"timer", kHookTimer, 2},
        {"log", kHookLog, 2},
    };
    duk_push_object(c);
    for (auto& h : kHooks) {
        duk_push_c_function(c, HookFunction, h.nargs);
        duk_set_magic(c, -1, h.hook);
        duk_put_prop_string(c, -2, h.name);
    }
}

std::string PageJson(const HtmlDocument& doc, const std::wstring& name) {
    std::string j = "{\"name\":" + JsonQuote(name) + ",\"title\":" + JsonQuote(doc.hasTitle ? doc.title : L"") +
                    ",\"text\":" + JsonQuote(doc.text) + ",\"bodyOnload\":" + JsonQuote(doc.bodyOnload) +
                    ",\"elements\":[";
    bool first = true;
    for (auto& e : doc.elements) {
        if (!first) j += ",";
        first = false;
        j += "{\"tag\":" + JsonQuote(e.tag) + ",\"text\":" + JsonQuote(e.text) + ",\"attrs\":{";
        bool firstAttr = true;
        for (auto& a : e.attrs) {
            if (!firstAttr) j += ",";
            firstAttr = false;
            j += JsonQuote(a.first) + ":" + JsonQuote(a.second);
        }
        j += "}}";
    }
    return j + "]}";
}

void FatalHandler(void*, const char* msg) {
    LogAlways(L"script engine fatal error: %S", msg ? msg : "");
    TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace

std::string JsonQuote(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char ch : ToUtf8(text)) {
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (ch < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof(buf), "\\u%04x", ch);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(ch));
                }
        }
    }
    return out + "\"";
}

// ---------------------------------------------------------------- context
ScriptContext::ScriptContext(ScriptHost* host, CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : host_(host), browser_(browser), frame_(frame) {}

ScriptContext::~ScriptContext() { Invalidate(); }

ScriptContext* ScriptContext::FromHeap(duk_context* c) {
    duk_push_global_stash(c);
    duk_get_prop_string(c, -1, kSelfKey);
    auto* sc = static_cast<ScriptContext*>(duk_get_pointer(c, -1));
    duk_pop_2(c);
    return sc;
}

bool ScriptContext::Create(const HtmlDocument& doc, const std::wstring& frameName) {
    ctx_ = duk_create_heap(nullptr, nullptr, nullptr, nullptr, FatalHandler);
    if (!ctx_) return false;
    duk_push_global_stash(ctx_);
    duk_push_pointer(ctx_, this);
    duk_put_prop_string(ctx_, -2, kSelfKey);
    duk_push_object(ctx_);
    duk_put_prop_string(ctx_, -2, kRefsKey);
    PushNativeObject(ctx_);
    duk_put_prop_string(ctx_, -2, kNativeKey);
    duk_pop(ctx_);

    duk_push_string(ctx_, "bootstrap");
    if (duk_pcompile_string_filename(ctx_, DUK_COMPILE_EVAL, kBootstrapJs) != 0 ||
        duk_pcall(ctx_, 0) != DUK_EXEC_SUCCESS) {
        LogAlways(L"page bootstrap failed: %s", StackString(ctx_, -1).c_str());
        duk_pop(ctx_);
        return true;
    }
    duk_push_global_object(ctx_);
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kNativeKey);
    duk_remove(ctx_, -2);
    std::string json = PageJson(doc, frameName);
    duk_push_lstring(ctx_, json.data(), json.size());
    duk_json_decode(ctx_, -1);
    if (duk_pcall(ctx_, 3) != DUK_EXEC_SUCCESS)
        LogAlways(L"page bootstrap failed: %s", StackString(ctx_, -1).c_str());
    duk_pop(ctx_);
    return true;
}

void ScriptContext::Invalidate() {
    if (!ctx_) return;
    duk_context* c = ctx_;
    ctx_ = nullptr;
    host_ = nullptr;
    handlers_.clear();
    duk_destroy_heap(c);
}

unsigned ScriptContext::StashPut(int index) {
    duk_idx_t idx = duk_normalize_index(ctx_, index);
    unsigned ref = nextRef_++;
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kRefsKey);
    duk_dup(ctx_, idx);
    duk_put_prop_index(ctx_, -2, ref);
    duk_pop_2(ctx_);
    return ref;
}

void ScriptContext::StashPush(unsigned ref) {
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kRefsKey);
    duk_get_prop_index(ctx_, -1, ref);
    duk_remove(ctx_, -2);
    duk_remove(ctx_, -2);
}

void ScriptContext::StashRemove(unsigned ref) {
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kRefsKey);
    duk_del_prop_index(ctx_, -1, ref);
    duk_pop_2(ctx_);
}

size_t ScriptContext::AddHandler(CefRefPtr<CefV8Handler> handler) {
    handlers_.push_back(handler);
    return handlers_.size() - 1;
}

CefRefPtr<CefV8Handler> ScriptContext::HandlerAt(size_t index) {
    return index < handlers_.size() ? handlers_[index] : nullptr;
}

CefRefPtr<CefV8Value> ScriptContext::GetGlobal() {
    if (!ctx_) return nullptr;
    duk_push_global_object(ctx_);
    CefRefPtr<CefV8Value> v = V8ValueImpl::FromStack(this, -1).get();
    duk_pop(ctx_);
    return v;
}

bool ScriptContext::Enter() {
    g_entered.push_back(this);
    return true;
}

bool ScriptContext::Exit() {
    for (auto it = g_entered.rbegin(); it != g_entered.rend(); ++it) {
        if (*it == this) {
            g_entered.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

void ScriptContext::ReportError(const std::wstring& sourceUrl) {
    std::wstring message = StackString(ctx_, -1);
    if (duk_is_error(ctx_, -1)) {
        duk_get_prop_string(ctx_, -1, "lineNumber");
        int line = duk_get_int(ctx_, -1);
        duk_pop(ctx_);
        if (host_) host_->ScriptConsole(3, L"Uncaught " + message, sourceUrl, line);
    } else if (host_) {
        host_->ScriptConsole(3, L"Uncaught " + message, sourceUrl, 0);
    }
}

void ScriptContext::RunProgram(const std::wstring& code, const std::wstring& sourceUrl, int startLine) {
    if (!ctx_) return;
    CefRefPtr<ScriptContext> keep(this);
    ScopedContext scope(keep);
    // Leading line breaks keep line numbers those of the document.
    std::string src(startLine > 1 ? static_cast<size_t>(startLine - 1) : 0, '\n');
    src += U8(code);
    std::string name = U8(sourceUrl);
    duk_push_lstring(ctx_, name.data(), name.size());
    if (duk_pcompile_lstring_filename(ctx_, 0, src.data(), src.size()) != 0 ||
        duk_pcall(ctx_, 0) != DUK_EXEC_SUCCESS) {
        if (ctx_) ReportError(sourceUrl);
    }
    if (ctx_) duk_pop(ctx_);
}

bool ScriptContext::EvaluateToText(const std::wstring& code, std::wstring* text) {
    if (!ctx_) return false;
    CefRefPtr<ScriptContext> keep(this);
    ScopedContext scope(keep);
    std::string src = U8(code);
    duk_push_string(ctx_, "eval");
    bool ok = duk_pcompile_lstring_filename(ctx_, DUK_COMPILE_EVAL, src.data(), src.size()) == 0;
    if (ok) {
        duk_push_global_object(ctx_);
        ok = duk_pcall_method(ctx_, 0) == DUK_EXEC_SUCCESS;
    }
    if (!ctx_) return false;
    if (ok && duk_is_object(ctx_, -1) && !duk_is_function(ctx_, -1)) {
        // JSON text; an object that cannot be written so falls back to String().
        duk_dup(ctx_, -1);
        if (duk_safe_call(ctx_, [](duk_context* c, void*) -> duk_ret_t { duk_json_encode(c, -1); return 1; },
                          nullptr, 1, 1) == DUK_EXEC_SUCCESS && duk_is_string(ctx_, -1)) {
            *text = StackString(ctx_, -1);
            duk_pop_2(ctx_);
            return true;
        }
        duk_pop(ctx_);
    }
    *text = StackString(ctx_, -1);
    duk_pop(ctx_);
    return ok;
}

bool ScriptContext::CallStashFunction(const char* name, int arg, bool hasArg) {
    if (!ctx_) return false;
    CefRefPtr<ScriptContext> keep(this);
    ScopedContext scope(keep);
    duk_push_global_stash(ctx_);
    duk_get_prop_string(ctx_, -1, kNativeKey);
    duk_get_prop_string(ctx_, -1, name);
    duk_remove(ctx_, -2);
    duk_remove(ctx_, -2);
    if (!duk_is_function(ctx_, -1)) {
        duk_pop(ctx_);
        return false;
    }
    if (hasArg) duk_push_int(ctx_, arg);
    bool ok = duk_pcall(ctx_, hasArg ? 1 : 0) == DUK_EXEC_SUCCESS;
    if (!ctx_) return ok;
    if (!ok) ReportError(host_ ? host_->ScriptUrl() : std::wstring());
    duk_pop(ctx_);
    return ok;
}

void ScriptContext::FireTimer(int id) { CallStashFunction("fireTimer", id, true); }
void ScriptContext::FireLoad() { CallStashFunction("fireLoad", 0, false); }

bool ScriptContext::Eval(const CefString& code, CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) {
    if (!ctx_) return false;
    CefRefPtr<ScriptContext> keep(this);
    ScopedContext scope(keep);
    std::string src = code.ToString();
    duk_push_string(ctx_, "eval");
    bool ok = duk_pcompile_lstring_filename(ctx_, DUK_COMPILE_EVAL, src.data(), src.size()) == 0;
    if (ok) {
        duk_push_global_object(ctx_);
        ok = duk_pcall_method(ctx_, 0) == DUK_EXEC_SUCCESS;
    }
    if (!ctx_) return false;
    if (ok) retval = V8ValueImpl::FromStack(this, -1).get();
    else exception = new V8ExceptionImpl(StackString(ctx_, -1));
    duk_pop(ctx_);
    return ok;
}

}  // namespace cefstub

// ---------------------------------------------------------------- statics
using cefstub::ScriptContext;
using cefstub::V8ValueImpl;

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
    return cefstub::g_entered.empty() ? nullptr : cefstub::g_entered.back();
}
CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() { return GetCurrentContext(); }
bool CefV8Context::InContext() { return !cefstub::g_entered.empty(); }

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() { return V8ValueImpl::Primitive(V8ValueImpl::Kind::Undefined).get(); }
CefRefPtr<CefV8Value> CefV8Value::CreateNull() { return V8ValueImpl::Primitive(V8ValueImpl::Kind::Null).get(); }
CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
    auto v = V8ValueImpl::Primitive(V8ValueImpl::Kind::Bool);
    v->b_ = value;
    return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32_t value) { return CreateDouble(value); }
CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32_t value) { return CreateDouble(value); }
CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
    auto v = V8ValueImpl::Primitive(V8ValueImpl::Kind::Number);
    v->d_ = value;
    return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
    auto v = V8ValueImpl::Primitive(V8ValueImpl::Kind::String);
    v->s_ = value;
    return v.get();
}

namespace {
ScriptContext* CurrentScriptContext() {
    if (cefstub::g_entered.empty()) return nullptr;
    ScriptContext* sc = cefstub::g_entered.back();
    return sc->IsValid() ? sc : nullptr;
}
}  // namespace

CefRefPtr<CefV8Value> CefV8Value::CreateObject(CefRefPtr<CefBase>) {
    ScriptContext* sc = CurrentScriptContext();
    if (!sc) return nullptr;
    duk_push_object(sc->heap());
    CefRefPtr<CefV8Value> v = V8ValueImpl::FromStack(sc, -1).get();
    duk_pop(sc->heap());
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
    ScriptContext* sc = CurrentScriptContext();
    if (!sc) return nullptr;
    duk_context* c = sc->heap();
    duk_push_array(c);
    duk_push_int(c, length < 0 ? 0 : length);
    duk_put_prop_string(c, -2, "length");
    CefRefPtr<CefV8Value> v = V8ValueImpl::FromStack(sc, -1).get();
    duk_pop(c);
    return v;
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name, CefRefPtr<CefV8Handler> handler) {
    ScriptContext* sc = CurrentScriptContext();
    if (!sc || !handler) return nullptr;
    duk_context* c = sc->heap();
    duk_push_c_function(c, cefstub::NativeFunction, DUK_VARARGS);
    duk_push_number(c, static_cast<double>(sc->AddHandler(handler)));
    duk_put_prop_string(c, -2, cefstub::kHandlerKey);
    std::string n = name.ToString();
    duk_push_lstring(c, n.data(), n.size());
    duk_put_prop_string(c, -2, cefstub::kNameKey);
    CefRefPtr<CefV8Value> v = V8ValueImpl::FromStack(sc, -1).get();
    duk_pop(c);
    return v;
}
