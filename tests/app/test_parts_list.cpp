#include "PanelFixture.h"

#include <string>

using panels::Editor;
using panels::pump;

namespace {

// A press and release at a point of the list, as the mouse gives them.
void click(HWND window, POINT point)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    pump();
}

RECT itemRect(HWND list, int row, int part)
{
    RECT rect = {};
    rect.left = part;
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

POINT checkBoxOf(HWND list, int row)
{
    const RECT bounds = itemRect(list, row, LVIR_BOUNDS);
    LVHITTESTINFO hit = {};
    hit.pt = {bounds.left + 8, (bounds.top + bounds.bottom) / 2};
    SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    REQUIRE(hit.iItem == row);
    REQUIRE((hit.flags & LVHT_ONITEMSTATEICON) != 0);
    return hit.pt;
}

POINT labelOf(HWND list, int row)
{
    const RECT label = itemRect(list, row, LVIR_LABEL);
    return {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
}

// Edits a row's label to text and ends the edit with the key.
void editLabel(HWND list, int row, const std::string& text, WPARAM key)
{
    HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_EDITLABELA, row, 0));
    REQUIRE(edit != nullptr);
    SetWindowTextA(edit, text.c_str());
    SendMessageA(edit, WM_KEYDOWN, key, 0);
    pump();
}

int visible(Editor& editor, unsigned part)
{
    return editor.model().getParts(part).isVisible();
}

}

TEST_CASE("the fill lists one row per part in order and makes part 0 current")
{
    Editor& editor = Editor::get();
    editor.open();

    REQUIRE(editor.rowCount() == int(Editor::kParts));
    for (unsigned part = 0; part < Editor::kParts; ++part) {
        CAPTURE(part);
        CHECK(editor.rowText(int(part)) == editor.model().getParts(part).getName());
        CHECK(editor.partsList().getListView().getItemParam(int(part)) == int(part));
        CHECK(editor.rowChecked(int(part)) == 1);
        CHECK(visible(editor, part) == 1);
    }
    CHECK(editor.focusedRow() == 0);
    CHECK(editor.partsList().getSelectedParts() == 0);
    CHECK(editor.model().getCurrentParts() == 0);
    CHECK(editor.model().getParts(0).isCurrent() == 1);
}

TEST_CASE("a refill shows each part's visibility and leaves the model as it was")
{
    Editor& editor = Editor::get();
    editor.open();
    editor.model().setPartsVisible(1, 0);
    editor.model().fillPartsList();

    for (unsigned part = 0; part < Editor::kParts; ++part) {
        CAPTURE(part);
        const int expected = part == 1 ? 0 : 1;
        CHECK(editor.rowChecked(int(part)) == expected);
        CHECK(visible(editor, part) == expected);
    }
}

TEST_CASE("a refill with every part hidden still makes part 0 current")
{
    Editor& editor = Editor::get();
    editor.open();
    REQUIRE(editor.focusedRow() == 0);
    // As a work file's records may leave it: another part current, all hidden.
    editor.model().setCurrentParts(2, 0);
    for (unsigned part = 0; part < Editor::kParts; ++part)
        editor.model().setPartsVisible(part, 0);

    editor.model().fillPartsList();

    CHECK(editor.focusedRow() == 0);
    CHECK(editor.model().getCurrentParts() == 0);
    for (unsigned part = 0; part < Editor::kParts; ++part)
        CHECK(editor.rowChecked(int(part)) == 0);
}

TEST_CASE("clear empties the list and forgets the focused row")
{
    Editor& editor = Editor::get();
    editor.open();
    editor.partsList().clear();
    CHECK(editor.rowCount() == 0);
    CHECK(editor.partsList().getSelectedParts() == -1);

    // Rows whose item data is not their position: the part goes by the data.
    editor.partsList().addParts(1, "b");
    editor.partsList().addParts(0, "a");
    editor.model().setCurrentParts(2, 0);
    editor.partsList().selectItem(0);
    CHECK(editor.partsList().getSelectedParts() == 1);
    CHECK(editor.model().getCurrentParts() == 1);
    CHECK(editor.partsList().getListView().findItemByParam(0) == 1);
    CHECK(editor.partsList().getListView().findItemByParam(7) == -1);
    CHECK(editor.partsList().getListView().getItemParam(5) == 0);
}

TEST_CASE("a check box click shows or hides its part once")
{
    Editor& editor = Editor::get();
    editor.open();
    HWND list = editor.list();

    SUBCASE("the first click after a fill") {}
    SUBCASE("the first click after hide all")
    {
        REQUIRE(editor.partsList().onCommand(editor.frame(), IDM_HIDE_ALL_PARTS) == 1);
    }
    const int before = editor.rowChecked(1);
    REQUIRE(visible(editor, 1) == before);

    editor.forgetRedraws();
    click(list, checkBoxOf(list, 1));
    CHECK(editor.rowChecked(1) == !before);
    CHECK(visible(editor, 1) == !before);
    CHECK(editor.redrawn());

    click(list, checkBoxOf(list, 1));
    CHECK(editor.rowChecked(1) == before);
    CHECK(visible(editor, 1) == before);
    // The other rows and parts are untouched.
    CHECK(visible(editor, 2) == editor.rowChecked(2));
}

TEST_CASE("the space key toggles the focused row's part")
{
    Editor& editor = Editor::get();
    editor.open();
    HWND list = editor.list();
    SetFocus(list);

    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(list, WM_KEYUP, VK_SPACE, 0);
    pump();
    CHECK(editor.rowChecked(0) == 0);
    CHECK(visible(editor, 0) == 0);
}

TEST_CASE("show all and hide all set every row and part with one redraw")
{
    Editor& editor = Editor::get();
    editor.open();
    HWND panel = editor.partsList().getHandle();

    struct Case {
        const char* name;
        int command;
        int checked;
    };
    const Case cases[] = {{"hide all", IDM_HIDE_ALL_PARTS, 0}, {"show all", IDM_SHOW_ALL_PARTS, 1}};
    for (const Case& c : cases) {
        CAPTURE(c.name);
        editor.forgetRedraws();
        // As the toolbar sends it.
        SendMessageA(panel, WM_COMMAND, c.command, 0);
        CHECK(editor.redrawn());
        for (unsigned part = 0; part < Editor::kParts; ++part) {
            CHECK(editor.rowChecked(int(part)) == c.checked);
            CHECK(visible(editor, part) == c.checked);
        }
    }
    CHECK(editor.partsList().onCommand(editor.frame(), IDM_SHOW_ALL_PARTS) == 1);
    CHECK(editor.partsList().onCommand(editor.frame(), IDM_NEW) == 0);
}

TEST_CASE("the program's check setters reach the model and redraw when asked")
{
    Editor& editor = Editor::get();
    editor.open();

    editor.forgetRedraws();
    editor.partsList().setAllPartsCheck(0, 0);
    CHECK_FALSE(editor.redrawn());
    for (unsigned part = 0; part < Editor::kParts; ++part)
        CHECK(visible(editor, part) == 0);

    editor.partsList().setPartsCheck(2, 1, 1);
    CHECK(editor.redrawn());
    CHECK(editor.rowChecked(2) == 1);
    CHECK(visible(editor, 2) == 1);
    CHECK(visible(editor, 1) == 0);

    // A part without a row changes nothing.
    editor.partsList().setPartsCheck(9, 1, 0);
    CHECK(editor.rowChecked(0) == 0);
    CHECK(visible(editor, 0) == 0);
}

TEST_CASE("a click on another row makes its part current once")
{
    Editor& editor = Editor::get();
    editor.open();
    HWND list = editor.list();

    editor.forgetRedraws();
    click(list, labelOf(list, 2));
    CHECK(editor.focusedRow() == 2);
    CHECK(editor.model().getCurrentParts() == 2);
    CHECK(editor.redrawn());

    // Clicking the focused row again, or dropping its selection, tells nobody.
    editor.model().setCurrentParts(0, 0);
    editor.forgetRedraws();
    click(list, labelOf(list, 2));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
    CHECK(editor.model().getCurrentParts() == 0);
    CHECK_FALSE(editor.redrawn());
}

TEST_CASE("a label edit renames its part and Esc keeps the name")
{
    Editor& editor = Editor::get();
    editor.open();
    HWND list = editor.list();
    const std::string original = editor.model().getParts(1).getName();

    editLabel(list, 1, "翼", VK_ESCAPE);
    CHECK(editor.rowText(1) == original);
    CHECK(editor.model().getParts(1).getName() == original);

    editLabel(list, 1, "翼", VK_RETURN);
    CHECK(editor.rowText(1) == "翼");
    CHECK(editor.model().getParts(1).getName() == "翼");

    editLabel(list, 1, std::string(300, 'a'), VK_RETURN);
    CHECK(editor.model().getParts(1).getName() == std::string(255, 'a'));
    CHECK(editor.model().getParts(0).getName() != editor.model().getParts(1).getName());
}

TEST_CASE("command 302 reaches the main window as a posted message")
{
    Editor& editor = Editor::get();
    panels::frameCommands().clear();
    SendMessageA(editor.partsList().getHandle(), WM_COMMAND, IDM_SWAP_PANELS, 0);
    CHECK(panels::frameCommands().empty());
    pump();
    CHECK(panels::frameCommands() == std::vector<int>{IDM_SWAP_PANELS});
    CHECK(editor.partsList().onCommand(editor.frame(), IDM_SWAP_PANELS) == 0);
}

TEST_CASE("after a resize the list lies under the toolbar with one full-width column")
{
    Editor& editor = Editor::get();
    HWND panel = editor.partsList().getHandle();
    editor.partsList().setRect({0, 0, 180, 300});

    RECT toolBar;
    GetWindowRect(GetDlgItem(panel, 104), &toolBar);
    RECT list;
    GetWindowRect(editor.list(), &list);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&list), 2);
    CHECK(list.left == 0);
    CHECK(list.top == toolBar.bottom - toolBar.top);
    CHECK(list.right == 180);
    CHECK(list.bottom == 300);
    CHECK(SendMessageA(editor.list(), LVM_GETCOLUMNWIDTH, 0, 0) == 180);

    char header[64] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = sizeof header;
    SendMessageA(editor.list(), LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    CHECK(std::string(header) == "パーツ名");
    editor.partsList().setRect({0, 0, 200, 400});
}

TEST_CASE("invalidate asks the list to repaint")
{
    Editor& editor = Editor::get();
    pump();
    RECT update;
    REQUIRE(GetUpdateRect(editor.list(), &update, FALSE) == FALSE);
    editor.partsList().getListView().invalidate();
    CHECK(GetUpdateRect(editor.list(), &update, FALSE) != FALSE);
}
