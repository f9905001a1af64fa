#include "modeller/app/MainWindow.h"

#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/Modering.h"
#include "modeller/app/ModeringPanel.h"
#include "modeller/app/PartsListPanel.h"
#include "modeller/app/StatusBar.h"
#include "modeller/app/resource.h"

#include <doctest/doctest.h>

#include "LogCapture.h"
#include "PanelFixture.h"
#include "TempDir.h"

#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char kResetLine[] = "デバイスをリセットしました。";

tbm::MainWindow& mainWindow()
{
    return tbm::MainWindow::getInstance();
}
HWND frame()
{
    return mainWindow().getHandle();
}
HWND view()
{
    return mainWindow().getViewWindow();
}
tbm::PartsListPanel& partsList()
{
    return tbm::PartsListPanel::getInstance();
}
tbm::ModeringPanel& modering()
{
    return tbm::ModeringPanel::getInstance();
}
tbm::Modering& controller()
{
    return *tbm::Modering::getInstance();
}

IDirect3D9* WINAPI noDirect3D(UINT)
{
    return nullptr;
}

// The person: the boxes shown and the plug-in chosen in the open dialog.
struct Person {
    struct Box {
        HWND owner;
        std::string text;
        UINT type;
    };
    static std::vector<Box>& boxes()
    {
        static std::vector<Box> shown;
        return shown;
    }
    static std::string& plugIn()
    {
        static std::string path;
        return path;
    }
    static tbm::UserInterface userInterface()
    {
        return tbm::UserInterface{
            [](HWND, std::string& path) {
                path = plugIn();
                return path.empty() ? FALSE : TRUE;
            },
            [](HWND, std::string&) { return FALSE; },
            [](HWND, std::string&) { return FALSE; },
            [](HWND owner, const char* text, UINT type) {
                boxes().push_back(Box{owner, text, type});
                return IDOK;
            },
            [](HINSTANCE) {},
            [](HINSTANCE) {},
        };
    }
};

// Waits until the device has carried out every call made on it so far. Wine's
// device runs them on a thread of its own, and a window that is resized while
// that thread still presents a frame into the view can deadlock the X11 driver
// against the GL driver (both threads then wait on each other's lock for good).
void finishFrames()
{
    IDirect3DDevice9* device = tbm::D3DDeviceManager::getInstance().getDevice();
    IDirect3DQuery9* query = nullptr;
    if (!device || FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query)))
        return;
    query->Issue(D3DISSUE_END);
    while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE)
        SwitchToThread();
    query->Release();
}

// Handles every message waiting, then lets the frames they drew reach the view,
// so that the test's next change of the windows finds the device idle.
void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        REQUIRE(message.message != WM_QUIT);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    finishFrames();
}

// Takes the WM_CLOSE messages posted to the frame without handling them; how many.
int takeCloseMessages()
{
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, frame(), WM_CLOSE, WM_CLOSE, PM_REMOVE))
        ++count;
    return count;
}

// Closes a running editor when the test program ends. Built after the first start,
// so it goes before the singletons it uses.
struct CloseAtExit {
    ~CloseAtExit()
    {
        if (HWND window = frame()) {
            SendMessageA(window, WM_CLOSE, 0, 0);
            mainWindow().messageLoop();
        }
    }
};

// The window classes of an earlier run of this program, which has ended.
void unregisterClasses()
{
    for (const char* name :
         {"TobureModelerClass", "TBM_SPLITBAR_CLASS101", "PARTSLIST_CLASS", "MODERING_CLASS", "D3DWINDOW"})
        UnregisterClassA(name, GetModuleHandleA(nullptr));
}

// Starts the editor as WinMain does, up to the message loop.
void start()
{
    REQUIRE(frame() == nullptr);
    unregisterClasses();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    mainWindow().setUserInterface(Person::userInterface());
    REQUIRE(mainWindow().startUp(instance, SW_SHOWNORMAL) == 1);
    static CloseAtExit closeAtExit;
    pump();
}

// The running editor in its first shape: 640 x 480, centred, list on the left at 100.
void editor()
{
    if (!frame())
        start();
    HWND window = frame();
    if (IsZoomed(window) || IsIconic(window))
        ShowWindow(window, SW_SHOWNOACTIVATE);
    SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    tbm::centerWindow(window);
    if (!mainWindow().isPartsListOnLeft())
        SendMessageA(window, WM_COMMAND, IDM_SWAP_PANELS, 0);
    mainWindow().getSplitBar().setX(100);
    pump();
    Person::boxes().clear();
}

// Ends the running editor the way the given message does; the loop's exit code.
int closeWith(HWND target, UINT message, WPARAM wParam)
{
    PostMessageA(target, message, wParam, 0);
    return mainWindow().messageLoop();
}

void openQuads(const TempDir& folder)
{
    Person::plugIn() = folder.file("quads.x");
    FILE* file = std::fopen(Person::plugIn().c_str(), "wb");
    REQUIRE(file != nullptr);
    const std::string text = panels::quadsFile(3);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    SendMessageA(frame(), WM_COMMAND, IDM_NEW, 0);
    pump();
    REQUIRE(controller().getModel().isLoaded());
}

std::string title()
{
    char text[512] = "";
    GetWindowTextA(frame(), text, sizeof text);
    return text;
}

RECT clientRect(HWND window)
{
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect;
}

// A child's window rectangle in the frame's client coordinates.
RECT placeOf(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, frame(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + ","
           + std::to_string(r.bottom);
}

SIZE backBufferSize()
{
    IDirect3DDevice9* device = tbm::D3DDeviceManager::getInstance().getDevice();
    REQUIRE(device != nullptr);
    IDirect3DSwapChain9* swapChain = nullptr;
    REQUIRE(SUCCEEDED(device->GetSwapChain(0, &swapChain)));
    D3DPRESENT_PARAMETERS parameters = {};
    swapChain->GetPresentParameters(&parameters);
    swapChain->Release();
    return SIZE{LONG(parameters.BackBufferWidth), LONG(parameters.BackBufferHeight)};
}

void checkBackBufferFitsView()
{
    const RECT client = clientRect(view());
    const SIZE buffer = backBufferSize();
    CHECK(buffer.cx == client.right);
    CHECK(buffer.cy == client.bottom);
}

// The two panels and the bar share the client area above the status bar.
void checkLayout()
{
    const RECT client = clientRect(frame());
    const int height = client.bottom - tbm::StatusBar::getInstance().getHeight();
    tbm::SplitBar& bar = mainWindow().getSplitBar();
    const int x = bar.getX();
    const RECT left = {0, 0, x, height};
    const RECT right = {x + bar.getWidth(), 0, client.right, height};
    HWND leftWindow = mainWindow().isPartsListOnLeft() ? partsList().getHandle() : modering().getHandle();
    HWND rightWindow = mainWindow().isPartsListOnLeft() ? modering().getHandle() : partsList().getHandle();
    INFO("left " << text(placeOf(leftWindow)) << " right " << text(placeOf(rightWindow)));
    CHECK(same(placeOf(leftWindow), left));
    CHECK(same(placeOf(rightWindow), right));
    CHECK(same(placeOf(bar.getHandle()), RECT{x, 0, x + bar.getWidth(), height}));
}

int partsListWidth()
{
    const RECT place = placeOf(partsList().getHandle());
    return place.right - place.left;
}

void resizeFrame(int width, int height)
{
    SetWindowPos(frame(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    pump();
}

}

TEST_CASE("the frame is made with its menu bars panels and device")
{
    editor();
    HWND window = frame();
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    CHECK(std::string(className) == "TobureModelerClass");
    CHECK(title() == "とぶれモデラー");
    CHECK((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
    CHECK((GetWindowLongPtrA(window, GWL_STYLE) & WS_CLIPCHILDREN) != 0);
    CHECK(IsWindowVisible(window));

    RECT outer;
    GetWindowRect(window, &outer);
    CHECK(outer.right - outer.left == 640);
    CHECK(outer.bottom - outer.top == 480);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CHECK(outer.left == work.left + (work.right - work.left - 640) / 2);
    CHECK(outer.top == work.top + (work.bottom - work.top - 480) / 2);

    HMENU menu = GetMenu(window);
    REQUIRE(menu != nullptr);
    CHECK(GetMenuItemCount(menu) == 4);
    for (int command : {IDM_NEW, IDM_EXIT, IDM_SWAP_PANELS, IDM_BROWSE_MODE, IDM_VERSION})
        CHECK(GetMenuState(menu, command, MF_BYCOMMAND) != UINT(-1));

    CHECK(GetDlgItem(window, 100) == tbm::StatusBar::getInstance().getHandle());
    CHECK(GetDlgItem(window, 101) == mainWindow().getSplitBar().getHandle());
    CHECK(GetDlgItem(window, 102) == partsList().getHandle());
    CHECK(GetDlgItem(window, 105) == modering().getHandle());
    CHECK(GetDlgItem(modering().getHandle(), 106) == view());
    CHECK(mainWindow().getWindow() == window);
    CHECK(mainWindow().getLeftPanel() == static_cast<tbm::IPanel*>(&partsList()));
    CHECK(mainWindow().getRightPanel() == static_cast<tbm::IPanel*>(&modering()));
    CHECK(mainWindow().getSplitBar().getX() == 100);
    checkLayout();
    checkBackBufferFitsView();

    MINMAXINFO limits = {};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    CHECK(limits.ptMinTrackSize.x == 400);
    CHECK(limits.ptMinTrackSize.y == 300);
}

TEST_CASE("the split bar keeps the parts list at most 300 pixels wide on either side")
{
    editor();
    tbm::SplitBar& bar = mainWindow().getSplitBar();
    const int width = clientRect(frame()).right;
    const int barWidth = bar.getWidth();
    REQUIRE(barWidth > 0);

    CHECK(mainWindow().getSplitMin() == 0);
    CHECK(mainWindow().getSplitMax() == 300);
    struct Case {
        int asked;
        int placed;
    };
    for (const Case& c : {Case{150, 150}, Case{420, 300}, Case{-30, 0}, Case{300, 300}}) {
        CAPTURE(c.asked);
        bar.setX(c.asked);
        pump();
        CHECK(bar.getX() == c.placed);
        CHECK(partsListWidth() == c.placed);
        checkLayout();
    }

    bar.setX(180);
    pump();
    SendMessageA(frame(), WM_COMMAND, IDM_SWAP_PANELS, 0);
    pump();
    CHECK_FALSE(mainWindow().isPartsListOnLeft());
    CHECK(mainWindow().getLeftPanel() == static_cast<tbm::IPanel*>(&modering()));
    CHECK(mainWindow().getSplitMin() == width - barWidth - 300);
    CHECK(mainWindow().getSplitMax() == width - barWidth);
    CHECK(partsListWidth() == 180);
    CHECK(bar.getX() == width - barWidth - 180);
    checkLayout();
    for (const Case& c : {Case{0, width - barWidth - 300}, Case{width, width - barWidth}}) {
        CAPTURE(c.asked);
        bar.setX(c.asked);
        pump();
        CHECK(bar.getX() == c.placed);
        checkLayout();
    }
    CHECK(partsListWidth() == 0);
    bar.setX(width - barWidth - 180);
    pump();

    SendMessageA(frame(), WM_COMMAND, IDM_SWAP_PANELS, 0);
    pump();
    CHECK(mainWindow().isPartsListOnLeft());
    CHECK(bar.getX() == 180);
    CHECK(partsListWidth() == 180);
    checkLayout();
}

TEST_CASE("a swap with the bar already in place still moves the panels")
{
    editor();
    resizeFrame(600, 480);
    tbm::SplitBar& bar = mainWindow().getSplitBar();
    // Halfway, the list's width on the left is the bar's place on the right too.
    const int half = (clientRect(frame()).right - bar.getWidth()) / 2;
    REQUIRE(half <= 300);
    bar.setX(half);
    pump();
    SendMessageA(frame(), WM_COMMAND, IDM_SWAP_PANELS, 0);
    pump();
    CHECK(bar.getX() == half);
    CHECK(placeOf(partsList().getHandle()).left == half + bar.getWidth());
    checkLayout();
}

TEST_CASE("with the list on the right resizing keeps its width at the right edge")
{
    editor();
    SendMessageA(frame(), WM_COMMAND, IDM_SWAP_PANELS, 0);
    pump();
    REQUIRE(partsListWidth() == 100);

    SUBCASE("a border drag")
    {
        RECT outer;
        GetWindowRect(frame(), &outer);
        SendMessageA(frame(), WM_ENTERSIZEMOVE, 0, 0);
        outer.right += 40;
        SendMessageA(frame(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&outer));
        SetWindowPos(frame(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        SendMessageA(frame(), WM_EXITSIZEMOVE, 0, 0);
        pump();
    }
    SUBCASE("a programmatic resize")
    {
        resizeFrame(760, 500);
    }
    SUBCASE("maximising and restoring")
    {
        ShowWindow(frame(), SW_MAXIMIZE);
        pump();
        CHECK(partsListWidth() == 100);
        checkLayout();
        ShowWindow(frame(), SW_RESTORE);
        pump();
    }
    CHECK(partsListWidth() == 100);
    CHECK(placeOf(partsList().getHandle()).right == clientRect(frame()).right);
    checkLayout();
}

TEST_CASE("a resize resets the device only when the view has a new size")
{
    editor();
    LogCapture log;
    struct Case {
        const char* name;
        void (*act)();
        int resets;
    };
    const Case cases[] = {
        {"programmatic resize", [] { resizeFrame(700, 520); }, 1},
        {"same size again", [] { resizeFrame(700, 520); }, 0},
        {"size message with the view's size",
         [] {
             const RECT client = clientRect(frame());
             SendMessageA(frame(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
         },
         0},
        {"move",
         [] {
             SetWindowPos(frame(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
             pump();
         },
         0},
        {"minimise and restore",
         [] {
             // Without activation: it would go to another program's window.
             ShowWindow(frame(), SW_SHOWMINNOACTIVE);
             pump();
             ShowWindow(frame(), SW_SHOWNOACTIVATE);
             pump();
         },
         0},
        {"maximise",
         [] {
             ShowWindow(frame(), SW_MAXIMIZE);
             pump();
         },
         1},
        {"restore from maximised",
         [] {
             ShowWindow(frame(), SW_RESTORE);
             pump();
         },
         1},
        {"border drag",
         [] {
             SendMessageA(frame(), WM_ENTERSIZEMOVE, 0, 0);
             SetWindowPos(frame(), nullptr, 0, 0, 660, 500, SWP_NOMOVE | SWP_NOZORDER);
             SetWindowPos(frame(), nullptr, 0, 0, 680, 510, SWP_NOMOVE | SWP_NOZORDER);
             SendMessageA(frame(), WM_EXITSIZEMOVE, 0, 0);
             pump();
         },
         1},
        {"drag that moves only",
         [] {
             SendMessageA(frame(), WM_ENTERSIZEMOVE, 0, 0);
             SetWindowPos(frame(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
             SendMessageA(frame(), WM_EXITSIZEMOVE, 0, 0);
             pump();
         },
         0},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        LogCapture::clear();
        c.act();
        CHECK(LogCapture::count(kResetLine) == c.resets);
        if (!IsIconic(frame()))
            checkBackBufferFitsView();
        checkLayout();
    }
}

TEST_CASE("menu commands reach the panels and the controller")
{
    editor();
    TempDir folder;
    HMENU menu = GetMenu(frame());

    SUBCASE("a modelling toggle is checked in the menu and changes the pick mode")
    {
        SendMessageA(frame(), WM_COMMAND, IDM_DELETE_FACE, 0);
        CHECK((GetMenuState(menu, IDM_DELETE_FACE, MF_BYCOMMAND) & MF_CHECKED) != 0);
        CHECK(controller().getPickMode() == 0);
        SendMessageA(frame(), WM_COMMAND, IDM_DELETE_FACE, 0);
        CHECK((GetMenuState(menu, IDM_DELETE_FACE, MF_BYCOMMAND) & MF_CHECKED) == 0);
        CHECK(controller().getPickMode() == 1);
    }
    SUBCASE("new opens through the controller and titles the work")
    {
        openQuads(folder);
        CHECK(title() == "新規 - とぶれモデラー");
        CHECK(SendMessageA(partsList().getListView().getHandle(), LVM_GETITEMCOUNT, 0, 0) == 3);

        // Show all and hide all come to the parts list.
        HWND list = partsList().getListView().getHandle();
        auto checkedRows = [&] {
            int checked = 0;
            for (int row = 0; row < 3; ++row)
                checked += (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
            return checked;
        };
        SendMessageA(frame(), WM_COMMAND, IDM_HIDE_ALL_PARTS, 0);
        pump();
        CHECK(checkedRows() == 0);
        SendMessageA(frame(), WM_COMMAND, IDM_SHOW_ALL_PARTS, 0);
        pump();
        CHECK(checkedRows() == 3);
        CHECK(Person::boxes().empty());
    }
    SUBCASE("version shows the product title version and notice")
    {
        SendMessageA(frame(), WM_COMMAND, MAKEWPARAM(IDM_VERSION, 0), 0);
        REQUIRE(Person::boxes().size() == 1);
        const Person::Box& box = Person::boxes()[0];
        CHECK(box.owner == frame());
        CHECK(box.type == UINT(MB_OK));
        CHECK(box.text.rfind("とぶれモデラー Ver1.0\n\n", 0) == 0);
        CHECK(box.text.size() > std::string("とぶれモデラー Ver1.0\n\n").size());
    }
    SUBCASE("an id nobody takes is dropped")
    {
        SendMessageA(frame(), WM_COMMAND, 9999, 0);
        pump();
        CHECK(Person::boxes().empty());
        CHECK(takeCloseMessages() == 0);
        CHECK(frame() != nullptr);
    }
    SUBCASE("exit and Esc post the close and other keys do not")
    {
        SendMessageA(frame(), WM_COMMAND, IDM_EXIT, 0);
        CHECK(takeCloseMessages() == 1);
        SendMessageA(frame(), WM_KEYDOWN, VK_ESCAPE, 0);
        CHECK(takeCloseMessages() == 1);
        SendMessageA(frame(), WM_KEYDOWN, 'A', 0);
        SendMessageA(frame(), WM_SYSKEYUP, VK_F5, 0);
        CHECK(takeCloseMessages() == 0);
        CHECK(IsWindow(frame()));
    }
}

TEST_CASE("titles name the work before the product")
{
    editor();
    mainWindow().setTitle("C:\\save\\作業.tbs");
    CHECK(title() == "C:\\save\\作業.tbs - とぶれモデラー");
    mainWindow().resetTitle();
    CHECK(title() == "とぶれモデラー");
}

TEST_CASE("the message loop dispatches until WM_QUIT and returns its code")
{
    editor();
    PostMessageA(frame(), WM_COMMAND, IDM_VERSION, 0);
    PostQuitMessage(7);
    CHECK(mainWindow().messageLoop() == 7);
    CHECK(Person::boxes().size() == 1);
    CHECK(frame() != nullptr);
}

TEST_CASE("start-up logs its steps in order")
{
    if (frame())
        CHECK(closeWith(frame(), WM_CLOSE, 0) == 0);
    LogCapture log;
    start();
    const std::vector<std::string>& lines = LogCapture::lines();
    auto indexOf = [&](const std::string& part) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(part) != std::string::npos)
                return int(i);
        return -1;
    };
    const int windows = indexOf("ウィンドウ生成成功");
    const int device = indexOf("Direct3Dデバイスを生成しました。");
    const int direct3D = indexOf("Direct3D生成成功");
    const int ready = indexOf("初期化成功");
    const int reset = indexOf(kResetLine);
    CHECK(windows >= 0);
    CHECK(windows < device);
    CHECK(device < direct3D);
    CHECK(direct3D < ready);
    CHECK(ready < reset);
    CHECK(LogCapture::count(kResetLine) == 1);
}

TEST_CASE("every way of closing stops the controller and frees the device")
{
    struct Case {
        const char* name;
        HWND (*target)();
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"close", frame, WM_CLOSE, 0},
        {"menu exit", frame, WM_COMMAND, IDM_EXIT},
        {"Esc in the frame", frame, WM_KEYDOWN, VK_ESCAPE},
        {"Esc in the view", view, WM_KEYDOWN, VK_ESCAPE},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        if (!frame())
            start();
        TempDir folder;
        openQuads(folder);
        HWND window = frame();
        IDirect3DDevice9* device = tbm::D3DDeviceManager::getInstance().getDevice();
        REQUIRE(device != nullptr);
        device->AddRef();

        CHECK(closeWith(c.target(), c.message, c.wParam) == 0);
        CHECK(frame() == nullptr);
        CHECK_FALSE(IsWindow(window));
        CHECK(tbm::D3DDeviceManager::getInstance().getDevice() == nullptr);
        // Ours is the last reference: the controller and its model let theirs go.
        CHECK(device->Release() == 0);
    }
}

TEST_CASE("a released F4 destroys the frame without stopping the controller")
{
    if (!frame())
        start();
    HWND window = frame();
    IDirect3DDevice9* device = tbm::D3DDeviceManager::getInstance().getDevice();
    REQUIRE(device != nullptr);
    device->AddRef();

    CHECK(closeWith(window, WM_SYSKEYUP, VK_F4) == 0);
    CHECK(frame() == nullptr);
    CHECK_FALSE(IsWindow(window));
    CHECK(tbm::D3DDeviceManager::getInstance().getDevice() == nullptr);
    // The controller's light, font and model still hold the device.
    CHECK(device->Release() > 0);
    controller().end();
}

TEST_CASE("start-up fails with exit code 1 when a step fails")
{
    if (frame())
        CHECK(closeWith(frame(), WM_CLOSE, 0) == 0);

    SUBCASE("no Direct3D")
    {
        unregisterClasses();
        tbm::D3DDeviceManager::getInstance().setDirect3DFactory(noDirect3D);
        CHECK(mainWindow().run(GetModuleHandleA(nullptr), SW_SHOWNORMAL) == 1);
        tbm::D3DDeviceManager::getInstance().setDirect3DFactory(Direct3DCreate9);
        // The frame stays, as the process would end now.
        REQUIRE(frame() != nullptr);
        CHECK_FALSE(IsWindowVisible(frame()));
        DestroyWindow(frame());
        CHECK(mainWindow().messageLoop() == 0);
    }
    SUBCASE("the frame class exists already")
    {
        start();
        HWND window = frame();
        CHECK(mainWindow().run(GetModuleHandleA(nullptr), SW_SHOWNORMAL) == 1);
        CHECK(frame() == window);
        CHECK(closeWith(frame(), WM_CLOSE, 0) == 0);
    }
}
