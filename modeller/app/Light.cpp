#include "Light.h"

#include "gfl/Logger.h"

#include <algorithm>

namespace tbm {

int Light::create(IDirect3DDevice9* device)
{
    device_ = device;
    light_ = {};
    light_.Type = D3DLIGHT_DIRECTIONAL;
    light_.Diffuse.r = 1.0f;
    light_.Diffuse.g = 1.0f;
    light_.Diffuse.b = 1.0f;
    setDirection(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    ambient_ = D3DCOLOR_ARGB(0xFF, 50, 50, 50);
    Logger::getInstance().print(3, "ライト生成");
    reset();
    return 1;
}

void Light::reset()
{
    device_->SetLight(0, &light_);
    device_->LightEnable(0, TRUE);
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_AMBIENT, ambient_);
    Logger::getInstance().print(3, "ライトをリセット");
}

void Light::release()
{
    Logger::getInstance().print(3, "ライト破棄");
}

void Light::setDirection(const D3DXVECTOR3& direction)
{
    D3DXVECTOR3 normalised;
    D3DXVec3Normalize(&normalised, &direction);
    light_.Direction = normalised;
}

void Light::setDiffuse(float grey)
{
    const float level = std::min(grey, 1.0f);
    light_.Diffuse.r = level;
    light_.Diffuse.g = level;
    light_.Diffuse.b = level;
}

void Light::setLightingEnabled(BOOL enabled)
{
    device_->SetRenderState(D3DRS_LIGHTING, enabled);
}

}
