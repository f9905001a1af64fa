#include "MaterialParts.h"

#include "DrawOptions.h"
#include "Material.h"
#include "gfl/Logger.h"

#include <algorithm>

MaterialParts::~MaterialParts()
{
    Logger::getInstance().print(3, "マテリアルパーツ破棄。id:%d", int(id_));
}

int MaterialParts::create(unsigned id, IDirect3DDevice9* device, unsigned attribute, unsigned firstFace,
                          unsigned faceCount, unsigned minVertexIndex, unsigned vertexCount)
{
    id_ = id;
    device_ = device;
    attribute_ = attribute;
    firstFace_ = firstFace;
    faceCount_ = faceCount;
    minVertexIndex_ = minVertexIndex;
    vertexCount_ = vertexCount;
    solidCount_ = 0;
    Logger::getInstance().print(3, "マテリアルパーツ作成。id:%d att:%d start:%d num:%d", int(id), int(attribute),
                                int(firstFace), int(faceCount));
    return 1;
}

void MaterialParts::swapFaces(WORD* indices, unsigned i, unsigned j)
{
    WORD* a = indices + (firstFace_ + i) * 3;
    WORD* b = indices + (firstFace_ + j) * 3;
    std::swap_ranges(a, a + 3, b);
}

int MaterialParts::toggleFace(WORD* indices, unsigned face, int makeUnfilled)
{
    if (face >= faceCount_)
        return 0;
    if (!makeUnfilled) {
        if (face < solidCount_ || solidCount_ == faceCount_)
            return 0;
        swapFaces(indices, solidCount_, face);
        ++solidCount_;
        return 1;
    }
    if (face >= solidCount_ || solidCount_ == 0)
        return 0;
    --solidCount_;
    swapFaces(indices, solidCount_, face);
    return 1;
}

int MaterialParts::draw(Material& material, const DrawOptions& options, D3DCOLOR wireColour)
{
    if (options.drawSolid && solidCount_ > 0) {
        material.apply(attribute_);
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, minVertexIndex_, vertexCount_, firstFace_ * 3,
                                      solidCount_);
    }
    if (faceCount_ - solidCount_ > 0 && options.drawUnfilled) {
        DWORD ambient = 0;
        device_->GetRenderState(D3DRS_AMBIENT, &ambient);
        device_->SetRenderState(D3DRS_AMBIENT, wireColour);
        device_->LightEnable(0, FALSE);
        device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        material.applyDefault();
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, minVertexIndex_, vertexCount_,
                                      (firstFace_ + solidCount_) * 3, faceCount_ - solidCount_);
        device_->LightEnable(0, TRUE);
        device_->SetRenderState(D3DRS_AMBIENT, ambient);
        device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    }
    return 1;
}

int MaterialParts::pick(std::vector<FaceHit>& hits, const Ray& ray, const BYTE* vertices, unsigned stride,
                        const WORD* indices, unsigned partId, int partCurrent) const
{
    for (unsigned k = 0; k < faceCount_; ++k) {
        const WORD* face = indices + (firstFace_ + k) * 3;
        const D3DXVECTOR3& p0 = *reinterpret_cast<const D3DXVECTOR3*>(vertices + size_t(face[0]) * stride);
        const D3DXVECTOR3& p1 = *reinterpret_cast<const D3DXVECTOR3*>(vertices + size_t(face[1]) * stride);
        const D3DXVECTOR3& p2 = *reinterpret_cast<const D3DXVECTOR3*>(vertices + size_t(face[2]) * stride);
        float distance = 0.0f;
        if (ray.intersectTriangle(p0, p1, p2, &distance))
            hits.push_back(
                FaceHit{partId, id_, k, distance, k < solidCount_ ? 1 : 0, ray.isFrontFace(p0, p1, p2), partCurrent});
    }
    return 1;
}

MaterialPartsSaveData MaterialParts::makeSaveData() const
{
    MaterialPartsSaveData record;
    record.firstFace = firstFace_;
    record.faceCount = faceCount_;
    record.solidCount = solidCount_;
    return record;
}

int MaterialParts::save(std::vector<char>& data) const
{
    makeSaveData().encode(data);
    return 1;
}

bool MaterialParts::checkSaveData(const MaterialPartsSaveData& record) const
{
    if (record.firstFace != firstFace_ || record.faceCount != faceCount_ || record.solidCount > faceCount_) {
        Logger::getInstance().print(1, "サブパーツのセーブデータが不正。%d", int(id_));
        return false;
    }
    return true;
}

int MaterialParts::load(const MaterialPartsSaveData& record)
{
    if (!checkSaveData(record))
        return 0;
    solidCount_ = record.solidCount;
    return 1;
}
