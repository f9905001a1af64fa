#include "Axis.h"

#include "BufferLock.h"
#include "ComRef.h"
#include "gfl/Logger.h"

int Axis::create(float length, IDirect3DDevice9* device)
{
    release();
    device_ = device;
    length_ = length;
    if (!device_
        || FAILED(device_->CreateVertexBuffer(kVertexCount * sizeof(AxisVertex), D3DUSAGE_WRITEONLY, kFvf,
                                              D3DPOOL_MANAGED, &vertexBuffer_, nullptr))) {
        vertexBuffer_ = nullptr;
        Logger::getInstance().print(1, "座標軸用頂点バッファの作成に失敗しました。");
        return 0;
    }
    return fillVertices(length);
}

int Axis::set(float length)
{
    length_ = length;
    return fillVertices(length);
}

int Axis::fillVertices(float length)
{
    if (!vertexBuffer_)
        return 0;
    BufferLock lock(vertexBuffer_, 0);
    if (!lock.data()) {
        Logger::getInstance().print(1, "座標軸用頂点バッファのロックに失敗しました。");
        return 0;
    }
    length_ = length;
    const AxisVertex vertices[kVertexCount] = {
        {0.0f, 0.0f, 0.0f, kColorX},   {length, 0.0f, 0.0f, kColorX}, {0.0f, 0.0f, 0.0f, kColorY},
        {0.0f, length, 0.0f, kColorY}, {0.0f, 0.0f, 0.0f, kColorZ},   {0.0f, 0.0f, length, kColorZ},
    };
    AxisVertex* out = lock.as<AxisVertex>();
    for (UINT i = 0; i < kVertexCount; ++i)
        out[i] = vertices[i];
    return 1;
}

int Axis::draw()
{
    if (!device_ || !vertexBuffer_)
        return 0;
    if (FAILED(device_->SetFVF(kFvf)))
        return 0;
    if (FAILED(device_->SetStreamSource(0, vertexBuffer_, 0, sizeof(AxisVertex))))
        return 0;
    return FAILED(device_->DrawPrimitive(D3DPT_LINELIST, 0, kVertexCount / 2)) ? 0 : 1;
}

void Axis::release()
{
    releaseInterface(vertexBuffer_);
}
