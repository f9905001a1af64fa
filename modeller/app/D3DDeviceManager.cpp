#include "D3DDeviceManager.h"

#include "IDeviceEventListener.h"
#include "modeller/model/ComRef.h"
#include "gfl/Logger.h"

namespace tbm {

namespace {
struct FormatEntry {
    D3DFORMAT format;
    const char* name;
};

#define TBM_FORMAT(name)                                                                                               \
    {                                                                                                                  \
        D3DFMT_##name, #name                                                                                           \
    }
const FormatEntry kFormatNames[] = {
    TBM_FORMAT(R8G8B8),      TBM_FORMAT(A8R8G8B8),     TBM_FORMAT(X8R8G8B8),
    TBM_FORMAT(R5G6B5),      TBM_FORMAT(X1R5G5B5),     TBM_FORMAT(A1R5G5B5),
    TBM_FORMAT(A4R4G4B4),    TBM_FORMAT(R3G3B2),       TBM_FORMAT(A8),
    TBM_FORMAT(A8R3G3B2),    TBM_FORMAT(X4R4G4B4),     TBM_FORMAT(A2B10G10R10),
    TBM_FORMAT(A8B8G8R8),    TBM_FORMAT(X8B8G8R8),     TBM_FORMAT(G16R16),
    TBM_FORMAT(A2R10G10B10), TBM_FORMAT(A16B16G16R16), TBM_FORMAT(A8P8),
    TBM_FORMAT(P8),          TBM_FORMAT(L8),           TBM_FORMAT(A8L8),
    TBM_FORMAT(A4L4),        TBM_FORMAT(V8U8),         TBM_FORMAT(L6V5U5),
    TBM_FORMAT(X8L8V8U8),    TBM_FORMAT(Q8W8V8U8),     TBM_FORMAT(V16U16),
    TBM_FORMAT(A2W10V10U10), TBM_FORMAT(UYVY),         TBM_FORMAT(R8G8_B8G8),
    TBM_FORMAT(YUY2),        TBM_FORMAT(G8R8_G8B8),    TBM_FORMAT(DXT1),
    TBM_FORMAT(DXT2),        TBM_FORMAT(DXT3),         TBM_FORMAT(DXT4),
    TBM_FORMAT(DXT5),        TBM_FORMAT(D16_LOCKABLE), TBM_FORMAT(D32),
    TBM_FORMAT(D15S1),       TBM_FORMAT(D24S8),        TBM_FORMAT(D24X8),
    TBM_FORMAT(D24X4S4),     TBM_FORMAT(D16),          TBM_FORMAT(D32F_LOCKABLE),
    TBM_FORMAT(D24FS8),      TBM_FORMAT(L16),          TBM_FORMAT(VERTEXDATA),
    TBM_FORMAT(INDEX16),     TBM_FORMAT(INDEX32),      TBM_FORMAT(Q16W16V16U16),
    TBM_FORMAT(R16F),        TBM_FORMAT(G16R16F),      TBM_FORMAT(A16B16G16R16F),
    TBM_FORMAT(R32F),        TBM_FORMAT(G32R32F),      TBM_FORMAT(A32B32G32R32F),
    TBM_FORMAT(CxV8U8),
};
#undef TBM_FORMAT

void log(int level, const char* line)
{
    Logger::getInstance().print(level, "%s", line);
}
}

std::string formatName(D3DFORMAT format)
{
    for (const FormatEntry& entry : kFormatNames) {
        if (entry.format == format)
            return entry.name;
    }
    return "UNKNOWN";
}

D3DDeviceManager& D3DDeviceManager::getInstance()
{
    static D3DDeviceManager instance;
    return instance;
}

int D3DDeviceManager::create(HWND window)
{
    window_ = window;
    if (!createDirect3D() || !queryDisplayMode() || !chooseDepthFormat())
        return 0;
    fillPresentParameters();
    return createDevice();
}

int D3DDeviceManager::createDirect3D()
{
    direct3D_ = direct3DFactory_(D3D_SDK_VERSION);
    if (!direct3D_) {
        log(1, "Direct3Dオブジェクトの生成に失敗しました。");
        return 0;
    }
    log(3, "Direct3Dオブジェクトを生成しました。");
    return 1;
}

int D3DDeviceManager::queryDisplayMode()
{
    if (FAILED(direct3D_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode_))) {
        log(1, "現在の画面モードの取得失敗");
        return 0;
    }
    Logger& logger = Logger::getInstance();
    logger.print(3, "現在の画面情報");
    logger.print(3, "　　　Width [ %u ]", displayMode_.Width);
    logger.print(3, "　　　Height [ %u ]", displayMode_.Height);
    logger.print(3, "　　　RefreshRate [ %u ]", displayMode_.RefreshRate);
    logger.print(3, "　　　Format [ %s ]", formatName(displayMode_.Format).c_str());
    return 1;
}

int D3DDeviceManager::chooseDepthFormat()
{
    static const D3DFORMAT kCandidates[] = {D3DFMT_D16, D3DFMT_D32, D3DFMT_D24X8};
    depthFormat_ = D3DFMT_UNKNOWN;
    for (D3DFORMAT candidate : kCandidates) {
        if (SUCCEEDED(direct3D_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, displayMode_.Format,
                                                   D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, candidate))) {
            depthFormat_ = candidate;
            Logger::getInstance().print(3, "深度バッファフォーマット[ %s ]", formatName(candidate).c_str());
            return 1;
        }
    }
    log(1, "有効な深度バッファフォーマットが見つからなかった。");
    return 0;
}

void D3DDeviceManager::fillPresentParameters()
{
    presentParameters_ = {};
    presentParameters_.BackBufferWidth = 0;
    presentParameters_.BackBufferHeight = 0;
    presentParameters_.BackBufferFormat = displayMode_.Format;
    presentParameters_.BackBufferCount = 1;
    presentParameters_.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParameters_.MultiSampleQuality = 0;
    presentParameters_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters_.hDeviceWindow = window_;
    presentParameters_.Windowed = TRUE;
    presentParameters_.EnableAutoDepthStencil = TRUE;
    presentParameters_.AutoDepthStencilFormat = depthFormat_;
    presentParameters_.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    presentParameters_.FullScreen_RefreshRateInHz = 0;
    presentParameters_.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

int D3DDeviceManager::createDevice()
{
    if (createDeviceHal() || createDeviceRef())
        return 1;
    log(1, "Direct3Dデバイスの生成に失敗しました。");
    return 0;
}

int D3DDeviceManager::createDeviceHal()
{
    return tryCreateDevice(D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                           "Direct3Dデバイスを生成しました。[HAL&HARD]")
           || tryCreateDevice(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              "Direct3Dデバイスを生成しました。[HAL&SOFT]");
}

int D3DDeviceManager::createDeviceRef()
{
    return tryCreateDevice(D3DDEVTYPE_REF, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                           "Direct3Dデバイスを生成しました。[REF&HARD]")
           || tryCreateDevice(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              "Direct3Dデバイスを生成しました。[REF&SOFT]");
}

int D3DDeviceManager::tryCreateDevice(D3DDEVTYPE type, DWORD behaviour, const char* logLine)
{
    D3DPRESENT_PARAMETERS parameters = presentParameters_;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(direct3D_->CreateDevice(D3DADAPTER_DEFAULT, type, window_, behaviour, &parameters, &device)) || !device)
        return 0;
    device_ = device;
    log(3, logLine);
    return 1;
}

int D3DDeviceManager::reset()
{
    if (!device_) {
        log(2, "デバイスがまだ生成されていない。");
        return 0;
    }
    notifyDeviceLost();
    D3DPRESENT_PARAMETERS parameters = presentParameters_;
    const bool succeeded = SUCCEEDED(device_->Reset(&parameters));
    if (succeeded) {
        ++resetCount_;
        log(3, "デバイスをリセットしました。");
    } else {
        log(1, "デバイスのリセットに失敗しました。");
    }
    notifyDeviceReset();
    return succeeded ? 1 : 0;
}

void D3DDeviceManager::checkDeviceLost()
{
    if (!device_) {
        log(2, "デバイスがまだ生成されていない");
        return;
    }
    switch (device_->TestCooperativeLevel()) {
    case D3DERR_DRIVERINTERNALERROR:
        log(1, "内部ドライバエラー。アプリケーションを終了します");
        PostMessageA(mainWindow_, WM_CLOSE, 0, 0);
        break;
    case D3DERR_DEVICELOST:
        log(2, "デバイスがロストしていますが、現在リセットできません。");
        SleepEx(10, TRUE);
        break;
    case D3DERR_DEVICENOTRESET:
        log(3, "デバイスがロストしています。リセットします");
        reset();
        break;
    default: break;
    }
}

void D3DDeviceManager::release()
{
    if (device_) {
        log(3, "Direct3Dデバイスを解放します。");
        releaseInterface(device_);
        log(3, "Direct3Dデバイスを解放しました。");
    }
    if (direct3D_) {
        releaseInterface(direct3D_);
        log(3, "Direct3Dオブジェクトを解放しました。");
    }
    listener_ = nullptr;
}

void D3DDeviceManager::notifyDeviceLost()
{
    if (listener_)
        listener_->OnDeviceLost();
}

void D3DDeviceManager::notifyDeviceReset()
{
    if (listener_)
        listener_->OnDeviceReset();
}

}
