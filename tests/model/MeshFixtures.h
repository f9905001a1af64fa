#pragma once

#include "modeller/model/IndexBufferLock.h"

#include <d3dx9.h>

#include <array>
#include <vector>

// Meshes built in memory for tests: positions (and zero normals), 16-bit faces
// and one attribute per face.
struct MeshShape {
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::array<WORD, 3>> faces;
    std::vector<DWORD> attributes; // one per face; all 0 when empty
};

inline ID3DXMesh* makeMesh(IDirect3DDevice9* device, const MeshShape& shape)
{
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMeshFVF(DWORD(shape.faces.size()), DWORD(shape.positions.size()), D3DXMESH_SYSTEMMEM,
                                 D3DFVF_XYZ | D3DFVF_NORMAL, device, &mesh)))
        return nullptr;
    struct Vertex {
        D3DXVECTOR3 position, normal;
    };
    Vertex* vertices = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices));
    for (size_t i = 0; i < shape.positions.size(); ++i)
        vertices[i] = Vertex{shape.positions[i], D3DXVECTOR3(0, 0, -1)};
    mesh->UnlockVertexBuffer();
    WORD* indices = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&indices));
    for (size_t f = 0; f < shape.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            indices[f * 3 + k] = shape.faces[f][k];
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    for (size_t f = 0; f < shape.faces.size(); ++f)
        attributes[f] = shape.attributes.empty() ? 0 : shape.attributes[f];
    mesh->UnlockAttributeBuffer();
    return mesh;
}

// A row of n separate triangles in the z = 0 plane, facing -z, triangle i
// spanning x in [2i, 2i + 1].
inline MeshShape separateTriangles(unsigned n, const std::vector<DWORD>& attributes = {})
{
    MeshShape shape;
    for (unsigned i = 0; i < n; ++i) {
        const float x = 2.0f * i;
        const WORD base = WORD(shape.positions.size());
        shape.positions.push_back(D3DXVECTOR3(x, 0, 0));
        shape.positions.push_back(D3DXVECTOR3(x, 1, 0));
        shape.positions.push_back(D3DXVECTOR3(x + 1, 0, 0));
        shape.faces.push_back({base, WORD(base + 1), WORD(base + 2)});
    }
    shape.attributes = attributes;
    return shape;
}

// Reads a part's or mesh's 16-bit index buffer.
inline std::vector<WORD> readIndices(IDirect3DIndexBuffer9* buffer)
{
    D3DINDEXBUFFER_DESC description;
    buffer->GetDesc(&description);
    std::vector<WORD> indices(description.Size / 2);
    IndexBufferLock lock(buffer);
    if (lock.indices())
        std::copy(lock.indices(), lock.indices() + indices.size(), indices.begin());
    return indices;
}
