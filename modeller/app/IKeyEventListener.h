#pragma once

#include <windows.h>

namespace tbm {

// Key events of the view window; virtualKey is the message's wParam.
class IKeyEventListener {
public:
    virtual void OnKeyUp(WPARAM /*virtualKey*/) {}
    virtual void OnKeyDown(WPARAM /*virtualKey*/) {}
    virtual void OnKeyRepeat(WPARAM /*virtualKey*/) {}

protected:
    ~IKeyEventListener() = default;
};

}
