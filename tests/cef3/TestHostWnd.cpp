#include "TestHostWnd.h"

#include <cwchar>

TestHostWnd::TestHostWnd(std::wstring startUrl) : startUrl_(std::move(startUrl)) {}

HWND TestHostWnd::Open(int width, int height) {
    return Create(nullptr, L"cef bridge host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 30, 30, width,
                  height);
}

DuiLib::CDuiString TestHostWnd::GetSkinFile() {
    std::wstring cef = L"<Cef name=\"cef\"";
    if (!startUrl_.empty()) cef += L" homepage=\"" + startUrl_ + L"\"";
    cef += L" />";
    std::wstring xml = L"<Window><VerticalLayout bkcolor=\"#FF303030\"><Label name=\"top\" height=\"30\" text=\"top\" />" +
                       cef + L"</VerticalLayout></Window>";
    return DuiLib::CDuiString(xml.c_str());
}

DuiLib::CControlUI* TestHostWnd::CreateControl(LPCTSTR pstrClass) {
    if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
    cef = new CCefCommonUI(&m_PaintManager, this);
    return cef;
}
