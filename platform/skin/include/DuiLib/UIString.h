#pragma once
// CDuiString: the library's wide string. Values, copied freely; all
// positions are in characters; Find returns -1 when not found.
#include "UIDefine.h"
#include <string>

namespace DuiLib {

class UILIB_API CDuiString {
public:
    CDuiString();
    CDuiString(TCHAR ch);
    CDuiString(LPCTSTR text, int length = -1);
    CDuiString(const CDuiString& other);
    CDuiString(const std::wstring& text);
    ~CDuiString();

    void Empty();
    int GetLength() const;
    bool IsEmpty() const;
    TCHAR GetAt(int index) const;      // 0 outside the string
    void SetAt(int index, TCHAR ch);   // ignored outside the string
    void Append(LPCTSTR text);
    void Assign(LPCTSTR text, int length = -1);
    LPCTSTR GetData() const;
    operator LPCTSTR() const;
    const std::wstring& Str() const { return text_; }

    TCHAR operator[](int index) const;
    const CDuiString& operator=(const CDuiString& other);
    const CDuiString& operator=(LPCTSTR text);
    const CDuiString& operator=(TCHAR ch);
    const CDuiString& operator+=(const CDuiString& other);
    const CDuiString& operator+=(LPCTSTR text);
    const CDuiString& operator+=(TCHAR ch);
    CDuiString operator+(const CDuiString& other) const;
    CDuiString operator+(LPCTSTR text) const;

    bool operator==(LPCTSTR text) const;
    bool operator!=(LPCTSTR text) const;
    bool operator<(LPCTSTR text) const;
    bool operator==(const CDuiString& other) const;
    bool operator!=(const CDuiString& other) const;
    bool operator<(const CDuiString& other) const;

    int Compare(LPCTSTR text) const;
    int CompareNoCase(LPCTSTR text) const;
    void MakeUpper();
    void MakeLower();

    CDuiString Left(int length) const;
    CDuiString Mid(int pos, int length = -1) const;
    CDuiString Right(int length) const;

    int Find(TCHAR ch, int start = 0) const;
    int Find(LPCTSTR text, int start = 0) const;
    int ReverseFind(TCHAR ch) const;
    int Replace(LPCTSTR from, LPCTSTR to);

    // printf-style formatting (wide conventions); any length.
    int __cdecl Format(LPCTSTR format, ...);

private:
    std::wstring text_;
};

inline CDuiString operator+(LPCTSTR left, const CDuiString& right) {
    return CDuiString(left) + right;
}

}  // namespace DuiLib
