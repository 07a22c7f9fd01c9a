// Value tree, its encoding, and the list / dictionary / message objects.
#include "value.h"

#include <cstring>

namespace cefstub {

ValuePtr Value::DeepCopy() const {
    auto p = std::make_shared<Value>(*this);
    for (auto& e : p->list) e = e ? e->DeepCopy() : Null();
    for (auto& e : p->dict) e.second = e.second ? e.second->DeepCopy() : Null();
    return p;
}

ValuePtr Value::Get(const std::wstring& key) const {
    auto it = dict.find(key);
    return it == dict.end() ? nullptr : it->second;
}
int Value::GetInt(const std::wstring& key) const {
    auto v = Get(key);
    return v && v->type == VTYPE_INT ? v->i : 0;
}
double Value::GetDouble(const std::wstring& key) const {
    auto v = Get(key);
    if (!v) return 0;
    return v->type == VTYPE_DOUBLE ? v->d : v->type == VTYPE_INT ? v->i : 0;
}
bool Value::GetBool(const std::wstring& key) const {
    auto v = Get(key);
    return v && v->type == VTYPE_BOOL && v->b;
}
std::wstring Value::GetString(const std::wstring& key) const {
    auto v = Get(key);
    return v && v->type == VTYPE_STRING ? v->s : std::wstring();
}

// ---- Encoding: one type byte, then the payload; lengths are 32-bit.
namespace {

void PutU32(std::string& out, uint32_t n) { out.append(reinterpret_cast<const char*>(&n), 4); }
void PutString(std::string& out, const std::wstring& s) {
    PutU32(out, static_cast<uint32_t>(s.size()));
    for (wchar_t c : s) {
        uint16_t u = static_cast<uint16_t>(c);
        out.append(reinterpret_cast<const char*>(&u), 2);
    }
}

void EncodeInto(std::string& out, const Value& v) {
    out.push_back(static_cast<char>(v.type));
    switch (v.type) {
        case VTYPE_BOOL: out.push_back(v.b ? 1 : 0); break;
        case VTYPE_INT: PutU32(out, static_cast<uint32_t>(v.i)); break;
        case VTYPE_DOUBLE: out.append(reinterpret_cast<const char*>(&v.d), sizeof(double)); break;
        case VTYPE_STRING: PutString(out, v.s); break;
        case VTYPE_LIST:
            PutU32(out, static_cast<uint32_t>(v.list.size()));
            for (auto& e : v.list) EncodeInto(out, e ? *e : Value());
            break;
        case VTYPE_DICTIONARY:
            PutU32(out, static_cast<uint32_t>(v.dict.size()));
            for (auto& e : v.dict) {
                PutString(out, e.first);
                EncodeInto(out, e.second ? *e.second : Value());
            }
            break;
        default: break;
    }
}

class Reader {
public:
    explicit Reader(const std::string& b) : b_(b) {}
    bool U32(uint32_t* n) { return Raw(n, 4); }
    bool Raw(void* dst, size_t n) {
        if (b_.size() - pos_ < n) return false;
        std::memcpy(dst, b_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Str(std::wstring* s) {
        uint32_t n;
        if (!U32(&n) || (b_.size() - pos_) / 2 < n) return false;
        s->resize(n);
        for (uint32_t k = 0; k < n; ++k) {
            uint16_t u = 0;
            Raw(&u, 2);
            (*s)[k] = static_cast<wchar_t>(u);
        }
        return true;
    }
    // Each element takes at least one byte: a count beyond what is left is malformed.
    bool Count(uint32_t* n) { return U32(n) && *n <= b_.size() - pos_; }
    bool AtEnd() const { return pos_ == b_.size(); }

private:
    const std::string& b_;
    size_t pos_ = 0;
};

ValuePtr DecodeFrom(Reader& r, int depth) {
    if (depth > 64) return nullptr;
    unsigned char t;
    if (!r.Raw(&t, 1)) return nullptr;
    auto v = Value::Null();
    v->type = static_cast<CefValueType>(t);
    uint32_t n = 0;
    switch (v->type) {
        case VTYPE_NULL: return v;
        case VTYPE_BOOL: { unsigned char c; if (!r.Raw(&c, 1)) return nullptr; v->b = c != 0; return v; }
        case VTYPE_INT: { uint32_t u; if (!r.U32(&u)) return nullptr; v->i = static_cast<int>(u); return v; }
        case VTYPE_DOUBLE: return r.Raw(&v->d, sizeof(double)) ? v : nullptr;
        case VTYPE_STRING: return r.Str(&v->s) ? v : nullptr;
        case VTYPE_LIST:
            if (!r.Count(&n)) return nullptr;
            for (uint32_t k = 0; k < n; ++k) {
                auto e = DecodeFrom(r, depth + 1);
                if (!e) return nullptr;
                v->list.push_back(e);
            }
            return v;
        case VTYPE_DICTIONARY:
            if (!r.Count(&n)) return nullptr;
            for (uint32_t k = 0; k < n; ++k) {
                std::wstring key;
                if (!r.Str(&key)) return nullptr;
                auto e = DecodeFrom(r, depth + 1);
                if (!e) return nullptr;
                v->dict[key] = e;
            }
            return v;
        default: return nullptr;
    }
}

}  // namespace

std::string Encode(const Value& v) {
    std::string out;
    EncodeInto(out, v);
    return out;
}

ValuePtr Decode(const std::string& bytes) {
    Reader r(bytes);
    auto v = DecodeFrom(r, 0);
    return v && r.AtEnd() ? v : nullptr;
}

// ---- Engine objects over the tree.
namespace {

ValuePtr Child(const ValuePtr& node, CefValueType type) {
    return node && node->type == type ? node : nullptr;
}

class ListValueImpl : public CefListValue {
public:
    explicit ListValueImpl(ValuePtr v) : v_(std::move(v)) {}
    ValuePtr node() const { return v_; }

    bool IsValid() override { return true; }
    bool IsOwned() override { return false; }
    bool IsReadOnly() override { return false; }
    CefRefPtr<CefListValue> Copy() override { return new ListValueImpl(v_->DeepCopy()); }
    bool SetSize(size_t size) override {
        size_t old = v_->list.size();
        v_->list.resize(size);
        for (size_t k = old; k < size; ++k) v_->list[k] = Value::Null();
        return true;
    }
    size_t GetSize() override { return v_->list.size(); }
    bool Clear() override { v_->list.clear(); return true; }
    bool Remove(int index) override {
        if (!InRange(index)) return false;
        v_->list.erase(v_->list.begin() + index);
        return true;
    }
    CefValueType GetType(int index) override { return InRange(index) ? At(index)->type : VTYPE_INVALID; }
    bool GetBool(int index) override { auto e = Typed(index, VTYPE_BOOL); return e && e->b; }
    int GetInt(int index) override { auto e = Typed(index, VTYPE_INT); return e ? e->i : 0; }
    double GetDouble(int index) override {
        if (auto e = Typed(index, VTYPE_DOUBLE)) return e->d;
        return GetInt(index);
    }
    CefString GetString(int index) override { auto e = Typed(index, VTYPE_STRING); return e ? e->s : std::wstring(); }
    CefRefPtr<CefDictionaryValue> GetDictionary(int index) override {
        auto e = Typed(index, VTYPE_DICTIONARY);
        return e ? WrapDictionary(e) : nullptr;
    }
    CefRefPtr<CefListValue> GetList(int index) override {
        auto e = Typed(index, VTYPE_LIST);
        return e ? WrapList(e) : nullptr;
    }
    bool SetNull(int index) override { return Put(index, Value::Null()); }
    bool SetBool(int index, bool value) override { return Put(index, Value::Bool(value)); }
    bool SetInt(int index, int value) override { return Put(index, Value::Int(value)); }
    bool SetDouble(int index, double value) override { return Put(index, Value::Double(value)); }
    bool SetString(int index, const CefString& value) override { return Put(index, Value::String(value)); }
    bool SetDictionary(int index, CefRefPtr<CefDictionaryValue> value) override {
        auto n = UnwrapDictionary(value);
        return n && Put(index, n);
    }
    bool SetList(int index, CefRefPtr<CefListValue> value) override {
        auto n = UnwrapList(value);
        return n && n != v_ && Put(index, n);
    }

private:
    bool InRange(int index) const { return index >= 0 && static_cast<size_t>(index) < v_->list.size(); }
    ValuePtr At(int index) const { auto e = v_->list[static_cast<size_t>(index)]; return e ? e : Value::Null(); }
    ValuePtr Typed(int index, CefValueType t) const { return InRange(index) ? Child(At(index), t) : nullptr; }
    // Setting past the end grows the list, as the engine's lists do.
    bool Put(int index, ValuePtr v) {
        if (index < 0) return false;
        if (static_cast<size_t>(index) >= v_->list.size()) SetSize(static_cast<size_t>(index) + 1);
        v_->list[static_cast<size_t>(index)] = std::move(v);
        return true;
    }

    ValuePtr v_;
    IMPLEMENT_REFCOUNTING(ListValueImpl);
};

class DictionaryValueImpl : public CefDictionaryValue {
public:
    explicit DictionaryValueImpl(ValuePtr v) : v_(std::move(v)) {}
    ValuePtr node() const { return v_; }

    bool IsValid() override { return true; }
    bool IsOwned() override { return false; }
    bool IsReadOnly() override { return false; }
    CefRefPtr<CefDictionaryValue> Copy(bool) override { return new DictionaryValueImpl(v_->DeepCopy()); }
    size_t GetSize() override { return v_->dict.size(); }
    bool Clear() override { v_->dict.clear(); return true; }
    bool HasKey(const CefString& key) override { return v_->dict.count(key) != 0; }
    bool GetKeys(KeyList& keys) override {
        for (auto& e : v_->dict) keys.push_back(e.first);
        return true;
    }
    bool Remove(const CefString& key) override { return v_->dict.erase(key) != 0; }
    CefValueType GetType(const CefString& key) override {
        auto e = v_->Get(key);
        return e ? e->type : VTYPE_INVALID;
    }
    bool GetBool(const CefString& key) override { return v_->GetBool(key); }
    int GetInt(const CefString& key) override { return v_->GetInt(key); }
    double GetDouble(const CefString& key) override { return v_->GetDouble(key); }
    CefString GetString(const CefString& key) override { return v_->GetString(key); }
    CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override {
        auto e = Child(v_->Get(key), VTYPE_DICTIONARY);
        return e ? WrapDictionary(e) : nullptr;
    }
    CefRefPtr<CefListValue> GetList(const CefString& key) override {
        auto e = Child(v_->Get(key), VTYPE_LIST);
        return e ? WrapList(e) : nullptr;
    }
    bool SetNull(const CefString& key) override { v_->Set(key, Value::Null()); return true; }
    bool SetBool(const CefString& key, bool value) override { v_->Set(key, Value::Bool(value)); return true; }
    bool SetInt(const CefString& key, int value) override { v_->Set(key, Value::Int(value)); return true; }
    bool SetDouble(const CefString& key, double value) override { v_->Set(key, Value::Double(value)); return true; }
    bool SetString(const CefString& key, const CefString& value) override {
        v_->Set(key, Value::String(value));
        return true;
    }
    bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) override {
        auto n = UnwrapDictionary(value);
        if (!n || n == v_) return false;
        v_->Set(key, n);
        return true;
    }
    bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override {
        auto n = UnwrapList(value);
        if (!n) return false;
        v_->Set(key, n);
        return true;
    }

private:
    ValuePtr v_;
    IMPLEMENT_REFCOUNTING(DictionaryValueImpl);
};

class ProcessMessageImpl : public CefProcessMessage {
public:
    ProcessMessageImpl(std::wstring name, ValuePtr args) : name_(std::move(name)), args_(std::move(args)) {}
    bool IsValid() override { return true; }
    bool IsReadOnly() override { return false; }
    CefRefPtr<CefProcessMessage> Copy() override { return new ProcessMessageImpl(name_, args_->DeepCopy()); }
    CefString GetName() override { return name_; }
    CefRefPtr<CefListValue> GetArgumentList() override { return WrapList(args_); }

private:
    std::wstring name_;
    ValuePtr args_;
    IMPLEMENT_REFCOUNTING(ProcessMessageImpl);
};

}  // namespace

CefRefPtr<CefListValue> WrapList(ValuePtr list) { return new ListValueImpl(std::move(list)); }
CefRefPtr<CefDictionaryValue> WrapDictionary(ValuePtr dict) { return new DictionaryValueImpl(std::move(dict)); }

ValuePtr UnwrapList(CefRefPtr<CefListValue> list) {
    auto* impl = dynamic_cast<ListValueImpl*>(list.get());
    return impl ? impl->node() : nullptr;
}
ValuePtr UnwrapDictionary(CefRefPtr<CefDictionaryValue> dict) {
    auto* impl = dynamic_cast<DictionaryValueImpl*>(dict.get());
    return impl ? impl->node() : nullptr;
}

CefRefPtr<CefProcessMessage> MakeProcessMessage(const std::wstring& name, ValuePtr args) {
    return new ProcessMessageImpl(name, args && args->type == VTYPE_LIST ? args : Value::List());
}

}  // namespace cefstub

CefRefPtr<CefListValue> CefListValue::Create() { return cefstub::WrapList(cefstub::Value::List()); }
CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() { return cefstub::WrapDictionary(cefstub::Value::Dict()); }
CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
    return cefstub::MakeProcessMessage(name, cefstub::Value::List());
}
