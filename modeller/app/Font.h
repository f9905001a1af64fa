#pragma once

#include <d3dx9core.h>

#include <string>

namespace tbm {

// One D3DX font object with every creation parameter kept, so that it can be
// made again; follows the device through loss and reset.
class Font {
public:
    Font() = default;
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    HRESULT create(IDirect3DDevice9* device, int height, unsigned width, const std::string& face);
    HRESULT recreate();
    HRESULT drawText(int x, int y, const char* text, D3DCOLOR colour);
    void onLostDevice();
    void onResetDevice();
    void release();

private:
    IDirect3DDevice9* device_ = nullptr;
    ID3DXFont* font_ = nullptr;
    INT height_ = 0;
    UINT width_ = 0;
    UINT weight_ = 0;
    UINT mipLevels_ = 0;
    BOOL italic_ = FALSE;
    DWORD charSet_ = 0;
    DWORD outputPrecision_ = 0;
    DWORD quality_ = 0;
    DWORD pitchAndFamily_ = 0;
    std::string faceName_;
};

}
