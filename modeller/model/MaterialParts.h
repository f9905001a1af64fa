#pragma once

#include "MaterialPartsSaveData.h"
#include "Ray.h"

#include <d3d9.h>

#include <vector>

class Material;
struct DrawOptions;

// One run of a part's faces with one attribute id. The first solidCount faces
// of the run are the solid ones.
class MaterialParts {
public:
    MaterialParts() = default;
    ~MaterialParts();
    MaterialParts(const MaterialParts&) = delete;
    MaterialParts& operator=(const MaterialParts&) = delete;

    int create(unsigned id, IDirect3DDevice9* device, unsigned attribute, unsigned firstFace, unsigned faceCount,
               unsigned minVertexIndex, unsigned vertexCount);
    int toggleFace(WORD* indices, unsigned face, int makeUnfilled);
    void swapFaces(WORD* indices, unsigned i, unsigned j);
    int draw(Material& material, const DrawOptions& options, D3DCOLOR wireColour);
    int pick(std::vector<FaceHit>& hits, const Ray& ray, const BYTE* vertices, unsigned stride, const WORD* indices,
             unsigned partId, int partCurrent) const;
    MaterialPartsSaveData makeSaveData() const;
    int save(std::vector<char>& data) const;
    // checkSaveData logs a refusal.
    bool checkSaveData(const MaterialPartsSaveData& record) const;
    int load(const MaterialPartsSaveData& record);

    unsigned getId() const { return id_; }
    unsigned getAttribute() const { return attribute_; }
    unsigned getFirstFace() const { return firstFace_; }
    unsigned getFaceCount() const { return faceCount_; }
    unsigned getSolidCount() const { return solidCount_; }

private:
    unsigned id_ = 0;
    IDirect3DDevice9* device_ = nullptr;
    unsigned attribute_ = 0;
    unsigned firstFace_ = 0;
    unsigned faceCount_ = 0;
    unsigned minVertexIndex_ = 0;
    unsigned vertexCount_ = 0;
    unsigned solidCount_ = 0;
};
