#pragma once
// Script values and contexts of the renderer process. Every call is made on
// the render thread, inside a context (the engine enters the page's context
// before calling the render process handler and native functions).
#include <vector>
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"

class CefV8Value;
class CefV8Exception;

class CefV8Context : public virtual CefBase {
public:
    // The context whose script (or engine callback) is running now; null outside.
    static CefRefPtr<CefV8Context> GetCurrentContext();
    static CefRefPtr<CefV8Context> GetEnteredContext();
    static bool InContext();

    virtual bool IsValid() = 0;
    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
    virtual CefRefPtr<CefFrame> GetFrame() = 0;
    // The window object.
    virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
    virtual bool Enter() = 0;
    virtual bool Exit() = 0;
    virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;
    virtual bool Eval(const CefString& code, CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) = 0;
};

typedef std::vector<CefRefPtr<CefV8Value>> CefV8ValueList;

// A native function's implementation.
class CefV8Handler : public virtual CefBase {
public:
    // Return true when handled; set retval for a result, or exception to throw.
    virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                         CefRefPtr<CefV8Value>& retval, CefString& exception) = 0;
};

class CefV8Exception : public virtual CefBase {
public:
    virtual CefString GetMessage() = 0;
    virtual CefString GetSourceLine() = 0;
    virtual CefString GetScriptResourceName() = 0;
    virtual int GetLineNumber() = 0;
};

class CefV8Value : public virtual CefBase {
public:
    typedef cef_v8_propertyattribute_t PropertyAttribute;

    static CefRefPtr<CefV8Value> CreateUndefined();
    static CefRefPtr<CefV8Value> CreateNull();
    static CefRefPtr<CefV8Value> CreateBool(bool value);
    static CefRefPtr<CefV8Value> CreateInt(int32_t value);
    static CefRefPtr<CefV8Value> CreateUInt(uint32_t value);
    static CefRefPtr<CefV8Value> CreateDouble(double value);
    static CefRefPtr<CefV8Value> CreateString(const CefString& value);
    // These three need a current context.
    static CefRefPtr<CefV8Value> CreateObject(CefRefPtr<CefBase> accessor);
    static CefRefPtr<CefV8Value> CreateArray(int length);
    static CefRefPtr<CefV8Value> CreateFunction(const CefString& name, CefRefPtr<CefV8Handler> handler);

    virtual bool IsValid() = 0;
    virtual bool IsUndefined() = 0;
    virtual bool IsNull() = 0;
    virtual bool IsBool() = 0;
    virtual bool IsInt() = 0;     // a number that is a whole 32-bit signed value
    virtual bool IsUInt() = 0;
    virtual bool IsDouble() = 0;  // any number
    virtual bool IsDate() = 0;
    virtual bool IsString() = 0;
    virtual bool IsObject() = 0;  // also arrays and functions
    virtual bool IsArray() = 0;
    virtual bool IsFunction() = 0;
    virtual bool IsSame(CefRefPtr<CefV8Value> that) = 0;

    virtual bool GetBoolValue() = 0;
    virtual int32_t GetIntValue() = 0;
    virtual uint32_t GetUIntValue() = 0;
    virtual double GetDoubleValue() = 0;
    virtual CefString GetStringValue() = 0;

    virtual bool HasValue(const CefString& key) = 0;
    virtual bool HasValue(int index) = 0;
    virtual bool DeleteValue(const CefString& key) = 0;
    virtual bool DeleteValue(int index) = 0;
    // A missing property reads as an undefined value.
    virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
    virtual CefRefPtr<CefV8Value> GetValue(int index) = 0;
    virtual bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute) = 0;
    virtual bool SetValue(int index, CefRefPtr<CefV8Value> value) = 0;
    virtual bool GetKeys(std::vector<CefString>& keys) = 0;
    virtual int GetArrayLength() = 0;
    virtual CefString GetFunctionName() = 0;
    virtual CefRefPtr<CefV8Handler> GetFunctionHandler() = 0;
    virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) = 0;
    virtual CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                             CefRefPtr<CefV8Value> object,
                                                             const CefV8ValueList& arguments) = 0;
    virtual bool HasException() = 0;
    virtual CefRefPtr<CefV8Exception> GetException() = 0;
    virtual bool ClearException() = 0;
};
