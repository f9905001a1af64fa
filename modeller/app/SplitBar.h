#pragma once

#include <windows.h>

namespace tbm {

class IFrameWindow;

// The vertical bar between the main window's two panels. Dragging it moves it
// sideways within the main window's limits; the main window lays the panels out
// whenever it moves.
class SplitBar {
public:
    // Sent to the parent whenever the bar moves: the parent lays its panels out.
    static constexpr UINT kLayoutPanels = WM_USER + 1;

    // The frame gives the bar's limits and resets the device after a drag; without
    // one the bar may stand anywhere and nothing is reset.
    explicit SplitBar(IFrameWindow* frame = nullptr) : frame_(frame) {}
    SplitBar(const SplitBar&) = delete;
    SplitBar& operator=(const SplitBar&) = delete;

    // Registers the class "TBM_SPLITBAR_CLASS<id>", so one bar per id. 1 or 0.
    int create(HWND parent, int x, int id);
    void setX(int x);
    void setHeight(int height);

    static LRESULT CALLBACK staticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND getHandle() const { return window_; }
    HWND getParent() const { return parent_; }
    int getId() const { return id_; }
    int getX() const { return x_; }
    int getY() const { return y_; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }

private:
    void limitPosition(WINDOWPOS& position) const;

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = -1;
    int x_ = 0;
    int y_ = 0;
    int width_ = 0;
    int height_ = 0;
    IFrameWindow* frame_;
};

}
