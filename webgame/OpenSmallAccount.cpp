#include "OpenSmallAccount.h"

namespace {

const CSmallAccountDlg::Kind kOpenSmallAccount = {L"OpenSmallAccount", L"Open_SmallAccount.xml", L"小号登录窗口",
                                                  L"add_smallAccount_Domain", L"COpenSmallAccountDlg"};

}  // namespace

COpenSmallAccountDlg::COpenSmallAccountDlg(HWND frame, PayloadQueue& framePayloads)
    : CSmallAccountDlg(frame, framePayloads, kOpenSmallAccount) {}
