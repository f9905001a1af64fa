#pragma once

#include <d3d9.h>
#include <windows.h>

// One hidden WS_POPUP window and a HAL device (software vertex processing) per
// test program, made on first use and released at exit.
class TestDevice {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 256;

    static IDirect3DDevice9* get();
    static HWND window();

private:
    TestDevice();
    ~TestDevice();
    static TestDevice& instance();

    HWND window_ = nullptr;
    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};
