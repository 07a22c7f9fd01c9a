#include "JsCallRecord.h"

JsCallRecord::JsCallRecord(const wchar_t* functionName, CefRefPtr<CefListValue> callArguments,
                           CCefCommonUI* callControl)
    : name(functionName ? functionName : L""),
      arguments(callArguments ? callArguments->Copy() : CefListValue::Create()),
      control(callControl) {}

size_t JsCallRecord::Count() const { return arguments->GetSize(); }

int JsCallRecord::Int(size_t index) const {
    return index < Count() ? arguments->GetInt(static_cast<int>(index)) : 0;
}

std::wstring JsCallRecord::Text(size_t index) const {
    return index < Count() ? arguments->GetString(static_cast<int>(index)).ToWString() : std::wstring();
}

bool JsCallRecord::Bool(size_t index) const {
    return index < Count() && arguments->GetBool(static_cast<int>(index));
}

CefRefPtr<CefDictionaryValue> JsCallRecord::Dictionary(size_t index) const {
    return index < Count() ? arguments->GetDictionary(static_cast<int>(index)) : nullptr;
}
