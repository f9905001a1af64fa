#pragma once

#include <d3dx9.h>

#include <memory>

// Vertex format of a joined mesh; a missing normal or texture coordinate is zero.
constexpr DWORD kJoinedMeshFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// The frame hierarchy of .x bytes, loaded once: its mesh containers are
// counted and, when there are several, joined into one mesh.
class MeshHierarchy {
public:
    MeshHierarchy();
    ~MeshHierarchy();
    MeshHierarchy(const MeshHierarchy&) = delete;
    MeshHierarchy& operator=(const MeshHierarchy&) = delete;

    int load(const void* data, DWORD size, IDirect3DDevice9* device); // 1 / 0 (logged)
    void release();
    DWORD getContainerCount() const;
    // 1 when a mesh container sits under two or more frames whose matrices are
    // not the identity, a chain the platform's whole-file loader composes
    // parent first; else 0.
    int hasNestedTransforms() const;
    // As joinMeshHierarchy, on the loaded hierarchy.
    int join(IDirect3DDevice9* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
             DWORD* materialCount) const;

private:
    struct Frames;
    std::unique_ptr<Frames> frames_;
};

// Counts the mesh containers of the frame hierarchy in .x bytes. 1 / 0 (logged).
int countMeshContainers(const void* data, DWORD size, IDirect3DDevice9* device, DWORD* count);

// Joins every mesh container of .x bytes, in file order, into one mesh
// (D3DXMESH_SYSTEMMEM, 16-bit indices, kJoinedMeshFVF) placed by its frames'
// matrices, with its adjacency (3 DWORDs per face), a D3DXMATERIAL buffer whose
// texture names live in the same buffer, and the material count. The caller
// releases the mesh and both buffers. 1 / 0 (logged).
int joinMeshHierarchy(const void* data, DWORD size, IDirect3DDevice9* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency,
                      ID3DXBuffer** materials, DWORD* materialCount);
