#include "Font.h"

#include "gfl/Logger.h"
#include "modeller/model/ComRef.h"

namespace tbm {

Font::~Font()
{
    release();
}

HRESULT Font::create(IDirect3DDevice9* device, int height, unsigned width, const std::string& face)
{
    device_ = device;
    height_ = height;
    width_ = width;
    faceName_ = face;
    weight_ = FW_NORMAL;
    mipLevels_ = 0;
    italic_ = FALSE;
    charSet_ = SHIFTJIS_CHARSET;
    outputPrecision_ = OUT_DEFAULT_PRECIS;
    quality_ = PROOF_QUALITY;
    pitchAndFamily_ = DEFAULT_PITCH | FF_DONTCARE;
    return recreate();
}

HRESULT Font::recreate()
{
    release();
    const HRESULT result = D3DXCreateFontA(device_, height_, width_, weight_, mipLevels_, italic_, charSet_,
                                           outputPrecision_, quality_, pitchAndFamily_, faceName_.c_str(), &font_);
    if (FAILED(result)) {
        font_ = nullptr;
        Logger::getInstance().print(1, "D3DXFontの作成に失敗しました。");
    } else {
        Logger::getInstance().print(3, "D3DXFontを作成しました。");
    }
    return result;
}

HRESULT Font::drawText(int x, int y, const char* text, D3DCOLOR colour)
{
    if (!font_)
        return E_FAIL;
    RECT rect = {x, y, x, y};
    return font_->DrawTextA(nullptr, text, -1, &rect, DT_NOCLIP | DT_SINGLELINE, colour) == 0 ? E_FAIL : S_OK;
}

void Font::onLostDevice()
{
    if (font_)
        font_->OnLostDevice();
}

void Font::onResetDevice()
{
    if (font_)
        font_->OnResetDevice();
}

void Font::release()
{
    if (!font_)
        return;
    releaseInterface(font_);
    Logger::getInstance().print(3, "D3DXFontを破棄しました。");
}

}
