#pragma once

#include <windows.h>

#include <string>

#include "modeller/app/IFrameWindow.h"
#include "modeller/app/SplitBar.h"
#include "modeller/app/UserInterface.h"

namespace tbm {

class IPanel;

// The editor's frame: the menu and the status bar, the parts list and the
// modelling panel side by side with the split bar between them. It starts the
// editor, runs the message loop and shuts the editor down.
class MainWindow : public IFrameWindow {
public:
    static MainWindow& getInstance();

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The exit code: 1 when start-up fails, else the message loop's.
    int run(HINSTANCE instance, int showCommand);
    // Builds the frame, the panels and the device, then starts the controller.
    // 1, or 0 at the first step that fails (what was made stays).
    int startUp(HINSTANCE instance, int showCommand);
    int createWindow(HINSTANCE instance);
    int messageLoop();

    static LRESULT CALLBACK staticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void layoutPanels();
    int getSplitMin() const override;
    int getSplitMax() const override;
    void swapPanels();
    void onSizing(const RECT& outer);
    void onMaximizeRestore(int clientWidth);
    void onCommand(HWND frame, int id);
    void setTitle(const std::string& name) override;
    void resetTitle() override;
    void resetDevice() override;

    HWND getHandle() const { return window_; }
    HWND getWindow() const override { return window_; }
    HWND getViewWindow() const override;
    bool isPartsListOnLeft() const;
    IPanel* getLeftPanel() const { return leftPanel_; }
    IPanel* getRightPanel() const { return rightPanel_; }
    SplitBar& getSplitBar() { return splitBar_; }

    // The version box and the controller's dialogs, boxes and sound.
    void setUserInterface(const UserInterface& userInterface) { userInterface_ = userInterface; }

private:
    MainWindow();

    void onCreate(HWND window);
    void onDestroy();
    void onSize(UINT message, WPARAM type, LPARAM size);
    void onClose(HWND window);
    void onGetMinMaxInfo(MINMAXINFO& info);
    LRESULT onKeyDown(HWND window, UINT message, WPARAM key, LPARAM lParam);
    LRESULT onSysKeyUp(HWND window, UINT message, WPARAM key, LPARAM lParam);
    LRESULT onCommandMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onExitSizeMove(HWND window);
    void placeChildren(int clientHeight);
    int clientWidth() const;
    int partsListWidth() const;
    bool viewDiffersFromBackBuffer() const;

    HWND window_ = nullptr;
    int frameBorderWidth_ = 0;
    IPanel* leftPanel_ = nullptr;
    IPanel* rightPanel_ = nullptr;
    SplitBar splitBar_;
    UINT previousSizeType_ = SIZE_RESTORED;
    RECT sizeMoveStart_ = {};
    bool inSizeMove_ = false;
    UserInterface userInterface_;
};

// Centres the window on its parent's client area, or on the work area without a parent.
void centerWindow(HWND window);

}
