#pragma once

#include <d3d9.h>

// One corner of an axis line.
struct AxisVertex {
    float x, y, z;
    D3DCOLOR color;
};

// Three coloured lines from the local origin along +X (red), +Y (green) and
// +Z (light blue). The device is not owned; the buffer is, until release.
class Axis {
public:
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    static constexpr UINT kVertexCount = 6;
    static constexpr D3DCOLOR kColorX = 0xFFFF0000;
    static constexpr D3DCOLOR kColorY = 0xFF00FF00;
    static constexpr D3DCOLOR kColorZ = 0xFF0080FF;

    int create(float length, IDirect3DDevice9* device);
    int set(float length);
    int draw();
    void release();

    float getLength() const { return length_; }
    IDirect3DVertexBuffer9* getVertexBuffer() const { return vertexBuffer_; }

private:
    int fillVertices(float length);

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    float length_ = 0.0f;
};
