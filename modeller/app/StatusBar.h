#pragma once

#include <windows.h>

#include <string>

namespace tbm {

// The status bar along the bottom of the main window; it shows one text.
class StatusBar {
public:
    static StatusBar& getInstance();

    // 1 or 0.
    int create(HWND parent, int id);
    LRESULT sendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void setText(const std::string& text);

    HWND getHandle() const { return window_; }
    HWND getParent() const { return parent_; }
    int getId() const { return id_; }
    int getHeight() const { return height_; }

    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

private:
    StatusBar() = default;

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = 0;
    int height_ = 0;
};

}
