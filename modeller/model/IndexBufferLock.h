#pragma once

#include "BufferLock.h"

// A part's 16-bit index buffer, locked whole with no flags for a scope and
// unlocked on every path out. indices() is null when the lock failed.
class IndexBufferLock : public BufferLock {
public:
    explicit IndexBufferLock(IDirect3DIndexBuffer9* buffer) : BufferLock(buffer, 0) {}

    WORD* indices() const { return as<WORD>(); }
};
