// The cost of one frame of the model, every face solid, against drawing the
// same mesh with one DrawSubset per material on the same device.
#include "DrawingBench.h"
#include "gfl/File.h"
#include "modeller/model/Model.h"
#include "TestDevice.h"
#include "Timing.h"
#include "XFileWriter.h"

#include <d3dx9.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;
constexpr int kWarmFrames = 5;
constexpr int kFrames = 41;
constexpr D3DCOLOR kBackground = 0xFF1E3C5A;

// A square grid of unit boxes two apart, twelve triangles each; the sides of
// a box alternate between the two materials.
std::string boxesText(unsigned count)
{
    const unsigned side = unsigned(std::ceil(std::sqrt(double(count))));
    const unsigned quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    xfile::Mesh mesh;
    mesh.name = "Boxes";
    mesh.materials.resize(2);
    mesh.materials[1].diffuse[0] = 0.2f;
    for (unsigned b = 0; b < count; ++b) {
        const unsigned base = unsigned(mesh.positions.size());
        const float x = 2.0f * float(b % side), y = 2.0f * float(b / side);
        for (unsigned corner = 0; corner < 8; ++corner)
            mesh.positions.push_back({x + float(corner >> 2 & 1), y + float(corner >> 1 & 1), float(corner & 1)});
        for (unsigned q = 0; q < 6; ++q) {
            const unsigned* c = quads[q];
            mesh.faces.push_back({base + c[0], base + c[1], base + c[2]});
            mesh.faces.push_back({base + c[0], base + c[2], base + c[3]});
            mesh.faceMaterials.push_back(q % 2);
            mesh.faceMaterials.push_back(q % 2);
        }
    }
    return xfile::writeText({xfile::Node::meshNode(mesh)});
}

void makeEveryFaceSolid(Model& model)
{
    for (unsigned p = 0; p < model.getPartsCount(); ++p) {
        Parts& part = model.getParts(p);
        for (unsigned s = 0; s < part.getSubsetCount(); ++s)
            for (unsigned f = 0; f < part.getSubset(s).getFaceCount(); ++f)
                part.toggleFace(s, f, 0);
    }
}

// The view as the editor sets it: identity view, perspective projection, one
// white directional light along +z.
void setView(IDirect3DDevice9* device)
{
    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixPerspectiveFovLH(&projection, kFov, float(TestDevice::kWidth) / float(TestDevice::kHeight), 1.0f,
                               1000.0f);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse.r = light.Diffuse.g = light.Diffuse.b = 1.0f;
    light.Direction = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_ARGB(0xFF, 50, 50, 50));
}

template <typename Draw>
double frame(IDirect3DDevice9* device, Draw draw)
{
    const double start = milliseconds();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        draw();
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return milliseconds() - start;
}

void drawSubsets(IDirect3DDevice9* device, Model& model)
{
    ID3DXMesh* mesh = model.getMesh();
    const Material& material = model.getMaterial();
    device->SetTransform(D3DTS_WORLD, &model.getLocalWorld().getWorldMatrix());
    for (unsigned m = 0; m < material.getCount(); ++m) {
        device->SetMaterial(&material.getMaterial(m));
        device->SetTexture(0, material.getTexture(m));
        mesh->DrawSubset(m);
    }
}

// Frames of the two kinds alternate, so that both see the same machine.
int measure(IDirect3DDevice9* device, const std::string& folder, unsigned boxes)
{
    const std::string path = folder + "\\boxes" + std::to_string(boxes) + ".x";
    const std::string text = boxesText(boxes);
    gfl::File(path.c_str()).writeAll(text.data(), DWORD(text.size()));
    Model model;
    model.create(device);
    const int opened = model.open(path, kFov);
    DeleteFileA(path.c_str());
    if (!opened) {
        std::printf("%u boxes: Model::open failed\n", boxes);
        return 0;
    }
    makeEveryFaceSolid(model);
    int solid = 0;
    model.getSolidFaceCount(solid);
    setView(device);
    std::vector<double> modelTimes, meshTimes;
    for (int i = 0; i < kWarmFrames + kFrames; ++i) {
        const double modelMs = frame(device, [&] { model.draw(1); });
        const double meshMs = frame(device, [&] { drawSubsets(device, model); });
        if (i >= kWarmFrames) {
            modelTimes.push_back(modelMs);
            meshTimes.push_back(meshMs);
        }
    }
    const double modelMs = median(modelTimes), meshMs = median(meshTimes);
    std::printf("%5u parts (%u faces, %d solid, %u materials): Model::draw frame %.2f ms, DrawSubset frame %.2f ms: "
                "%.2fx\n",
                model.getPartsCount(), model.getFaceCount(), solid, model.getMaterialCount(), modelMs, meshMs,
                modelMs / meshMs);
    model.destroy();
    return 1;
}

}

int main()
{
    IDirect3DDevice9* device = startDrawingBench();
    if (!device)
        return 1;
    const std::string folder = benchFolder("tbm_bench_paint");
    std::printf("median of %d frames (Clear, BeginScene, draw, EndScene, Present) on a %dx%d back buffer\n", kFrames,
                TestDevice::kWidth, TestDevice::kHeight);
    int measured = 1;
    for (unsigned boxes : {100u, 900u, 3600u})
        measured &= measure(device, folder, boxes);
    RemoveDirectoryA(folder.c_str());
    return measured ? 0 : 1;
}
