#include "modeller/app/StatusBar.h"

#include <commctrl.h>

namespace tbm {

StatusBar& StatusBar::getInstance()
{
    static StatusBar statusBar;
    return statusBar;
}

int StatusBar::create(HWND parent, int id)
{
    parent_ = parent;
    id_ = id;
    window_ = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, "", parent, id);
    if (!window_)
        return 0;
    RECT bounds;
    GetWindowRect(window_, &bounds);
    height_ = bounds.bottom - bounds.top;
    return 1;
}

LRESULT StatusBar::sendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(window_, message, wParam, lParam);
}

// Part 0 with the default drawing: the bar is never in simple mode, so this is the
// part it draws.
void StatusBar::setText(const std::string& text)
{
    SendMessageA(window_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}
