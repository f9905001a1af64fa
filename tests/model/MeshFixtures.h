#pragma once

#include <d3dx9.h>

#include <array>
#include <vector>

// Meshes built in memory for tests: positions (and zero normals), 16-bit faces
// and one attribute per face.
struct MeshSpec {
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::array<WORD, 3>> faces;
    std::vector<DWORD> attributes;  // one per face; all 0 when empty
};

inline ID3DXMesh* makeMesh(IDirect3DDevice9* device, const MeshSpec& spec)
{
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMeshFVF(DWORD(spec.faces.size()), DWORD(spec.positions.size()), D3DXMESH_SYSTEMMEM,
                                 D3DFVF_XYZ | D3DFVF_NORMAL, device, &mesh)))
        return nullptr;
    struct Vertex { D3DXVECTOR3 position, normal; };
    Vertex* vertices = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices));
    for (size_t i = 0; i < spec.positions.size(); ++i)
        vertices[i] = Vertex{spec.positions[i], D3DXVECTOR3(0, 0, -1)};
    mesh->UnlockVertexBuffer();
    WORD* indices = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&indices));
    for (size_t f = 0; f < spec.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            indices[f * 3 + k] = spec.faces[f][k];
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    for (size_t f = 0; f < spec.faces.size(); ++f)
        attributes[f] = spec.attributes.empty() ? 0 : spec.attributes[f];
    mesh->UnlockAttributeBuffer();
    return mesh;
}

// A row of n separate triangles in the z = 0 plane, facing -z, triangle i
// spanning x in [2i, 2i + 1].
inline MeshSpec separateTriangles(unsigned n, const std::vector<DWORD>& attributes = {})
{
    MeshSpec spec;
    for (unsigned i = 0; i < n; ++i) {
        const float x = 2.0f * i;
        const WORD base = WORD(spec.positions.size());
        spec.positions.push_back(D3DXVECTOR3(x, 0, 0));
        spec.positions.push_back(D3DXVECTOR3(x, 1, 0));
        spec.positions.push_back(D3DXVECTOR3(x + 1, 0, 0));
        spec.faces.push_back({base, WORD(base + 1), WORD(base + 2)});
    }
    spec.attributes = attributes;
    return spec;
}

// Reads a part's or mesh's 16-bit index buffer.
inline std::vector<WORD> readIndices(IDirect3DIndexBuffer9* buffer)
{
    D3DINDEXBUFFER_DESC description;
    buffer->GetDesc(&description);
    std::vector<WORD> indices(description.Size / 2);
    void* data = nullptr;
    if (SUCCEEDED(buffer->Lock(0, 0, &data, 0))) {
        std::copy(static_cast<WORD*>(data), static_cast<WORD*>(data) + indices.size(), indices.begin());
        buffer->Unlock();
    }
    return indices;
}
