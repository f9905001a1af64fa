#include "modeller/app/SplitBar.h"

#include <climits>

#include "modeller/app/IFrameWindow.h"

namespace tbm {

namespace {

// The bar's window rectangle (screen coordinates) when the current drag began.
RECT dragStart;

// Posted to the bar at the end of a drag; see WM_EXITSIZEMOVE.
constexpr UINT kDragEnded = WM_APP + 1;

}

int SplitBar::create(HWND parent, int x, int id)
{
    parent_ = parent;
    id_ = id;
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));

    char className[32];
    wsprintfA(className, "TBM_SPLITBAR_CLASS%d", id);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &SplitBar::staticWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass))
        return 0;

    RECT client;
    GetClientRect(parent, &client);
    height_ = client.bottom - client.top;
    x_ = x;
    y_ = 0;
    width_ = 0;
    // Width 0: the sizing frame makes the window as narrow as it can be.
    window_ =
        CreateWindowExA(0, className, "TBM_SPLITBAR", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_THICKFRAME, x, 0, 0,
                        height_, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!window_)
        return 0;
    RECT bounds;
    GetWindowRect(window_, &bounds);
    width_ = bounds.right - bounds.left;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return 1;
}

// x is kept as the window's position message gives it: a position that the limits
// turn into the current one moves nothing and leaves x as it was.
void SplitBar::setX(int x)
{
    SetWindowPos(window_, HWND_TOP, x, y_, 0, 0, SWP_NOSIZE);
}

void SplitBar::setHeight(int height)
{
    height_ = height;
    SetWindowPos(window_, HWND_TOP, 0, 0, width_, height, SWP_NOMOVE);
}

LRESULT CALLBACK SplitBar::staticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<SplitBar*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    return self->windowProc(window, message, wParam, lParam);
}

LRESULT SplitBar::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCHITTEST:
        // A drag anywhere on the bar moves it through the platform's move loop.
        return HTCAPTION;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_SIZEWE)); return 0;
    case WM_WINDOWPOSCHANGING: limitPosition(*reinterpret_cast<WINDOWPOS*>(lParam)); break;
    case WM_WINDOWPOSCHANGED: {
        const auto& position = *reinterpret_cast<const WINDOWPOS*>(lParam);
        // Without a move the record's position is not the window's.
        if (!(position.flags & SWP_NOMOVE)) {
            x_ = position.x;
            y_ = position.y;
        }
        break;
    }
    case WM_MOVE: SendMessageA(parent_, kLayoutPanels, 0, 0); break;
    case WM_ENTERSIZEMOVE: GetWindowRect(window, &dragStart); break;
    case WM_EXITSIZEMOVE:
        // Without full-window dragging the platform moves the bar only after this
        // message, so the final place is looked at once the move loop has returned.
        PostMessageA(window, kDragEnded, 0, 0);
        break;
    case kDragEnded: {
        RECT bounds;
        GetWindowRect(window, &bounds);
        if (bounds.left != dragStart.left && frame_)
            frame_->resetDevice();
        return 0;
    }
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void SplitBar::limitPosition(WINDOWPOS& position) const
{
    position.y = 0;
    const int lowest = frame_ ? frame_->getSplitMin() : INT_MIN;
    const int highest = frame_ ? frame_->getSplitMax() : INT_MAX;
    if (position.x < lowest)
        position.x = lowest;
    else if (position.x > highest)
        position.x = highest;
}

}
