#pragma once

#include <d3dx9.h>

// A mesh that hands every call on to another mesh, with a reference count of its
// own that never deletes: tests derive from it and override the calls they script.
// clang-format off
class ForwardingMesh : public ID3DXMesh {
public:
    explicit ForwardingMesh(ID3DXMesh* mesh) : inner(mesh) {}

    ID3DXMesh* inner;
    ULONG references = 1;

    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }
    STDMETHOD_(HRESULT, DrawSubset)(DWORD a0) override { return inner->DrawSubset(a0); }
    STDMETHOD_(DWORD, GetNumFaces)() override { return inner->GetNumFaces(); }
    STDMETHOD_(DWORD, GetNumVertices)() override { return inner->GetNumVertices(); }
    STDMETHOD_(DWORD, GetFVF)() override { return inner->GetFVF(); }
    STDMETHOD_(HRESULT, GetDeclaration)(D3DVERTEXELEMENT9 a0[MAX_FVF_DECL_SIZE]) override { return inner->GetDeclaration(a0); }
    STDMETHOD_(DWORD, GetNumBytesPerVertex)() override { return inner->GetNumBytesPerVertex(); }
    STDMETHOD_(DWORD, GetOptions)() override { return inner->GetOptions(); }
    STDMETHOD_(HRESULT, GetDevice)(IDirect3DDevice9** a0) override { return inner->GetDevice(a0); }
    STDMETHOD_(HRESULT, CloneMeshFVF)(DWORD a0, DWORD a1, IDirect3DDevice9* a2, ID3DXMesh** a3) override { return inner->CloneMeshFVF(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, CloneMesh)(DWORD a0, const D3DVERTEXELEMENT9* a1, IDirect3DDevice9* a2, ID3DXMesh** a3) override { return inner->CloneMesh(a0, a1, a2, a3); }
    STDMETHOD_(HRESULT, GetVertexBuffer)(IDirect3DVertexBuffer9** a0) override { return inner->GetVertexBuffer(a0); }
    STDMETHOD_(HRESULT, GetIndexBuffer)(IDirect3DIndexBuffer9** a0) override { return inner->GetIndexBuffer(a0); }
    STDMETHOD_(HRESULT, LockVertexBuffer)(DWORD a0, void** a1) override { return inner->LockVertexBuffer(a0, a1); }
    STDMETHOD_(HRESULT, UnlockVertexBuffer)() override { return inner->UnlockVertexBuffer(); }
    STDMETHOD_(HRESULT, LockIndexBuffer)(DWORD a0, void** a1) override { return inner->LockIndexBuffer(a0, a1); }
    STDMETHOD_(HRESULT, UnlockIndexBuffer)() override { return inner->UnlockIndexBuffer(); }
    STDMETHOD_(HRESULT, GetAttributeTable)(D3DXATTRIBUTERANGE* a0, DWORD* a1) override { return inner->GetAttributeTable(a0, a1); }
    STDMETHOD_(HRESULT, ConvertPointRepsToAdjacency)(const DWORD* a0, DWORD* a1) override { return inner->ConvertPointRepsToAdjacency(a0, a1); }
    STDMETHOD_(HRESULT, ConvertAdjacencyToPointReps)(const DWORD* a0, DWORD* a1) override { return inner->ConvertAdjacencyToPointReps(a0, a1); }
    STDMETHOD_(HRESULT, GenerateAdjacency)(FLOAT a0, DWORD* a1) override { return inner->GenerateAdjacency(a0, a1); }
    STDMETHOD_(HRESULT, UpdateSemantics)(D3DVERTEXELEMENT9 a0[MAX_FVF_DECL_SIZE]) override { return inner->UpdateSemantics(a0); }
    STDMETHOD_(HRESULT, LockAttributeBuffer)(DWORD a0, DWORD** a1) override { return inner->LockAttributeBuffer(a0, a1); }
    STDMETHOD_(HRESULT, UnlockAttributeBuffer)() override { return inner->UnlockAttributeBuffer(); }
    STDMETHOD_(HRESULT, Optimize)(DWORD a0, const DWORD* a1, DWORD* a2, DWORD* a3, ID3DXBuffer** a4, ID3DXMesh** a5) override { return inner->Optimize(a0, a1, a2, a3, a4, a5); }
    STDMETHOD_(HRESULT, OptimizeInplace)(DWORD a0, const DWORD* a1, DWORD* a2, DWORD* a3, ID3DXBuffer** a4) override { return inner->OptimizeInplace(a0, a1, a2, a3, a4); }
    STDMETHOD_(HRESULT, SetAttributeTable)(const D3DXATTRIBUTERANGE* a0, DWORD a1) override { return inner->SetAttributeTable(a0, a1); }
};
// clang-format on
