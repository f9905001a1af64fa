#pragma once

#include <windows.h>

namespace tbm {

// What the child windows ask of the editor's main window. The main window puts its
// own answers here when it starts; until then there is no frame, the split bar may
// stand anywhere and nothing is reset.
struct FrameLink {
    HWND (*getHandle)();
    int (*getSplitMin)();
    int (*getSplitMax)();
    void (*resetDevice)();
};

FrameLink& frameLink();
// The answers used before the main window gives its own.
FrameLink defaultFrameLink();

}
