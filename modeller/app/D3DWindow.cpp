#include "modeller/app/D3DWindow.h"

#include <windowsx.h>

#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/IFrameWindow.h"

namespace tbm {

namespace {

// One set for the process, as there is one view. The count is the number of buttons
// held down on the view; the capture is taken at the first and given back at the last.
struct MouseState {
    BYTE leftDown = 0;
    BYTE rightDown = 0;
    BYTE middleDown = 0;
    int captureCount = 0;
    // Set while the view's own ReleaseCapture runs: its WM_CAPTURECHANGED is no loss.
    bool releasing = false;
};

MouseState mouse;

BYTE& downFlag(int button)
{
    switch (button) {
    case 1: return mouse.leftDown;
    case 2: return mouse.rightDown;
    default: return mouse.middleDown;
    }
}

constexpr int kButtons[] = {1, 2, 4};

}

D3DWindow::D3DWindow() : ChildWindow<D3DWindow>(&D3DWindow::windowProc) {}

bool D3DWindow::initDirect3D()
{
    return D3DDeviceManager::getInstance().create(getHandle()) != 0;
}

LRESULT D3DWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: D3DDeviceManager::getInstance().release(); return 0;
    case WM_PAINT: return onPaint(window, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            if (HWND frame = frame_ ? frame_->getWindow() : nullptr)
                PostMessageA(frame, WM_CLOSE, 0, 0);
            return 0;
        }
        onKeyDown(wParam, lParam);
        break;
    case WM_KEYUP:
        if (keyListener_)
            keyListener_->OnKeyUp(wParam);
        break;
    case WM_CAPTURECHANGED: onCaptureChanged(reinterpret_cast<HWND>(lParam)); break;
    default:
        if (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL)
            dispatchMouse(message, wParam, lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A reset that succeeds during the paint (after a failed Clear or Present) asks for a
// new frame, which the validation of the update region would drop: the view asks
// again once the paint is over. A failed reset asks for none, so that a device that
// cannot be reset is not painted in a loop.
LRESULT D3DWindow::onPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    D3DDeviceManager& devices = D3DDeviceManager::getInstance();
    const unsigned resets = devices.getResetCount();
    if (windowListener_)
        windowListener_->OnPaint();
    else
        devices.checkDeviceLost();
    const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
    if (devices.getResetCount() != resets)
        InvalidateRect(window, nullptr, TRUE);
    return result;
}

void D3DWindow::onKeyDown(WPARAM key, LPARAM lParam)
{
    if (!keyListener_)
        return;
    constexpr LPARAM kPreviousKeyState = 1 << 30;
    if (lParam & kPreviousKeyState)
        keyListener_->OnKeyRepeat(key);
    else
        keyListener_->OnKeyDown(key);
}

int D3DWindow::dispatchMouse(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!windowListener_)
        return 0;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_MOUSEMOVE: windowListener_->OnMouseMove(x, y, wParam); break;
    case WM_LBUTTONDOWN:
        SetFocus(getHandle());
        onButtonDown(1, x, y, wParam);
        break;
    case WM_RBUTTONDOWN:
        SetFocus(getHandle());
        onButtonDown(2, x, y, wParam);
        break;
    case WM_MBUTTONDOWN: onButtonDown(4, x, y, wParam); break;
    case WM_LBUTTONUP: onButtonUp(1, x, y, wParam); break;
    case WM_RBUTTONUP: onButtonUp(2, x, y, wParam); break;
    case WM_MBUTTONUP: onButtonUp(4, x, y, wParam); break;
    case WM_LBUTTONDBLCLK: windowListener_->OnMouseDoubleClick(1, x, y, wParam); break;
    case WM_RBUTTONDBLCLK: windowListener_->OnMouseDoubleClick(2, x, y, wParam); break;
    case WM_MBUTTONDBLCLK: windowListener_->OnMouseDoubleClick(4, x, y, wParam); break;
    case WM_MOUSEWHEEL: {
        POINT point = {x, y};
        ScreenToClient(getHandle(), &point);
        windowListener_->OnMouseWheel(static_cast<short>(HIWORD(wParam)), point.x, point.y);
        break;
    }
    default: break;
    }
    return 1;
}

void D3DWindow::onButtonDown(int button, int x, int y, WPARAM keys)
{
    BYTE& down = downFlag(button);
    const bool wasDown = down;
    down = 1;
    windowListener_->OnMouseDown(button, x, y, keys);
    if (wasDown)
        return;
    if (mouse.captureCount == 0)
        SetCapture(getHandle());
    ++mouse.captureCount;
}

void D3DWindow::onButtonUp(int button, int x, int y, WPARAM keys)
{
    BYTE& down = downFlag(button);
    if (!down)
        return;
    down = 0;
    if (--mouse.captureCount == 0) {
        mouse.releasing = true;
        ReleaseCapture();
        mouse.releasing = false;
    }
    windowListener_->OnMouseUp(button, x, y, keys);
}

// Another window took the mouse: the buttons held on the view count as released
// there, and the capture is no longer the view's to give back.
void D3DWindow::onCaptureChanged(HWND newCapture)
{
    if (mouse.releasing || newCapture == getHandle() || !windowListener_)
        return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(getHandle(), &cursor);
    for (int button : kButtons) {
        BYTE& down = downFlag(button);
        if (!down)
            continue;
        down = 0;
        windowListener_->OnMouseUp(button, cursor.x, cursor.y, 0);
    }
    mouse.captureCount = 0;
}

}
