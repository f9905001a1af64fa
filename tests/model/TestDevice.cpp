#include "TestDevice.h"

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
    if (!window_ || !direct3d_)
        return;
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                            &parameters, &device_);
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
