#pragma once

#include <d3d9.h>
#include <windows.h>

#include <string>

namespace tbm {

class IDeviceEventListener;

// The name of a format without its D3DFMT_ prefix, or "UNKNOWN".
std::string formatName(D3DFORMAT format);

// The one owner of the Direct3D object and of the view window's device.
class D3DDeviceManager {
public:
    using Direct3DFactory = IDirect3D9*(WINAPI*)(UINT sdkVersion);

    static D3DDeviceManager& getInstance();

    int create(HWND window);
    IDirect3DDevice9* getDevice() const { return device_; }
    void setListener(IDeviceEventListener* listener) { listener_ = listener; }
    int reset();
    // The resets that succeeded so far.
    unsigned getResetCount() const { return resetCount_; }
    void checkDeviceLost();
    void release();

    // The frame that is closed on a driver internal error.
    void setMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }
    // Direct3DCreate9 unless replaced.
    void setDirect3DFactory(Direct3DFactory factory) { direct3DFactory_ = factory; }

    D3DDeviceManager(const D3DDeviceManager&) = delete;
    D3DDeviceManager& operator=(const D3DDeviceManager&) = delete;

private:
    D3DDeviceManager() = default;

    int createDirect3D();
    int queryDisplayMode();
    int chooseDepthFormat();
    void fillPresentParameters();
    int createDevice();
    int createDeviceHal();
    int createDeviceRef();
    int tryCreateDevice(D3DDEVTYPE type, DWORD behaviour, const char* logLine);
    void notifyDeviceLost();
    void notifyDeviceReset();

    IDirect3D9* direct3D_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    D3DFORMAT depthFormat_ = D3DFMT_UNKNOWN;
    D3DPRESENT_PARAMETERS presentParameters_ = {};
    D3DDISPLAYMODE displayMode_ = {};
    HWND window_ = nullptr;
    IDeviceEventListener* listener_ = nullptr;
    unsigned resetCount_ = 0;
    HWND mainWindow_ = nullptr;
    Direct3DFactory direct3DFactory_ = Direct3DCreate9;
};

}
