#pragma once

#include <d3dx9.h>

// The line under the cursor in the mesh's own coordinates.
class Ray {
public:
    Ray(const D3DXVECTOR3& origin, const D3DXVECTOR3& target);

    bool intersectTriangle(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, float* distance) const;
    float facing(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2) const;
    int isFrontFace(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2) const;

    D3DXVECTOR3 origin;
    D3DXVECTOR3 target;
    D3DXVECTOR3 direction;
    float length;
};

// One ray-face intersection.
struct FaceHit {
    unsigned partId;
    unsigned subsetId;
    unsigned face;
    float distance;
    int solid;
    int frontFacing;
    int partCurrent;
};
