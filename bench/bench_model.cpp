// Opens, picks, saves and restores a generated mesh near the 16-bit limit and
// compares each with the platform call it is built on, in the same process.
#include "DrawingBench.h"
#include "archive/PlugInMaker.h"
#include "archive/PlugInReader.h"
#include "gfl/File.h"
#include "modeller/model/BufferLock.h"
#include "modeller/model/ComRef.h"
#include "modeller/model/IndexBufferLock.h"
#include "modeller/model/Model.h"
#include "modeller/model/xfile/XFileBytes.h"
#include "MsZipWriter.h"
#include "TestDevice.h"
#include "Timing.h"
#include "XFileWriter.h"

#include <d3dx9.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Every allocation of the process is counted, to see whether a warm pick allocates.
static std::atomic<unsigned long> g_allocations{0};

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr float kFov = 0.7853982f;
constexpr int kOpenRuns = 5;
constexpr int kClicks = 1000;

// Grids of quads side by side along x, two materials in alternate rows:
// one large grid (part 0) and a few small ones.
xfile::Node gridMesh(unsigned* faceCount, unsigned* vertexCount)
{
    struct Grid {
        unsigned cells;
        float x;
    };
    const Grid grids[] = {{150, 0.0f}, {40, 160.0f}, {40, 210.0f}, {40, 260.0f}, {40, 310.0f}};
    xfile::Mesh mesh;
    mesh.name = "Grids";
    mesh.materials.resize(2);
    for (const Grid& grid : grids) {
        const unsigned n = grid.cells + 1;
        const unsigned base = unsigned(mesh.positions.size());
        for (unsigned j = 0; j < n; ++j)
            for (unsigned i = 0; i < n; ++i)
                mesh.positions.push_back({grid.x + float(i), float(j), 0.0f});
        for (unsigned j = 0; j < grid.cells; ++j)
            for (unsigned i = 0; i < grid.cells; ++i) {
                const unsigned a = base + j * n + i;
                mesh.faces.push_back({a, a + n, a + n + 1});
                mesh.faces.push_back({a, a + n + 1, a + 1});
                mesh.faceMaterials.push_back(j % 2);
                mesh.faceMaterials.push_back(j % 2);
            }
    }
    *faceCount = unsigned(mesh.faces.size());
    *vertexCount = unsigned(mesh.positions.size());
    return xfile::Node::meshNode(mesh);
}

// Packs one form of the mesh and times Model::open of the plug-in against the
// loader alone on the same .x bytes; the model stays open on the plug-in.
bool openFigures(Model& model, IDirect3DDevice9* device, const char* form, const std::string& bytes, std::string& pin)
{
    const std::string root = benchFolder("tbm_bench_model");
    const std::string folder = benchFolder(std::string("tbm_bench_model\\") + form);
    const std::string meshFile = folder + "\\" + form + ".x";
    gfl::File(meshFile.c_str()).writeAll(bytes.data(), DWORD(bytes.size()));
    const int packed = makePlugIn(folder.c_str());
    DeleteFileA(meshFile.c_str());
    RemoveDirectoryA(folder.c_str());
    pin = root + "\\" + form + ".pin";
    if (!packed) {
        std::printf("cannot pack %s\n", form);
        return false;
    }
    int opened = 1;
    const double openMs = medianOf(kOpenRuns, [&] { opened &= model.open(pin, kFov); });
    if (!opened) {
        std::printf("Model::open of the %s form failed\n", form);
        return false;
    }
    const double loadMs = medianOf(kOpenRuns, [&] {
        ComRef<ID3DXMesh> mesh;
        ComRef<ID3DXBuffer> adjacency, materials;
        DWORD count = 0;
        D3DXLoadMeshFromXInMemory(bytes.data(), DWORD(bytes.size()), D3DXMESH_SYSTEMMEM, device, adjacency.out(),
                                  materials.out(), nullptr, &count, mesh.out());
    });
    const double prepareMs = medianOf(kOpenRuns, [&] {
        XFileBytes prepared;
        prepared.prepare(bytes.data(), bytes.size());
    });
    const double readMs = medianOf(kOpenRuns, [&] {
        std::vector<char> entry;
        PlugInReader reader;
        if (reader.open(pin.c_str()))
            reader.readMainMeshFile(entry);
    });
    std::printf("open %-10s (%.2f MB): Model::open %.1f ms, D3DXLoadMeshFromXInMemory alone %.1f ms: %.2fx "
                "(goal within 1.5x)\n",
                form, bytes.size() / 1048576.0, openMs, loadMs, openMs / loadMs);
    std::printf("      of which: reading the entry %.1f ms, reading and preparing the body %.1f ms, the load about "
                "%.1f ms, the rest (compaction, sphere, materials, split, parts) %.1f ms\n",
                readMs, prepareMs, loadMs, openMs - readMs - prepareMs - loadMs);
    return true;
}

// Times a plain D3DXIntersectTri loop over the faces of the current part, or of
// every part, once per ray. The locks end here, before the model is destroyed.
std::vector<double> plainLoopTimes(Model& model, const std::vector<Ray>& rays, bool everyPart, unsigned& hits)
{
    ID3DXMesh* mesh = model.getMesh();
    BufferLock vertexLock(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
    const BYTE* vertexBytes = vertexLock.as<const BYTE>();
    const unsigned stride = mesh->GetNumBytesPerVertex();
    auto position = [&](WORD i) { return reinterpret_cast<const D3DXVECTOR3*>(vertexBytes + size_t(i) * stride); };
    const unsigned first = everyPart ? 0 : model.getCurrentParts();
    const unsigned last = everyPart ? model.getPartsCount() : first + 1;
    std::vector<double> times;
    times.reserve(rays.size());
    for (const Ray& ray : rays) {
        const double start = milliseconds();
        for (unsigned k = first; k < last; ++k) {
            Parts& part = model.getParts(k);
            IndexBufferLock lock(part.getIndexBuffer());
            const WORD* indices = lock.indices();
            for (unsigned f = 0; f < part.getFaceCount(); ++f) {
                float u, v, distance;
                const WORD* face = indices + f * 3;
                if (D3DXIntersectTri(position(face[0]), position(face[1]), position(face[2]), &ray.origin,
                                     &ray.direction, &u, &v, &distance))
                    ++hits;
            }
        }
        times.push_back(milliseconds() - start);
    }
    return times;
}

}

int main()
{
    IDirect3DDevice9* device = startDrawingBench();
    if (!device)
        return 1;
    const std::string root = benchFolder("tbm_bench_model");
    unsigned faces = 0, vertices = 0;
    const xfile::Node grids = gridMesh(&faces, &vertices);
    const std::string text = xfile::writeText({grids});
    std::printf("mesh: %u faces, %u vertices, 5 components, 2 materials\n", faces, vertices);

    // Opening, each form of the same mesh; the text form stays open for the rest.
    Model model;
    model.create(device);
    std::string pin;
    const std::pair<const char*, std::string> forms[] = {{"binary", xfile::writeBinary({grids}, 32)},
                                                         {"compressed", mszip::compress(text)}};
    for (const auto& form : forms) {
        if (!openFigures(model, device, form.first, form.second, pin))
            return 1;
        DeleteFileA(pin.c_str());
    }
    if (!openFigures(model, device, "text", text, pin))
        return 1;
    std::printf("parts: %u; part 0 has %u faces\n", model.getPartsCount(), model.getParts(0).getFaceCount());

    // Picking: rays along +z through points over the large grid.
    std::vector<Ray> rays;
    unsigned seed = 12345;
    for (int i = 0; i < kClicks; ++i) {
        seed = seed * 1103515245u + 12345u;
        const float x = float(seed >> 8 & 0xFFFF) / 65536.0f * 150.0f;
        seed = seed * 1103515245u + 12345u;
        const float y = float(seed >> 8 & 0xFFFF) / 65536.0f * 150.0f;
        rays.push_back(Ray(D3DXVECTOR3(x, y, -10.0f), D3DXVECTOR3(x, y, 10.0f)));
    }
    for (int i = 0; i < 20; ++i)
        model.pickFace(rays[i], 1);
    std::vector<double> pickTimes;
    pickTimes.reserve(kClicks);
    const unsigned long allocationsBefore = g_allocations;
    for (const Ray& ray : rays) {
        const double start = milliseconds();
        model.pickFace(ray, 1);
        pickTimes.push_back(milliseconds() - start);
    }
    const unsigned long pickAllocations = g_allocations - allocationsBefore;
    int solid = 0;
    model.getSolidFaceCount(solid);

    // The plain loop over the current part's faces, and over every part's.
    unsigned loopHits = 0;
    const std::vector<double> loopTimes = plainLoopTimes(model, rays, false, loopHits);
    const std::vector<double> allPartsTimes = plainLoopTimes(model, rays, true, loopHits);
    const double pickMs = median(pickTimes);
    const double loopMs = median(loopTimes);
    const double allPartsMs = median(allPartsTimes);
    std::printf("pick: median of %d Model::pickFace %.3f ms, D3DXIntersectTri loop over the current part (%u faces) "
                "%.3f ms: %.2fx (goal within 1.5x)\n",
                kClicks, pickMs, model.getParts(model.getCurrentParts()).getFaceCount(), loopMs, pickMs / loopMs);
    std::printf("      the same loop over every part (%u faces) %.3f ms: %.2fx\n", model.getFaceCount(), allPartsMs,
                pickMs / allPartsMs);
    std::printf("      allocations in %d warm picks: %lu; solid faces after the clicks: %d (hits in loops: %u)\n",
                kClicks, pickAllocations, solid, loopHits);

    // Saving and restoring the work file.
    const std::string work = root + "\\grids.tbs";
    int saved = 1;
    const double saveMs = medianOf(kOpenRuns, [&] { saved &= model.save(work); });
    Model resumed;
    resumed.create(device);
    int restored = 1;
    const double resumeMs = medianOf(kOpenRuns, [&] { restored &= resumed.open(work, kFov); });
    const double recordsMs = medianOf(kOpenRuns, [&] { restored &= resumed.loadSaveData(); });
    int resumedSolid = 0;
    resumed.getSolidFaceCount(resumedSolid);
    std::printf("save: Model::save %.1f ms%s\n", saveMs, saved ? "" : " (FAILED)");
    std::printf("restore: Model::open of the work file %.1f ms, of which the records (loadSaveData) %.1f ms%s\n",
                resumeMs, recordsMs, restored && resumedSolid == solid ? "" : " (FAILED)");

    resumed.destroy();
    model.destroy();
    DeleteFileA(work.c_str());
    DeleteFileA(pin.c_str());
    RemoveDirectoryA(root.c_str());
    return 0;
}
