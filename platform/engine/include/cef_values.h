#pragma once
// List and dictionary values carried by process messages. Getters tolerate a
// type mismatch: they answer 0, false, empty text or null.
#include <vector>
#include "include/cef_base.h"

class CefListValue;
class CefDictionaryValue;
class CefBinaryValue;

class CefListValue : public virtual CefBase {
public:
    static CefRefPtr<CefListValue> Create();

    virtual bool IsValid() = 0;
    virtual bool IsOwned() = 0;
    virtual bool IsReadOnly() = 0;
    virtual CefRefPtr<CefListValue> Copy() = 0;
    virtual bool SetSize(size_t size) = 0;
    virtual size_t GetSize() = 0;
    virtual bool Clear() = 0;
    virtual bool Remove(int index) = 0;
    virtual CefValueType GetType(int index) = 0;
    virtual bool GetBool(int index) = 0;
    virtual int GetInt(int index) = 0;
    virtual double GetDouble(int index) = 0;
    virtual CefString GetString(int index) = 0;
    virtual CefRefPtr<CefDictionaryValue> GetDictionary(int index) = 0;
    virtual CefRefPtr<CefListValue> GetList(int index) = 0;
    virtual bool SetNull(int index) = 0;
    virtual bool SetBool(int index, bool value) = 0;
    virtual bool SetInt(int index, int value) = 0;
    virtual bool SetDouble(int index, double value) = 0;
    virtual bool SetString(int index, const CefString& value) = 0;
    virtual bool SetDictionary(int index, CefRefPtr<CefDictionaryValue> value) = 0;
    virtual bool SetList(int index, CefRefPtr<CefListValue> value) = 0;
};

class CefDictionaryValue : public virtual CefBase {
public:
    typedef std::vector<CefString> KeyList;

    static CefRefPtr<CefDictionaryValue> Create();

    virtual bool IsValid() = 0;
    virtual bool IsOwned() = 0;
    virtual bool IsReadOnly() = 0;
    virtual CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) = 0;
    virtual size_t GetSize() = 0;
    virtual bool Clear() = 0;
    virtual bool HasKey(const CefString& key) = 0;
    virtual bool GetKeys(KeyList& keys) = 0;
    virtual bool Remove(const CefString& key) = 0;
    virtual CefValueType GetType(const CefString& key) = 0;
    virtual bool GetBool(const CefString& key) = 0;
    virtual int GetInt(const CefString& key) = 0;
    virtual double GetDouble(const CefString& key) = 0;
    virtual CefString GetString(const CefString& key) = 0;
    virtual CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) = 0;
    virtual CefRefPtr<CefListValue> GetList(const CefString& key) = 0;
    virtual bool SetNull(const CefString& key) = 0;
    virtual bool SetBool(const CefString& key, bool value) = 0;
    virtual bool SetInt(const CefString& key, int value) = 0;
    virtual bool SetDouble(const CefString& key, double value) = 0;
    virtual bool SetString(const CefString& key, const CefString& value) = 0;
    virtual bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) = 0;
    virtual bool SetList(const CefString& key, CefRefPtr<CefListValue> value) = 0;
};
