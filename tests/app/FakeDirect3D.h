#pragma once

#include <d3d9.h>

#include <string>
#include <vector>

// Do-nothing implementations of the two Direct3D interfaces (every call fails
// with E_NOTIMPL or gives 0), with a reference count that never deletes: the
// fakes below live in the test and override only what the device manager calls.
// clang-format off
class Direct3D9Stub : public IDirect3D9 {
public:
    ULONG references = 1;
    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }
    STDMETHOD_(HRESULT, RegisterSoftwareDevice)(void*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterCount)() override { return 0; }
    STDMETHOD_(HRESULT, GetAdapterIdentifier)(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterModeCount)(UINT, D3DFORMAT) override { return 0; }
    STDMETHOD_(HRESULT, EnumAdapterModes)(UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetAdapterDisplayMode)(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CheckDeviceType)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CheckDeviceFormat)(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CheckDeviceMultiSampleType)(UINT, D3DDEVTYPE, D3DFORMAT, WINBOOL, D3DMULTISAMPLE_TYPE, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CheckDepthStencilMatch)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CheckDeviceFormatConversion)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetDeviceCaps)(UINT, D3DDEVTYPE, D3DCAPS9*) override { return E_NOTIMPL; }
    STDMETHOD_(HMONITOR, GetAdapterMonitor)(UINT) override { return 0; }
    STDMETHOD_(HRESULT, CreateDevice)(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, struct IDirect3DDevice9**) override { return E_NOTIMPL; }
};
// clang-format on

// clang-format off
class Direct3DDevice9Stub : public IDirect3DDevice9 {
public:
    ULONG references = 1;
    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }
    STDMETHOD_(HRESULT, TestCooperativeLevel)() override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAvailableTextureMem)() override { return 0; }
    STDMETHOD_(HRESULT, EvictManagedResources)() override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetDirect3D)(IDirect3D9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetDeviceCaps)(D3DCAPS9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetDisplayMode)(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetCreationParameters)(D3DDEVICE_CREATION_PARAMETERS *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetCursorProperties)(UINT, UINT, IDirect3DSurface9*) override { return E_NOTIMPL; }
    STDMETHOD_(void, SetCursorPosition)(int, int, DWORD) override {}
    STDMETHOD_(WINBOOL, ShowCursor)(WINBOOL) override { return 0; }
    STDMETHOD_(HRESULT, CreateAdditionalSwapChain)(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetSwapChain)(UINT, IDirect3DSwapChain9**) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetNumberOfSwapChains)() override { return 0; }
    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, Present)(const RECT *, const RECT *, HWND, const RGNDATA *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetBackBuffer)(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetRasterStatus)(UINT, D3DRASTER_STATUS*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetDialogBoxMode)(WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD_(void, SetGammaRamp)(UINT, DWORD, const D3DGAMMARAMP *) override {}
    STDMETHOD_(void, GetGammaRamp)(UINT, D3DGAMMARAMP*) override {}
    STDMETHOD_(HRESULT, CreateTexture)(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateVolumeTexture)(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateCubeTexture)(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateVertexBuffer)(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateIndexBuffer)(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateRenderTarget)(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, WINBOOL, IDirect3DSurface9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateDepthStencilSurface)(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, WINBOOL, IDirect3DSurface9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, UpdateSurface)(IDirect3DSurface9 *, const RECT *, IDirect3DSurface9 *, const POINT *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, UpdateTexture)(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetRenderTargetData)(IDirect3DSurface9*, IDirect3DSurface9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetFrontBufferData)(UINT, IDirect3DSurface9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, StretchRect)(IDirect3DSurface9 *, const RECT *, IDirect3DSurface9 *, const RECT *, D3DTEXTUREFILTERTYPE) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, ColorFill)(IDirect3DSurface9 *, const RECT *, D3DCOLOR) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateOffscreenPlainSurface)(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetRenderTarget)(DWORD, IDirect3DSurface9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetRenderTarget)(DWORD, IDirect3DSurface9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetDepthStencilSurface)(IDirect3DSurface9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetDepthStencilSurface)(IDirect3DSurface9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, BeginScene)() override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, EndScene)() override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, Clear)(DWORD, const D3DRECT *, DWORD, D3DCOLOR, float, DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetTransform)(D3DTRANSFORMSTATETYPE, const D3DMATRIX *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetTransform)(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, MultiplyTransform)(D3DTRANSFORMSTATETYPE, const D3DMATRIX *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetViewport)(const D3DVIEWPORT9 *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetViewport)(D3DVIEWPORT9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetMaterial)(const D3DMATERIAL9 *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetMaterial)(D3DMATERIAL9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetLight)(DWORD, const D3DLIGHT9 *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetLight)(DWORD, D3DLIGHT9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, LightEnable)(DWORD, WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetLightEnable)(DWORD, WINBOOL*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetClipPlane)(DWORD, const float *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetClipPlane)(DWORD, float*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetRenderState)(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetRenderState)(D3DRENDERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateStateBlock)(D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, BeginStateBlock)() override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, EndStateBlock)(IDirect3DStateBlock9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetClipStatus)(const D3DCLIPSTATUS9 *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetClipStatus)(D3DCLIPSTATUS9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetTexture)(DWORD, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetTexture)(DWORD, IDirect3DBaseTexture9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetTextureStageState)(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetTextureStageState)(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetSamplerState)(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetSamplerState)(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, ValidateDevice)(DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetPaletteEntries)(UINT, const PALETTEENTRY *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetPaletteEntries)(UINT, PALETTEENTRY*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetCurrentTexturePalette)(UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetCurrentTexturePalette)(UINT *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetScissorRect)(const RECT *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetScissorRect)(RECT*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetSoftwareVertexProcessing)(WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD_(WINBOOL, GetSoftwareVertexProcessing)() override { return 0; }
    STDMETHOD_(HRESULT, SetNPatchMode)(float) override { return E_NOTIMPL; }
    STDMETHOD_(float, GetNPatchMode)() override { return 0; }
    STDMETHOD_(HRESULT, DrawPrimitive)(D3DPRIMITIVETYPE, UINT, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DrawIndexedPrimitive)(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DrawPrimitiveUP)(D3DPRIMITIVETYPE, UINT, const void *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DrawIndexedPrimitiveUP)(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void *, D3DFORMAT, const void *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, ProcessVertices)(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*, DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateVertexDeclaration)(const D3DVERTEXELEMENT9 *, IDirect3DVertexDeclaration9 **) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetVertexDeclaration)(IDirect3DVertexDeclaration9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetVertexDeclaration)(IDirect3DVertexDeclaration9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetFVF)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetFVF)(DWORD*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateVertexShader)(const DWORD *, IDirect3DVertexShader9 **) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetVertexShader)(IDirect3DVertexShader9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetVertexShader)(IDirect3DVertexShader9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetVertexShaderConstantF)(UINT, const float *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetVertexShaderConstantF)(UINT, float*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetVertexShaderConstantI)(UINT, const int *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetVertexShaderConstantI)(UINT, int*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetVertexShaderConstantB)(UINT, const WINBOOL *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetVertexShaderConstantB)(UINT, WINBOOL*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetStreamSource)(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetStreamSource)(UINT, IDirect3DVertexBuffer9**, UINT*, UINT*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetStreamSourceFreq)(UINT, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetStreamSourceFreq)(UINT, UINT*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetIndices)(IDirect3DIndexBuffer9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetIndices)(IDirect3DIndexBuffer9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreatePixelShader)(const DWORD *, IDirect3DPixelShader9 **) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetPixelShader)(IDirect3DPixelShader9*) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetPixelShader)(IDirect3DPixelShader9**) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetPixelShaderConstantF)(UINT, const float *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetPixelShaderConstantF)(UINT, float*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetPixelShaderConstantI)(UINT, const int *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetPixelShaderConstantI)(UINT, int*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, SetPixelShaderConstantB)(UINT, const WINBOOL *, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, GetPixelShaderConstantB)(UINT, WINBOOL*, UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DrawRectPatch)(UINT, const float *, const D3DRECTPATCH_INFO *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DrawTriPatch)(UINT, const float *, const D3DTRIPATCH_INFO *) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, DeletePatch)(UINT) override { return E_NOTIMPL; }
    STDMETHOD_(HRESULT, CreateQuery)(D3DQUERYTYPE, IDirect3DQuery9**) override { return E_NOTIMPL; }
};
// clang-format on

// A device whose Reset and TestCooperativeLevel results are scripted; every
// Reset is recorded, and so is the parameters' state it was handed.
class FakeDevice : public Direct3DDevice9Stub {
public:
    std::vector<std::string>* events = nullptr;
    std::vector<HRESULT> resetResults; // one per call; calls beyond the list succeed
    std::vector<D3DPRESENT_PARAMETERS> resets;
    HRESULT cooperativeLevel = D3D_OK;
    int cooperativeLevelTests = 0;

    STDMETHOD_(HRESULT, TestCooperativeLevel)() override
    {
        ++cooperativeLevelTests;
        return cooperativeLevel;
    }
    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS* parameters) override
    {
        resets.push_back(*parameters);
        if (events)
            events->push_back("Reset");
        // The runtime fills in the size it chose.
        parameters->BackBufferWidth = 640;
        parameters->BackBufferHeight = 480;
        const size_t call = resets.size() - 1;
        return call < resetResults.size() ? resetResults[call] : D3D_OK;
    }
};

// A Direct3D object with a scripted display mode, set of depth formats that
// pass and results of successive CreateDevice calls; a call that succeeds
// hands out the one FakeDevice unless another device is given.
class FakeDirect3D : public Direct3D9Stub {
public:
    struct FormatCheck {
        UINT adapter;
        D3DDEVTYPE type;
        D3DFORMAT adapterFormat;
        DWORD usage;
        D3DRESOURCETYPE resourceType;
        D3DFORMAT format;
    };
    struct Attempt {
        UINT adapter;
        D3DDEVTYPE type;
        HWND focusWindow;
        DWORD behaviour;
        D3DPRESENT_PARAMETERS parameters;
    };

    HRESULT displayModeResult = D3D_OK;
    D3DDISPLAYMODE displayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DFORMAT> passingDepthFormats = {D3DFMT_D16, D3DFMT_D32, D3DFMT_D24X8};
    std::vector<HRESULT> createResults; // one per call; calls beyond the list succeed
    std::vector<FormatCheck> formatChecks;
    std::vector<Attempt> attempts;
    FakeDevice device;
    IDirect3DDevice9* handedOut = &device;

    STDMETHOD_(HRESULT, GetAdapterDisplayMode)(UINT, D3DDISPLAYMODE* mode) override
    {
        if (SUCCEEDED(displayModeResult))
            *mode = displayMode;
        return displayModeResult;
    }
    STDMETHOD_(HRESULT, CheckDeviceFormat)
    (UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE resourceType,
     D3DFORMAT format) override
    {
        formatChecks.push_back({adapter, type, adapterFormat, usage, resourceType, format});
        for (D3DFORMAT passing : passingDepthFormats) {
            if (passing == format)
                return D3D_OK;
        }
        return D3DERR_NOTAVAILABLE;
    }
    STDMETHOD_(HRESULT, CreateDevice)
    (UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour, D3DPRESENT_PARAMETERS* parameters,
     IDirect3DDevice9** result) override
    {
        attempts.push_back({adapter, type, focusWindow, behaviour, *parameters});
        parameters->BackBufferWidth = 640;
        parameters->BackBufferHeight = 480;
        const size_t call = attempts.size() - 1;
        const HRESULT outcome = call < createResults.size() ? createResults[call] : D3D_OK;
        *result = SUCCEEDED(outcome) ? handedOut : nullptr;
        return outcome;
    }
};
