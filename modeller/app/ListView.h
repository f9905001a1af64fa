#pragma once

#include <windows.h>

#include <string>

namespace tbm {

// The report list of parts: one row per part, its name as an editable label, a
// check box for its visibility and the part's index as item data. Setting a check
// box also sets the part's visibility through the controller.
class ListView {
public:
    int create(HWND parent, int id);
    void setRect(const RECT& rect);

    void deleteAllItems();
    // Appends a row; returns its index.
    int insertItem(const std::string& text, int data);
    void selectItem(int row);
    // The focused row, -1 when none has the focus.
    int getSelectedIndex() const;
    // 0 for a row that does not exist.
    int getItemParam(int row) const;
    // The first row whose item data is data, -1 when none is.
    int findItemByParam(int data) const;
    void setItemCheck(int row, int checked);
    void setAllItemsCheck(int checked);
    void invalidate();

    // True while this object changes a check box itself.
    bool isSettingCheck() const { return settingCheck_; }

    HWND getHandle() const { return window_; }

private:
    void setCheckState(int row, int checked);

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    int id_ = -1;
    RECT rect_ = {0, 0, 0, 0};
    bool settingCheck_ = false;
};

}
