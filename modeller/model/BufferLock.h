#pragma once

#include <d3dx9.h>

// Holds one buffer locked for a scope and unlocks it on every path out:
// a vertex or index buffer whole, or one of a mesh's three buffers.
// data() is null when the lock failed.
class BufferLock {
public:
    enum MeshBuffer { kVertices, kIndices, kAttributes };

    BufferLock(IDirect3DVertexBuffer9* buffer, DWORD flags);
    BufferLock(ID3DXMesh* mesh, MeshBuffer buffer, DWORD flags);
    ~BufferLock();
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;

    void* data() const { return data_; }
    template <typename T>
    T* as() const
    {
        return static_cast<T*>(data_);
    }

protected:
    // A part's index buffer is locked through IndexBufferLock.
    BufferLock(IDirect3DIndexBuffer9* buffer, DWORD flags);

private:
    enum Kind { kVertexBuffer, kIndexBuffer, kMesh };

    Kind kind_;
    IUnknown* owner_;
    MeshBuffer meshBuffer_ = kVertices;
    void* data_ = nullptr;
};
