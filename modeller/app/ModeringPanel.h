#pragma once

#include <windows.h>

#include <string>

#include "modeller/app/ChildWindow.h"
#include "modeller/app/D3DWindow.h"
#include "modeller/app/ToolBar.h"

namespace tbm {

class IFrameWindow;
class IKeyEventListener;
class IWindowEventListener;

// The panel with the modelling toolbar over the view window. It keeps the three
// toggles of the modelling menu and turns each press into an explicit on or off
// command for the controller.
class ModeringPanel : public ChildWindow<ModeringPanel> {
public:
    static ModeringPanel& getInstance();

    // Makes the panel window, its toolbar and the view window "D3DWINDOW".
    BOOL create(const std::string& className, HWND parent, int id) override;

    // 1 when handled here, else the controller's answer.
    int onCommand(HWND mainWindow, int id);
    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Makes the part current; it becomes the orbit's centre while rotation about
    // the current part is on.
    void selectParts(int partIndex);
    void redraw();
    int resetDevice();
    void setFrame(IFrameWindow* frame);
    void setWindowEventListener(IWindowEventListener* listener);
    void setKeyEventListener(IKeyEventListener* listener);

    // The main window makes the device on it; the controller invalidates it.
    D3DWindow& getD3DWindow() { return d3dWindow; }

private:
    ModeringPanel();

    // Shows a toggle's state in the main window's menu and on the toolbar.
    void showToggle(HWND mainWindow, int command, int checked);

    ToolBar toolBar;
    D3DWindow d3dWindow;
    int rotateAboutParts = 1;
    int deleteFaceMode = 0;
    int browseMode = 0;
};

}
