#include "PanelFixture.h"

#include "modeller/app/IKeyEventListener.h"

#include <cmath>
#include <string>
#include <vector>

using panels::Editor;
using panels::pump;

namespace {

bool sameCentre(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f && std::fabs(a.z - b.z) < 1e-4f;
}

// The toolbar button's centre, in the toolbar's client coordinates.
POINT buttonCentre(HWND toolBar, int command)
{
    RECT rect = {};
    SendMessageA(toolBar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

struct KeyRecorder : tbm::IKeyEventListener {
    void OnKeyDown(WPARAM key) override { keys.push_back(int(key)); }
    std::vector<int> keys;
};

}

TEST_CASE("each toggle checks its menu item and button and sends the explicit command")
{
    Editor& editor = Editor::get();
    tbm::Modering& controller = editor.controller();

    struct Step {
        bool checked;     // menu mark and button after the press
        int controllerOn; // the controller's mode after the press
    };
    struct Case {
        const char* name;
        int command;
        int (*mode)(tbm::Modering&);
        Step first, second;
    };
    const Case cases[] = {
        {"delete face", IDM_DELETE_FACE, [](tbm::Modering& c) { return c.getPickMode(); }, {true, 0}, {false, 1}},
        {"browse mode", IDM_BROWSE_MODE, [](tbm::Modering& c) { return c.isPickingEnabled(); }, {true, 0}, {false, 1}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        REQUIRE_FALSE(editor.menuChecked(c.command));
        for (const Step& step : {c.first, c.second}) {
            CHECK(editor.modering().onCommand(editor.frame(), c.command) == 1);
            CHECK(editor.menuChecked(c.command) == step.checked);
            CHECK(editor.buttonChecked(c.command) == step.checked);
            CHECK(c.mode(controller) == step.controllerOn);
        }
    }
}

TEST_CASE("rotation about the model centre moves the orbit and changes what a selection does")
{
    Editor& editor = Editor::get();
    editor.open();
    Model& model = editor.model();
    const D3DXVECTOR3 part2 = model.getParts(2).getCenter();
    const D3DXVECTOR3 part1 = model.getParts(1).getCenter();

    // Checked: orbit about the model; a selection does not move the centre.
    REQUIRE(editor.modering().onCommand(editor.frame(), IDM_ROTATE_ABOUT_PARTS) == 1);
    CHECK(editor.menuChecked(IDM_ROTATE_ABOUT_PARTS));
    CHECK(editor.buttonChecked(IDM_ROTATE_ABOUT_PARTS));
    CHECK(sameCentre(model.getLocalWorld().getCenter(), model.getCenter()));
    editor.modering().selectParts(2);
    CHECK(model.getCurrentParts() == 2);
    CHECK(sameCentre(model.getLocalWorld().getCenter(), model.getCenter()));

    // Unchecked: back to the current part, and a selection recentres.
    REQUIRE(editor.modering().onCommand(editor.frame(), IDM_ROTATE_ABOUT_PARTS) == 1);
    CHECK_FALSE(editor.menuChecked(IDM_ROTATE_ABOUT_PARTS));
    CHECK_FALSE(editor.buttonChecked(IDM_ROTATE_ABOUT_PARTS));
    CHECK(sameCentre(model.getLocalWorld().getCenter(), part2));
    editor.modering().selectParts(1);
    CHECK(model.getCurrentParts() == 1);
    CHECK(sameCentre(model.getLocalWorld().getCenter(), part1));
}

TEST_CASE("a toolbar click and the menu command keep button and mark in step")
{
    Editor& editor = Editor::get();
    HWND toolBar = GetDlgItem(editor.modering().getHandle(), 107);
    REQUIRE(toolBar != nullptr);
    const POINT point = buttonCentre(toolBar, IDM_DELETE_FACE);
    REQUIRE_FALSE(editor.menuChecked(IDM_DELETE_FACE));

    PostMessageA(toolBar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    PostMessageA(toolBar, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    pump();
    CHECK(editor.buttonChecked(IDM_DELETE_FACE));
    CHECK(editor.menuChecked(IDM_DELETE_FACE));
    CHECK(editor.controller().getPickMode() == 0);

    // The menu's press, as the main window hands it over.
    editor.modering().onCommand(editor.frame(), IDM_DELETE_FACE);
    CHECK_FALSE(editor.buttonChecked(IDM_DELETE_FACE));
    CHECK_FALSE(editor.menuChecked(IDM_DELETE_FACE));
    CHECK(editor.controller().getPickMode() == 1);
}

TEST_CASE("other commands go to the controller unchanged")
{
    Editor& editor = Editor::get();
    tbm::ModeringPanel& panel = editor.modering();

    SUBCASE("plain buttons change no mark")
    {
        editor.open();
        editor.controller().OnMouseWheel(-120, 0, 0);
        const float widened = editor.controller().getFieldOfView();
        CHECK(panel.onCommand(editor.frame(), IDM_RESET_VIEW) == 1);
        CHECK(editor.controller().getFieldOfView() != widened);
        for (int toggle : {IDM_DELETE_FACE, IDM_ROTATE_ABOUT_PARTS, IDM_BROWSE_MODE})
            CHECK_FALSE(editor.menuChecked(toggle));
    }
    SUBCASE("the list's commands are left to the parts list")
    {
        CHECK(panel.onCommand(editor.frame(), IDM_SHOW_ALL_PARTS) == 0);
        CHECK(panel.onCommand(editor.frame(), IDM_HIDE_ALL_PARTS) == 0);
        CHECK(panel.onCommand(editor.frame(), 9999) == 0);
    }
    SUBCASE("a file command from the toolbar")
    {
        // "新規" with the dialog answering the quads: the list fills.
        editor.partsList().clear();
        panels::Answers::plugInPath() = editor.modelPath();
        SendMessageA(panel.getHandle(), WM_COMMAND, IDM_NEW,
                     reinterpret_cast<LPARAM>(GetDlgItem(panel.getHandle(), 107)));
        CHECK(editor.rowCount() == int(Editor::kParts));
    }
}

TEST_CASE("after a resize the view fills the panel below the toolbar")
{
    Editor& editor = Editor::get();
    HWND panel = editor.modering().getHandle();
    editor.modering().setRect({210, 0, 530, 350});

    RECT toolBar;
    GetWindowRect(GetDlgItem(panel, 107), &toolBar);
    RECT view;
    GetWindowRect(editor.view(), &view);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&view), 2);
    CHECK(GetDlgCtrlID(editor.view()) == 106);
    CHECK(view.left == 0);
    CHECK(view.top == toolBar.bottom - toolBar.top);
    CHECK(view.right == 320);
    CHECK(view.bottom == 350);
    editor.modering().setRect({204, 0, 600, 400});
}

TEST_CASE("redraw invalidates the view and the listeners reach the view")
{
    Editor& editor = Editor::get();
    editor.forgetRedraws();
    editor.modering().redraw();
    CHECK(editor.redrawn());

    KeyRecorder keys;
    editor.modering().setKeyEventListener(&keys);
    SendMessageA(editor.view(), WM_KEYDOWN, 'A', 0);
    editor.modering().setKeyEventListener(nullptr);
    CHECK(keys.keys == std::vector<int>{'A'});

    // No device made on the view in this test: nothing to reset.
    CHECK(editor.modering().resetDevice() == 0);
}

namespace {

// One toolbar position as the toolbar itself reports it; tip is the string id of
// the tooltip over the position, or -1 where there is none, and text its text.
struct Button {
    int image;
    int command;
    BYTE style;
    int tip;
    const char* text;
};

constexpr Button kSeparator = {0, 0, BTNS_SEP, -1, ""};

std::string loadedString(int id)
{
    char text[256] = "";
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

}

TEST_CASE("the panels' toolbars hold their buttons in order with a tooltip over each button")
{
    Editor& editor = Editor::get();
    struct Bar {
        std::string name;
        HWND panel;
        int id;
        std::vector<Button> buttons;
    };
    const Bar bars[] = {
        {"modelling",
         editor.modering().getHandle(),
         107,
         {{0, 1000, BTNS_BUTTON, 2000, "新規"},
          {1, 1001, BTNS_BUTTON, 2001, "開く"},
          {2, 1002, BTNS_BUTTON, 2002, "上書き保存"},
          kSeparator,
          {3, 201, BTNS_CHECK, 2010, "面を削除"},
          {4, 202, BTNS_CHECK, 2011, "モデルの中心で回転"},
          {5, 204, BTNS_BUTTON, 2012, "位置大きさの調整"},
          {6, 205, BTNS_CHECK, 2013, "閲覧モード"},
          kSeparator,
          {7, 1010, BTNS_BUTTON, 2003, "ヘルプ"}}},
        {"parts list",
         editor.partsList().getHandle(),
         104,
         {{0, 300, BTNS_BUTTON, 2020, "パーツをすべて表示"},
          {1, 301, BTNS_BUTTON, 2021, "パーツをすべて非表示"},
          {2, 302, BTNS_BUTTON, 2022, "リスト位置を移動"}}},
    };
    for (const Bar& bar : bars) {
        CAPTURE(bar.name);
        HWND toolBar = GetDlgItem(bar.panel, bar.id);
        REQUIRE(toolBar != nullptr);
        REQUIRE(SendMessageA(toolBar, TB_BUTTONCOUNT, 0, 0) == LRESULT(bar.buttons.size()));
        HWND toolTips = reinterpret_cast<HWND>(SendMessageA(toolBar, TB_GETTOOLTIPS, 0, 0));
        REQUIRE(toolTips != nullptr);

        int tool = 0;
        for (size_t position = 0; position < bar.buttons.size(); ++position) {
            CAPTURE(position);
            const Button& expected = bar.buttons[position];
            TBBUTTON button = {};
            REQUIRE(SendMessageA(toolBar, TB_GETBUTTON, position, reinterpret_cast<LPARAM>(&button)));
            CHECK(button.iBitmap == expected.image);
            CHECK(button.idCommand == expected.command);
            CHECK(button.fsStyle == expected.style);
            CHECK((button.fsState & TBSTATE_ENABLED) != 0);
            if (expected.tip == -1)
                continue;
            // The tools come in toolbar order, each over its own button.
            char text[256] = "";
            TOOLINFOA info = {};
            info.cbSize = TTTOOLINFOA_V2_SIZE;
            info.lpszText = text;
            REQUIRE(SendMessageA(toolTips, TTM_ENUMTOOLSA, tool++, reinterpret_cast<LPARAM>(&info)));
            RECT item = {};
            SendMessageA(toolBar, TB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item));
            CHECK(info.hwnd == toolBar);
            CHECK(EqualRect(&info.rect, &item));
            CHECK(std::string(text) == expected.text);
            CHECK(loadedString(expected.tip) == expected.text);
        }
        CHECK(SendMessageA(toolTips, TTM_GETTOOLCOUNT, 0, 0) == tool);
    }
}
