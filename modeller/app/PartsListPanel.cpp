#include "modeller/app/PartsListPanel.h"

#include "modeller/app/Modering.h"
#include "modeller/app/ModeringPanel.h"
#include "modeller/app/resource.h"

namespace tbm {

namespace {

constexpr int kToolBarId = 104;
constexpr int kListId = 103;
constexpr int kImageSize = 20;
constexpr int kStripWidth = 60;
constexpr int kLabelSize = 256;

// One list for the program: the focused row at the last item change, and the
// edit control of the label being edited.
int lastFocusedRow = -1;
HWND editControl = nullptr;

TBBUTTON entry(int image, int command)
{
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = TBSTYLE_BUTTON;
    return button;
}

// 1 unchecked, 2 checked, 0 before the row has a check box.
int stateImage(UINT state)
{
    return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
}

}

PartsListPanel& PartsListPanel::getInstance()
{
    static PartsListPanel panel;
    return panel;
}

PartsListPanel::PartsListPanel() : ChildWindow<PartsListPanel>(&PartsListPanel::windowProc) {}

BOOL PartsListPanel::create(const std::string& className, HWND parent, int id)
{
    if (!ChildWindow::create(className, parent, id))
        return FALSE;
    TBBUTTON buttons[] = {
        entry(0, IDM_SHOW_ALL_PARTS),
        entry(1, IDM_HIDE_ALL_PARTS),
        entry(2, IDM_SWAP_PANELS),
    };
    constexpr int count = sizeof(buttons) / sizeof(buttons[0]);
    if (!toolBar.create(getHandle(), kToolBarId, buttons, count, IDB_PARTSLIST_TOOLBAR, kStripWidth, kImageSize))
        return FALSE;
    const int tips[count] = {IDS_TIP_SHOW_ALL_PARTS, IDS_TIP_HIDE_ALL_PARTS, IDS_TIP_SWAP_PANELS};
    toolBar.createToolTips(tips, count);
    return listView.create(getHandle(), kListId);
}

LRESULT PartsListPanel::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: {
        toolBar.onSize(message, wParam, lParam);
        const RECT& panel = getRect();
        listView.setRect({0, toolBar.getHeight(), panel.right - panel.left, panel.bottom - panel.top});
        break;
    }
    case WM_NOTIFY:
        if (wParam == kListId)
            onNotify(reinterpret_cast<NMHDR*>(lParam));
        break;
    case WM_COMMAND:
        // The main window swaps the panels after the toolbar's click has ended.
        if (LOWORD(wParam) == IDM_SWAP_PANELS)
            PostMessageA(GetParent(window), WM_COMMAND, IDM_SWAP_PANELS, 0);
        else
            onCommand(GetParent(window), LOWORD(wParam));
        break;
    }
    // For WM_NOTIFY this is 0: labels may be edited, the panel applies an edited
    // label itself and no item change is refused.
    return DefWindowProcA(window, message, wParam, lParam);
}

int PartsListPanel::onCommand(HWND, int id)
{
    switch (id) {
    case IDM_SHOW_ALL_PARTS:
    case IDM_HIDE_ALL_PARTS:
        listView.setAllItemsCheck(id == IDM_SHOW_ALL_PARTS ? 1 : 0);
        ModeringPanel::getInstance().redraw();
        return 1;
    default: return 0;
    }
}

int PartsListPanel::onNotify(NMHDR* header)
{
    switch (header->code) {
    case LVN_ITEMCHANGED: onItemChanged(*reinterpret_cast<NMLISTVIEW*>(header)); return 1;
    case LVN_BEGINLABELEDITA:
        editControl = reinterpret_cast<HWND>(SendMessageA(listView.getHandle(), LVM_GETEDITCONTROL, 0, 0));
        return 1;
    case LVN_ENDLABELEDITA: onEndLabelEdit(*reinterpret_cast<NMLVDISPINFOA*>(header)); return 1;
    default: return 0;
    }
}

void PartsListPanel::onItemChanged(const NMLISTVIEW& change)
{
    const int row = listView.getSelectedIndex();
    if (row != -1 && row != lastFocusedRow) {
        ModeringPanel::getInstance().selectParts(listView.getItemParam(row));
        ModeringPanel::getInstance().redraw();
    }
    lastFocusedRow = row;

    // A check box the user toggled (mouse or keyboard). The list's own changes are
    // passed on by the list view's setters, and a row that only gets its first
    // check box changes no part.
    if (listView.isSettingCheck() || change.iItem < 0 || !(change.uChanged & LVIF_STATE))
        return;
    const int before = stateImage(change.uOldState);
    const int after = stateImage(change.uNewState);
    if (before == 0 || after == 0 || before == after)
        return;
    Modering::getInstance()->setPartsVisible(listView.getItemParam(change.iItem), after == 2 ? 1 : 0);
    ModeringPanel::getInstance().redraw();
}

void PartsListPanel::onEndLabelEdit(const NMLVDISPINFOA& info)
{
    // Esc gives no text: the name stays.
    if (!info.item.pszText)
        return;
    char text[kLabelSize] = "";
    GetWindowTextA(editControl, text, kLabelSize);
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    SendMessageA(listView.getHandle(), LVM_SETITEMTEXTA, info.item.iItem, reinterpret_cast<LPARAM>(&item));
    Modering::getInstance()->setPartsName(listView.getItemParam(info.item.iItem), text);
}

void PartsListPanel::clear()
{
    // Forgotten, so that the fill's selection of row 0 always reaches the controller.
    lastFocusedRow = -1;
    listView.deleteAllItems();
}

void PartsListPanel::addParts(int partIndex, const std::string& name)
{
    listView.insertItem(name, partIndex);
}

void PartsListPanel::setPartsCheck(int partIndex, int checked, int redraw)
{
    const int row = listView.findItemByParam(partIndex);
    if (row != -1)
        listView.setItemCheck(row, checked);
    if (redraw)
        ModeringPanel::getInstance().redraw();
}

void PartsListPanel::setAllPartsCheck(int checked, int redraw)
{
    listView.setAllItemsCheck(checked);
    if (redraw)
        ModeringPanel::getInstance().redraw();
}

void PartsListPanel::selectItem(int row)
{
    listView.selectItem(row);
}

int PartsListPanel::getSelectedParts() const
{
    const int row = listView.getSelectedIndex();
    return row == -1 ? -1 : listView.getItemParam(row);
}

}
