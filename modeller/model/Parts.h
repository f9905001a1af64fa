#pragma once

#include "DrawOptions.h"
#include "MaterialParts.h"
#include "Ray.h"

#include <d3dx9.h>

#include <memory>
#include <string>
#include <vector>

class Material;
struct PartsSaveData;
class SerializeReader;
class SerializeWriter;

struct AttributeRange {
    unsigned attribute;
    unsigned firstPosition;
};

// One connected group of the mesh's faces with its own 16-bit index buffer,
// sorted by attribute into subsets.
class Parts {
public:
    Parts() = default;
    ~Parts();
    Parts(const Parts&) = delete;
    Parts& operator=(const Parts&) = delete;

    int create(unsigned id, IDirect3DDevice9* device, std::vector<DWORD>& faces, ID3DXMesh* mesh);
    void release();
    int draw(Material& material, DrawOptions& options);
    int pick(std::vector<FaceHit>& hits, const Ray& ray, const BYTE* vertices, unsigned stride);
    int toggleFace(unsigned subset, unsigned face, int makeUnfilled);
    unsigned getSolidFaceCount() const;
    void setCurrent(int flag) { current_ = flag; }
    void setVisible(int flag) { visible_ = flag; }
    void setName(const char* text) { name_ = text; }
    void setDefaultName();
    int save(SerializeWriter& writer);
    int load(SerializeReader& reader);

    unsigned getId() const { return id_; }
    const std::string& getName() const { return name_; }
    unsigned getFaceCount() const { return faceCount_; }
    const D3DXVECTOR3& getCenter() const { return center_; }
    float getRadius() const { return radius_; }
    int isCurrent() const { return current_; }
    int isVisible() const { return visible_; }
    unsigned getSubsetCount() const { return subsetCount_; }
    const MaterialParts& getSubset(unsigned i) const { return subsets_[i]; }
    const std::vector<AttributeRange>& getAttributeRanges() const { return attributeRanges_; }
    unsigned getMinVertexIndex() const { return minVertexIndex_; }
    unsigned getMaxVertexIndex() const { return maxVertexIndex_; }
    IDirect3DIndexBuffer9* getIndexBuffer() const { return indexBuffer_; }
    // The record as saved, or empty when the index buffer cannot be locked.
    std::vector<char> makeSaveData() const;
    int applySaveData(const std::vector<char>& bytes);

private:
    int buildAttributeRanges(std::vector<DWORD>& faces, ID3DXMesh* mesh);
    void computeIndexRange(const WORD* indices);
    int computeBoundingSphereFromMesh(const WORD* indices, ID3DXMesh* mesh);
    void buildSubsets();
    int matchesSaveData(const PartsSaveData& record, const WORD* indices) const;

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
    unsigned id_ = 0;
    std::string name_ = "no name";
    unsigned faceCount_ = 0;
    unsigned minVertexIndex_ = 0;
    unsigned maxVertexIndex_ = 0;
    D3DXVECTOR3 center_ = D3DXVECTOR3(0, 0, 0);
    float radius_ = 0.0f;
    int current_ = 0;
    int visible_ = 0;
    std::vector<AttributeRange> attributeRanges_;
    std::unique_ptr<MaterialParts[]> subsets_;
    unsigned subsetCount_ = 0;
};
