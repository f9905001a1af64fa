#include "Model.h"

#include "BufferLock.h"
#include "ComRef.h"
#include "FaceWalk.h"
#include "IPartsList.h"
#include "MeshCheck.h"
#include "MeshJoin.h"
#include "xfile/XFileBytes.h"
#include "archive/PlugInData.h"
#include "archive/PlugInReader.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"
#include "gfl/File.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <algorithm>
#include <new>

namespace {

constexpr DWORD kLoadOptions = D3DXMESH_SYSTEMMEM; // 0x110: 16-bit indices
constexpr DWORD kOptimizeFlags = D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_STRIPREORDER;
constexpr float kDefaultRadius = 10.0f;
const char kXFileResourceType[] = "XFILE";

// Sizes bytes for a whole mesh file; false past the entry cap or when memory runs out.
bool allocateFileBytes(unsigned long long size, std::vector<char>& bytes)
{
    if (size > kMaxEntrySize)
        return false;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool byDistance(const FaceHit& a, const FaceHit& b)
{
    return a.distance < b.distance;
}

}

Model::Model() = default;

Model::~Model()
{
    release();
}

int Model::create(IDirect3DDevice9* device)
{
    device_ = device;
    if (!localWorld_.create(device))
        return 0;
    localWorld_.init(D3DXVECTOR3(0.0f, 0.0f, 0.0f), kDefaultRadius, kDefaultFieldOfView);
    return 1;
}

int Model::open(const std::string& path, float fov)
{
    std::string meshPath = path;
    std::string savePath;
    if (isSerializeFile(path)) {
        SerializeReader reader;
        if (!reader.open(path) || !reader.readMainMeshFile(meshPath))
            return 0;
        resolvePlugInPath(meshPath);
        savePath = path;
    }
    if (!load(meshPath, savePath)) {
        release();
        localWorld_.init(D3DXVECTOR3(0.0f, 0.0f, 0.0f), kDefaultRadius, fov);
        return 0;
    }
    loaded_ = 1;
    localWorld_.init(center_, radius_, fov);
    // Part 0 is current after every open, whatever the records said.
    currentParts_ = 0;
    for (unsigned i = 0; i < partsCount_; ++i)
        parts_[i].setCurrent(i == 0 ? 1 : 0);
    fillPartsList();
    return 1;
}

int Model::load(const std::string& meshPath, std::string savePath)
{
    release();
    meshPath_ = meshPath;
    savePath_ = std::move(savePath);

    ComRef<ID3DXBuffer> adjacency;
    ComRef<ID3DXBuffer> materials;
    if (!loadMesh(adjacency.out(), materials.out()))
        return 0;
    Logger& log = Logger::getInstance();
    log.print(3, "メッシュを読み込みました。%s", meshPath_.c_str());

    if (!optimizeMesh(adjacency.get()))
        return 0;
    computeBoundingSphere();
    if (!material_.create(meshPath_, static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()), materialCount_,
                          device_))
        return 0;
    if (!createParts(mesh_))
        return 0;
    if (!savePath_.empty() && !loadSaveData())
        return 0;
    return 1;
}

// The optimisation leaves faces sorted by material and unused vertices gone;
// where the platform cannot do it, the compaction reaches the same state.
int Model::optimizeMesh(ID3DXBuffer* adjacency)
{
    const HRESULT optimized = mesh_->OptimizeInplace(
        kOptimizeFlags, static_cast<const DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr, nullptr);
    if (SUCCEEDED(optimized))
        return 1;
    ID3DXMesh* compacted = nullptr;
    if (!compactMesh(mesh_, device_, &compacted))
        return 0;
    releaseInterface(mesh_);
    mesh_ = compacted;
    return 1;
}

int Model::loadMesh(ID3DXBuffer** adjacency, ID3DXBuffer** materials)
{
    Logger& log = Logger::getInstance();
    if (loadMeshFromPlugIn(adjacency, materials)) {
        log.print(3, "プラグインからメッシュをロードしました。");
        return 1;
    }
    if (loadMeshFromResource(adjacency, materials)) {
        log.print(3, "リソースからメッシュをロードしました。");
        return 1;
    }
    if (loadMeshFromFile(adjacency, materials)) {
        log.print(3, "ファイルからメッシュをロードしました。");
        return 1;
    }
    log.print(1, "Xファイルの読み込みに失敗しました。");
    return 0;
}

// The source's bytes, checked and made into what the parser gets; 0 (logged)
// when they cannot be read or hold no mesh.
int Model::prepareMeshBytes(const void* data, size_t size, const char* source, XFileBytes& bytes)
{
    Logger& log = Logger::getInstance();
    const XFileBytes::Result prepared = bytes.prepare(data, size);
    if (prepared == XFileBytes::kDamagedCompression) {
        log.print(1, "%sの圧縮されたメッシュが壊れています（%s）。%s", source, bytes.getFailure(), meshPath_.c_str());
        return 0;
    }
    if (prepared != XFileBytes::kReady) {
        log.print(1, "%sのXファイルが読めません（%s）。%s", source, bytes.getFailure(), meshPath_.c_str());
        return 0;
    }
    if (bytes.getMeshCount() == 0) {
        log.print(1, "%sのメッシュが読めません。%s", source, meshPath_.c_str());
        return 0;
    }
    if (bytes.getRepairedLists())
        log.print(3, "%sの一つだけの面マテリアルを全ての面に当てます。%s", source, meshPath_.c_str());
    return 1;
}

// One mesh is loaded by the whole-file call; two or more, or one under a chain
// of transforming frames, are joined here, since the platform's join and its
// order of frame matrices cannot be relied on. Every mesh is validated.
int Model::loadMeshFromBytes(const void* data, size_t size, const char* source, ID3DXBuffer** adjacency,
                             ID3DXBuffer** materials)
{
    XFileBytes bytes;
    if (!prepareMeshBytes(data, size, source, bytes))
        return 0;
    Logger& log = Logger::getInstance();
    const bool join = bytes.getMeshCount() > 1 || bytes.hasNestedTransforms();
    log.print(3, join ? "%sのメッシュを階層から結合します。%s" : "%sのメッシュを一括で読み込みます。%s", source,
              meshPath_.c_str());
    ComRef<ID3DXMesh> mesh;
    ComRef<ID3DXBuffer> adjacencyBuffer;
    ComRef<ID3DXBuffer> materialBuffer;
    DWORD materialCount = 0;
    const DWORD length = DWORD(bytes.size());
    const int loaded =
        join ? joinMeshHierarchy(bytes.data(), length, device_, mesh.out(), adjacencyBuffer.out(), materialBuffer.out(),
                                 &materialCount)
             : SUCCEEDED(D3DXLoadMeshFromXInMemory(bytes.data(), length, kLoadOptions, device_, adjacencyBuffer.out(),
                                                   materialBuffer.out(), nullptr, &materialCount, mesh.out()));
    if (!loaded || !mesh || !adjacencyBuffer || !materialBuffer || !validateMesh(mesh.get(), materialCount)) {
        log.print(1, "%sのメッシュが使えません。%s", source, meshPath_.c_str());
        return 0;
    }
    mesh_ = mesh.detach();
    materialCount_ = materialCount;
    *adjacency = adjacencyBuffer.detach();
    *materials = materialBuffer.detach();
    return 1;
}

int Model::loadMeshFromPlugIn(ID3DXBuffer** adjacency, ID3DXBuffer** materials)
{
    std::vector<char> bytes;
    {
        PlugInReader reader;
        if (!reader.open(meshPath_.c_str()) || !reader.readMainMeshFile(bytes))
            return 0;
    }
    return loadMeshFromBytes(bytes.data(), bytes.size(), "プラグイン", adjacency, materials);
}

int Model::loadMeshFromResource(ID3DXBuffer** adjacency, ID3DXBuffer** materials)
{
    HRSRC resource = FindResourceA(nullptr, meshPath_.c_str(), kXFileResourceType);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return 0;
    return loadMeshFromBytes(data, SizeofResource(nullptr, resource), "リソース", adjacency, materials);
}

int Model::loadMeshFromFile(ID3DXBuffer** adjacency, ID3DXBuffer** materials)
{
    gfl::File file(meshPath_);
    unsigned long long fileSize = 0;
    if (FAILED(file.getSize(&fileSize)))
        return 0;
    std::vector<char> bytes;
    if (!allocateFileBytes(fileSize, bytes)) {
        Logger::getInstance().print(1, "ファイルのメッシュが大きすぎます。%s", meshPath_.c_str());
        return 0;
    }
    if (!bytes.empty() && FAILED(file.readAll(bytes.data(), DWORD(bytes.size()))))
        return 0;
    return loadMeshFromBytes(bytes.data(), bytes.size(), "ファイル", adjacency, materials);
}

int Model::computeBoundingSphere()
{
    Logger& log = Logger::getInstance();
    faceCount_ = mesh_->GetNumFaces();
    log.print(3, "メッシュの総面数：%d", int(faceCount_));
    center_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    radius_ = 1.0f;

    HRESULT computed = E_FAIL;
    {
        BufferLock vertices(mesh_, BufferLock::kVertices, 0);
        if (!vertices.data())
            return 0;
        computed = D3DXComputeBoundingSphere(vertices.as<const D3DXVECTOR3>(), mesh_->GetNumVertices(),
                                             D3DXGetFVFVertexSize(mesh_->GetFVF()), &center_, &radius_);
    }
    log.print(3, "メッシュの境界球 c:%f %f %f r:%f", center_.x, center_.y, center_.z, radius_);
    return SUCCEEDED(computed) ? 1 : 0;
}

int Model::createParts(ID3DXMesh* mesh)
{
    Logger& log = Logger::getInstance();
    std::vector<DWORD> adjacency(size_t(faceCount_) * 3, 0);
    if (FAILED(mesh->GenerateAdjacency(0.0f, adjacency.data()))) {
        log.print(1, "隣接性バッファ作成に失敗しました。");
        return 0;
    }
    std::vector<unsigned char> visited(faceCount_, 0);
    partsCount_ = 0;
    for (DWORD f = 0; f < faceCount_; ++f) {
        if (visited[f] == 0) {
            collectConnectedFaces(nullptr, adjacency.data(), visited.data(), f);
            ++partsCount_;
        }
    }
    log.print(3, "パーツ数。%d", int(partsCount_));
    if (partsCount_ == 0) {
        log.print(1, "パーツがない。");
        return 0;
    }
    parts_.reset(new Parts[partsCount_]);

    std::fill(visited.begin(), visited.end(), 0);
    std::vector<DWORD> faces;
    faces.reserve(faceCount_);
    unsigned k = 0;
    for (DWORD f = 0; f < faceCount_; ++f) {
        if (visited[f] != 0)
            continue;
        faces.clear();
        collectConnectedFaces(&faces, adjacency.data(), visited.data(), f);
        if (k >= partsCount_ || !parts_[k].create(k, device_, faces, mesh))
            return 0;
        ++k;
    }
    return 1;
}

void Model::setCurrentParts(unsigned index, int focus)
{
    if (!loaded_)
        return;
    if (index >= partsCount_) {
        Logger::getInstance().print(1, "インデックス範囲外 %d Model::setCurrentParts", int(index));
        return;
    }
    currentParts_ = index;
    if (focus)
        localWorld_.setCenter(parts_[index].getCenter(), parts_[index].getRadius());
    for (unsigned i = 0; i < partsCount_; ++i)
        parts_[i].setCurrent(i == index ? 1 : 0);
}

void Model::resetView(int toPart)
{
    if (toPart)
        setCurrentParts(currentParts_, 1);
    else
        localWorld_.setCenter(center_, radius_);
}

void Model::setPartsVisible(unsigned index, int visible)
{
    if (index < partsCount_)
        parts_[index].setVisible(visible);
}

void Model::setPartsName(unsigned index, const char* text)
{
    if (index < partsCount_)
        parts_[index].setName(text);
}

int Model::getSolidFaceCount(int& out) const
{
    if (!loaded_)
        return 0;
    unsigned sum = 0;
    for (unsigned i = 0; i < partsCount_; ++i)
        sum += parts_[i].getSolidFaceCount();
    out = int(sum);
    return 1;
}

int Model::getCurrentPartsFaceCounts(int& solid, int& total) const
{
    if (!loaded_)
        return 0;
    solid = int(parts_[currentParts_].getSolidFaceCount());
    total = int(parts_[currentParts_].getFaceCount());
    return 1;
}

int Model::getDistanceAndRadius(float& distance, float& radius) const
{
    if (!loaded_)
        return 0;
    localWorld_.getDistanceAndRadius(distance, radius);
    return 1;
}

int Model::draw(int pickingEnabled)
{
    localWorld_.drawAxis();
    if (!loaded_ || !mesh_)
        return 0;
    ComRef<IDirect3DVertexBuffer9> vertices;
    if (FAILED(mesh_->GetVertexBuffer(vertices.out())))
        return 0;
    device_->SetTransform(D3DTS_WORLD, &localWorld_.getWorldMatrix());
    device_->SetStreamSource(0, vertices.get(), 0, mesh_->GetNumBytesPerVertex());
    device_->SetFVF(mesh_->GetFVF());
    drawOptions_.browse = pickingEnabled ? 0 : 1;
    for (unsigned i = 0; i < partsCount_; ++i)
        parts_[i].draw(material_, drawOptions_);
    return 1;
}

int Model::save(const std::string& path)
{
    Logger& log = Logger::getInstance();
    // The temporary file and the replaced file are both named by the resolved path.
    const gfl::Path resolved(path);
    gfl::Path folder(resolved);
    char temporary[MAX_PATH];
    if (FAILED(folder.toParent()) || !GetTempFileNameA(folder.c_str(), "tbm", 0, temporary)) {
        log.print(1, "一時ファイルを作れません。%s", path.c_str());
        return 0;
    }
    if (!writeWorkFile(temporary)) {
        DeleteFileA(temporary);
        return 0;
    }
    if (!MoveFileExA(temporary, resolved.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        log.print(1, "セーブファイルを置き換えられません。%s", path.c_str());
        DeleteFileA(temporary);
        return 0;
    }
    return 1;
}

int Model::writeWorkFile(const std::string& path)
{
    SerializeWriter writer;
    if (!writer.create(path))
        return 0;
    int written = writer.writeMainMeshFile(meshPath_);
    for (unsigned i = 0; written && i < partsCount_; ++i)
        written = parts_[i].save(writer);
    // Closing writes the archive's end; a failed close is a failed save.
    return writer.close() && written ? 1 : 0;
}

int Model::loadSaveData()
{
    SerializeReader reader;
    if (!reader.open(savePath_))
        return 0;
    for (unsigned i = 0; i < partsCount_; ++i) {
        if (!parts_[i].load(reader))
            return 0;
    }
    Logger::getInstance().print(3, "セーブデータをロードしました。");
    return 1;
}

void Model::fillPartsList()
{
    if (!partsList_)
        return;
    partsList_->clear();
    for (unsigned k = 0; k < partsCount_; ++k) {
        partsList_->addParts(int(k), parts_[k].getName());
        partsList_->setPartsCheck(int(k), parts_[k].isVisible(), 0);
    }
    partsList_->selectItem(0);
}

int Model::release()
{
    if (mesh_) {
        releaseInterface(mesh_);
        Logger::getInstance().print(3, "メッシュ削除。");
    }
    if (parts_) {
        for (unsigned i = 0; i < partsCount_; ++i)
            parts_[i].release();
        parts_.reset();
        partsCount_ = 0;
    }
    material_.release();
    meshPath_.clear();
    savePath_.clear();
    loaded_ = 0;
    currentParts_ = 0;
    return 1;
}

void Model::destroy()
{
    release();
    localWorld_.releaseAxis();
}

int Model::pick(int x, int y, int pickMode)
{
    if (!loaded_)
        return 0;
    D3DXVECTOR3 nearPoint(float(x), float(y), 0.0f);
    D3DXVECTOR3 farPoint(float(x), float(y), 1.0f);
    D3DVIEWPORT9 viewport;
    D3DXMATRIX projection, view, world;
    device_->GetViewport(&viewport);
    device_->GetTransform(D3DTS_PROJECTION, &projection);
    device_->GetTransform(D3DTS_VIEW, &view);
    device_->GetTransform(D3DTS_WORLD, &world);
    D3DXVec3Unproject(&nearPoint, &nearPoint, &viewport, &projection, &view, &world);
    D3DXVec3Unproject(&farPoint, &farPoint, &viewport, &projection, &view, &world);
    return pickFace(Ray(nearPoint, farPoint), pickMode);
}

int Model::pickFace(const Ray& ray, int pickMode)
{
    static std::vector<FaceHit> hits = [] {
        std::vector<FaceHit> list;
        list.reserve(16);
        return list;
    }();
    hits.clear();
    collectHits(hits, ray);
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (pickMode != 0 && !shift)
        makeFaceSolid(hits);
    else
        makeFaceNonSolid(hits);
    return 1;
}

int Model::collectHits(std::vector<FaceHit>& hits, const Ray& ray)
{
    BufferLock vertices(mesh_, BufferLock::kVertices, 0);
    if (!vertices.data())
        return 1;
    const unsigned stride = mesh_->GetNumBytesPerVertex();
    for (unsigned i = 0; i < partsCount_; ++i)
        parts_[i].pick(hits, ray, vertices.as<const BYTE>(), stride);
    return 1;
}

int Model::makeFaceSolid(std::vector<FaceHit>& hits)
{
    if (hits.empty())
        return 0;
    std::sort(hits.begin(), hits.end(), byDistance);
    const FaceHit* candidate = nullptr;
    for (const FaceHit& hit : hits) {
        if (!hit.frontFacing)
            continue;
        if (hit.solid)
            break;
        if (hit.partCurrent)
            candidate = &hit;
    }
    if (!candidate || candidate->partId >= partsCount_)
        return 0;
    return parts_[candidate->partId].toggleFace(candidate->subsetId, candidate->face, 0);
}

int Model::makeFaceNonSolid(std::vector<FaceHit>& hits)
{
    if (hits.empty())
        return 0;
    std::sort(hits.begin(), hits.end(), byDistance);
    for (const FaceHit& hit : hits) {
        if (!hit.frontFacing || !hit.solid)
            continue;
        if (!hit.partCurrent || hit.partId >= partsCount_)
            return 0;
        return parts_[hit.partId].toggleFace(hit.subsetId, hit.face, 1);
    }
    return 0;
}

void resolvePlugInPath(std::string& path)
{
    const gfl::Path stored(path);
    if (stored.exists())
        return;
    std::string name;
    stored.getFileName(name);
    path = gfl::Path::getModuleDirectoryCached() + "\\plugin\\" + name;
}
