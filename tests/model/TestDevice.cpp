#include "TestDevice.h"

#include <cstdio>

namespace {

constexpr int kAttempts = 10;
constexpr DWORD kRetryMs = 300;

}

TestDevice::TestDevice()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TBM_TEST_DEVICE";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("TBM_TEST_DEVICE", "test", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window_ || !direct3d_) {
        std::fprintf(stderr, "test device: no %s (error %lu)\n", window_ ? "Direct3D object" : "window",
                     GetLastError());
        return;
    }
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // Under a loaded display the first tries can fail; a device is rarely refused for long.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const HRESULT created = direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_);
        if (SUCCEEDED(created))
            return;
        std::fprintf(stderr, "test device: CreateDevice failed with %08lx\n", static_cast<unsigned long>(created));
        device_ = nullptr;
        Sleep(kRetryMs);
    }
}

TestDevice::~TestDevice()
{
    if (device_)
        device_->Release();
    if (direct3d_)
        direct3d_->Release();
    if (window_)
        DestroyWindow(window_);
}

TestDevice& TestDevice::instance()
{
    static TestDevice device;
    return device;
}

IDirect3DDevice9* TestDevice::get()
{
    return instance().device_;
}

HWND TestDevice::window()
{
    return instance().window_;
}
