// CDuiString over std::wstring.
#include "DuiLib/UIString.h"

#include <algorithm>
#include <cstdarg>
#include <cwctype>
#include <vector>

namespace DuiLib {

CDuiString::CDuiString() = default;
CDuiString::CDuiString(TCHAR ch) : text_(1, ch) {}
CDuiString::CDuiString(LPCTSTR text, int length) { Assign(text, length); }
CDuiString::CDuiString(const CDuiString& other) = default;
CDuiString::CDuiString(const std::wstring& text) : text_(text) {}
CDuiString::~CDuiString() = default;

void CDuiString::Empty() { text_.clear(); }
int CDuiString::GetLength() const { return static_cast<int>(text_.size()); }
bool CDuiString::IsEmpty() const { return text_.empty(); }

TCHAR CDuiString::GetAt(int index) const {
    return (index >= 0 && index < GetLength()) ? text_[index] : 0;
}

void CDuiString::SetAt(int index, TCHAR ch) {
    if (index >= 0 && index < GetLength()) text_[index] = ch;
}

void CDuiString::Append(LPCTSTR text) {
    if (text) text_ += text;
}

void CDuiString::Assign(LPCTSTR text, int length) {
    if (!text) {
        text_.clear();
        return;
    }
    if (length < 0) {
        text_ = text;
    } else {
        size_t n = 0;
        while (n < static_cast<size_t>(length) && text[n]) ++n;
        text_.assign(text, n);
    }
}

LPCTSTR CDuiString::GetData() const { return text_.c_str(); }
CDuiString::operator LPCTSTR() const { return text_.c_str(); }
TCHAR CDuiString::operator[](int index) const { return GetAt(index); }

const CDuiString& CDuiString::operator=(const CDuiString& other) {
    text_ = other.text_;
    return *this;
}
const CDuiString& CDuiString::operator=(LPCTSTR text) {
    Assign(text);
    return *this;
}
const CDuiString& CDuiString::operator=(TCHAR ch) {
    text_.assign(1, ch);
    return *this;
}
const CDuiString& CDuiString::operator+=(const CDuiString& other) {
    text_ += other.text_;
    return *this;
}
const CDuiString& CDuiString::operator+=(LPCTSTR text) {
    Append(text);
    return *this;
}
const CDuiString& CDuiString::operator+=(TCHAR ch) {
    text_ += ch;
    return *this;
}
CDuiString CDuiString::operator+(const CDuiString& other) const { return CDuiString(text_ + other.text_); }
CDuiString CDuiString::operator+(LPCTSTR text) const {
    CDuiString r(*this);
    r.Append(text);
    return r;
}

bool CDuiString::operator==(LPCTSTR text) const { return Compare(text) == 0; }
bool CDuiString::operator!=(LPCTSTR text) const { return Compare(text) != 0; }
bool CDuiString::operator<(LPCTSTR text) const { return Compare(text) < 0; }
bool CDuiString::operator==(const CDuiString& other) const { return text_ == other.text_; }
bool CDuiString::operator!=(const CDuiString& other) const { return text_ != other.text_; }
bool CDuiString::operator<(const CDuiString& other) const { return text_ < other.text_; }

int CDuiString::Compare(LPCTSTR text) const { return wcscmp(text_.c_str(), text ? text : L""); }
int CDuiString::CompareNoCase(LPCTSTR text) const { return _wcsicmp(text_.c_str(), text ? text : L""); }

void CDuiString::MakeUpper() {
    std::transform(text_.begin(), text_.end(), text_.begin(), [](wchar_t c) { return std::towupper(c); });
}
void CDuiString::MakeLower() {
    std::transform(text_.begin(), text_.end(), text_.begin(), [](wchar_t c) { return std::towlower(c); });
}

CDuiString CDuiString::Left(int length) const {
    if (length < 0) length = 0;
    return CDuiString(text_.substr(0, static_cast<size_t>(length)));
}

CDuiString CDuiString::Mid(int pos, int length) const {
    if (pos < 0) pos = 0;
    if (pos >= GetLength()) return CDuiString();
    if (length < 0) return CDuiString(text_.substr(static_cast<size_t>(pos)));
    return CDuiString(text_.substr(static_cast<size_t>(pos), static_cast<size_t>(length)));
}

CDuiString CDuiString::Right(int length) const {
    if (length < 0) length = 0;
    if (length >= GetLength()) return *this;
    return CDuiString(text_.substr(text_.size() - static_cast<size_t>(length)));
}

int CDuiString::Find(TCHAR ch, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    size_t p = text_.find(ch, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Find(LPCTSTR text, int start) const {
    if (!text || start < 0 || start > GetLength()) return -1;
    size_t p = text_.find(text, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::ReverseFind(TCHAR ch) const {
    size_t p = text_.rfind(ch);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Replace(LPCTSTR from, LPCTSTR to) {
    if (!from || !*from) return 0;
    std::wstring f(from), t(to ? to : L"");
    int count = 0;
    size_t p = 0;
    while ((p = text_.find(f, p)) != std::wstring::npos) {
        text_.replace(p, f.size(), t);
        p += t.size();
        ++count;
    }
    return count;
}

int CDuiString::Format(LPCTSTR format, ...) {
    if (!format) {
        text_.clear();
        return 0;
    }
    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    int needed = _vscwprintf(format, probe);
    va_end(probe);
    if (needed < 0) {
        va_end(args);
        text_.clear();
        return 0;
    }
    std::vector<wchar_t> buf(static_cast<size_t>(needed) + 1);
    _vsnwprintf(buf.data(), buf.size(), format, args);
    va_end(args);
    buf.back() = 0;
    text_.assign(buf.data(), static_cast<size_t>(needed));
    return needed;
}

}  // namespace DuiLib
