#pragma once

#include "Axis.h"

#include <d3dx9.h>

// The vertical view angle a new view starts with: a quarter turn of pi.
constexpr float kDefaultFieldOfView = 0.7853982f;

// The orbit transform of the model: a pivot sphere, a turn about it, a pan and
// a depth, combined into the world matrix. The eye stays at the view-space
// origin looking along +z. The device is not owned.
class LocalWorld {
public:
    LocalWorld();

    int create(IDirect3DDevice9* device);
    void init(const D3DXVECTOR3& center, float radius, float fov);
    void setCenter(const D3DXVECTOR3& center, float radius);
    void reset();

    void beginRotate(int x, int y);
    void rotate(int x, int y);
    void beginMove(int x, int y);
    void move(int x, int y, const D3DVIEWPORT9& viewport, float fov);

    const D3DXMATRIX& getWorldMatrix() const { return worldMatrix_; }
    void getDistanceAndRadius(float& distance, float& radius) const;

    int drawAxis();
    int setAxis(float length);
    void releaseAxis();

    const D3DXMATRIX& getAxisMatrix() const { return axisMatrix_; }
    const D3DXVECTOR3& getCenter() const { return center_; }
    float getPitch() const { return pitch_; }
    float getYaw() const { return yaw_; }
    float getPanX() const { return panX_; }
    float getPanY() const { return panY_; }
    float getAxisLength() const { return axisLength_; }
    const Axis& getAxis() const { return axis_; }

private:
    void updateMatrix();
    float computeDistance(float fov);

    IDirect3DDevice9* device_ = nullptr;
    D3DXVECTOR3 center_;
    float radius_ = 0.0f;
    Axis axis_;
    float axisLength_ = 0.0f;
    D3DXMATRIX worldMatrix_;
    D3DXMATRIX axisMatrix_;
    float pitch_ = 0.0f;
    float yaw_ = 0.0f;
    float panX_ = 0.0f;
    float panY_ = 0.0f;
    float distance_ = 0.0f;
    int dragStartX_ = 0;
    int dragStartY_ = 0;
    float pitchAtDragStart_ = 0.0f;
    float yawAtDragStart_ = 0.0f;
    float panXAtDragStart_ = 0.0f;
    float panYAtDragStart_ = 0.0f;
};
