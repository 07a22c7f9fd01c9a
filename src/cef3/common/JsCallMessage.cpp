#include "JsCallMessage.h"

#include "JsFunctionNameSet.h"
#include "LogWriter.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Builds one message while counting the text it has taken.
class JsCallEncoder {
public:
    explicit JsCallEncoder(const CefString& name) : name_(name) {}

    bool Encode(const CefV8ValueList& arguments, CefRefPtr<CefListValue> list) {
        list->SetSize(arguments.size());
        for (size_t i = 0; i < arguments.size(); ++i) {
            if (!EncodeOne(arguments[i], static_cast<int>(i), list)) return false;
        }
        return true;
    }

private:
    bool EncodeOne(const CefRefPtr<CefV8Value>& value, int index, CefRefPtr<CefListValue> list) {
        if (!value) return true;
        if (value->IsString()) {
            std::wstring text;
            if (!TakeText(value, &text)) return false;
            list->SetString(index, text);
        } else if (value->IsBool()) {
            list->SetBool(index, value->GetBoolValue());
        } else if (value->IsInt()) {
            list->SetInt(index, value->GetIntValue());
        } else if (value->IsObject()) {
            if (name_ != CefString(kJsAddMyGame)) {
                LOG_AS("ClientV8Handler::Execute", LOG_LEVEL_ERROR, L"ClientV8Handler.Execute unknown Object");
                return true;
            }
            CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
            if (!EncodeGame(value, dict)) return false;
            list->SetDictionary(index, dict);
        }
        return true;
    }

    // The four keys of an "addMyGame" object, each set when its property reads.
    bool EncodeGame(const CefRefPtr<CefV8Value>& object, CefRefPtr<CefDictionaryValue> dict) {
        if (CefRefPtr<CefV8Value> v = object->GetValue(L"pkgid")) dict->SetInt(L"pkgid", v->GetIntValue());
        if (!EncodeGameText(object, L"game_name", dict)) return false;
        if (CefRefPtr<CefV8Value> v = object->GetValue(L"game_type")) dict->SetInt(L"game_type", v->GetIntValue());
        return EncodeGameText(object, L"game_icon_url", dict);
    }

    bool EncodeGameText(const CefRefPtr<CefV8Value>& object, const wchar_t* key, CefRefPtr<CefDictionaryValue> dict) {
        CefRefPtr<CefV8Value> v = object->GetValue(key);
        if (!v) return true;
        std::wstring text;
        if (!TakeText(v, &text)) return false;
        dict->SetString(key, text);
        return true;
    }

    bool TakeText(const CefRefPtr<CefV8Value>& value, std::wstring* text) {
        *text = value->GetStringValue().ToWString();
        textChars_ += text->size();
        if (textChars_ > kMaxJsCallTextChars) {
            LOG_AS("ClientV8Handler::Execute", LOG_LEVEL_ERROR,
                   L"ClientV8Handler.Execute name=%s dropped: more than %u characters of text", name_.c_str(),
                   static_cast<unsigned>(kMaxJsCallTextChars));
            return false;
        }
        *text = WellFormedUtf16(*text);
        return true;
    }

    CefString name_;
    size_t textChars_ = 0;
};

}  // namespace

std::wstring WellFormedUtf16(const std::wstring& text) {
    std::wstring out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
            out[i] = kReplacement;
        }
    }
    return out;
}

CefRefPtr<CefProcessMessage> CreateJsCallMessage(const CefString& name, const CefV8ValueList& arguments) {
    if (arguments.size() > kMaxJsCallArguments) {
        LOG_AS("ClientV8Handler::Execute", LOG_LEVEL_ERROR,
               L"ClientV8Handler.Execute name=%s dropped: %u arguments", name.c_str(),
               static_cast<unsigned>(arguments.size()));
        return nullptr;
    }
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    if (!message) return nullptr;
    JsCallEncoder encoder(name);
    if (!encoder.Encode(arguments, message->GetArgumentList())) return nullptr;
    return message;
}
