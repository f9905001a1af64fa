#pragma once

#include <d3dx9.h>

// Most vertices 16-bit indices can reach.
constexpr DWORD kMaxMeshVertices = 65536;

// Index i of a mesh's locked index buffer, 16 or 32 bits wide by its options.
inline DWORD meshIndex(const void* indices, DWORD options, DWORD i)
{
    return (options & D3DXMESH_32BIT) ? static_cast<const DWORD*>(indices)[i] : static_cast<const WORD*>(indices)[i];
}

// 1 when every index is below the vertex count, the vertex count is at most
// kMaxMeshVertices and every attribute id is below materialCount; else 0 (logged).
int validateMesh(ID3DXMesh* mesh, DWORD materialCount);

// A new mesh (same vertex declaration, D3DXMESH_SYSTEMMEM, 16-bit indices)
// without the vertices no face uses (the others keep their order), with its
// faces ordered stably by attribute id and an attribute table. 1 / 0 (logged).
int compactMesh(ID3DXMesh* mesh, IDirect3DDevice9* device, ID3DXMesh** compacted);
