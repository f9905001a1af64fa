#include "MeshCheck.h"

#include "BufferLock.h"
#include "ComRef.h"
#include "gfl/Logger.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

bool indexInRange(DWORD index, DWORD vertexCount)
{
    if (index < vertexCount)
        return true;
    Logger::getInstance().print(1, "メッシュが不正です。インデックス %lu 頂点数 %lu", static_cast<unsigned long>(index),
                                static_cast<unsigned long>(vertexCount));
    return false;
}

}

int validateMesh(ID3DXMesh* mesh, DWORD materialCount)
{
    const DWORD vertexCount = mesh->GetNumVertices();
    const DWORD faceCount = mesh->GetNumFaces();
    const DWORD options = mesh->GetOptions();
    if (vertexCount > kMaxMeshVertices) {
        Logger::getInstance().print(1, "メッシュが不正です。頂点数 %lu", static_cast<unsigned long>(vertexCount));
        return 0;
    }
    {
        BufferLock indices(mesh, BufferLock::kIndices, D3DLOCK_READONLY);
        if (!indices.data()) {
            Logger::getInstance().print(1, "メッシュのロックに失敗しました。");
            return 0;
        }
        for (DWORD i = 0; i < faceCount * 3; ++i) {
            if (!indexInRange(meshIndex(indices.data(), options, i), vertexCount))
                return 0;
        }
    }
    BufferLock attributes(mesh, BufferLock::kAttributes, D3DLOCK_READONLY);
    if (!attributes.data()) {
        Logger::getInstance().print(1, "メッシュのロックに失敗しました。");
        return 0;
    }
    const DWORD* ids = static_cast<const DWORD*>(attributes.data());
    for (DWORD f = 0; f < faceCount; ++f) {
        if (ids[f] >= materialCount) {
            Logger::getInstance().print(1, "メッシュが不正です。属性 %lu マテリアル数 %lu",
                                        static_cast<unsigned long>(ids[f]), static_cast<unsigned long>(materialCount));
            return 0;
        }
    }
    return 1;
}

namespace {

constexpr DWORD kUnused = 0xFFFFFFFF;

// Fills a new mesh from the source's locked buffers (indices known to be in
// range) and gives one range per run of equal attribute ids, with the span of
// vertices its faces use.
int fillCompacted(ID3DXMesh* source, ID3DXMesh* target, const void* sourceVertices, const void* sourceIndices,
                  const DWORD* sourceAttributes, const std::vector<DWORD>& remap, const std::vector<DWORD>& faceOrder,
                  std::vector<D3DXATTRIBUTERANGE>& ranges)
{
    const DWORD stride = source->GetNumBytesPerVertex();
    const DWORD options = source->GetOptions();
    const DWORD vertexCount = source->GetNumVertices();

    BufferLock vertices(target, BufferLock::kVertices, 0);
    BufferLock indices(target, BufferLock::kIndices, 0);
    BufferLock attributes(target, BufferLock::kAttributes, 0);
    if (!vertices.data() || !indices.data() || !attributes.data())
        return 0;

    // Used vertices keep their order, so each run of them is one block of the target.
    BYTE* outVertices = static_cast<BYTE*>(vertices.data());
    const BYTE* inVertices = static_cast<const BYTE*>(sourceVertices);
    for (DWORD v = 0; v < vertexCount;) {
        if (remap[v] == kUnused) {
            ++v;
            continue;
        }
        DWORD end = v + 1;
        while (end < vertexCount && remap[end] != kUnused)
            ++end;
        std::memcpy(outVertices + size_t(remap[v]) * stride, inVertices + size_t(v) * stride, size_t(end - v) * stride);
        v = end;
    }

    WORD* outIndices = static_cast<WORD*>(indices.data());
    DWORD* outAttributes = static_cast<DWORD*>(attributes.data());
    DWORD rangeEnd = 0;
    for (DWORD f = 0; f < DWORD(faceOrder.size()); ++f) {
        const DWORD face = faceOrder[f];
        const DWORD id = sourceAttributes[face];
        outAttributes[f] = id;
        if (ranges.empty() || ranges.back().AttribId != id) {
            ranges.push_back({id, f, 0, kUnused, 0});
            rangeEnd = 0;
        }
        D3DXATTRIBUTERANGE& range = ranges.back();
        for (DWORD k = 0; k < 3; ++k) {
            const DWORD v = remap[meshIndex(sourceIndices, options, face * 3 + k)];
            outIndices[f * 3 + k] = static_cast<WORD>(v);
            range.VertexStart = std::min(range.VertexStart, v);
            rangeEnd = std::max(rangeEnd, v + 1);
        }
        range.VertexCount = rangeEnd - range.VertexStart;
        ++range.FaceCount;
    }
    return 1;
}

}

int compactMesh(ID3DXMesh* mesh, IDirect3DDevice9* device, ID3DXMesh** compacted)
{
    *compacted = nullptr;
    const DWORD vertexCount = mesh->GetNumVertices();
    const DWORD faceCount = mesh->GetNumFaces();
    const DWORD options = mesh->GetOptions();
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    if (faceCount == 0 || FAILED(mesh->GetDeclaration(declaration))) {
        Logger::getInstance().print(1, "メッシュの圧縮に失敗しました。");
        return 0;
    }

    BufferLock vertices(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
    BufferLock indices(mesh, BufferLock::kIndices, D3DLOCK_READONLY);
    BufferLock attributes(mesh, BufferLock::kAttributes, D3DLOCK_READONLY);
    if (!vertices.data() || !indices.data() || !attributes.data()) {
        Logger::getInstance().print(1, "メッシュのロックに失敗しました。");
        return 0;
    }

    // Used vertices keep their order.
    std::vector<DWORD> remap(vertexCount, kUnused);
    for (DWORD i = 0; i < faceCount * 3; ++i) {
        const DWORD index = meshIndex(indices.data(), options, i);
        if (!indexInRange(index, vertexCount))
            return 0;
        remap[index] = 0;
    }
    DWORD usedCount = 0;
    for (DWORD v = 0; v < vertexCount; ++v) {
        if (remap[v] == 0)
            remap[v] = usedCount++;
    }
    if (usedCount > kMaxMeshVertices) {
        Logger::getInstance().print(1, "メッシュが不正です。頂点数 %lu", static_cast<unsigned long>(usedCount));
        return 0;
    }

    const DWORD* ids = static_cast<const DWORD*>(attributes.data());
    std::vector<DWORD> faceOrder(faceCount);
    std::iota(faceOrder.begin(), faceOrder.end(), 0);
    // The loader may have sorted them already.
    if (!std::is_sorted(ids, ids + faceCount))
        std::stable_sort(faceOrder.begin(), faceOrder.end(), [ids](DWORD a, DWORD b) { return ids[a] < ids[b]; });

    ComRef<ID3DXMesh> out;
    std::vector<D3DXATTRIBUTERANGE> ranges;
    if (FAILED(D3DXCreateMesh(faceCount, usedCount, D3DXMESH_SYSTEMMEM, declaration, device, out.out()))
        || !fillCompacted(mesh, out.get(), vertices.data(), indices.data(), ids, remap, faceOrder, ranges)
        || FAILED(out->SetAttributeTable(ranges.data(), DWORD(ranges.size())))) {
        Logger::getInstance().print(1, "メッシュの圧縮に失敗しました。");
        return 0;
    }
    *compacted = out.detach();
    return 1;
}
