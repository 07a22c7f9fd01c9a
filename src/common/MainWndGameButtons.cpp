// The main window's game buttons: creation and placement, drag ordering,
// the button menu, removal and updates from the back-end. Positions count
// game buttons only: the list also holds the floating drag control.
#include "MainWnd.h"

#include <algorithm>
#include <climits>

#include "BackendRequest.h"
#include "CCefCommonUI.h"
#include "GameButton.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

using namespace DuiLib;

namespace {

constexpr DWORD kMinMoveIntervalMs = 101;
constexpr int kDragScrollStep = 6;
constexpr int kButtonVerticalSpace = 16;  // the button's top and bottom padding

CGameButtonUI* AsGameButton(CControlUI* control) {
    return control ? static_cast<CGameButtonUI*>(control->GetInterface(L"OrvGameBtn")) : nullptr;
}

}  // namespace

std::vector<CGameButtonUI*> CMainWnd::GameButtonsInOrder() const {
    std::vector<CGameButtonUI*> buttons;
    if (!m_pMyGameList) return buttons;
    for (int i = 0; i < m_pMyGameList->GetCount(); ++i) {
        if (CGameButtonUI* button = AsGameButton(m_pMyGameList->GetItemAt(i))) buttons.push_back(button);
    }
    return buttons;
}

int CMainWnd::GameButtonSlot(int position) const {
    int seen = 0;
    int afterLast = 0;
    for (int i = 0; i < m_pMyGameList->GetCount(); ++i) {
        if (!AsGameButton(m_pMyGameList->GetItemAt(i))) continue;
        if (seen++ == position) return i;
        afterLast = i + 1;
    }
    return afterLast;
}

std::wstring CMainWnd::GameButtonForeImage(const GameInfoItem& entry) const {
    return FormatString(L"dest='34,16,80,62' res='temp\\game_%d.%s'", m_gameList.KeyOf(entry), entry.iconExt);
}

void CMainWnd::CreateGameButton(GameInfoItem* entry) {
    if (!entry || entry->gameBtn || !m_pMyGameList) return;
    int key = m_gameList.KeyOf(*entry);
    if (m_noCafeClient) {
        int autoUpdate = LocalDB().GetGameAutoUpdateValue(key);
        if (autoUpdate >= 0) entry->autoUpdate = autoUpdate == 1;
    }
    CGameButtonUI* button =
        new CGameButtonUI(this, L"mainwnd/gamebtn_dragdown_normal.png", L"mainwnd/gamebtn_dragdown.png");
    button->SetGameItem(entry);
    button->SetMaskImage(L"mainwnd/game_btn_mask.png");
    if (entry->installed == -1) {
        bool installable = entry->gameType == 2 || entry->gameType == 3 || (entry->gameType == 1 && entry->openType == 1);
        entry->installed = installable ? m_installedGames.IsGameInstalledLocal(key) : 2;
    }
    if (m_pAddGameGroup) m_pAddGameGroup->SetVisible(false);
    button->SetName(FormatString(L"game_btn_%d", m_gameBtnCounter).c_str());
    button->SetText(entry->gameName.c_str());
    button->SetForeImage(GameButtonForeImage(*entry).c_str());
    button->SetPadding(RECT{12, 8, 12, 8});
    button->SetAttribute(L"align", L"center");
    button->SetAttribute(L"valign", L"bottom");

    int count = static_cast<int>(GameButtonsInOrder().size());
    if (entry->listIndex < 0) {
        m_pMyGameList->AddAt(button, GameButtonSlot(count));
        entry->listIndex = count;
        LOG_ERROR(L"CreateGameButton gameId=%d listIndex=%d add end", key, entry->listIndex);
    } else {
        if (entry->listIndex > count) {
            LOG_ERROR(L"CreateGameButton gameId=%d listIndex=%d > maxIndex=%d", key, entry->listIndex, count);
            entry->listIndex = count;
        }
        m_pMyGameList->AddAt(button, GameButtonSlot(entry->listIndex));
    }
    button->SetAttribute(L"style", L"game_btn_style");
    button->SetFixedWidth(m_gameBtnSize);
    button->SetFixedHeight(m_gameBtnSize);
    m_PaintManager.AddPostPaint(button);
    entry->gameBtn = button;
    if (entry->listIndex == 0) button->Selected(true);
    button->SetCursor(IDC_HAND);
    LOG_DEBUG(L"new CGameButtonUI[%d]=0x%p gameId=%u game_btn_%d", entry->listIndex, static_cast<void*>(button),
              static_cast<unsigned>(key), m_gameBtnCounter);
    ++m_gameBtnCounter;
}

void CMainWnd::CreateDragControl(CGameButtonUI* button) {
    GameInfoItem* entry = button->GetGameItem();
    if (!entry) entry = m_gameList.FindByButton(button);
    if (!entry) {
        LOG_ERROR(L"CMainWnd.CreateDragControl not found gamebtn = 0x%p, text=%s", static_cast<void*>(button),
                  button->GetText().GetData());
        return;
    }
    if (!m_pDragControl) {
        m_pDragControl = new CDragControlUI(this);
        m_pDragControl->SetName(L"DragBtn");
        m_pDragControl->SetFixedWidth(m_gameBtnSize);
        m_pDragControl->SetFixedHeight(m_gameBtnSize);
        m_pDragControl->SetFloat(true);
        m_pDragControl->SetNormalImage(L"mainwnd/game_btn_hover.png");
        m_pDragControl->SetHotImage(L"mainwnd/game_btn_hover.png");
        m_pDragControl->SetDragImage(L"mainwnd/game_btn_hover.png");
        m_pDragControl->SetDragMargins(m_gameBtnSize / 2 + 12, m_gameBtnSize / 2, m_gameBtnSize / 2 + 14,
                                       m_gameBtnSize / 2);
        m_pDragControl->SetCursorOffset(0, 0);
        m_pMyGameList->Add(m_pDragControl);
        m_PaintManager.AddPostPaint(m_pDragControl);
    }
    const RECT& pos = button->GetPos();
    const RECT& listPos = m_pMyGameList->GetPos();
    m_pDragControl->SetPos(pos);
    m_pDragControl->SetDragConstraint(listPos);
    m_pDragControl->SetFixedXY(SIZE{12, pos.top - listPos.top});
    m_pDragControl->SetForeImage(GameButtonForeImage(*entry).c_str());
    // The game's name: the button's own text may be its "not installed" hint.
    m_pDragControl->SetText(entry->gameName.c_str());
    m_pDragControl->SetVisible(false);
}

void CMainWnd::MoveGameBtn(CGameButtonUI* dragged, POINT screenPoint) {
    POINT pt = screenPoint;
    ScreenToClient(m_hWnd, &pt);
    CGameButtonUI* target = nullptr;
    for (GameInfoItem* entry : m_gameList.items()) {
        if (!entry->gameBtn) continue;
        RECT rc = entry->gameBtn->GetPos();
        InflateRect(&rc, -10, -20);
        if (PtInRect(&rc, pt)) {
            target = entry->gameBtn;
            break;
        }
    }
    if (!target || target == dragged) return;
    DWORD now = GetTickCount();
    if (m_lastGameBtnMoveTick == 0) m_lastGameBtnMoveTick = now;
    if (now - m_lastGameBtnMoveTick < kMinMoveIntervalMs) return;
    std::vector<CGameButtonUI*> buttons = GameButtonsInOrder();
    auto positionOf = [&](CGameButtonUI* b) {
        return static_cast<int>(std::find(buttons.begin(), buttons.end(), b) - buttons.begin());
    };
    int from = positionOf(dragged);
    int to = positionOf(target);
    m_pMyGameList->SetItemIndex(dragged, m_pMyGameList->GetItemIndex(target));
    LOG_DEBUG(L"move game btn from %d to %d", from, to);
    m_bGameOrderChanged = true;
    m_lastGameBtnMoveTick = now;
}

void CMainWnd::EndGameButtonDrag() {
    m_pPressedGameBtn = nullptr;
    if (m_pDragControl) m_pDragControl->StopDrag();
    if (!m_bGameOrderChanged) return;
    m_bGameOrderChanged = false;
    std::vector<GameInfoItem*> changed;
    int position = 0;
    for (CGameButtonUI* button : GameButtonsInOrder()) {
        GameInfoItem* entry = button->GetGameItem();
        if (entry && entry->listIndex != position) {
            entry->listIndex = position;
            changed.push_back(entry);
        }
        ++position;
    }
    if (!changed.empty()) ReportGameListOrderChanged(changed);
}

void CMainWnd::CancelGameButtonDrag() {
    if (!m_pPressedGameBtn) return;
    LOG_DEBUG(L"CMainWnd game button drag ended without a drop");
    m_pPressedGameBtn->SetDragging(false);
    m_pPressedGameBtn->Invalidate();
    m_pPressedGameBtn = nullptr;
    if (m_pDragControl) m_pDragControl->StopDrag();
    if (!m_bGameOrderChanged) return;
    m_bGameOrderChanged = false;
    RestoreGameButtonOrder();
}

// The window's own release of the capture comes with its button-up, which
// drops; any other change while a button is held takes the drop away.
void CMainWnd::OnCaptureChanged(HWND gaining) {
    if (!m_pPressedGameBtn || gaining == m_hWnd) return;
    if (!gaining && GetKeyState(VK_LBUTTON) >= 0) return;
    CancelGameButtonDrag();
}

// The list indices hold the order of the last drop.
void CMainWnd::RestoreGameButtonOrder() {
    std::vector<CGameButtonUI*> buttons = GameButtonsInOrder();
    auto indexOf = [](CGameButtonUI* button) {
        GameInfoItem* entry = button->GetGameItem();
        return entry ? entry->listIndex : INT_MAX;
    };
    std::stable_sort(buttons.begin(), buttons.end(),
                     [&](CGameButtonUI* a, CGameButtonUI* b) { return indexOf(a) < indexOf(b); });
    for (size_t position = 0; position < buttons.size(); ++position)
        m_pMyGameList->SetItemIndex(buttons[position], GameButtonSlot(static_cast<int>(position)));
}

void CMainWnd::ShowGameButtonMenu(CGameButtonUI* button) {
    m_pContextMenuGameBtn = button;
    m_pGameBtnMenu.reset(new CMenuWnd());
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    if (!m_pGameBtnMenu->Init(nullptr, L"menu_gamebtn.xml", cursor, &m_PaintManager, nullptr,
                              eMenuAlignment_Left | eMenuAlignment_Top))
        return;
    CMenuUI* menu = m_pGameBtnMenu->GetMenuUI();
    if (!menu) return;
    GameInfoItem* entry = button->GetGameItem();
    if (CMenuElementUI* autoUpdate = menu->GetMenuItemAt(2))
        autoUpdate->SetIcon(!entry || entry->autoUpdate ? L"menu/check.png" : L"menu/check2.png");
    bool notInstalled = !entry || entry->installed != 1 || (entry->gameType == 1 && entry->openType != 1);
    std::vector<int> removed;
    if (notInstalled)
        removed = {4, 2, 1, 0};
    else if (!m_noCafeClient)
        removed = {4, 2, 1};
    for (int index : removed) menu->RemoveAt(index);
    m_pGameBtnMenu->ResizeMenu();
}

void CMainWnd::RemoveGameIcon(GameInfoItem* entry) {
    if (!entry) return;
    CGameButtonUI* button = entry->gameBtn;
    bool selected = button && button->IsSelected();
    LOG_DEBUG(L"CMainWnd on menu clicked - remove game icon, pkgid=%u, bSelected=%s",
              static_cast<unsigned>(entry->pkgid), selected ? L"true" : L"false");
    if (button) {
        if (m_pPressedGameBtn == button) m_pPressedGameBtn = nullptr;
        if (m_pContextMenuGameBtn == button) m_pContextMenuGameBtn = nullptr;
        button->SetGameItem(nullptr);
        m_PaintManager.RemovePostPaint(button);
        m_pMyGameList->Remove(button);
    }
    if (!m_account.empty()) StartOrderReport(FormatGameOrderItem(*entry, -1, m_gameList.NoCafeClient()));
    m_gameList.Remove(entry);
    if (!selected) return;
    std::wstring url = L"about:blank";
    std::vector<CGameButtonUI*> buttons = GameButtonsInOrder();
    auto next = std::find_if(buttons.begin(), buttons.end(), [](CGameButtonUI* b) { return b->GetGameItem(); });
    if (next != buttons.end()) {
        (*next)->Selected(true);
        url = GetGameLaunchPageUrl((*next)->GetGameItem()->gameType);
    } else if (m_pAddGameGroup) {
        m_pAddGameGroup->SetVisible(true);
    }
    if (m_pMyGameCef) m_pMyGameCef->Navigate2(url.c_str(), true);
}

void CMainWnd::HandleMsgUpdateGameBtnUI(GameBtnInfoResult* result) {
    GameInfoItem* entry = m_gameList.FindByKey(result->key);
    if (!entry) return;
    if (result->hasId) entry->id = result->id;
    if (result->flags & kGameBtnNameChanged) entry->gameName = result->gameName;
    if (result->flags & kGameBtnTypeChanged) entry->gameType = result->gameType;
    if (result->hasIconUrl) entry->SetIconUrl(result->iconUrl);
    CGameButtonUI* button = entry->gameBtn;
    if (!button) return;
    if ((result->flags & kGameBtnIconChanged) && *button->GetForeImage()) {
        std::wstring image = GameButtonForeImage(*entry);
        if (image != button->GetForeImage())
            button->SetForeImage(image.c_str());
        else
            button->Invalidate();
        LOG_DEBUG(L"CMainWnd update gamebtn icon \"%s\"", image.c_str());
    }
    if (result->flags & kGameBtnNameChanged) {
        button->SetText(entry->gameName.c_str());
        LOG_DEBUG(L"CMainWnd update gamebtn name:%s", entry->gameName.c_str());
    }
}

void CMainWnd::AutoScrollGameBtnList(GameInfoItem* entry) {
    if (!entry || !entry->gameBtn || !m_pMyGameList) return;
    SIZE range = m_pMyGameList->GetScrollRange();
    if (range.cy < 1) return;
    int y = entry->listIndex < 1 ? 0 : entry->listIndex * (m_gameBtnSize + kButtonVerticalSpace);
    m_pMyGameList->SetScrollPos(SIZE{0, y});
    LOG_DEBUG(L"[%d] y pos=%d range=%d", entry->listIndex, y, static_cast<int>(range.cy));
}

void CMainWnd::OnAddGameButton(int gameKey) {
    GameInfoItem* entry = m_gameList.FindByKey(gameKey);
    if (!entry) {
        LOG_WARNING(L"CMainWnd WM_ADD_GAME_BTN (%u): game %d is not in my game list, ignored", WM_ADD_GAME_BTN,
                    gameKey);
        return;
    }
    if (entry->gameBtn)
        entry->gameBtn->Selected(true);
    else
        CreateGameButton(entry);
    SelectOption(L"my_game_btn");
    SelectBodyPage(1);
    AutoScrollGameBtnList(entry);
}

void CMainWnd::OnDragAboveTop() {
    if (!m_pMyGameList) return;
    SIZE range = m_pMyGameList->GetScrollRange();
    SIZE pos = m_pMyGameList->GetScrollPos();
    if (range.cy < 1 || pos.cy < 1) return;
    m_pMyGameList->SetScrollPos(SIZE{pos.cx, std::max<LONG>(0, pos.cy - kDragScrollStep)});
}

void CMainWnd::OnDragBelowBottom() {
    if (!m_pMyGameList) return;
    SIZE range = m_pMyGameList->GetScrollRange();
    SIZE pos = m_pMyGameList->GetScrollPos();
    if (range.cy < 1 || pos.cy >= range.cy) return;
    m_pMyGameList->SetScrollPos(SIZE{pos.cx, std::min<LONG>(range.cy, pos.cy + kDragScrollStep)});
}
