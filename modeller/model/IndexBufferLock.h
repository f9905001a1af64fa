#pragma once

#include <d3d9.h>

// Locks a whole index buffer and unlocks it when it goes out of scope.
class IndexBufferLock {
public:
    explicit IndexBufferLock(IDirect3DIndexBuffer9* buffer) : buffer_(buffer)
    {
        void* data = nullptr;
        if (buffer_ && SUCCEEDED(buffer_->Lock(0, 0, &data, 0)))
            indices_ = static_cast<WORD*>(data);
    }
    ~IndexBufferLock()
    {
        if (indices_)
            buffer_->Unlock();
    }
    IndexBufferLock(const IndexBufferLock&) = delete;
    IndexBufferLock& operator=(const IndexBufferLock&) = delete;

    WORD* indices() const { return indices_; }

private:
    IDirect3DIndexBuffer9* buffer_;
    WORD* indices_ = nullptr;
};
