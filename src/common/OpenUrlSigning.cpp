#include "OpenUrlSigning.h"

#include "GlobalFunc.h"
#include "LogWriter.h"

namespace {

constexpr wchar_t kTargetMark[] = L"to=";
constexpr wchar_t kVersionMark[] = L"&orv_v=";

// text + "?" or "&" (a '?' after the first character) + the three values.
std::wstring AppendSignature(const std::wstring& text, const OpenUrlSignature& signature) {
    size_t question = text.rfind(L'?');
    bool hasQuery = question != std::wstring::npos && question >= 1;
    return text + (hasQuery ? L"&" : L"?") + L"orvtc=" + signature.orvtc + L"&orvt=" + signature.orvt +
           L"&orvsign=" + signature.orvsign;
}

std::wstring DecodeUrlText(const std::wstring& text) {
    CStringW out;
    AnsiToUnicodeStr(UrlDecode(UnicodeToAnsi(text.c_str())).c_str(), out);
    return out;
}

std::wstring EncodeUrlText(const std::wstring& text) {
    CStringW out;
    AnsiToUnicodeStr(UrlEncode(UnicodeToAnsi(text.c_str())).c_str(), out);
    return out;
}

}  // namespace

OpenUrlSignature SignOpenUrlValues(const std::wstring& orvtc, int64_t orvt) {
    OpenUrlSignature signature;
    signature.orvtc = orvtc;
    signature.orvt = std::to_wstring(orvt);  // all 64 bits
    std::string text = UnicodeToAnsi((signature.orvtc + signature.orvt).c_str()) + kOpenUrlSigningKey;
    wchar_t hex[33] = {};
    DWORD status = 0;
    if (CalcMD5(text.c_str(), hex, &status))
        signature.orvsign = hex;
    else
        LOG_ERROR(L"MD5 encode failed, dwStatus = 0x%x", status);
    return signature;
}

std::wstring SignOpenUrl(const std::wstring& url, const OpenUrlSignature& signature) {
    size_t mark = url.find(kTargetMark);
    if (mark == std::wstring::npos) return AppendSignature(url, signature);
    size_t targetStart = mark + wcslen(kTargetMark);
    size_t tailStart = url.find(kVersionMark, targetStart);
    if (tailStart == std::wstring::npos) tailStart = url.size();
    std::wstring target = DecodeUrlText(url.substr(targetStart, tailStart - targetStart));
    return url.substr(0, targetStart) + EncodeUrlText(AppendSignature(target, signature)) + url.substr(tailStart);
}
