#include "BufferLock.h"

BufferLock::BufferLock(IDirect3DVertexBuffer9* buffer, DWORD flags) : kind_(kVertexBuffer), owner_(buffer)
{
    if (!buffer || FAILED(buffer->Lock(0, 0, &data_, flags)))
        data_ = nullptr;
}

BufferLock::BufferLock(IDirect3DIndexBuffer9* buffer, DWORD flags) : kind_(kIndexBuffer), owner_(buffer)
{
    if (!buffer || FAILED(buffer->Lock(0, 0, &data_, flags)))
        data_ = nullptr;
}

BufferLock::BufferLock(ID3DXMesh* mesh, MeshBuffer buffer, DWORD flags)
    : kind_(kMesh), owner_(mesh), meshBuffer_(buffer)
{
    HRESULT hr = E_FAIL;
    if (!mesh)
        return;
    switch (buffer) {
    case kVertices: hr = mesh->LockVertexBuffer(flags, &data_); break;
    case kIndices: hr = mesh->LockIndexBuffer(flags, &data_); break;
    case kAttributes: hr = mesh->LockAttributeBuffer(flags, reinterpret_cast<DWORD**>(&data_)); break;
    }
    if (FAILED(hr))
        data_ = nullptr;
}

BufferLock::~BufferLock()
{
    if (!data_)
        return;
    if (kind_ == kVertexBuffer) {
        static_cast<IDirect3DVertexBuffer9*>(owner_)->Unlock();
        return;
    }
    if (kind_ == kIndexBuffer) {
        static_cast<IDirect3DIndexBuffer9*>(owner_)->Unlock();
        return;
    }
    ID3DXMesh* mesh = static_cast<ID3DXMesh*>(owner_);
    switch (meshBuffer_) {
    case kVertices: mesh->UnlockVertexBuffer(); break;
    case kIndices: mesh->UnlockIndexBuffer(); break;
    case kAttributes: mesh->UnlockAttributeBuffer(); break;
    }
}
