#pragma once

#include <windows.h>

#include <string>

#include "modeller/app/IPanel.h"

namespace tbm {

// A child window of a class of its own, registered by create. T derives from
// ChildWindow<T> and answers the window's messages with its member procedure.
template <class T>
class ChildWindow : public IPanel {
public:
    using WindowProc = LRESULT (T::*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    explicit ChildWindow(WindowProc windowProc) : windowProc_(windowProc) {}
    ~ChildWindow() override = default;
    ChildWindow(const ChildWindow&) = delete;
    ChildWindow& operator=(const ChildWindow&) = delete;

    BOOL setRect(const RECT& rect) override
    {
        rect_ = rect;
        return SetWindowPos(window_, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0);
    }

    // FALSE when the class cannot be registered (also when it exists already) or the
    // window cannot be made.
    virtual BOOL create(const std::string& className, HWND parent, int id)
    {
        windowName_ = "";
        className_ = className;
        parent_ = parent;
        id_ = id;
        auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
        if (!registerClass(instance))
            return FALSE;
        window_ = CreateWindowExA(0, className_.c_str(), windowName_.c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect_.left, rect_.top,
                                  rect_.right - rect_.left, rect_.bottom - rect_.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!window_)
            return FALSE;
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return TRUE;
    }

    // Without CS_DBLCLKS: a double click arrives as a second press and release.
    virtual BOOL registerClass(HINSTANCE instance)
    {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &ChildWindow::staticWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className_.c_str();
        return RegisterClassA(&windowClass) != 0;
    }

    static LRESULT CALLBACK staticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ChildWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(window, message, wParam, lParam);
        return (static_cast<T*>(self)->*(self->windowProc_))(window, message, wParam, lParam);
    }

    HWND getHandle() const { return window_; }
    HWND getParent() const { return parent_; }
    int getId() const { return id_; }
    const RECT& getRect() const { return rect_; }
    const std::string& getClassName() const { return className_; }

private:
    std::string windowName_;
    std::string className_;
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = -1;
    RECT rect_ = {0, 0, 10, 10};
    WindowProc windowProc_;
};

}
