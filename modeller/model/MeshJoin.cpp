#include "MeshJoin.h"

#include "BufferLock.h"
#include "ComRef.h"
#include "MeshCheck.h"
#include "gfl/Logger.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

struct JoinedVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u, v;
};
static_assert(sizeof(JoinedVertex) == 32, "vertex layout of kJoinedMeshFVF");

char* copyText(const char* text)
{
    if (!text)
        return nullptr;
    const size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

struct Container : D3DXMESHCONTAINER {
    // Creation order, which is the order of the Mesh objects in the file
    // whatever the order in which the loader links siblings.
    DWORD order;
};

class Allocator : public ID3DXAllocateHierarchy {
public:
    HRESULT STDMETHODCALLTYPE CreateFrame(const char* name, D3DXFRAME** newFrame) override
    {
        *newFrame = nullptr;
        D3DXFRAME* frame = new (std::nothrow) D3DXFRAME();
        if (!frame)
            return E_OUTOFMEMORY;
        D3DXMatrixIdentity(&frame->TransformationMatrix);
        if (name && !(frame->Name = copyText(name))) {
            delete frame;
            return E_OUTOFMEMORY;
        }
        *newFrame = frame;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateMeshContainer(const char* name, const D3DXMESHDATA* meshData,
                                                  const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE*,
                                                  DWORD materialCount, const DWORD*, ID3DXSkinInfo*,
                                                  D3DXMESHCONTAINER** newContainer) override
    {
        *newContainer = nullptr;
        if (meshData->Type != D3DXMESHTYPE_MESH || !meshData->pMesh)
            return E_NOTIMPL;
        Container* container = new (std::nothrow) Container();
        if (!container)
            return E_OUTOFMEMORY;
        container->order = created_++;
        container->MeshData.Type = D3DXMESHTYPE_MESH;
        container->MeshData.pMesh = meshData->pMesh;
        container->MeshData.pMesh->AddRef();
        if (name && !(container->Name = copyText(name))) {
            DestroyMeshContainer(container);
            return E_OUTOFMEMORY;
        }
        if (materials && materialCount) {
            container->pMaterials = new (std::nothrow) D3DXMATERIAL[materialCount]();
            if (!container->pMaterials) {
                DestroyMeshContainer(container);
                return E_OUTOFMEMORY;
            }
            container->NumMaterials = materialCount;
            for (DWORD i = 0; i < materialCount; ++i) {
                container->pMaterials[i].MatD3D = materials[i].MatD3D;
                if (materials[i].pTextureFilename
                    && !(container->pMaterials[i].pTextureFilename = copyText(materials[i].pTextureFilename))) {
                    DestroyMeshContainer(container);
                    return E_OUTOFMEMORY;
                }
            }
        }
        *newContainer = container;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DestroyFrame(D3DXFRAME* frame) override
    {
        delete[] frame->Name;
        delete frame;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DestroyMeshContainer(D3DXMESHCONTAINER* base) override
    {
        Container* container = static_cast<Container*>(base);
        delete[] container->Name;
        releaseInterface(container->MeshData.pMesh);
        for (DWORD i = 0; i < container->NumMaterials; ++i)
            delete[] container->pMaterials[i].pTextureFilename;
        delete[] container->pMaterials;
        delete container;
        return S_OK;
    }

private:
    DWORD created_ = 0;
};

struct PlacedContainer {
    const Container* container;
    D3DXMATRIX combined;
};

// The frame hierarchy of .x bytes, destroyed with the object.
class Hierarchy {
public:
    Hierarchy() = default;
    ~Hierarchy() { release(); }
    Hierarchy(const Hierarchy&) = delete;
    Hierarchy& operator=(const Hierarchy&) = delete;

    int load(const void* data, DWORD size, IDirect3DDevice9* device)
    {
        release();
        if (FAILED(D3DXLoadMeshHierarchyFromXInMemory(data, size, D3DXMESH_SYSTEMMEM, device, &allocator_, nullptr,
                                                      &root_, nullptr))
            || !root_) {
            root_ = nullptr;
            Logger::getInstance().print(1, "メッシュ階層の読み込みに失敗しました。");
            return 0;
        }
        return 1;
    }

    void release()
    {
        if (root_) {
            D3DXFrameDestroy(root_, &allocator_);
            root_ = nullptr;
        }
    }

    // Every mesh container with its frame's combined matrix, in file order.
    std::vector<PlacedContainer> containers() const
    {
        std::vector<PlacedContainer> out;
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        collect(root_, identity, out);
        std::stable_sort(out.begin(), out.end(), [](const PlacedContainer& a, const PlacedContainer& b) {
            return a.container->order < b.container->order;
        });
        return out;
    }

private:
    // A frame's matrix applies before its parent's: world = local x parent x grandparent ...
    static void collect(const D3DXFRAME* frame, const D3DXMATRIX& parent, std::vector<PlacedContainer>& out)
    {
        for (; frame; frame = frame->pFrameSibling) {
            PlacedContainer placed;
            D3DXMatrixMultiply(&placed.combined, &frame->TransformationMatrix, &parent);
            for (const D3DXMESHCONTAINER* c = frame->pMeshContainer; c; c = c->pNextMeshContainer) {
                placed.container = static_cast<const Container*>(c);
                out.push_back(placed);
            }
            collect(frame->pFrameFirstChild, placed.combined, out);
        }
    }

    Allocator allocator_;
    D3DXFRAME* root_ = nullptr;
};

// A container without materials draws with one default material, the grey
// one the mesh loader gives a mesh without a material list.
DWORD containerMaterialCount(const Container* container)
{
    return container->NumMaterials ? container->NumMaterials : 1;
}

D3DMATERIAL9 defaultMaterial()
{
    D3DMATERIAL9 material = {};
    material.Diffuse.r = material.Diffuse.g = material.Diffuse.b = 0.5f;
    material.Specular.r = material.Specular.g = material.Specular.b = 0.5f;
    return material;
}

bool hasElement(const D3DVERTEXELEMENT9* declaration, BYTE usage)
{
    for (; declaration->Stream != 0xFF; ++declaration) {
        if (declaration->Usage == usage && declaration->UsageIndex == 0)
            return true;
    }
    return false;
}

// Appends one container's vertices (placed by its matrix), faces and attributes.
int appendContainer(const PlacedContainer& placed, IDirect3DDevice9* device, JoinedVertex* vertices, WORD* indices,
                    DWORD* attributes, DWORD vertexBase, DWORD materialBase)
{
    ID3DXMesh* source = placed.container->MeshData.pMesh;
    if (!validateMesh(source, containerMaterialCount(placed.container)))
        return 0;
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    if (FAILED(source->GetDeclaration(declaration)))
        return 0;
    const bool hasNormal = hasElement(declaration, D3DDECLUSAGE_NORMAL);
    const bool hasTexture = hasElement(declaration, D3DDECLUSAGE_TEXCOORD);

    ComRef<ID3DXMesh> clone;
    if (FAILED(source->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kJoinedMeshFVF, device, clone.out())))
        return 0;
    BufferLock cloneVertices(clone.get(), BufferLock::kVertices, D3DLOCK_READONLY);
    BufferLock cloneIndices(clone.get(), BufferLock::kIndices, D3DLOCK_READONLY);
    BufferLock cloneAttributes(clone.get(), BufferLock::kAttributes, D3DLOCK_READONLY);
    if (!cloneVertices.data() || !cloneIndices.data() || !cloneAttributes.data())
        return 0;
    const JoinedVertex* in = cloneVertices.as<const JoinedVertex>();
    const DWORD vertexCount = clone->GetNumVertices();
    for (DWORD v = 0; v < vertexCount; ++v) {
        JoinedVertex& out = vertices[vertexBase + v];
        D3DXVec3TransformCoord(&out.position, &in[v].position, &placed.combined);
        out.normal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        if (hasNormal) {
            D3DXVec3TransformNormal(&out.normal, &in[v].normal, &placed.combined);
            if (D3DXVec3LengthSq(&out.normal) > 0.0f)
                D3DXVec3Normalize(&out.normal, &out.normal);
        }
        out.u = hasTexture ? in[v].u : 0.0f;
        out.v = hasTexture ? in[v].v : 0.0f;
    }
    const WORD* index = cloneIndices.as<const WORD>();
    const DWORD* id = cloneAttributes.as<const DWORD>();
    const DWORD faceCount = clone->GetNumFaces();
    for (DWORD i = 0; i < faceCount * 3; ++i)
        indices[i] = static_cast<WORD>(index[i] + vertexBase);
    for (DWORD f = 0; f < faceCount; ++f)
        attributes[f] = id[f] + materialBase;
    return 1;
}

// D3DXMATERIAL records followed by their texture names, in one buffer.
int createMaterialBuffer(const std::vector<PlacedContainer>& placed, DWORD materialCount, ID3DXBuffer** buffer)
{
    size_t textSize = 0;
    for (const PlacedContainer& p : placed) {
        for (DWORD i = 0; i < p.container->NumMaterials; ++i) {
            if (const char* name = p.container->pMaterials[i].pTextureFilename)
                textSize += std::strlen(name) + 1;
        }
    }
    if (FAILED(D3DXCreateBuffer(DWORD(sizeof(D3DXMATERIAL) * materialCount + textSize), buffer)))
        return 0;
    D3DXMATERIAL* records = static_cast<D3DXMATERIAL*>((*buffer)->GetBufferPointer());
    char* text = reinterpret_cast<char*>(records + materialCount);
    for (const PlacedContainer& p : placed) {
        if (!p.container->NumMaterials) {
            records->MatD3D = defaultMaterial();
            records->pTextureFilename = nullptr;
            ++records;
            continue;
        }
        for (DWORD i = 0; i < p.container->NumMaterials; ++i, ++records) {
            records->MatD3D = p.container->pMaterials[i].MatD3D;
            records->pTextureFilename = nullptr;
            if (const char* name = p.container->pMaterials[i].pTextureFilename) {
                const size_t size = std::strlen(name) + 1;
                std::memcpy(text, name, size);
                records->pTextureFilename = text;
                text += size;
            }
        }
    }
    return 1;
}

// The joined mesh of the containers, which are known to fit.
int createJoinedMesh(const std::vector<PlacedContainer>& placed, DWORD faceCount, DWORD vertexCount,
                     IDirect3DDevice9* device, ID3DXMesh** mesh)
{
    ComRef<ID3DXMesh> joined;
    if (FAILED(D3DXCreateMeshFVF(faceCount, vertexCount, D3DXMESH_SYSTEMMEM, kJoinedMeshFVF, device, joined.out())))
        return 0;
    {
        BufferLock vertices(joined.get(), BufferLock::kVertices, 0);
        BufferLock indices(joined.get(), BufferLock::kIndices, 0);
        BufferLock attributes(joined.get(), BufferLock::kAttributes, 0);
        if (!vertices.data() || !indices.data() || !attributes.data())
            return 0;
        DWORD vertexBase = 0, faceBase = 0, materialBase = 0;
        for (const PlacedContainer& p : placed) {
            ID3DXMesh* source = p.container->MeshData.pMesh;
            if (!appendContainer(p, device, vertices.as<JoinedVertex>(), indices.as<WORD>() + size_t(faceBase) * 3,
                                 attributes.as<DWORD>() + faceBase, vertexBase, materialBase))
                return 0;
            vertexBase += source->GetNumVertices();
            faceBase += source->GetNumFaces();
            materialBase += containerMaterialCount(p.container);
        }
    }
    *mesh = joined.detach();
    return 1;
}

}

int joinMeshHierarchy(const void* data, DWORD size, IDirect3DDevice9* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency,
                      ID3DXBuffer** materials, DWORD* materialCount)
{
    *mesh = nullptr;
    *adjacency = nullptr;
    *materials = nullptr;
    *materialCount = 0;
    Hierarchy hierarchy;
    if (!hierarchy.load(data, size, device)) {
        Logger::getInstance().print(1, "メッシュの結合に失敗しました。");
        return 0;
    }
    const std::vector<PlacedContainer> placed = hierarchy.containers();
    unsigned long long vertexTotal = 0;
    DWORD faceCount = 0, materialTotal = 0;
    for (const PlacedContainer& p : placed) {
        vertexTotal += p.container->MeshData.pMesh->GetNumVertices();
        faceCount += p.container->MeshData.pMesh->GetNumFaces();
        materialTotal += containerMaterialCount(p.container);
    }
    if (vertexTotal > kMaxMeshVertices) {
        Logger::getInstance().print(1, "結合する頂点が多すぎます。%llu", vertexTotal);
        Logger::getInstance().print(1, "メッシュの結合に失敗しました。");
        return 0;
    }
    const DWORD vertexCount = DWORD(vertexTotal);

    ComRef<ID3DXMesh> joined;
    ComRef<ID3DXBuffer> adjacencyBuffer;
    ComRef<ID3DXBuffer> materialBuffer;
    if (placed.empty() || !createJoinedMesh(placed, faceCount, vertexCount, device, joined.out())
        || !createMaterialBuffer(placed, materialTotal, materialBuffer.out())
        || FAILED(D3DXCreateBuffer(faceCount * 3 * sizeof(DWORD), adjacencyBuffer.out()))
        || FAILED(joined->GenerateAdjacency(0.0f, static_cast<DWORD*>(adjacencyBuffer->GetBufferPointer())))) {
        Logger::getInstance().print(1, "メッシュの結合に失敗しました。");
        return 0;
    }
    *mesh = joined.detach();
    *adjacency = adjacencyBuffer.detach();
    *materials = materialBuffer.detach();
    *materialCount = materialTotal;
    return 1;
}
