#pragma once
// Engine string: UTF-16 text (wchar_t on Windows). Converts from and to
// std::wstring and UTF-8 std::string; compares ordinally.
#include <string>

class CefString {
public:
    CefString() = default;
    CefString(const wchar_t* s) : str_(s ? s : L"") {}
    CefString(const std::wstring& s) : str_(s) {}
    CefString(std::wstring&& s) : str_(std::move(s)) {}
    // UTF-8 text.
    CefString(const char* s) { FromString(s ? std::string(s) : std::string()); }
    CefString(const std::string& s) { FromString(s); }

    const wchar_t* c_str() const { return str_.c_str(); }
    size_t length() const { return str_.length(); }
    size_t size() const { return str_.size(); }
    bool empty() const { return str_.empty(); }
    void clear() { str_.clear(); }
    int compare(const CefString& o) const { return str_.compare(o.str_); }

    std::wstring ToWString() const { return str_; }
    std::string ToString() const;  // UTF-8
    bool FromWString(const std::wstring& s) { str_ = s; return true; }
    bool FromString(const std::string& utf8);

    operator std::wstring() const { return str_; }

    bool operator==(const CefString& o) const { return str_ == o.str_; }
    bool operator!=(const CefString& o) const { return str_ != o.str_; }
    bool operator<(const CefString& o) const { return str_ < o.str_; }

private:
    std::wstring str_;
};
