#pragma once

#include <d3dx9.h>

// Vertex format of a joined mesh; a missing normal or texture coordinate is zero.
constexpr DWORD kJoinedMeshFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Joins every mesh container of .x bytes, in file order, into one mesh
// (D3DXMESH_SYSTEMMEM, 16-bit indices, kJoinedMeshFVF) placed by its frames'
// matrices, with its adjacency (3 DWORDs per face), a D3DXMATERIAL buffer whose
// texture names live in the same buffer, and the material count. The caller
// releases the mesh and both buffers. 1 / 0 (logged).
int joinMeshHierarchy(const void* data, DWORD size, IDirect3DDevice9* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency,
                      ID3DXBuffer** materials, DWORD* materialCount);
