#include "modeller/app/ToolBar.h"

#include "gfl/Logger.h"

namespace tbm {

namespace {

// Filled once per tooltip window and reused for each of its tools.
TOOLINFOA toolInfo;

}

ToolBar::~ToolBar()
{
    if (bitmap_)
        DeleteObject(bitmap_);
}

int ToolBar::create(HWND parent, int id, TBBUTTON buttons[], int buttonCount, int bitmapId, int bitmapWidth,
                    int imageSize)
{
    parent_ = parent;
    id_ = id;
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));

    COLORMAP whiteToFace = {RGB(255, 255, 255), GetSysColor(COLOR_BTNFACE)};
    bitmap_ = CreateMappedBitmap(instance, bitmapId, 0, &whiteToFace, 1);

    window_ = CreateToolbarEx(parent, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NODIVIDER, id,
                              bitmapWidth / imageSize, nullptr, reinterpret_cast<UINT_PTR>(bitmap_), buttons,
                              buttonCount, 0, 0, imageSize, imageSize, sizeof(TBBUTTON));
    if (!window_)
        return 0;
    SetWindowLongPtrA(window_, GWL_STYLE, GetWindowLongPtrA(window_, GWL_STYLE) | TBSTYLE_FLAT);
    SendMessageA(window_, TB_AUTOSIZE, 0, 0);
    updateHeight();
    return 1;
}

int ToolBar::createToolTips(const int stringIds[], unsigned count)
{
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent_, GWLP_HINSTANCE));
    toolTips_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, parent_, nullptr, instance, nullptr);
    if (!toolTips_) {
        Logger::getInstance().print(1, "ツールチップの作成に失敗しました。");
        return 0;
    }

    toolInfo = {};
    toolInfo.cbSize = TTTOOLINFOA_V2_SIZE;
    toolInfo.uFlags = TTF_SUBCLASS;
    toolInfo.hwnd = window_;
    // One id for every tool: they are told apart by their rectangles.
    toolInfo.uId = reinterpret_cast<UINT_PTR>(toolTips_);
    toolInfo.hinst = instance;
    for (unsigned i = 0; i < count; ++i) {
        if (stringIds[i] == -1)
            continue;
        char text[256] = "";
        LoadStringA(instance, stringIds[i], text, sizeof text);
        toolInfo.lpszText = text;
        SendMessageA(window_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&toolInfo.rect));
        SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&toolInfo));
    }
    SendMessageA(window_, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(toolTips_), 0);
    return 1;
}

void ToolBar::onSize(UINT message, WPARAM wParam, LPARAM lParam)
{
    SendMessageA(window_, message, wParam, lParam);
    updateHeight();
}

LRESULT ToolBar::sendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(window_, message, wParam, lParam);
}

void ToolBar::updateHeight()
{
    RECT bounds;
    GetWindowRect(window_, &bounds);
    height_ = bounds.bottom - bounds.top;
}

void ToolBar::invalidate()
{
    InvalidateRect(window_, nullptr, TRUE);
}

}
