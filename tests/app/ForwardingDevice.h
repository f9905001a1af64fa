#pragma once

#include <d3d9.h>

// A device that hands every call on to another device, with a reference count of
// its own that never deletes: tests derive from it, override the calls they
// script and leave the rest to the real device.
// clang-format off
class ForwardingDevice : public IDirect3DDevice9 {
public:
    explicit ForwardingDevice(IDirect3DDevice9* device) : inner(device) {}

    IDirect3DDevice9* inner;
    ULONG references = 1;

    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }
    STDMETHOD_(HRESULT, TestCooperativeLevel)() override { return inner->TestCooperativeLevel(); }
    STDMETHOD_(UINT, GetAvailableTextureMem)() override { return inner->GetAvailableTextureMem(); }
    STDMETHOD_(HRESULT, EvictManagedResources)() override { return inner->EvictManagedResources(); }
    STDMETHOD_(HRESULT, GetDirect3D)(IDirect3D9** a0) override { return inner->GetDirect3D(a0); }
    STDMETHOD_(HRESULT, GetDeviceCaps)(D3DCAPS9* a0) override { return inner->GetDeviceCaps(a0); }
    STDMETHOD_(HRESULT, GetDisplayMode)(UINT a0, D3DDISPLAYMODE* a1) override { return inner->GetDisplayMode(a0, a1); }
    STDMETHOD_(HRESULT, GetCreationParameters)(D3DDEVICE_CREATION_PARAMETERS* a0) override { return inner->GetCreationParameters(a0); }
    STDMETHOD_(HRESULT, SetCursorProperties)(UINT a0, UINT a1, IDirect3DSurface9* a2) override { return inner->SetCursorProperties(a0, a1, a2); }
    STDMETHOD_(void, SetCursorPosition)(int a0, int a1, DWORD a2) override { inner->SetCursorPosition(a0, a1, a2); }
    STDMETHOD_(WINBOOL, ShowCursor)(WINBOOL a0) override { return inner->ShowCursor(a0); }
    STDMETHOD_(HRESULT, CreateAdditionalSwapChain)(D3DPRESENT_PARAMETERS* a0, IDirect3DSwapChain9** a1) override { return inner->CreateAdditionalSwapChain(a0, a1); }
    STDMETHOD_(HRESULT, GetSwapChain)(UINT a0, IDirect3DSwapChain9** a1) override { return inner->GetSwapChain(a0, a1); }
    STDMETHOD_(UINT, GetNumberOfSwapChains)() override { return inner->GetNumberOfSwapChains(); }
    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS* a0) override { return inner->Reset(a0); }
    STDMETHOD_(HRESULT, Present)(const RECT* a0, const RECT* a1, HWND a2, const RGNDATA* a3) override { return inner->Present(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, GetBackBuffer)(UINT a0, UINT a1, D3DBACKBUFFER_TYPE a2, IDirect3DSurface9** a3) override { return inner->GetBackBuffer(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, GetRasterStatus)(UINT a0, D3DRASTER_STATUS* a1) override { return inner->GetRasterStatus(a0, a1); }
    STDMETHOD_(HRESULT, SetDialogBoxMode)(WINBOOL a0) override { return inner->SetDialogBoxMode(a0); }
    STDMETHOD_(void, SetGammaRamp)(UINT a0, DWORD a1, const D3DGAMMARAMP* a2) override { inner->SetGammaRamp(a0, a1, a2); }
    STDMETHOD_(void, GetGammaRamp)(UINT a0, D3DGAMMARAMP* a1) override { inner->GetGammaRamp(a0, a1); }
    STDMETHOD_(HRESULT, CreateTexture)(UINT a0, UINT a1, UINT a2, DWORD a3, D3DFORMAT a4, D3DPOOL a5, IDirect3DTexture9** a6, HANDLE* a7) override { return inner->CreateTexture(a0, a1, a2, a3, a4, a5, a6, a7); }
    STDMETHOD_(HRESULT, CreateVolumeTexture)(UINT a0, UINT a1, UINT a2, UINT a3, DWORD a4, D3DFORMAT a5, D3DPOOL a6, IDirect3DVolumeTexture9** a7, HANDLE* a8) override { return inner->CreateVolumeTexture(a0, a1, a2, a3, a4, a5, a6, a7, a8); }
    STDMETHOD_(HRESULT, CreateCubeTexture)(UINT a0, UINT a1, DWORD a2, D3DFORMAT a3, D3DPOOL a4, IDirect3DCubeTexture9** a5, HANDLE* a6) override { return inner->CreateCubeTexture(a0, a1, a2, a3, a4, a5, a6); }
    STDMETHOD_(HRESULT, CreateVertexBuffer)(UINT a0, DWORD a1, DWORD a2, D3DPOOL a3, IDirect3DVertexBuffer9** a4, HANDLE* a5) override { return inner->CreateVertexBuffer(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, CreateIndexBuffer)(UINT a0, DWORD a1, D3DFORMAT a2, D3DPOOL a3, IDirect3DIndexBuffer9** a4, HANDLE* a5) override { return inner->CreateIndexBuffer(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, CreateRenderTarget)(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return inner->CreateRenderTarget(a0, a1, a2, a3, a4, a5, a6, a7); }
    STDMETHOD_(HRESULT, CreateDepthStencilSurface)(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return inner->CreateDepthStencilSurface(a0, a1, a2, a3, a4, a5, a6, a7); }
    STDMETHOD_(HRESULT, UpdateSurface)(IDirect3DSurface9* a0, const RECT* a1, IDirect3DSurface9* a2, const POINT* a3) override { return inner->UpdateSurface(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, UpdateTexture)(IDirect3DBaseTexture9* a0, IDirect3DBaseTexture9* a1) override { return inner->UpdateTexture(a0, a1); }
    STDMETHOD_(HRESULT, GetRenderTargetData)(IDirect3DSurface9* a0, IDirect3DSurface9* a1) override { return inner->GetRenderTargetData(a0, a1); }
    STDMETHOD_(HRESULT, GetFrontBufferData)(UINT a0, IDirect3DSurface9* a1) override { return inner->GetFrontBufferData(a0, a1); }
    STDMETHOD_(HRESULT, StretchRect)(IDirect3DSurface9* a0, const RECT* a1, IDirect3DSurface9* a2, const RECT* a3, D3DTEXTUREFILTERTYPE a4) override { return inner->StretchRect(a0, a1, a2, a3, a4); }
    STDMETHOD_(HRESULT, ColorFill)(IDirect3DSurface9* a0, const RECT* a1, D3DCOLOR a2) override { return inner->ColorFill(a0, a1, a2); }
    STDMETHOD_(HRESULT, CreateOffscreenPlainSurface)(UINT a0, UINT a1, D3DFORMAT a2, D3DPOOL a3, IDirect3DSurface9** a4, HANDLE* a5) override { return inner->CreateOffscreenPlainSurface(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, SetRenderTarget)(DWORD a0, IDirect3DSurface9* a1) override { return inner->SetRenderTarget(a0, a1); }
    STDMETHOD_(HRESULT, GetRenderTarget)(DWORD a0, IDirect3DSurface9** a1) override { return inner->GetRenderTarget(a0, a1); }
    STDMETHOD_(HRESULT, SetDepthStencilSurface)(IDirect3DSurface9* a0) override { return inner->SetDepthStencilSurface(a0); }
    STDMETHOD_(HRESULT, GetDepthStencilSurface)(IDirect3DSurface9** a0) override { return inner->GetDepthStencilSurface(a0); }
    STDMETHOD_(HRESULT, BeginScene)() override { return inner->BeginScene(); }
    STDMETHOD_(HRESULT, EndScene)() override { return inner->EndScene(); }
    STDMETHOD_(HRESULT, Clear)(DWORD a0, const D3DRECT* a1, DWORD a2, D3DCOLOR a3, float a4, DWORD a5) override { return inner->Clear(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, SetTransform)(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX* a1) override { return inner->SetTransform(a0, a1); }
    STDMETHOD_(HRESULT, GetTransform)(D3DTRANSFORMSTATETYPE a0, D3DMATRIX* a1) override { return inner->GetTransform(a0, a1); }
    STDMETHOD_(HRESULT, MultiplyTransform)(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX* a1) override { return inner->MultiplyTransform(a0, a1); }
    STDMETHOD_(HRESULT, SetViewport)(const D3DVIEWPORT9* a0) override { return inner->SetViewport(a0); }
    STDMETHOD_(HRESULT, GetViewport)(D3DVIEWPORT9* a0) override { return inner->GetViewport(a0); }
    STDMETHOD_(HRESULT, SetMaterial)(const D3DMATERIAL9* a0) override { return inner->SetMaterial(a0); }
    STDMETHOD_(HRESULT, GetMaterial)(D3DMATERIAL9* a0) override { return inner->GetMaterial(a0); }
    STDMETHOD_(HRESULT, SetLight)(DWORD a0, const D3DLIGHT9* a1) override { return inner->SetLight(a0, a1); }
    STDMETHOD_(HRESULT, GetLight)(DWORD a0, D3DLIGHT9* a1) override { return inner->GetLight(a0, a1); }
    STDMETHOD_(HRESULT, LightEnable)(DWORD a0, WINBOOL a1) override { return inner->LightEnable(a0, a1); }
    STDMETHOD_(HRESULT, GetLightEnable)(DWORD a0, WINBOOL* a1) override { return inner->GetLightEnable(a0, a1); }
    STDMETHOD_(HRESULT, SetClipPlane)(DWORD a0, const float* a1) override { return inner->SetClipPlane(a0, a1); }
    STDMETHOD_(HRESULT, GetClipPlane)(DWORD a0, float* a1) override { return inner->GetClipPlane(a0, a1); }
    STDMETHOD_(HRESULT, SetRenderState)(D3DRENDERSTATETYPE a0, DWORD a1) override { return inner->SetRenderState(a0, a1); }
    STDMETHOD_(HRESULT, GetRenderState)(D3DRENDERSTATETYPE a0, DWORD* a1) override { return inner->GetRenderState(a0, a1); }
    STDMETHOD_(HRESULT, CreateStateBlock)(D3DSTATEBLOCKTYPE a0, IDirect3DStateBlock9** a1) override { return inner->CreateStateBlock(a0, a1); }
    STDMETHOD_(HRESULT, BeginStateBlock)() override { return inner->BeginStateBlock(); }
    STDMETHOD_(HRESULT, EndStateBlock)(IDirect3DStateBlock9** a0) override { return inner->EndStateBlock(a0); }
    STDMETHOD_(HRESULT, SetClipStatus)(const D3DCLIPSTATUS9* a0) override { return inner->SetClipStatus(a0); }
    STDMETHOD_(HRESULT, GetClipStatus)(D3DCLIPSTATUS9* a0) override { return inner->GetClipStatus(a0); }
    STDMETHOD_(HRESULT, GetTexture)(DWORD a0, IDirect3DBaseTexture9** a1) override { return inner->GetTexture(a0, a1); }
    STDMETHOD_(HRESULT, SetTexture)(DWORD a0, IDirect3DBaseTexture9* a1) override { return inner->SetTexture(a0, a1); }
    STDMETHOD_(HRESULT, GetTextureStageState)(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD* a2) override { return inner->GetTextureStageState(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetTextureStageState)(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD a2) override { return inner->SetTextureStageState(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetSamplerState)(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD* a2) override { return inner->GetSamplerState(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetSamplerState)(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD a2) override { return inner->SetSamplerState(a0, a1, a2); }
    STDMETHOD_(HRESULT, ValidateDevice)(DWORD* a0) override { return inner->ValidateDevice(a0); }
    STDMETHOD_(HRESULT, SetPaletteEntries)(UINT a0, const PALETTEENTRY* a1) override { return inner->SetPaletteEntries(a0, a1); }
    STDMETHOD_(HRESULT, GetPaletteEntries)(UINT a0, PALETTEENTRY* a1) override { return inner->GetPaletteEntries(a0, a1); }
    STDMETHOD_(HRESULT, SetCurrentTexturePalette)(UINT a0) override { return inner->SetCurrentTexturePalette(a0); }
    STDMETHOD_(HRESULT, GetCurrentTexturePalette)(UINT* a0) override { return inner->GetCurrentTexturePalette(a0); }
    STDMETHOD_(HRESULT, SetScissorRect)(const RECT* a0) override { return inner->SetScissorRect(a0); }
    STDMETHOD_(HRESULT, GetScissorRect)(RECT* a0) override { return inner->GetScissorRect(a0); }
    STDMETHOD_(HRESULT, SetSoftwareVertexProcessing)(WINBOOL a0) override { return inner->SetSoftwareVertexProcessing(a0); }
    STDMETHOD_(WINBOOL, GetSoftwareVertexProcessing)() override { return inner->GetSoftwareVertexProcessing(); }
    STDMETHOD_(HRESULT, SetNPatchMode)(float a0) override { return inner->SetNPatchMode(a0); }
    STDMETHOD_(float, GetNPatchMode)() override { return inner->GetNPatchMode(); }
    STDMETHOD_(HRESULT, DrawPrimitive)(D3DPRIMITIVETYPE a0, UINT a1, UINT a2) override { return inner->DrawPrimitive(a0, a1, a2); }
    STDMETHOD_(HRESULT, DrawIndexedPrimitive)(D3DPRIMITIVETYPE a0, INT a1, UINT a2, UINT a3, UINT a4, UINT a5) override { return inner->DrawIndexedPrimitive(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, DrawPrimitiveUP)(D3DPRIMITIVETYPE a0, UINT a1, const void* a2, UINT a3) override { return inner->DrawPrimitiveUP(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, DrawIndexedPrimitiveUP)(D3DPRIMITIVETYPE a0, UINT a1, UINT a2, UINT a3, const void* a4, D3DFORMAT a5, const void* a6, UINT a7) override { return inner->DrawIndexedPrimitiveUP(a0, a1, a2, a3, a4, a5, a6, a7); }
    STDMETHOD_(HRESULT, ProcessVertices)(UINT a0, UINT a1, UINT a2, IDirect3DVertexBuffer9* a3, IDirect3DVertexDeclaration9* a4, DWORD a5) override { return inner->ProcessVertices(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, CreateVertexDeclaration)(const D3DVERTEXELEMENT9* a0, IDirect3DVertexDeclaration9** a1) override { return inner->CreateVertexDeclaration(a0, a1); }
    STDMETHOD_(HRESULT, SetVertexDeclaration)(IDirect3DVertexDeclaration9* a0) override { return inner->SetVertexDeclaration(a0); }
    STDMETHOD_(HRESULT, GetVertexDeclaration)(IDirect3DVertexDeclaration9** a0) override { return inner->GetVertexDeclaration(a0); }
    STDMETHOD_(HRESULT, SetFVF)(DWORD a0) override { return inner->SetFVF(a0); }
    STDMETHOD_(HRESULT, GetFVF)(DWORD* a0) override { return inner->GetFVF(a0); }
    STDMETHOD_(HRESULT, CreateVertexShader)(const DWORD* a0, IDirect3DVertexShader9** a1) override { return inner->CreateVertexShader(a0, a1); }
    STDMETHOD_(HRESULT, SetVertexShader)(IDirect3DVertexShader9* a0) override { return inner->SetVertexShader(a0); }
    STDMETHOD_(HRESULT, GetVertexShader)(IDirect3DVertexShader9** a0) override { return inner->GetVertexShader(a0); }
    STDMETHOD_(HRESULT, SetVertexShaderConstantF)(UINT a0, const float* a1, UINT a2) override { return inner->SetVertexShaderConstantF(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetVertexShaderConstantF)(UINT a0, float* a1, UINT a2) override { return inner->GetVertexShaderConstantF(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetVertexShaderConstantI)(UINT a0, const int* a1, UINT a2) override { return inner->SetVertexShaderConstantI(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetVertexShaderConstantI)(UINT a0, int* a1, UINT a2) override { return inner->GetVertexShaderConstantI(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetVertexShaderConstantB)(UINT a0, const WINBOOL* a1, UINT a2) override { return inner->SetVertexShaderConstantB(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetVertexShaderConstantB)(UINT a0, WINBOOL* a1, UINT a2) override { return inner->GetVertexShaderConstantB(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetStreamSource)(UINT a0, IDirect3DVertexBuffer9* a1, UINT a2, UINT a3) override { return inner->SetStreamSource(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, GetStreamSource)(UINT a0, IDirect3DVertexBuffer9** a1, UINT* a2, UINT* a3) override { return inner->GetStreamSource(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, SetStreamSourceFreq)(UINT a0, UINT a1) override { return inner->SetStreamSourceFreq(a0, a1); }
    STDMETHOD_(HRESULT, GetStreamSourceFreq)(UINT a0, UINT* a1) override { return inner->GetStreamSourceFreq(a0, a1); }
    STDMETHOD_(HRESULT, SetIndices)(IDirect3DIndexBuffer9* a0) override { return inner->SetIndices(a0); }
    STDMETHOD_(HRESULT, GetIndices)(IDirect3DIndexBuffer9** a0) override { return inner->GetIndices(a0); }
    STDMETHOD_(HRESULT, CreatePixelShader)(const DWORD* a0, IDirect3DPixelShader9** a1) override { return inner->CreatePixelShader(a0, a1); }
    STDMETHOD_(HRESULT, SetPixelShader)(IDirect3DPixelShader9* a0) override { return inner->SetPixelShader(a0); }
    STDMETHOD_(HRESULT, GetPixelShader)(IDirect3DPixelShader9** a0) override { return inner->GetPixelShader(a0); }
    STDMETHOD_(HRESULT, SetPixelShaderConstantF)(UINT a0, const float* a1, UINT a2) override { return inner->SetPixelShaderConstantF(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetPixelShaderConstantF)(UINT a0, float* a1, UINT a2) override { return inner->GetPixelShaderConstantF(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetPixelShaderConstantI)(UINT a0, const int* a1, UINT a2) override { return inner->SetPixelShaderConstantI(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetPixelShaderConstantI)(UINT a0, int* a1, UINT a2) override { return inner->GetPixelShaderConstantI(a0, a1, a2); }
    STDMETHOD_(HRESULT, SetPixelShaderConstantB)(UINT a0, const WINBOOL* a1, UINT a2) override { return inner->SetPixelShaderConstantB(a0, a1, a2); }
    STDMETHOD_(HRESULT, GetPixelShaderConstantB)(UINT a0, WINBOOL* a1, UINT a2) override { return inner->GetPixelShaderConstantB(a0, a1, a2); }
    STDMETHOD_(HRESULT, DrawRectPatch)(UINT a0, const float* a1, const D3DRECTPATCH_INFO* a2) override { return inner->DrawRectPatch(a0, a1, a2); }
    STDMETHOD_(HRESULT, DrawTriPatch)(UINT a0, const float* a1, const D3DTRIPATCH_INFO* a2) override { return inner->DrawTriPatch(a0, a1, a2); }
    STDMETHOD_(HRESULT, DeletePatch)(UINT a0) override { return inner->DeletePatch(a0); }
    STDMETHOD_(HRESULT, CreateQuery)(D3DQUERYTYPE a0, IDirect3DQuery9** a1) override { return inner->CreateQuery(a0, a1); }
};
// clang-format on
