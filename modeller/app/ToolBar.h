#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tbm {

// A flat toolbar at the top of a panel, its bitmap's white shown in the button face
// colour, with one tooltip per button from the string resources.
class ToolBar {
public:
    ToolBar() = default;
    ~ToolBar();
    ToolBar(const ToolBar&) = delete;
    ToolBar& operator=(const ToolBar&) = delete;

    // bitmapId names a bitmap resource of the parent's instance holding
    // bitmapWidth / imageSize square images. 1 or 0.
    int create(HWND parent, int id, TBBUTTON buttons[], int buttonCount, int bitmapId, int bitmapWidth, int imageSize);
    // One string id per toolbar position, separators included; -1 adds no tool there.
    int createToolTips(const int stringIds[], unsigned count);

    // Passes the parent's WM_SIZE on, so the toolbar fits itself to the top.
    void onSize(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT sendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void updateHeight();
    void invalidate();

    HWND getHandle() const { return window_; }
    HWND getParent() const { return parent_; }
    int getId() const { return id_; }
    int getHeight() const { return height_; }
    HWND getToolTips() const { return toolTips_; }
    HBITMAP getBitmap() const { return bitmap_; }

private:
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = -1;
    int height_ = 0;
    HBITMAP bitmap_ = nullptr;
    HWND toolTips_ = nullptr;
};

}
