#pragma once

#include "DrawOptions.h"
#include "LocalWorld.h"
#include "Material.h"
#include "Parts.h"
#include "Ray.h"

#include <d3dx9.h>

#include <memory>
#include <string>
#include <vector>

class IPartsList;
class XFileBytes;

// The one loaded mesh with its parts, materials and orbit camera. Results are 1 / 0.
class Model {
public:
    Model();
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    int create(IDirect3DDevice9* device);
    void setPartsList(IPartsList* list) { partsList_ = list; }

    // Opening and building.
    int open(const std::string& path, float fov);
    int load(const std::string& meshPath, std::string savePath);
    int loadMesh(ID3DXBuffer** adjacency, ID3DXBuffer** materials);
    int loadMeshFromPlugIn(ID3DXBuffer** adjacency, ID3DXBuffer** materials);
    int computeBoundingSphere();
    int createParts(ID3DXMesh* mesh);

    // State of a loaded model.
    void setCurrentParts(unsigned index, int focus);
    void resetView(int toPart);
    void setPartsVisible(unsigned index, int visible);
    void setPartsName(unsigned index, const char* text);
    int getSolidFaceCount(int& out) const;
    int getCurrentPartsFaceCounts(int& solid, int& total) const;
    int getDistanceAndRadius(float& distance, float& radius) const;
    void beginRotate(int x, int y) { localWorld_.beginRotate(x, y); }
    void beginMove(int x, int y) { localWorld_.beginMove(x, y); }
    void rotate(int x, int y) { localWorld_.rotate(x, y); }
    void move(int x, int y, const D3DVIEWPORT9& viewport, float fov) { localWorld_.move(x, y, viewport, fov); }

    int draw(int pickingEnabled);
    // Writes a temporary file beside path and replaces path only when it is complete.
    int save(const std::string& path);
    int loadSaveData();
    void fillPartsList();
    int release();
    void destroy();

    // Face picking; pick mode 1 makes faces solid, 0 makes them unfilled.
    int pick(int x, int y, int pickMode);
    int pickFace(const Ray& ray, int pickMode);
    int collectHits(std::vector<FaceHit>& hits, const Ray& ray);
    int makeFaceSolid(std::vector<FaceHit>& hits);
    int makeFaceNonSolid(std::vector<FaceHit>& hits);

    int isLoaded() const { return loaded_; }
    ID3DXMesh* getMesh() const { return mesh_; }
    const std::string& getMeshPath() const { return meshPath_; }
    const std::string& getSavePath() const { return savePath_; }
    unsigned getPartsCount() const { return partsCount_; }
    Parts& getParts(unsigned index) { return parts_[index]; }
    unsigned getCurrentParts() const { return currentParts_; }
    unsigned getFaceCount() const { return faceCount_; }
    unsigned getMaterialCount() const { return materialCount_; }
    const D3DXVECTOR3& getCenter() const { return center_; }
    float getRadius() const { return radius_; }
    const Material& getMaterial() const { return material_; }
    LocalWorld& getLocalWorld() { return localWorld_; }
    DrawOptions& getDrawOptions() { return drawOptions_; }

private:
    int prepareMeshBytes(const void* data, size_t size, const char* source, XFileBytes& bytes);
    int loadMeshFromBytes(const void* data, size_t size, const char* source, ID3DXBuffer** adjacency,
                          ID3DXBuffer** materials);
    int loadMeshFromResource(ID3DXBuffer** adjacency, ID3DXBuffer** materials);
    int loadMeshFromFile(ID3DXBuffer** adjacency, ID3DXBuffer** materials);
    int optimizeMesh(ID3DXBuffer* adjacency);
    int writeWorkFile(const std::string& path);

    IDirect3DDevice9* device_ = nullptr;
    ID3DXMesh* mesh_ = nullptr;
    int loaded_ = 0;
    std::string meshPath_;
    std::string savePath_;
    unsigned partsCount_ = 0;
    std::unique_ptr<Parts[]> parts_;
    unsigned currentParts_ = 0;
    unsigned faceCount_ = 0;
    unsigned materialCount_ = 0;
    D3DXVECTOR3 center_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    float radius_ = 0.0f;
    Material material_;
    LocalWorld localWorld_;
    DrawOptions drawOptions_;
    IPartsList* partsList_ = nullptr;
};

// A mesh path that no longer exists becomes the file of the same name in the
// "plugin" folder beside the program.
void resolvePlugInPath(std::string& path);
