#include "Ray.h"

#include <cmath>

Ray::Ray(const D3DXVECTOR3& origin, const D3DXVECTOR3& target)
    : origin(origin), target(target), direction(target - origin)
{
    length = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    D3DXVec3Normalize(&direction, &direction);
}

bool Ray::intersectTriangle(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, float* distance) const
{
    return D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, nullptr, nullptr, distance) != FALSE;
}

float Ray::facing(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2) const
{
    const D3DXVECTOR3 a = p1 - p0;
    const D3DXVECTOR3 b = p2 - p0;
    D3DXVECTOR3 normal(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    D3DXVec3Normalize(&normal, &normal);
    return normal.x * direction.x + normal.y * direction.y + normal.z * direction.z;
}

int Ray::isFrontFace(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2) const
{
    return facing(p0, p1, p2) < 0.0f ? 1 : 0;
}
