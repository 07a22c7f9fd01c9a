#pragma once
// The value tree behind list and dictionary values and every message the
// engine's processes exchange, with its byte encoding for the pipes.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace cefstub {

struct Value;
using ValuePtr = std::shared_ptr<Value>;

struct Value {
    CefValueType type = VTYPE_NULL;
    bool b = false;
    int i = 0;
    double d = 0;
    std::wstring s;
    std::vector<ValuePtr> list;
    std::map<std::wstring, ValuePtr> dict;

    static ValuePtr Null() { return std::make_shared<Value>(); }
    static ValuePtr Bool(bool v) { auto p = Null(); p->type = VTYPE_BOOL; p->b = v; return p; }
    static ValuePtr Int(int v) { auto p = Null(); p->type = VTYPE_INT; p->i = v; return p; }
    static ValuePtr Double(double v) { auto p = Null(); p->type = VTYPE_DOUBLE; p->d = v; return p; }
    static ValuePtr String(const std::wstring& v) { auto p = Null(); p->type = VTYPE_STRING; p->s = v; return p; }
    static ValuePtr List() { auto p = Null(); p->type = VTYPE_LIST; return p; }
    static ValuePtr Dict() { auto p = Null(); p->type = VTYPE_DICTIONARY; return p; }

    ValuePtr DeepCopy() const;
    // Dictionary helpers for engine messages.
    void Set(const std::wstring& key, ValuePtr v) { dict[key] = std::move(v); }
    int GetInt(const std::wstring& key) const;
    double GetDouble(const std::wstring& key) const;
    bool GetBool(const std::wstring& key) const;
    std::wstring GetString(const std::wstring& key) const;
    ValuePtr Get(const std::wstring& key) const;
};

std::string Encode(const Value& v);
// Null when the bytes are not a well-formed encoding.
ValuePtr Decode(const std::string& bytes);

// Wrappers as engine objects (they share the tree, they do not copy it).
CefRefPtr<CefListValue> WrapList(ValuePtr list);
CefRefPtr<CefDictionaryValue> WrapDictionary(ValuePtr dict);
ValuePtr UnwrapList(CefRefPtr<CefListValue> list);
ValuePtr UnwrapDictionary(CefRefPtr<CefDictionaryValue> dict);
CefRefPtr<CefProcessMessage> MakeProcessMessage(const std::wstring& name, ValuePtr args);

}  // namespace cefstub
