#pragma once

#include <windows.h>

#include "modeller/app/ChildWindow.h"
#include "modeller/app/IKeyEventListener.h"
#include "modeller/app/IWindowEventListener.h"

namespace tbm {

class IFrameWindow;

// The child window Direct3D draws on. Paint, mouse and key messages go to the
// listeners; the device lives as long as the window.
class D3DWindow : public ChildWindow<D3DWindow> {
public:
    D3DWindow();

    // The frame that Esc on the view closes; without one Esc closes nothing.
    void setFrame(IFrameWindow* frame) { frame_ = frame; }
    void setWindowEventListener(IWindowEventListener* listener) { windowListener_ = listener; }
    void setKeyEventListener(IKeyEventListener* listener) { keyListener_ = listener; }

    // Has the device manager make the Direct3D object and the device on this window.
    bool initDirect3D();

    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // 0 without a window listener (the message then changes nothing), else 1.
    int dispatchMouse(UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT onPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onKeyDown(WPARAM key, LPARAM lParam);
    void onButtonDown(int button, int x, int y, WPARAM keys);
    void onButtonUp(int button, int x, int y, WPARAM keys);
    void onCaptureChanged(HWND newCapture);

    IFrameWindow* frame_ = nullptr;
    IWindowEventListener* windowListener_ = nullptr;
    IKeyEventListener* keyListener_ = nullptr;
};

}
