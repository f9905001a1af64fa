#include "modeller/app/ListView.h"

#include <commctrl.h>

#include "modeller/app/Modering.h"

namespace tbm {

namespace {

constexpr int kColumnWidth = 100;

// The state image index of a check box: 1 unchecked, 2 checked.
UINT checkState(int checked)
{
    return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
}

}

int ListView::create(HWND parent, int id)
{
    parent_ = parent;
    id_ = id;
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    window_ = CreateWindowExA(0, WC_LISTVIEWA, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS
                                  | LVS_EDITLABELS,
                              rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!window_)
        return 0;
    const LRESULT style = SendMessageA(window_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageA(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | LVS_EX_CHECKBOXES);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumnWidth;
    column.pszText = const_cast<char*>("パーツ名");
    SendMessageA(window_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    return 1;
}

void ListView::setRect(const RECT& rect)
{
    rect_ = rect;
    const int width = rect.right - rect.left;
    SetWindowPos(window_, HWND_TOP, rect.left, rect.top, width, rect.bottom - rect.top, 0);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = width;
    SendMessageA(window_, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
}

void ListView::deleteAllItems()
{
    SendMessageA(window_, LVM_DELETEALLITEMS, 0, 0);
}

int ListView::insertItem(const std::string& text, int data)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(text.c_str());
    item.lParam = data;
    return static_cast<int>(SendMessageA(window_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::selectItem(int row)
{
    LVITEMA item = {};
    item.mask = LVIF_STATE;
    item.iItem = row;
    item.state = LVIS_FOCUSED | LVIS_SELECTED;
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(window_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int ListView::getSelectedIndex() const
{
    return static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int ListView::getItemParam(int row) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(window_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return static_cast<int>(item.lParam);
}

int ListView::findItemByParam(int data) const
{
    const int count = static_cast<int>(SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (getItemParam(row) == data)
            return row;
    return -1;
}

void ListView::setCheckState(int row, int checked)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = checkState(checked);
    settingCheck_ = true;
    SendMessageA(window_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    settingCheck_ = false;
}

void ListView::setItemCheck(int row, int checked)
{
    setCheckState(row, checked);
    Modering::getInstance()->setPartsVisible(getItemParam(row), checked);
}

void ListView::setAllItemsCheck(int checked)
{
    const int count = static_cast<int>(SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        setItemCheck(row, checked);
}

void ListView::invalidate()
{
    InvalidateRect(window_, nullptr, TRUE);
}

}
