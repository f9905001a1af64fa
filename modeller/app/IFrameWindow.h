#pragma once

#include <windows.h>

#include <string>

namespace tbm {

// The main window as the controller sees it: the frame that owns the view,
// the view window that shows the frames, and the title that names the work.
class IFrameWindow {
public:
    virtual HWND getWindow() const = 0;
    virtual HWND getViewWindow() const = 0;
    virtual void setTitle(const std::string& name) = 0;
    virtual void resetTitle() = 0;

protected:
    ~IFrameWindow() = default;
};

}
