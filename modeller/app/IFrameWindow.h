#pragma once

#include <windows.h>

#include <string>

namespace tbm {

// The main window as its children and the controller see it: the frame that owns
// the view, the view window that shows the frames, the title that names the work,
// the range in which the split bar may stand and the device reset after a change
// of the view's size.
class IFrameWindow {
public:
    virtual HWND getWindow() const = 0;
    virtual HWND getViewWindow() const = 0;
    virtual void setTitle(const std::string& name) = 0;
    virtual void resetTitle() = 0;
    virtual int getSplitMin() const = 0;
    virtual int getSplitMax() const = 0;
    virtual void resetDevice() = 0;

protected:
    ~IFrameWindow() = default;
};

}
