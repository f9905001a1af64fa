#include "modeller/app/SplitBar.h"
#include "modeller/app/StatusBar.h"
#include "modeller/app/ToolBar.h"

#include <doctest/doctest.h>

#include "StandInFrame.h"
#include "TempDir.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Top-level window that counts the split bar's layout requests.
struct Frame {
    static int layoutRequests;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == tbm::SplitBar::kLayoutPanels) {
            ++layoutRequests;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    explicit Frame(int width = 640, int height = 480)
    {
        static const bool registered = [] {
            InitCommonControls();
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &Frame::windowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            windowClass.lpszClassName = "TestFrameClass";
            return RegisterClassA(&windowClass) != 0;
        }();
        REQUIRE(registered);
        window = CreateWindowExA(0, "TestFrameClass", "frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                 width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        REQUIRE(window != nullptr);
    }
    ~Frame() { DestroyWindow(window); }

    RECT client() const
    {
        RECT rect;
        GetClientRect(window, &rect);
        return rect;
    }

    HWND window = nullptr;
};
int Frame::layoutRequests = 0;

// Bar's window rectangle in its parent's client coordinates.
RECT placement(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The split bar's limits and reset counter as the main window would give them.
struct SplitLimits : StandInFrame {
    SplitLimits(int low, int high)
    {
        splitMin = low;
        splitMax = high;
    }
};

// Each pass of a test makes a bar of its own class.
int nextBarId()
{
    static int id = 200;
    return id++;
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The platform's move loop, as a drag of the bar drives it.
void drag(HWND bar, const std::vector<POINT>& steps)
{
    SendMessageA(bar, WM_ENTERSIZEMOVE, 0, 0);
    for (const POINT& step : steps)
        SetWindowPos(bar, nullptr, step.x, step.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(bar, WM_EXITSIZEMOVE, 0, 0);
    pumpMessages();
}

}

TEST_CASE("split bar is made with its own class at the given x over the parent's height")
{
    Frame frame;
    SplitLimits limits(0, 300);
    tbm::SplitBar bar(&limits);
    CHECK(bar.getId() == -1);
    REQUIRE(bar.create(frame.window, 100, 101) == 1);

    WNDCLASSA windowClass;
    CHECK(GetClassInfoA(GetModuleHandleA(nullptr), "TBM_SPLITBAR_CLASS101", &windowClass));
    char text[32] = "";
    GetWindowTextA(bar.getHandle(), text, sizeof text);
    CHECK(std::string(text) == "TBM_SPLITBAR");
    CHECK(GetDlgCtrlID(bar.getHandle()) == 101);
    CHECK(GetParent(bar.getHandle()) == frame.window);

    const RECT rect = placement(bar.getHandle());
    CHECK(bar.getX() == 100);
    CHECK(bar.getY() == 0);
    CHECK(rect.left == 100);
    CHECK(rect.top == 0);
    CHECK(bar.getWidth() > 0);
    CHECK(bar.getWidth() == rect.right - rect.left);
    CHECK(bar.getHeight() == frame.client().bottom);
    CHECK(SendMessageA(bar.getHandle(), WM_NCHITTEST, 0, 0) == HTCAPTION);
    CHECK(SendMessageA(bar.getHandle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(bar.getHandle()),
                       MAKELPARAM(HTCAPTION, WM_MOUSEMOVE))
          == 0);
    CHECK(GetCursor() == LoadCursorA(nullptr, IDC_SIZEWE));

    tbm::SplitBar second(&limits);
    CHECK(second.create(frame.window, 50, 101) == 0);
}

TEST_CASE("split bar stays within the main window's limits and at the top")
{
    Frame frame;
    SplitLimits limits(0, 300);
    tbm::SplitBar bar(&limits);
    REQUIRE(bar.create(frame.window, 100, nextBarId()) == 1);

    struct Case {
        int x;
        int expected;
    };
    const Case cases[] = {{-50, 0}, {0, 0}, {120, 120}, {300, 300}, {301, 300}, {900, 300}};
    for (const Case& c : cases) {
        CAPTURE(c.x);
        bar.setX(c.x);
        CHECK(bar.getX() == c.expected);
        CHECK(placement(bar.getHandle()).left == c.expected);
        CHECK(placement(bar.getHandle()).top == 0);
    }

    SUBCASE("a drag pulls the top back to 0 and clamps at the limits")
    {
        drag(bar.getHandle(), {{150, 40}, {-20, -30}});
        CHECK(bar.getX() == 0);
        CHECK(bar.getY() == 0);
        CHECK(placement(bar.getHandle()).top == 0);
    }
    SUBCASE("limits on the right side follow the main window")
    {
        limits.splitMin = 400;
        limits.splitMax = 600;
        bar.setX(100);
        CHECK(bar.getX() == 400);
        bar.setX(700);
        CHECK(bar.getX() == 600);
    }
}

TEST_CASE("split bar drag lays out at every step and resets the device once if it moved")
{
    Frame frame;
    SplitLimits limits(0, 300);
    tbm::SplitBar bar(&limits);
    REQUIRE(bar.create(frame.window, 100, nextBarId()) == 1);

    SUBCASE("moved")
    {
        Frame::layoutRequests = 0;
        drag(bar.getHandle(), {{110, 0}, {140, 0}, {180, 0}});
        CHECK(Frame::layoutRequests == 3);
        CHECK(limits.resets == 1);
        CHECK(bar.getX() == 180);
    }
    SUBCASE("back where it began")
    {
        drag(bar.getHandle(), {{150, 0}, {100, 0}});
        CHECK(limits.resets == 0);
        CHECK(bar.getX() == 100);
    }
    SUBCASE("held at a limit the whole time")
    {
        bar.setX(0);
        drag(bar.getHandle(), {{-40, 0}, {-80, 0}});
        CHECK(limits.resets == 0);
    }
    SUBCASE("a programmatic move lays out but resets nothing")
    {
        Frame::layoutRequests = 0;
        bar.setX(200);
        CHECK(Frame::layoutRequests == 1);
        CHECK(limits.resets == 0);
    }
}

TEST_CASE("split bar height changes keep its x")
{
    Frame frame;
    SplitLimits limits(0, 300);
    tbm::SplitBar bar(&limits);
    REQUIRE(bar.create(frame.window, 100, nextBarId()) == 1);
    bar.setX(120);
    bar.setHeight(200);
    CHECK(bar.getX() == 120);
    CHECK(bar.getHeight() == 200);
    const RECT rect = placement(bar.getHandle());
    CHECK(rect.left == 120);
    CHECK(rect.bottom - rect.top == 200);
    CHECK(rect.right - rect.left == bar.getWidth());
}

namespace {

INPUT mouseInput(DWORD flags, POINT at)
{
    INPUT record = {};
    record.type = INPUT_MOUSE;
    record.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    record.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    record.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return record;
}

// The rest of the drag, fed in once the platform's move loop has begun.
struct DragScript {
    static WNDPROC barProc;
    static std::vector<INPUT> rest;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_ENTERSIZEMOVE && !rest.empty()) {
            SendInput(static_cast<UINT>(rest.size()), rest.data(), sizeof(INPUT));
            rest.clear();
        }
        return CallWindowProcA(barProc, window, message, wParam, lParam);
    }
};
WNDPROC DragScript::barProc = nullptr;
std::vector<INPUT> DragScript::rest;

}

TEST_CASE("split bar dragged with the mouse through the platform's move loop")
{
    Frame frame;
    SplitLimits limits(0, 300);
    tbm::SplitBar bar(&limits);
    REQUIRE(bar.create(frame.window, 100, nextBarId()) == 1);
    // Above the windows of other test programs on the same display.
    SetWindowPos(frame.window, HWND_TOPMOST, 300, 200, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(frame.window);
    pumpMessages();
    DragScript::barProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(bar.getHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DragScript::windowProc)));

    RECT start;
    GetWindowRect(bar.getHandle(), &start);
    const POINT grab = {start.left + bar.getWidth() / 2, start.top + 20};
    const int dx = 400;
    DragScript::rest = {mouseInput(0, {grab.x + 10, grab.y + 30}), mouseInput(0, {grab.x + dx / 2, grab.y + 30}),
                        mouseInput(0, {grab.x + dx, grab.y + 30}),
                        mouseInput(MOUSEEVENTF_LEFTUP, {grab.x + dx, grab.y + 30})};
    INPUT press[] = {mouseInput(0, grab), mouseInput(MOUSEEVENTF_LEFTDOWN, grab)};
    Frame::layoutRequests = 0;
    REQUIRE(SendInput(2, press, sizeof(INPUT)) == 2);
    pumpMessages();

    CHECK(DragScript::rest.empty());
    CHECK(bar.getX() == 300);
    CHECK(bar.getY() == 0);
    CHECK(placement(bar.getHandle()).left == 300);
    CHECK(Frame::layoutRequests >= 1);
    CHECK(limits.resets == 1);
}

TEST_CASE("status bar shows one text in the part it draws")
{
    Frame frame;
    tbm::StatusBar& statusBar = tbm::StatusBar::getInstance();
    CHECK(&statusBar == &tbm::StatusBar::getInstance());
    REQUIRE(statusBar.create(frame.window, 100) == 1);
    CHECK(GetDlgCtrlID(statusBar.getHandle()) == 100);
    CHECK(statusBar.getParent() == frame.window);
    RECT rect;
    GetWindowRect(statusBar.getHandle(), &rect);
    CHECK(statusBar.getHeight() == rect.bottom - rect.top);
    CHECK(statusBar.getHeight() > 0);

    const std::string complete = "★★★ 完成！！★★★";
    statusBar.setText(complete);
    char text[64] = "";
    SendMessageA(statusBar.getHandle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    CHECK(std::string(text) == complete);
    GetWindowTextA(statusBar.getHandle(), text, sizeof text);
    CHECK(std::string(text) == complete);
    CHECK(SendMessageA(statusBar.getHandle(), SB_ISSIMPLE, 0, 0) == FALSE);

    statusBar.setText("");
    CHECK(LOWORD(SendMessageA(statusBar.getHandle(), SB_GETTEXTLENGTHA, 0, 0)) == 0);

    SUBCASE("a forwarded size places it along the bottom")
    {
        SetWindowPos(frame.window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
        const RECT client = frame.client();
        statusBar.sendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        const RECT placed = placement(statusBar.getHandle());
        CHECK(placed.bottom == client.bottom);
        CHECK(placed.right - placed.left == client.right);
    }
}

namespace {

constexpr int kBitmapId = 10;
constexpr int kImageSize = 16;
constexpr int kImageCount = 3;
constexpr int kBitmapWidth = kImageSize * kImageCount;
constexpr RGBQUAD kPalette[] = {{255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 255, 0}};
const char* const kToolTipTexts[] = {
    "新規", "開く", "上書き保存", "面を削除", "モデルの中心で回転", "位置大きさの調整", "閲覧モード", "ヘルプ"};

// 8 bits per pixel with a colour table of white, black and red in stripes.
std::vector<BYTE> paletteBitmap()
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = kBitmapWidth;
    header.biHeight = kImageSize;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biClrUsed = 3;
    std::vector<BYTE> data(sizeof header + sizeof kPalette + kBitmapWidth * kImageSize);
    memcpy(data.data(), &header, sizeof header);
    memcpy(data.data() + sizeof header, kPalette, sizeof kPalette);
    BYTE* pixels = data.data() + sizeof header + sizeof kPalette;
    for (int y = 0; y < kImageSize; ++y)
        for (int x = 0; x < kBitmapWidth; ++x)
            pixels[y * kBitmapWidth + x] = static_cast<BYTE>(x % 3);
    return data;
}

// The first string block (ids 0 to 15): ids 1 to 8 hold the tooltip texts.
std::vector<BYTE> stringBlock()
{
    std::vector<WCHAR> block;
    for (int id = 0; id < 16; ++id) {
        if (id < 1 || id > 8) {
            block.push_back(0);
            continue;
        }
        WCHAR wide[64];
        const int length = MultiByteToWideChar(932, 0, kToolTipTexts[id - 1], -1, wide, 64) - 1;
        block.push_back(static_cast<WCHAR>(length));
        block.insert(block.end(), wide, wide + length);
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(block.data());
    return std::vector<BYTE>(bytes, bytes + block.size() * sizeof(WCHAR));
}

// A copy of this program with the toolbar's bitmap and strings added, loaded as data.
struct ResourceModule {
    ResourceModule()
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        const std::string path = folder.file("resources.exe");
        REQUIRE(CopyFileA(self, path.c_str(), FALSE));
        HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
        REQUIRE(update != nullptr);
        std::vector<BYTE> bitmap = paletteBitmap();
        std::vector<BYTE> strings = stringBlock();
        const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        REQUIRE(UpdateResourceA(update, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(kBitmapId), neutral, bitmap.data(),
                                static_cast<DWORD>(bitmap.size())));
        REQUIRE(UpdateResourceA(update, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1), neutral, strings.data(),
                                static_cast<DWORD>(strings.size())));
        REQUIRE(EndUpdateResourceA(update, FALSE));
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        REQUIRE(module != nullptr);
    }
    ~ResourceModule() { FreeLibrary(module); }

    TempDir folder;
    HMODULE module = nullptr;
};

HMODULE resourceModule()
{
    static ResourceModule resources;
    return resources.module;
}

// A frame whose instance holds the resources, and ten buttons with separators at 3 and 8.
struct ToolBarFixture {
    ToolBarFixture() : frame(400, 300)
    {
        SetWindowLongPtrA(frame.window, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(resourceModule()));
        for (int i = 0; i < kButtonCount; ++i) {
            const bool separator = i == 3 || i == 8;
            buttons[i] = {};
            buttons[i].iBitmap = separator ? 0 : i % kImageCount;
            buttons[i].idCommand = separator ? 0 : 200 + i;
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = separator ? BTNS_SEP : BTNS_BUTTON;
        }
    }

    int create(tbm::ToolBar& toolBar, int id = 107)
    {
        return toolBar.create(frame.window, id, buttons, kButtonCount, kBitmapId, kBitmapWidth, kImageSize);
    }

    static constexpr int kButtonCount = 10;
    Frame frame;
    TBBUTTON buttons[kButtonCount];
};

}

TEST_CASE("toolbar is flat with its buttons and measures its height")
{
    ToolBarFixture fixture;
    tbm::ToolBar toolBar;
    CHECK(toolBar.getId() == -1);
    REQUIRE(fixture.create(toolBar) == 1);
    CHECK(GetDlgCtrlID(toolBar.getHandle()) == 107);
    CHECK(GetParent(toolBar.getHandle()) == fixture.frame.window);
    CHECK(toolBar.sendMessage(TB_BUTTONCOUNT, 0, 0) == ToolBarFixture::kButtonCount);
    CHECK((GetWindowLongPtrA(toolBar.getHandle(), GWL_STYLE) & TBSTYLE_FLAT) != 0);
    RECT rect;
    GetWindowRect(toolBar.getHandle(), &rect);
    CHECK(toolBar.getHeight() == rect.bottom - rect.top);
    CHECK(toolBar.getHeight() > kImageSize);

    SUBCASE("a check button set through it")
    {
        toolBar.sendMessage(TB_CHECKBUTTON, 201, TRUE);
        CHECK(toolBar.sendMessage(TB_ISBUTTONCHECKED, 201, 0) != 0);
    }
    SUBCASE("a size passed on fits it to the parent's width")
    {
        SetWindowPos(fixture.frame.window, nullptr, 0, 0, 600, 300, SWP_NOMOVE | SWP_NOZORDER);
        const RECT client = fixture.frame.client();
        toolBar.onSize(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        GetWindowRect(toolBar.getHandle(), &rect);
        CHECK(rect.right - rect.left == client.right);
        CHECK(toolBar.getHeight() == rect.bottom - rect.top);
    }
    SUBCASE("invalidate and updateHeight")
    {
        UpdateWindow(toolBar.getHandle());
        toolBar.invalidate();
        CHECK(GetUpdateRect(toolBar.getHandle(), nullptr, FALSE));
        SetWindowPos(toolBar.getHandle(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
        toolBar.updateHeight();
        GetWindowRect(toolBar.getHandle(), &rect);
        CHECK(toolBar.getHeight() == rect.bottom - rect.top);
    }
}

TEST_CASE("toolbar bitmap shows white as the button face and goes with the toolbar")
{
    ToolBarFixture fixture;
    HBITMAP mapped = nullptr;
    {
        tbm::ToolBar toolBar;
        REQUIRE(fixture.create(toolBar, 104) == 1);
        mapped = toolBar.getBitmap();
        REQUIRE(mapped != nullptr);
        BITMAP info;
        REQUIRE(GetObjectA(mapped, sizeof info, &info) != 0);
        CHECK(info.bmWidth == kBitmapWidth);
        CHECK(info.bmHeight == kImageSize);

        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, mapped);
        const COLORREF expected[] = {GetNearestColor(dc, GetSysColor(COLOR_BTNFACE)), RGB(0, 0, 0), RGB(255, 0, 0)};
        int wrong = 0;
        for (int y = 0; y < kImageSize; ++y)
            for (int x = 0; x < kBitmapWidth; ++x)
                wrong += GetPixel(dc, x, y) != expected[x % 3];
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        CHECK(wrong == 0);
    }
    CHECK(GetObjectType(mapped) == 0);
}

TEST_CASE("toolbar tooltips cover every position but those without a string")
{
    ToolBarFixture fixture;
    tbm::ToolBar toolBar;
    REQUIRE(fixture.create(toolBar) == 1);
    const int stringIds[ToolBarFixture::kButtonCount] = {1, 2, 3, -1, 4, 5, 6, 7, -1, 8};
    REQUIRE(toolBar.createToolTips(stringIds, ToolBarFixture::kButtonCount) == 1);

    HWND toolTips = toolBar.getToolTips();
    REQUIRE(toolTips != nullptr);
    char className[32] = "";
    GetClassNameA(toolTips, className, sizeof className);
    CHECK(std::string(className) == TOOLTIPS_CLASSA);
    CHECK(GetWindow(toolTips, GW_OWNER) == fixture.frame.window);
    CHECK(reinterpret_cast<HWND>(toolBar.sendMessage(TB_GETTOOLTIPS, 0, 0)) == toolTips);
    REQUIRE(SendMessageA(toolTips, TTM_GETTOOLCOUNT, 0, 0) == 8);

    const int positions[8] = {0, 1, 2, 4, 5, 6, 7, 9};
    for (int tool = 0; tool < 8; ++tool) {
        CAPTURE(tool);
        char text[256] = "";
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.lpszText = text;
        REQUIRE(SendMessageA(toolTips, TTM_ENUMTOOLSA, tool, reinterpret_cast<LPARAM>(&info)));
        RECT item;
        toolBar.sendMessage(TB_GETITEMRECT, positions[tool], reinterpret_cast<LPARAM>(&item));
        CHECK(info.hwnd == toolBar.getHandle());
        CHECK(EqualRect(&info.rect, &item));
        CHECK(std::string(text) == kToolTipTexts[tool]);
    }
}
