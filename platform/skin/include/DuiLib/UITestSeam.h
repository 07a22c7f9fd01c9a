#pragma once
// Test seam of skin windows, off unless the environment variable
// DUILIB_TEST_SEAM is "1" in the process that owns the windows. A test tool
// then talks to any skin window with WM_COPYDATA (wParam = the tool's own
// window, which receives the answer the same way):
//   dwData SKIN_SEAM_QUERY_TREE: answer dwData SKIN_SEAM_TREE with the control
//     tree as UTF-16 text, one line per control:
//     depth \t class \t name \t text \t visible \t enabled \t selected \t l,t,r,b
//     (flags 0/1; position in window client coordinates; tabs and line ends
//     in texts become blanks).
//   dwData SKIN_SEAM_CLICK, data = control name (UTF-16): the window clicks
//     the control's centre with real mouse messages; the call returns 1 when
//     the control was found visible and enabled, else 0.
// The client functions below do both with bounded waits.
#include "UIDefine.h"
#include <string>
#include <vector>

namespace DuiLib {

#define SKIN_SEAM_ENV          L"DUILIB_TEST_SEAM"
#define SKIN_SEAM_QUERY_TREE   0x534B5451u   // 'SKTQ'
#define SKIN_SEAM_TREE         0x534B5454u   // 'SKTT'
#define SKIN_SEAM_CLICK        0x534B5443u   // 'SKTC'

struct SkinSeamControl {
    int depth = 0;
    std::wstring className;
    std::wstring name;
    std::wstring text;
    bool visible = false;
    bool enabled = false;
    bool selected = false;
    RECT pos = {0, 0, 0, 0};
};

// Client side (any process): the tree of skinWnd, or false after timeoutMs.
UILIB_API bool SkinSeamQueryTree(HWND skinWnd, std::wstring* treeText, DWORD timeoutMs);
UILIB_API bool SkinSeamParseTree(const std::wstring& treeText, std::vector<SkinSeamControl>* controls);
UILIB_API bool SkinSeamClick(HWND skinWnd, LPCTSTR controlName, DWORD timeoutMs);

}  // namespace DuiLib
