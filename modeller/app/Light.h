#pragma once

#include <d3d9.h>
#include <d3dx9math.h>

namespace tbm {

// The scene's directional light 0 and the ambient level, put on the device
// at start and again after every device reset.
class Light {
public:
    int create(IDirect3DDevice9* device);
    void reset();
    void release();

    void setAmbient(D3DCOLOR ambient) { ambient_ = ambient; }
    void setDirection(const D3DXVECTOR3& direction);
    void setDiffuse(float grey);
    void setLightingEnabled(BOOL enabled);

private:
    IDirect3DDevice9* device_ = nullptr;
    D3DLIGHT9 light_ = {};
    D3DCOLOR ambient_ = 0;
};

}
