#include "LocalWorld.h"

#include <cmath>

namespace {

// The floats nearest pi and 2 pi.
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

constexpr float kInitialAxisLength = 100.0f;
constexpr double kPixelsPerRadian = 100.0;

}

LocalWorld::LocalWorld() : center_(0.0f, 0.0f, 0.0f)
{
    D3DXMatrixIdentity(&worldMatrix_);
    D3DXMatrixIdentity(&axisMatrix_);
}

int LocalWorld::create(IDirect3DDevice9* device)
{
    axis_.release();
    device_ = device;
    return axis_.create(kInitialAxisLength, device_);
}

void LocalWorld::init(const D3DXVECTOR3& center, float radius, float fov)
{
    center_ = center;
    radius_ = radius;
    distance_ = computeDistance(fov);
    axisLength_ = radius * 1.5f;
    axis_.set(axisLength_);
    pitch_ = 0.0f;
    yaw_ = 0.0f;
    panX_ = 0.0f;
    panY_ = 0.0f;
    updateMatrix();
}

void LocalWorld::setCenter(const D3DXVECTOR3& center, float radius)
{
    // Where the new pivot is seen now; it keeps that view-space x and y.
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &center, &worldMatrix_);
    center_ = center;
    radius_ = radius;
    axis_.set(axisLength_);
    panX_ = seen.x;
    panY_ = seen.y;
    updateMatrix();
}

void LocalWorld::reset()
{
    pitch_ = 0.0f;
    yaw_ = 0.0f;
    panX_ = 0.0f;
    panY_ = 0.0f;
    updateMatrix();
}

void LocalWorld::beginRotate(int x, int y)
{
    dragStartX_ = x;
    dragStartY_ = y;
    pitchAtDragStart_ = pitch_;
    yawAtDragStart_ = yaw_;
}

void LocalWorld::rotate(int x, int y)
{
    yaw_ = float(yawAtDragStart_ - (x - dragStartX_) / kPixelsPerRadian);
    pitch_ = float(pitchAtDragStart_ - (y - dragStartY_) / kPixelsPerRadian);
    updateMatrix();
}

void LocalWorld::beginMove(int x, int y)
{
    dragStartX_ = x;
    dragStartY_ = y;
    panXAtDragStart_ = panX_;
    panYAtDragStart_ = panY_;
}

void LocalWorld::move(int x, int y, const D3DVIEWPORT9& viewport, float fov)
{
    const DWORD width = viewport.Width;
    const DWORD height = viewport.Height;
    if (width == 0 || height == 0)
        return;
    const float halfAngle = fov * 0.5f;
    const float t = float(std::tan(double(halfAngle)));
    // Half the height of the visible area at the pivot's depth.
    const float c = t * distance_;
    const float halfHeight = height * 0.5f;
    panY_ = (dragStartY_ - y) * c / halfHeight + panYAtDragStart_;
    const float halfVisibleWidth = c * width / height;
    const float halfWidth = width * 0.5f;
    panX_ = panXAtDragStart_ + (x - dragStartX_) * halfVisibleWidth / halfWidth;
    updateMatrix();
}

void LocalWorld::getDistanceAndRadius(float& distance, float& radius) const
{
    distance = distance_;
    radius = radius_;
}

int LocalWorld::drawAxis()
{
    if (!device_)
        return 1;
    device_->SetTransform(D3DTS_WORLD, &axisMatrix_);
    device_->SetTexture(0, nullptr);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    axis_.draw();
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    return 1;
}

int LocalWorld::setAxis(float length)
{
    return axis_.set(length);
}

void LocalWorld::releaseAxis()
{
    axis_.release();
}

void LocalWorld::updateMatrix()
{
    if (pitch_ >= kPi)
        pitch_ = kPi;
    else if (pitch_ < -kPi)
        pitch_ = -kPi;

    // One step only: a yaw further out stays out, with the same matrices.
    if (yaw_ >= kTwoPi)
        yaw_ = yaw_ - kTwoPi;
    else if (yaw_ < 0.0f)
        yaw_ = yaw_ + kTwoPi;

    D3DXMatrixTranslation(&worldMatrix_, -center_.x, -center_.y, -center_.z);

    D3DXMATRIX step;
    D3DXMatrixRotationY(&axisMatrix_, yaw_);
    D3DXMatrixRotationX(&step, pitch_);
    D3DXMatrixMultiply(&axisMatrix_, &axisMatrix_, &step);
    D3DXMatrixTranslation(&step, panX_, panY_, distance_);
    D3DXMatrixMultiply(&axisMatrix_, &axisMatrix_, &step);

    D3DXMatrixMultiply(&worldMatrix_, &worldMatrix_, &axisMatrix_);
}

float LocalWorld::computeDistance(float fov)
{
    D3DVIEWPORT9 viewport;
    if (!device_ || FAILED(device_->GetViewport(&viewport)))
        return radius_;
    // A view with no area frames nothing; keep the distance finite.
    if (viewport.Width == 0 || viewport.Height == 0)
        return radius_;
    float halfAngle = fov * 0.5f;
    // A tall view is framed by its narrower horizontal extent.
    if (viewport.Width < viewport.Height)
        halfAngle = halfAngle * viewport.Width / viewport.Height;
    return float(radius_ / std::sin(double(halfAngle)));
}
