#pragma once

#include <d3d9.h>

namespace tbm {

// The file named by TOBURE_FRAME_DUMP, or null when frames are not dumped.
const char* frameDumpPath();

// Saves the device's back buffer as a BMP file at path, through a temporary
// file beside it, so that a reader never sees a half-written picture.
HRESULT saveBackBuffer(IDirect3DDevice9* device, const char* path);

// Saves the back buffer to frameDumpPath() when one is set.
void dumpFrame(IDirect3DDevice9* device);

}
