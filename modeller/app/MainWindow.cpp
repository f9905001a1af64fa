#include "modeller/app/MainWindow.h"

#include "modeller/model/ComRef.h"

#include <commctrl.h>
#include <d3d9.h>

#include <algorithm>
#include <utility>

#include "gfl/Logger.h"
#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/Modering.h"
#include "modeller/app/ModeringPanel.h"
#include "modeller/app/PartsListPanel.h"
#include "modeller/app/StatusBar.h"
#include "modeller/app/resource.h"

namespace tbm {

namespace {

constexpr char kClassName[] = "TobureModelerClass";
constexpr char kProductTitle[] = "とぶれモデラー";
constexpr char kVersion[] = "Ver1.0";
constexpr char kNotice[] = "Copyright (C) とぶれモデラー製作委員会";
constexpr int kStatusBarId = 100;
constexpr int kSplitBarId = 101;
constexpr int kPartsListId = 102;
constexpr int kModeringId = 105;
constexpr int kFirstSplitX = 100;
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 300;
// The parts list is never wider than this, on either side.
constexpr int kPartsListMaxWidth = 300;

}

MainWindow& MainWindow::getInstance()
{
    static MainWindow mainWindow;
    return mainWindow;
}

MainWindow::MainWindow() : splitBar_(this), userInterface_(systemUserInterface()) {}

int MainWindow::run(HINSTANCE instance, int showCommand)
{
    if (!startUp(instance, showCommand))
        return 1;
    return messageLoop();
}

int MainWindow::startUp(HINSTANCE instance, int showCommand)
{
    PartsListPanel& partsList = PartsListPanel::getInstance();
    ModeringPanel& modering = ModeringPanel::getInstance();
    leftPanel_ = &partsList;
    rightPanel_ = &modering;

    InitCommonControls();
    if (!createWindow(instance))
        return 0;
    if (!splitBar_.create(window_, kFirstSplitX, kSplitBarId))
        return 0;
    if (!partsList.create("PARTSLIST_CLASS", window_, kPartsListId))
        return 0;
    modering.setFrame(this);
    if (!modering.create("MODERING_CLASS", window_, kModeringId))
        return 0;
    // The view takes its place before the device takes its size from it.
    RECT client;
    GetClientRect(window_, &client);
    placeChildren(client.bottom);
    Logger::getInstance().print(3, "ウィンドウ生成成功");

    if (!modering.getD3DWindow().initDirect3D())
        return 0;
    Logger::getInstance().print(3, "Direct3D生成成功");
    Logger::getInstance().print(3, "初期化成功");

    ShowWindow(window_, showCommand);
    modering.resetDevice();

    Modering* controller = Modering::getInstance();
    controller->setFrame(this);
    controller->setPartsList(&partsList);
    controller->setUserInterface(userInterface_);
    modering.setWindowEventListener(controller);
    modering.setKeyEventListener(controller);
    // A failed start posts WM_CLOSE: the editor then closes the normal way.
    controller->start();
    UpdateWindow(window_);
    return 1;
}

int MainWindow::createWindow(HINSTANCE instance)
{
    previousSizeType_ = SIZE_RESTORED;
    inSizeMove_ = false;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &MainWindow::staticWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, IDI_MAIN_ICON);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszMenuName = IDR_MAIN_MENU;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return 0;

    window_ =
        CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kProductTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, kFrameWidth, kFrameHeight, nullptr, nullptr, instance, nullptr);
    if (!window_)
        return 0;
    D3DDeviceManager::getInstance().setMainWindow(window_);

    RECT outer;
    RECT client;
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &client);
    frameBorderWidth_ = (outer.right - outer.left - client.right) / 2;
    return 1;
}

int MainWindow::messageLoop()
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return 1;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// WM_GETMINMAXINFO comes before WM_NCCREATE, so the instance is stored at the first message.
LRESULT CALLBACK MainWindow::staticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) {
        self = &getInstance();
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    return self->windowProc(window, message, wParam, lParam);
}

LRESULT MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: onCreate(window); return 0;
    case WM_DESTROY: onDestroy(); return 0;
    case WM_SIZE: onSize(message, wParam, lParam); return 0;
    case WM_CLOSE: onClose(window); return 0;
    case WM_GETMINMAXINFO: onGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)); break;
    case WM_KEYDOWN: return onKeyDown(window, message, wParam, lParam);
    case WM_SYSKEYUP: return onSysKeyUp(window, message, wParam, lParam);
    case WM_COMMAND: return onCommandMessage(window, message, wParam, lParam);
    case WM_SIZING: onSizing(*reinterpret_cast<const RECT*>(lParam)); break;
    case WM_ENTERSIZEMOVE:
        GetClientRect(window, &sizeMoveStart_);
        inSizeMove_ = true;
        break;
    case WM_EXITSIZEMOVE: onExitSizeMove(window); break;
    case SplitBar::kLayoutPanels: layoutPanels(); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void MainWindow::onCreate(HWND window)
{
    StatusBar::getInstance().create(window, kStatusBarId);
    centerWindow(window);
}

void MainWindow::onDestroy()
{
    PostQuitMessage(0);
    window_ = nullptr;
}

// A restore after minimising changes nothing. Maximising and restoring reset the
// device at once; a border drag resets it when the move loop ends. Any other
// resize (snapping, a programmatic one, a window manager's) resets when the view
// no longer matches the back buffer.
void MainWindow::onSize(UINT message, WPARAM type, LPARAM size)
{
    const UINT previous = previousSizeType_;
    previousSizeType_ = static_cast<UINT>(type);
    const int width = LOWORD(size);
    const int height = HIWORD(size);
    bool maximizeChange = false;
    switch (type) {
    case SIZE_MINIMIZED: return;
    case SIZE_RESTORED:
        if (previous == SIZE_MINIMIZED)
            return;
        maximizeChange = previous == SIZE_MAXIMIZED;
        if (maximizeChange || !inSizeMove_)
            onMaximizeRestore(width);
        break;
    case SIZE_MAXIMIZED:
        if (previous == SIZE_MINIMIZED)
            return;
        onMaximizeRestore(width);
        maximizeChange = true;
        break;
    default: break;
    }
    StatusBar::getInstance().sendMessage(message, type, size);
    placeChildren(height);
    if (maximizeChange || (!inSizeMove_ && viewDiffersFromBackBuffer()))
        resetDevice();
}

void MainWindow::onClose(HWND window)
{
    Modering::getInstance()->end();
    DestroyWindow(window);
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info)
{
    info.ptMinTrackSize.x = kMinimumWidth;
    info.ptMinTrackSize.y = kMinimumHeight;
}

LRESULT MainWindow::onKeyDown(HWND window, UINT message, WPARAM key, LPARAM lParam)
{
    if (key != VK_ESCAPE)
        return DefWindowProcA(window, message, key, lParam);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

// A released F4 destroys the frame without stopping the controller.
LRESULT MainWindow::onSysKeyUp(HWND window, UINT message, WPARAM key, LPARAM lParam)
{
    if (key != VK_F4)
        return DefWindowProcA(window, message, key, lParam);
    DestroyWindow(window);
    return 0;
}

LRESULT MainWindow::onCommandMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (id == IDM_EXIT) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (id == IDM_SWAP_PANELS)
        swapPanels();
    else
        onCommand(window, id);
    return DefWindowProcA(window, message, wParam, lParam);
}

void MainWindow::onExitSizeMove(HWND window)
{
    inSizeMove_ = false;
    RECT client;
    GetClientRect(window, &client);
    if (client.right != sizeMoveStart_.right || client.bottom != sizeMoveStart_.bottom)
        resetDevice();
}

void MainWindow::placeChildren(int clientHeight)
{
    splitBar_.setHeight(clientHeight - StatusBar::getInstance().getHeight());
    layoutPanels();
}

void MainWindow::layoutPanels()
{
    // Sizes that come while the frame is being made find no panels to place.
    if (!window_)
        return;
    RECT client;
    GetClientRect(window_, &client);
    const int height = std::max(0, static_cast<int>(client.bottom) - StatusBar::getInstance().getHeight());
    const int x = splitBar_.getX();
    leftPanel_->setRect({0, 0, x, height});
    rightPanel_->setRect({x + splitBar_.getWidth(), 0, client.right, height});
}

int MainWindow::getSplitMin() const
{
    if (isPartsListOnLeft())
        return 0;
    return clientWidth() - splitBar_.getWidth() - kPartsListMaxWidth;
}

int MainWindow::getSplitMax() const
{
    if (isPartsListOnLeft())
        return kPartsListMaxWidth;
    return clientWidth() - splitBar_.getWidth();
}

void MainWindow::swapPanels()
{
    std::swap(leftPanel_, rightPanel_);
    const int width = partsListWidth();
    if (isPartsListOnLeft())
        splitBar_.setX(width);
    else
        splitBar_.setX(clientWidth() - splitBar_.getWidth() - width);
    // The bar lays the panels out only when it moves; a swap must also when it stays.
    layoutPanels();
}

void MainWindow::onSizing(const RECT& outer)
{
    if (isPartsListOnLeft())
        return;
    const int width = outer.right - outer.left - 2 * frameBorderWidth_;
    splitBar_.setX(width - splitBar_.getWidth() - partsListWidth());
}

void MainWindow::onMaximizeRestore(int clientWidth)
{
    if (isPartsListOnLeft())
        return;
    splitBar_.setX(clientWidth - splitBar_.getWidth() - partsListWidth());
}

void MainWindow::onCommand(HWND frame, int id)
{
    if (id == IDM_VERSION) {
        char text[256];
        wsprintfA(text, "%s %s\n\n%s", kProductTitle, kVersion, kNotice);
        userInterface_.showMessage(frame, text, MB_OK);
        return;
    }
    if (!ModeringPanel::getInstance().onCommand(frame, id))
        PartsListPanel::getInstance().onCommand(frame, id);
}

void MainWindow::setTitle(const std::string& name)
{
    SetWindowTextA(window_, (name + " - " + kProductTitle).c_str());
}

void MainWindow::resetTitle()
{
    SetWindowTextA(window_, kProductTitle);
}

void MainWindow::resetDevice()
{
    ModeringPanel::getInstance().resetDevice();
}

HWND MainWindow::getViewWindow() const
{
    return ModeringPanel::getInstance().getD3DWindow().getHandle();
}

bool MainWindow::isPartsListOnLeft() const
{
    return leftPanel_ == static_cast<IPanel*>(&PartsListPanel::getInstance());
}

int MainWindow::clientWidth() const
{
    RECT client = {};
    GetClientRect(window_, &client);
    return client.right;
}

int MainWindow::partsListWidth() const
{
    const RECT& rect = PartsListPanel::getInstance().getRect();
    return rect.right - rect.left;
}

// An empty view has nothing to show and is left alone.
bool MainWindow::viewDiffersFromBackBuffer() const
{
    IDirect3DDevice9* device = D3DDeviceManager::getInstance().getDevice();
    HWND view = getViewWindow();
    if (!device || !view)
        return false;
    RECT client;
    GetClientRect(view, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return false;
    ComRef<IDirect3DSwapChain9> swapChain;
    D3DPRESENT_PARAMETERS parameters = {};
    if (FAILED(device->GetSwapChain(0, swapChain.out())) || FAILED(swapChain->GetPresentParameters(&parameters)))
        return false;
    return static_cast<UINT>(client.right) != parameters.BackBufferWidth
           || static_cast<UINT>(client.bottom) != parameters.BackBufferHeight;
}

void centerWindow(HWND window)
{
    RECT reference;
    if (HWND parent = GetParent(window))
        GetClientRect(parent, &reference);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &reference, 0);
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int x = reference.left + ((reference.right - reference.left) - (bounds.right - bounds.left)) / 2;
    const int y = reference.top + ((reference.bottom - reference.top) - (bounds.bottom - bounds.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE);
}

}
