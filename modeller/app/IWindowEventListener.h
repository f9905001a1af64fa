#pragma once

#include <windows.h>

namespace tbm {

// Paint and mouse events of the view window. Buttons: 1 left, 2 right, 4 middle;
// x, y in the view's client coordinates; keys is the message's wParam.
class IWindowEventListener {
public:
    virtual void OnMouseUp(int /*button*/, int /*x*/, int /*y*/, WPARAM /*keys*/) {}
    virtual void OnMouseDown(int /*button*/, int /*x*/, int /*y*/, WPARAM /*keys*/) {}
    virtual void OnMouseDoubleClick(int /*button*/, int /*x*/, int /*y*/, WPARAM /*keys*/) {}
    virtual void OnMouseMove(int /*x*/, int /*y*/, WPARAM /*keys*/) {}
    virtual void OnMouseWheel(int /*delta*/, int /*x*/, int /*y*/) {}
    virtual void OnPaint() = 0;

protected:
    ~IWindowEventListener() = default;
};

}
