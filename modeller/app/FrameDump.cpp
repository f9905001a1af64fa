#include "modeller/app/FrameDump.h"

#include "modeller/model/ComRef.h"

#include <d3dx9.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace tbm {

const char* frameDumpPath()
{
    const char* path = std::getenv("TOBURE_FRAME_DUMP");
    return path && *path ? path : nullptr;
}

HRESULT saveBackBuffer(IDirect3DDevice9* device, const char* path)
{
    ComRef<IDirect3DSurface9> backBuffer;
    HRESULT result = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.out());
    if (FAILED(result))
        return result;
    const std::string temporary = std::string(path) + ".part";
    result = D3DXSaveSurfaceToFileA(temporary.c_str(), D3DXIFF_BMP, backBuffer.get(), nullptr, nullptr);
    if (FAILED(result)) {
        DeleteFileA(temporary.c_str());
        return result;
    }
    if (!MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return E_FAIL;
    }
    return S_OK;
}

void dumpFrame(IDirect3DDevice9* device)
{
    if (const char* path = frameDumpPath())
        saveBackBuffer(device, path);
}

}
