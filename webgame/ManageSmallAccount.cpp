#include "ManageSmallAccount.h"

namespace {

const CSmallAccountDlg::Kind kManageSmallAccount = {L"ManegeSmallAccount", L"Manage_SmallAccount.xml",
                                                    L"小号管理窗口", L"list_smallAccount_Domain",
                                                    L"CManageSmallAccountDlg"};

}  // namespace

CManageSmallAccountDlg::CManageSmallAccountDlg(HWND frame, PayloadQueue& framePayloads)
    : CSmallAccountDlg(frame, framePayloads, kManageSmallAccount) {}
