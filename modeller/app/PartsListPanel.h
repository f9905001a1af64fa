#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "modeller/app/ChildWindow.h"
#include "modeller/app/ListView.h"
#include "modeller/app/ToolBar.h"
#include "modeller/model/IPartsList.h"

namespace tbm {

// The panel with the parts list under its toolbar. The focused row makes its part
// current, a check box shows or hides its part and an edited label renames it.
class PartsListPanel : public ChildWindow<PartsListPanel>, public IPartsList {
public:
    static PartsListPanel& getInstance();

    // Makes the panel window, its toolbar and the list.
    BOOL create(const std::string& className, HWND parent, int id) override;

    // 1 for show all and hide all, else 0.
    int onCommand(HWND mainWindow, int id);
    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    int onNotify(NMHDR* header);

    // The model's fill: clear, then a row and its check per part, then row 0.
    void clear() override;
    void addParts(int partIndex, const std::string& name) override;
    void setPartsCheck(int partIndex, int checked, int redraw) override;
    void selectItem(int row) override;

    void setAllPartsCheck(int checked, int redraw);
    // The part of the focused row, -1 when no row has the focus.
    int getSelectedParts() const;

    ListView& getListView() { return listView; }

private:
    PartsListPanel();

    void onItemChanged(const NMLISTVIEW& change);
    void onEndLabelEdit(const NMLVDISPINFOA& info);

    ToolBar toolBar;
    ListView listView;
};

}
