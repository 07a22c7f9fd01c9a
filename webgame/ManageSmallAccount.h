#pragma once
// The small-account management window (class "ManegeSmallAccount", skin
// "Manage_SmallAccount.xml"): the back-end's page listing the user's small
// accounts on the tab's game server.
#include "SmallAccountDlg.h"

class CManageSmallAccountDlg : public CSmallAccountDlg {
public:
    CManageSmallAccountDlg(HWND frame, PayloadQueue& framePayloads);
};
