#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/D3DWindow.h"

#include <doctest/doctest.h>

#include "LogCapture.h"
#include "StandInFrame.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Every listener call as one line: "down 1 10 20 1" is OnMouseDown(1, 10, 20, MK_LBUTTON).
struct Recorder : tbm::IWindowEventListener, tbm::IKeyEventListener {
    void OnMouseUp(int button, int x, int y, WPARAM keys) override { add("up", button, x, y, keys); }
    void OnMouseDown(int button, int x, int y, WPARAM keys) override { add("down", button, x, y, keys); }
    void OnMouseDoubleClick(int button, int x, int y, WPARAM keys) override { add("double", button, x, y, keys); }
    void OnMouseMove(int x, int y, WPARAM keys) override
    {
        events.push_back("move " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(keys));
    }
    void OnMouseWheel(int delta, int x, int y) override
    {
        events.push_back("wheel " + std::to_string(delta) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    void OnPaint() override { events.push_back("paint"); }
    void OnKeyUp(WPARAM key) override { events.push_back("keyup " + std::to_string(key)); }
    void OnKeyDown(WPARAM key) override { events.push_back("keydown " + std::to_string(key)); }
    void OnKeyRepeat(WPARAM key) override { events.push_back("keyrepeat " + std::to_string(key)); }

    void add(const char* kind, int button, int x, int y, WPARAM keys)
    {
        events.push_back(std::string(kind) + " " + std::to_string(button) + " " + std::to_string(x) + " "
                         + std::to_string(y) + " " + std::to_string(keys));
    }

    std::vector<std::string> events;
};

HWND makeFrame(const char* title)
{
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = "TestFrameClass";
        return RegisterClassA(&windowClass) != 0;
    }();
    REQUIRE(registered);
    HWND frame = CreateWindowExA(0, "TestFrameClass", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    REQUIRE(frame != nullptr);
    return frame;
}

// The one view of the program ("D3DWINDOW" can be made once), inside a frame.
struct View {
    View()
    {
        frame = makeFrame("view frame");
        other = makeFrame("other window");
        REQUIRE(view.create("D3DWINDOW", frame, 106));
        view.setRect({10, 20, 210, 170});
    }
    HWND frame = nullptr;
    HWND other = nullptr;
    tbm::D3DWindow view;
};

View& theView()
{
    static View view;
    return view;
}

// Listens to the view for one test and leaves no button held behind.
struct ViewFixture {
    ViewFixture() : shared(theView()), view(shared.view), window(shared.view.getHandle())
    {
        view.setWindowEventListener(&recorder);
        view.setKeyEventListener(&recorder);
    }
    ~ViewFixture()
    {
        send(WM_LBUTTONUP, 0, 0, 0);
        send(WM_RBUTTONUP, 0, 0, 0);
        send(WM_MBUTTONUP, 0, 0, 0);
        view.setWindowEventListener(nullptr);
        view.setKeyEventListener(nullptr);
        ReleaseCapture();
    }

    void send(UINT message, WPARAM keys, int x, int y)
    {
        SendMessageA(window, message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
    std::vector<std::string> takeEvents()
    {
        std::vector<std::string> events;
        events.swap(recorder.events);
        return events;
    }

    View& shared;
    tbm::D3DWindow& view;
    HWND window;
    Recorder recorder;
};

using Events = std::vector<std::string>;

int countPosted(HWND window, UINT message)
{
    int count = 0;
    MSG posted;
    while (PeekMessageA(&posted, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

}

TEST_CASE("view window is a child of its own class without double clicks")
{
    View& shared = theView();
    HWND window = shared.view.getHandle();
    REQUIRE(window != nullptr);
    CHECK(shared.view.getClassName() == "D3DWINDOW");
    CHECK(shared.view.getParent() == shared.frame);
    CHECK(shared.view.getId() == 106);
    CHECK(GetDlgCtrlID(window) == 106);
    CHECK(GetWindowTextLengthA(window) == 0);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    CHECK((style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN))
          == (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    CHECK((GetClassLongPtrA(window, GCL_STYLE) & CS_DBLCLKS) == 0);
    CHECK(GetClassLongPtrA(window, GCLP_HBRBACKGROUND) == 0);

    tbm::D3DWindow second;
    CHECK(second.getId() == -1);
    CHECK(!second.create("D3DWINDOW", shared.frame, 107));
    CHECK(second.getHandle() == nullptr);
}

TEST_CASE("view window setRect places it in the parent's client coordinates")
{
    View& shared = theView();
    const RECT wanted = {15, 25, 215, 175};
    CHECK(shared.view.setRect(wanted));
    CHECK(EqualRect(&shared.view.getRect(), &wanted));
    RECT placed;
    GetWindowRect(shared.view.getHandle(), &placed);
    MapWindowPoints(HWND_DESKTOP, shared.frame, reinterpret_cast<POINT*>(&placed), 2);
    CHECK(EqualRect(&placed, &wanted));
    shared.view.setRect({10, 20, 210, 170});
}

TEST_CASE("view window turns mouse messages into listener calls")
{
    ViewFixture fixture;
    struct Case {
        UINT message;
        WPARAM keys;
        int x;
        int y;
        const char* expected;
    };
    const Case cases[] = {
        {WM_MOUSEMOVE, MK_SHIFT | MK_CONTROL, 12, 34, "move 12 34 12"},
        {WM_MOUSEMOVE, 0, -5, -7, "move -5 -7 0"},
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 1, 2, "down 1 1 2 5"},
        {WM_LBUTTONUP, MK_SHIFT, 3, 4, "up 1 3 4 4"},
        {WM_RBUTTONDOWN, MK_RBUTTON, 5, 6, "down 2 5 6 2"},
        {WM_RBUTTONUP, 0, 500, 600, "up 2 500 600 0"},
        {WM_MBUTTONDOWN, MK_MBUTTON, 7, 8, "down 4 7 8 16"},
        {WM_MBUTTONUP, 0, -1, -2, "up 4 -1 -2 0"},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, 9, 10, "double 1 9 10 1"},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, 11, 12, "double 2 11 12 2"},
        {WM_MBUTTONDBLCLK, MK_MBUTTON, 13, 14, "double 4 13 14 16"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.expected);
        fixture.send(c.message, c.keys, c.x, c.y);
        CHECK(fixture.takeEvents() == Events{c.expected});
    }
    CHECK(fixture.view.dispatchMouse(WM_MOUSEMOVE, 0, 0) == 1);
}

TEST_CASE("view window wheel gives the notch and the pointer in view coordinates")
{
    ViewFixture fixture;
    POINT screen = {5, 6};
    ClientToScreen(fixture.window, &screen);
    const LPARAM at = MAKELPARAM(screen.x, screen.y);
    SendMessageA(fixture.window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    SendMessageA(fixture.window, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-WHEEL_DELTA)), at);
    CHECK(fixture.takeEvents() == Events{"wheel 120 5 6", "wheel -120 5 6"});
}

TEST_CASE("view window takes the capture while any button is held")
{
    ViewFixture fixture;
    struct Order {
        UINT firstUp;
        UINT secondUp;
    };
    const Order orders[] = {{WM_LBUTTONUP, WM_RBUTTONUP}, {WM_RBUTTONUP, WM_LBUTTONUP}};
    for (const Order& order : orders) {
        CAPTURE(order.firstUp);
        ReleaseCapture();
        fixture.send(WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
        CHECK(GetCapture() == fixture.window);
        fixture.send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 2, 2);
        CHECK(GetCapture() == fixture.window);
        fixture.send(order.firstUp, 0, 3, 3);
        CHECK(GetCapture() == fixture.window);
        fixture.send(order.secondUp, 0, 4, 4);
        CHECK(GetCapture() == nullptr);
        const Events events = fixture.takeEvents();
        REQUIRE(events.size() == 4);
        CHECK(events[0].rfind("down 1", 0) == 0);
        CHECK(events[1].rfind("down 2", 0) == 0);
        CHECK(events[2].rfind(order.firstUp == WM_LBUTTONUP ? "up 1" : "up 2", 0) == 0);
        CHECK(events[3].rfind(order.secondUp == WM_LBUTTONUP ? "up 1" : "up 2", 0) == 0);
    }

    SUBCASE("the middle button as well")
    {
        fixture.send(WM_MBUTTONDOWN, MK_MBUTTON, 1, 1);
        CHECK(GetCapture() == fixture.window);
        fixture.send(WM_MBUTTONUP, 0, 1, 1);
        CHECK(GetCapture() == nullptr);
    }
}

TEST_CASE("view window ignores a release whose press was elsewhere")
{
    ViewFixture fixture;
    // As after a double click in a dialog that closed on the press.
    fixture.send(WM_LBUTTONUP, 0, 5, 5);
    fixture.send(WM_RBUTTONUP, 0, 5, 5);
    CHECK(fixture.takeEvents().empty());

    // The count did not go below zero: the next press still takes the mouse, and its
    // release gives it back, so later plain moves are not a drag.
    fixture.send(WM_LBUTTONDOWN, MK_LBUTTON, 6, 6);
    CHECK(GetCapture() == fixture.window);
    fixture.send(WM_LBUTTONUP, 0, 7, 7);
    CHECK(GetCapture() == nullptr);
    CHECK(fixture.takeEvents() == Events{"down 1 6 6 1", "up 1 7 7 0"});

    SUBCASE("a second press of a held button takes nothing more")
    {
        fixture.send(WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
        fixture.send(WM_LBUTTONDOWN, MK_LBUTTON, 2, 2);
        fixture.send(WM_LBUTTONUP, 0, 3, 3);
        CHECK(GetCapture() == nullptr);
        CHECK(fixture.takeEvents() == Events{"down 1 1 1 1", "down 1 2 2 1", "up 1 3 3 0"});
    }
}

TEST_CASE("view window tells held buttons released when another window takes the mouse")
{
    ViewFixture fixture;
    SetCursorPos(0, 0);
    fixture.send(WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
    fixture.send(WM_MBUTTONDOWN, MK_LBUTTON | MK_MBUTTON, 2, 2);
    fixture.takeEvents();

    SetCapture(fixture.shared.other);
    POINT cursor = {0, 0};
    ScreenToClient(fixture.window, &cursor);
    const std::string at = std::to_string(cursor.x) + " " + std::to_string(cursor.y) + " 0";
    CHECK(fixture.takeEvents() == Events{"up 1 " + at, "up 4 " + at});
    CHECK(GetCapture() == fixture.shared.other);

    // The late releases are no news, and the capture stays with the other window.
    fixture.send(WM_LBUTTONUP, 0, 3, 3);
    fixture.send(WM_MBUTTONUP, 0, 3, 3);
    CHECK(fixture.takeEvents().empty());
    CHECK(GetCapture() == fixture.shared.other);

    // Counting starts again from nothing.
    fixture.send(WM_RBUTTONDOWN, MK_RBUTTON, 4, 4);
    CHECK(GetCapture() == fixture.window);
    fixture.send(WM_RBUTTONUP, 0, 5, 5);
    CHECK(GetCapture() == nullptr);
    CHECK(fixture.takeEvents() == Events{"down 2 4 4 2", "up 2 5 5 0"});
}

TEST_CASE("view window focus follows the left and right buttons only")
{
    ViewFixture fixture;
    struct Case {
        UINT down;
        UINT up;
        bool takesFocus;
    };
    const Case cases[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, true},
                          {WM_RBUTTONDOWN, WM_RBUTTONUP, true},
                          {WM_MBUTTONDOWN, WM_MBUTTONUP, false}};
    for (const Case& c : cases) {
        CAPTURE(c.down);
        SetFocus(fixture.shared.frame);
        fixture.send(c.down, 0, 1, 1);
        CHECK((GetFocus() == fixture.window) == c.takesFocus);
        fixture.send(c.up, 0, 1, 1);
    }
}

TEST_CASE("view window without a window listener drops the mouse")
{
    ViewFixture fixture;
    fixture.view.setWindowEventListener(nullptr);
    CHECK(fixture.view.dispatchMouse(WM_LBUTTONDOWN, MK_LBUTTON, 0) == 0);
    fixture.send(WM_RBUTTONDOWN, MK_RBUTTON, 1, 1);
    CHECK(GetCapture() != fixture.window);

    // The press left no flag behind: its release after the listener returns is no news.
    fixture.view.setWindowEventListener(&fixture.recorder);
    fixture.send(WM_RBUTTONUP, 0, 1, 1);
    fixture.send(WM_LBUTTONUP, 0, 1, 1);
    CHECK(fixture.takeEvents().empty());
}

TEST_CASE("view window passes keys to the key listener and Esc to the frame")
{
    ViewFixture fixture;
    StandInFrame mainWindow;
    mainWindow.window = fixture.shared.frame;
    fixture.view.setFrame(&mainWindow);
    countPosted(fixture.shared.frame, WM_CLOSE);

    fixture.send(WM_KEYDOWN, 'A', 0, 0);
    SendMessageA(fixture.window, WM_KEYDOWN, 'A', 1 | (1 << 30));
    SendMessageA(fixture.window, WM_KEYUP, 'A', 1 | (1u << 30) | (1u << 31));
    CHECK(fixture.takeEvents() == Events{"keydown 65", "keyrepeat 65", "keyup 65"});

    // Held Esc: the first press and every repeat close, the listener hears none.
    CHECK(SendMessageA(fixture.window, WM_KEYDOWN, VK_ESCAPE, 1) == 0);
    SendMessageA(fixture.window, WM_KEYDOWN, VK_ESCAPE, 1 | (1 << 30));
    SendMessageA(fixture.window, WM_KEYDOWN, VK_ESCAPE, 1 | (1 << 30));
    CHECK(countPosted(fixture.shared.frame, WM_CLOSE) == 3);
    CHECK(fixture.takeEvents().empty());

    fixture.view.setKeyEventListener(nullptr);
    fixture.send(WM_KEYDOWN, 'B', 0, 0);
    SendMessageA(fixture.window, WM_KEYDOWN, VK_ESCAPE, 1);
    CHECK(countPosted(fixture.shared.frame, WM_CLOSE) == 1);
    CHECK(fixture.takeEvents().empty());

    // Without a frame Esc closes nothing.
    fixture.view.setFrame(nullptr);
    SendMessageA(fixture.window, WM_KEYDOWN, VK_ESCAPE, 1);
    CHECK(countPosted(fixture.shared.frame, WM_CLOSE) == 0);
}

TEST_CASE("view window paint reaches the listener or the lost-device check")
{
    ViewFixture fixture;
    InvalidateRect(fixture.window, nullptr, FALSE);
    UpdateWindow(fixture.window);
    CHECK(fixture.takeEvents() == Events{"paint"});
    CHECK(!GetUpdateRect(fixture.window, nullptr, FALSE));

    LogCapture log;
    fixture.view.setWindowEventListener(nullptr);
    InvalidateRect(fixture.window, nullptr, FALSE);
    UpdateWindow(fixture.window);
    CHECK(fixture.takeEvents().empty());
    CHECK(!GetUpdateRect(fixture.window, nullptr, FALSE));
    CHECK(LogCapture::countContaining("デバイスがまだ生成されていない") == 1);
}

TEST_CASE("view window makes the device on itself and releases it when destroyed")
{
    HWND frame = makeFrame("device frame");
    tbm::D3DWindow view;
    REQUIRE(view.create("D3DWINDOW_DEVICE", frame, 106));
    view.setRect({0, 0, 128, 96});
    tbm::D3DDeviceManager& devices = tbm::D3DDeviceManager::getInstance();
    REQUIRE(view.initDirect3D());
    IDirect3DDevice9* device = devices.getDevice();
    REQUIRE(device != nullptr);
    D3DDEVICE_CREATION_PARAMETERS creation;
    REQUIRE(SUCCEEDED(device->GetCreationParameters(&creation)));
    CHECK(creation.hFocusWindow == view.getHandle());

    DestroyWindow(frame);
    CHECK(devices.getDevice() == nullptr);
}
