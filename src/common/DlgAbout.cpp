#include "DlgAbout.h"

#include "UpdateVersion.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;

}  // namespace

void CDlgAbout::InitWindow() {
    SetIcon(kAppIcon);
    m_pCloseBtn = m_PaintManager.FindControl(L"closebtn");
    m_pOkBtn = m_PaintManager.FindControl(L"okbtn");
    if (CControlUI* label = m_PaintManager.FindControl(L"label_ver")) label->SetText(OwnVersionLabel().c_str());
}

void CDlgAbout::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CDlgAbout::OnClick(TNotifyUI& msg) {
    if (msg.pSender && (msg.pSender == m_pCloseBtn || msg.pSender == m_pOkBtn)) Close(0);
}
