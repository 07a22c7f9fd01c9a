#pragma once
// The small-account login window (class "OpenSmallAccount", skin
// "Open_SmallAccount.xml"): the back-end's page for logging in to the tab's
// game server with a small account.
#include "SmallAccountDlg.h"

class COpenSmallAccountDlg : public CSmallAccountDlg {
public:
    COpenSmallAccountDlg(HWND frame, PayloadQueue& framePayloads);
};
