#include "modeller/app/ModeringPanel.h"

#include <shellapi.h>

#include "gfl/Path.h"
#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/Modering.h"
#include "modeller/app/resource.h"

namespace tbm {

namespace {

constexpr int kToolBarId = 107;
constexpr int kViewId = 106;
constexpr int kImageSize = 20;
constexpr int kStripWidth = 160;
constexpr int kNoTip = -1;

TBBUTTON entry(int image, int command, BYTE style)
{
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = style;
    return button;
}

}

ModeringPanel& ModeringPanel::getInstance()
{
    static ModeringPanel panel;
    return panel;
}

ModeringPanel::ModeringPanel() : ChildWindow<ModeringPanel>(&ModeringPanel::windowProc) {}

BOOL ModeringPanel::create(const std::string& className, HWND parent, int id)
{
    if (!ChildWindow::create(className, parent, id))
        return FALSE;
    TBBUTTON buttons[] = {
        entry(0, IDM_NEW, TBSTYLE_BUTTON),
        entry(1, IDM_OPEN, TBSTYLE_BUTTON),
        entry(2, IDM_SAVE, TBSTYLE_BUTTON),
        entry(0, 0, TBSTYLE_SEP),
        entry(3, IDM_DELETE_FACE, TBSTYLE_CHECK),
        entry(4, IDM_ROTATE_ABOUT_PARTS, TBSTYLE_CHECK),
        entry(5, IDM_RESET_VIEW, TBSTYLE_BUTTON),
        entry(6, IDM_BROWSE_MODE, TBSTYLE_CHECK),
        entry(0, 0, TBSTYLE_SEP),
        entry(7, IDM_HELP, TBSTYLE_BUTTON),
    };
    constexpr int count = sizeof(buttons) / sizeof(buttons[0]);
    if (!toolBar.create(getHandle(), kToolBarId, buttons, count, IDB_MODERING_TOOLBAR, kStripWidth, kImageSize))
        return FALSE;
    const int tips[count] = {IDS_TIP_NEW,
                             IDS_TIP_OPEN,
                             IDS_TIP_SAVE,
                             kNoTip,
                             IDS_TIP_DELETE_FACE,
                             IDS_TIP_ROTATE_ABOUT_MODEL,
                             IDS_TIP_RESET_VIEW,
                             IDS_TIP_BROWSE_MODE,
                             kNoTip,
                             IDS_TIP_HELP};
    toolBar.createToolTips(tips, count);
    return d3dWindow.create("D3DWINDOW", getHandle(), kViewId);
}

LRESULT ModeringPanel::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: {
        toolBar.onSize(message, wParam, lParam);
        const RECT& panel = getRect();
        d3dWindow.setRect({0, toolBar.getHeight(), panel.right - panel.left, panel.bottom - panel.top});
        return 0;
    }
    case WM_COMMAND: onCommand(GetParent(window), LOWORD(wParam)); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

int ModeringPanel::onCommand(HWND mainWindow, int id)
{
    Modering* controller = Modering::getInstance();
    switch (id) {
    case IDM_DELETE_FACE:
        deleteFaceMode = !deleteFaceMode;
        showToggle(mainWindow, id, deleteFaceMode);
        return controller->onCommand(mainWindow, deleteFaceMode ? IDM_DELETE_FACE : IDM_DELETE_FACE_OFF);
    case IDM_ROTATE_ABOUT_PARTS:
        // The menu item is "rotate about the model centre": checked while the flag is off.
        rotateAboutParts = !rotateAboutParts;
        showToggle(mainWindow, id, !rotateAboutParts);
        return controller->onCommand(mainWindow, rotateAboutParts ? IDM_ROTATE_ABOUT_PARTS : IDM_ROTATE_ABOUT_MODEL);
    case IDM_BROWSE_MODE:
        browseMode = !browseMode;
        showToggle(mainWindow, id, browseMode);
        return controller->onCommand(mainWindow, browseMode ? IDM_BROWSE_MODE : IDM_BROWSE_MODE_OFF);
    case IDM_HELP: {
        const gfl::Path help("help.chm");
        ShellExecuteA(nullptr, "open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 1;
    }
    default: return controller->onCommand(mainWindow, id);
    }
}

void ModeringPanel::showToggle(HWND mainWindow, int command, int checked)
{
    CheckMenuItem(GetMenu(mainWindow), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    toolBar.sendMessage(TB_CHECKBUTTON, command, MAKELPARAM(checked ? TRUE : FALSE, 0));
}

void ModeringPanel::selectParts(int partIndex)
{
    Modering::getInstance()->setCurrentParts(partIndex, rotateAboutParts);
}

void ModeringPanel::redraw()
{
    if (HWND view = d3dWindow.getHandle())
        InvalidateRect(view, nullptr, TRUE);
}

int ModeringPanel::resetDevice()
{
    return D3DDeviceManager::getInstance().reset();
}

void ModeringPanel::setFrame(IFrameWindow* frame)
{
    d3dWindow.setFrame(frame);
}

void ModeringPanel::setWindowEventListener(IWindowEventListener* listener)
{
    d3dWindow.setWindowEventListener(listener);
}

void ModeringPanel::setKeyEventListener(IKeyEventListener* listener)
{
    d3dWindow.setKeyEventListener(listener);
}

}
