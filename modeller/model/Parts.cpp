#include "Parts.h"

#include "BufferLock.h"
#include "IndexBufferLock.h"
#include "ComRef.h"
#include "Material.h"
#include "PartsSaveData.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"
#include "gfl/Logger.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr D3DCOLOR kWireColour = 0x00FFFFFF;

using FaceIndices = std::array<WORD, 3>;

std::vector<FaceIndices> sortedFaces(const WORD* indices, unsigned first, unsigned count)
{
    std::vector<FaceIndices> faces(count);
    for (unsigned k = 0; k < count; ++k)
        std::copy(indices + (first + k) * 3, indices + (first + k) * 3 + 3, faces[k].begin());
    std::sort(faces.begin(), faces.end());
    return faces;
}

int refuseSaveData(unsigned id)
{
    Logger::getInstance().print(1, "パーツのセーブデータが不正。%d", int(id));
    return 0;
}
}

Parts::~Parts()
{
    release();
}

// The part keeps its id, name and flags; the faces go with the buffer.
void Parts::release()
{
    subsets_.reset();
    subsetCount_ = 0;
    attributeRanges_.clear();
    faceCount_ = 0;
    if (indexBuffer_) {
        releaseInterface(indexBuffer_);
        Logger::getInstance().print(3, "パーツ破棄。id:%d", int(id_));
    }
}

void Parts::setDefaultName()
{
    char name[64];
    wsprintfA(name, "パーツ%03d", int(id_));
    name_ = name;
}

int Parts::create(unsigned id, IDirect3DDevice9* device, std::vector<DWORD>& faces, ID3DXMesh* mesh)
{
    Logger& log = Logger::getInstance();
    release();
    id_ = id;
    device_ = device;
    faceCount_ = unsigned(faces.size());
    setDefaultName();
    log.print(3, "パーツ作成開始。id:%d 面数:%d", int(id_), int(faceCount_));

    if (FAILED(
            device_->CreateIndexBuffer(faceCount_ * 6, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &indexBuffer_, nullptr))) {
        indexBuffer_ = nullptr;
        log.print(1, "パーツ用インデックスバッファの作成失敗");
        return 0;
    }
    if (!buildAttributeRanges(faces, mesh))
        return 0;

    IndexBufferLock part(indexBuffer_);
    if (!part.indices()) {
        log.print(1, "パーツ用インデックスバッファのロック失敗");
        return 0;
    }
    {
        BufferLock meshIndices(mesh, BufferLock::kIndices, 0);
        if (!meshIndices.data()) {
            log.print(1, "パーツ用インデックスバッファのロック失敗");
            return 0;
        }
        const WORD* in = meshIndices.as<const WORD>();
        for (unsigned k = 0; k < faceCount_; ++k)
            std::copy(in + faces[k] * 3, in + faces[k] * 3 + 3, part.indices() + k * 3);
    }

    computeIndexRange(part.indices());
    if (!computeBoundingSphereFromMesh(part.indices(), mesh))
        return 0;
    buildSubsets();
    current_ = 0;
    visible_ = 1;
    log.print(3, "パーツ作成終了。");
    return 1;
}

int Parts::buildAttributeRanges(std::vector<DWORD>& faces, ID3DXMesh* mesh)
{
    BufferLock lock(mesh, BufferLock::kAttributes, D3DLOCK_READONLY);
    const DWORD* attributes = lock.as<const DWORD>();
    if (!attributes) {
        Logger::getInstance().print(1, "パーツ用属性バッファのロック失敗");
        return 0;
    }
    std::sort(faces.begin(), faces.end(), [attributes](DWORD a, DWORD b) { return attributes[a] < attributes[b]; });
    attributeRanges_.clear();
    attributeRanges_.reserve(4);
    if (!faces.empty()) {
        attributeRanges_.push_back({unsigned(attributes[faces[0]]), 0});
        for (unsigned k = 0; k < faces.size(); ++k)
            if (attributes[faces[k]] != attributeRanges_.back().attribute)
                attributeRanges_.push_back({unsigned(attributes[faces[k]]), k});
    }
    return 1;
}

void Parts::computeIndexRange(const WORD* indices)
{
    minVertexIndex_ = 0xFFFFFFFF;
    maxVertexIndex_ = 0;
    for (unsigned i = 0; i < faceCount_ * 3; ++i) {
        minVertexIndex_ = std::min<unsigned>(minVertexIndex_, indices[i]);
        maxVertexIndex_ = std::max<unsigned>(maxVertexIndex_, indices[i]);
    }
}

int Parts::computeBoundingSphereFromMesh(const WORD* indices, ID3DXMesh* mesh)
{
    BufferLock lock(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
    const BYTE* vertices = lock.as<const BYTE>();
    if (!vertices)
        return 0;
    const DWORD stride = mesh->GetNumBytesPerVertex();
    auto position = [&](unsigned i) {
        return *reinterpret_cast<const D3DXVECTOR3*>(vertices + size_t(indices[i]) * stride);
    };
    D3DXVECTOR3 low = faceCount_ ? position(0) : D3DXVECTOR3(0, 0, 0);
    D3DXVECTOR3 high = low;
    for (unsigned i = 0; i < faceCount_ * 3; ++i) {
        const D3DXVECTOR3 p = position(i);
        for (int axis = 0; axis < 3; ++axis) {
            if (p[axis] < low[axis])
                low[axis] = p[axis];
            else if (p[axis] > high[axis])
                high[axis] = p[axis];
        }
    }
    center_ = (low + high) * 0.5f;
    const D3DXVECTOR3 extent = high - low;
    radius_ = 0.5f * std::sqrt(extent.x * extent.x + extent.y * extent.y + extent.z * extent.z);
    Logger::getInstance().print(3, "パーツの境界球 c:%f %f %f r:%f", center_.x, center_.y, center_.z, radius_);
    return 1;
}

void Parts::buildSubsets()
{
    subsetCount_ = unsigned(attributeRanges_.size());
    subsets_.reset(new MaterialParts[subsetCount_]);
    for (unsigned i = 0; i < subsetCount_; ++i) {
        const unsigned first = attributeRanges_[i].firstPosition;
        const unsigned end = i + 1 < subsetCount_ ? attributeRanges_[i + 1].firstPosition : faceCount_;
        subsets_[i].create(i, device_, attributeRanges_[i].attribute, first, end - first, minVertexIndex_,
                           maxVertexIndex_ - minVertexIndex_ + 1);
    }
}

int Parts::draw(Material& material, DrawOptions& options)
{
    if (options.browse) {
        options.drawSolid = 1;
        options.drawUnfilled = 0;
    } else if (current_) {
        options.drawSolid = 1;
        options.drawUnfilled = 1;
    } else if (visible_) {
        options.drawSolid = 1;
        options.drawUnfilled = 0;
    } else {
        return 1;
    }
    device_->SetIndices(indexBuffer_);
    for (unsigned i = 0; i < subsetCount_; ++i)
        subsets_[i].draw(material, options, kWireColour);
    return 1;
}

int Parts::pick(std::vector<FaceHit>& hits, const Ray& ray, const BYTE* vertices, unsigned stride)
{
    if (!visible_ && !current_)
        return 1;
    IndexBufferLock lock(indexBuffer_);
    if (!lock.indices())
        return 0;
    for (unsigned i = 0; i < subsetCount_; ++i)
        subsets_[i].pick(hits, ray, vertices, stride, lock.indices(), id_, current_);
    return 1;
}

int Parts::toggleFace(unsigned subset, unsigned face, int makeUnfilled)
{
    if (subset >= subsetCount_)
        return 0;
    IndexBufferLock lock(indexBuffer_);
    if (!lock.indices())
        return 0;
    return subsets_[subset].toggleFace(lock.indices(), face, makeUnfilled);
}

unsigned Parts::getSolidFaceCount() const
{
    unsigned count = 0;
    for (unsigned i = 0; i < subsetCount_; ++i)
        count += subsets_[i].getSolidCount();
    return count;
}

std::vector<char> Parts::makeSaveData() const
{
    PartsSaveData record;
    record.name = name_;
    record.current = uint32_t(current_);
    record.visible = uint32_t(visible_);
    IndexBufferLock lock(indexBuffer_);
    if (!lock.indices()) {
        Logger::getInstance().print(1, "セーブ用インデックスバッファのロック失敗");
        return std::vector<char>();
    }
    record.indices.assign(lock.indices(), lock.indices() + faceCount_ * 3);
    for (unsigned i = 0; i < subsetCount_; ++i)
        record.subsets.push_back(subsets_[i].makeSaveData());
    return record.encode();
}

int Parts::save(SerializeWriter& writer)
{
    const std::vector<char> data = makeSaveData();
    if (data.empty())
        return 0;
    return writer.writePartsFile(int(id_), data);
}

int Parts::load(SerializeReader& reader)
{
    std::vector<char> record;
    if (!reader.readPartsFile(int(id_), record))
        return 0;
    return applySaveData(record);
}

// Checks the whole record against this part before anything changes.
int Parts::applySaveData(const std::vector<char>& bytes)
{
    PartsSaveData record;
    if (!PartsSaveData::decode(bytes, record) || record.subsets.size() != subsetCount_
        || record.faceCount() != faceCount_)
        return refuseSaveData(id_);
    for (WORD index : record.indices)
        if (index < minVertexIndex_ || index > maxVertexIndex_)
            return refuseSaveData(id_);

    IndexBufferLock lock(indexBuffer_);
    if (!lock.indices()) {
        Logger::getInstance().print(1, "ロード用インデックスバッファのロック失敗");
        return 0;
    }
    if (!matchesSaveData(record, lock.indices()))
        return 0;

    current_ = int(record.current);
    visible_ = int(record.visible);
    name_ = record.name.c_str();
    std::copy(record.indices.begin(), record.indices.end(), lock.indices());
    for (unsigned i = 0; i < subsetCount_; ++i)
        subsets_[i].load(record.subsets[i]);
    return 1;
}

// Each subset's record fits its run, and its faces are the run's faces in some order.
int Parts::matchesSaveData(const PartsSaveData& record, const WORD* indices) const
{
    for (unsigned i = 0; i < subsetCount_; ++i) {
        const MaterialParts& subset = subsets_[i];
        if (!subset.checkSaveData(record.subsets[i]))
            return 0;
        if (sortedFaces(record.indices.data(), subset.getFirstFace(), subset.getFaceCount())
            != sortedFaces(indices, subset.getFirstFace(), subset.getFaceCount()))
            return refuseSaveData(id_);
    }
    return 1;
}
