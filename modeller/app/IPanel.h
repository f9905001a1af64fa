#pragma once

#include <windows.h>

namespace tbm {

// A child window of the main frame that the frame places.
class IPanel {
public:
    // rect in the parent's client coordinates.
    virtual BOOL setRect(const RECT& rect) = 0;
    virtual ~IPanel() = default;
};

}
