// The tests' .x writer in every form it writes, and the fixtures that Wine's
// own loader refuses: undeclared skinning templates, a one-index material list.
#include "modeller/model/BufferLock.h"
#include "modeller/model/ComRef.h"
#include "modeller/model/Model.h"
#include "modeller/model/xfile/XFileBytes.h"
#include "ModelFixtures.h"
#include "MsZipWriter.h"
#include "TestDevice.h"
#include "XFileWriter.h"

#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using xfile::Node;

constexpr float kFov = 0.7853982f;

struct Form {
    std::string name;
    std::string bytes;
};

// A file as text, as binary with 32- and 64-bit floats, and as compressed text and binary.
std::vector<Form> forms(const std::vector<Node>& nodes)
{
    const std::string text = xfile::writeText(nodes);
    const std::string binary = xfile::writeBinary(nodes, 32);
    return {{"text", text},
            {"binary 32", binary},
            {"binary 64", xfile::writeBinary(nodes, 64)},
            {"compressed text", mszip::compress(text)},
            {"compressed binary", mszip::compress(binary)}};
}

// The bytes the parser gets for a form: Wine's parser reads binary list
// elements as 4 bytes whatever the header says, so a binary 64 body reaches it
// narrowed, as the editor hands it over.
std::string parsed(const Form& form)
{
    if (form.name != "binary 64")
        return form.bytes;
    XFileBytes bytes;
    REQUIRE(bytes.prepare(form.bytes.data(), form.bytes.size()) == XFileBytes::kReady);
    return std::string(bytes.data(), bytes.size());
}

std::string describe(const float* diffuse, float power, const float* specular, const float* emissive,
                     const char* texture)
{
    char text[256];
    std::snprintf(text, sizeof(text), "diffuse %g %g %g %g power %g specular %g %g %g emissive %g %g %g texture '%s'\n",
                  diffuse[0], diffuse[1], diffuse[2], diffuse[3], power, specular[0], specular[1], specular[2],
                  emissive[0], emissive[1], emissive[2], texture ? texture : "");
    return text;
}

std::string describe(const xfile::Material& m)
{
    return describe(m.diffuse, m.power, m.specular, m.emissive, m.texture.c_str());
}

std::string describe(const D3DXMATERIAL& m)
{
    const D3DMATERIAL9& d = m.MatD3D;
    return describe(&d.Diffuse.r, d.Power, &d.Specular.r, &d.Emissive.r, m.pTextureFilename);
}

// What the platform's loader made of some bytes.
struct Loaded {
    HRESULT result = E_FAIL;
    DWORD fvf = 0;
    DWORD vertices = 0;
    std::string positions;
    std::string faces; // each face's attribute and indices
    std::string materials;
    std::string vertexBytes;
};

std::string bufferBytes(ID3DXMesh* mesh, BufferLock::MeshBuffer which, size_t size)
{
    BufferLock lock(mesh, which, D3DLOCK_READONLY);
    return lock.data() ? std::string(lock.as<const char>(), size) : std::string();
}

void readMesh(ID3DXMesh* mesh, Loaded& out)
{
    out.fvf = mesh->GetFVF();
    out.vertices = mesh->GetNumVertices();
    const DWORD faces = mesh->GetNumFaces();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    out.vertexBytes = bufferBytes(mesh, BufferLock::kVertices, out.vertices * stride);
    const std::string indices = bufferBytes(mesh, BufferLock::kIndices, faces * 3 * sizeof(WORD));
    const std::string attributes = bufferBytes(mesh, BufferLock::kAttributes, faces * sizeof(DWORD));
    for (DWORD f = 0; f < faces && !indices.empty() && !attributes.empty(); ++f) {
        const WORD* i = reinterpret_cast<const WORD*>(indices.data()) + 3 * f;
        out.faces += std::to_string(reinterpret_cast<const DWORD*>(attributes.data())[f]) + ": " + std::to_string(i[0])
                     + " " + std::to_string(i[1]) + " " + std::to_string(i[2]) + "\n";
    }
    for (size_t at = 0; at + 12 <= out.vertexBytes.size(); at += stride) {
        const float* p = reinterpret_cast<const float*>(out.vertexBytes.data() + at);
        char text[64];
        std::snprintf(text, sizeof(text), "%g %g %g\n", p[0], p[1], p[2]);
        out.positions += text;
    }
}

Loaded load(const std::string& bytes)
{
    Loaded out;
    ComRef<ID3DXBuffer> materials;
    ComRef<ID3DXMesh> mesh;
    DWORD count = 0;
    out.result = D3DXLoadMeshFromXInMemory(bytes.data(), DWORD(bytes.size()), D3DXMESH_SYSTEMMEM, TestDevice::get(),
                                           nullptr, materials.out(), nullptr, &count, mesh.out());
    if (FAILED(out.result) || !mesh)
        return out;
    readMesh(mesh.get(), out);
    const D3DXMATERIAL* list = materials ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    for (DWORD i = 0; list && i < count; ++i)
        out.materials += describe(list[i]);
    return out;
}

struct WriterCase {
    std::string name;
    std::vector<Node> nodes;
    std::string positions;
    std::string faces;
    std::vector<xfile::Material> materials;
};

// Two materials with every field set apart, the second with a texture.
std::vector<xfile::Material> twoMaterials()
{
    std::vector<xfile::Material> out(2);
    out[0].diffuse[0] = 0.25f;
    out[0].diffuse[3] = 0.5f;
    out[0].power = 8.0f;
    out[0].specular[1] = 0.75f;
    out[0].emissive[2] = 0.125f;
    out[1].diffuse[1] = 0.5f;
    out[1].texture = "stone.bmp";
    return out;
}

// A square as one polygon of four corners and a triangle beside it, bare.
xfile::Mesh polygonAndTriangle()
{
    xfile::Mesh mesh;
    mesh.name = "Poly";
    mesh.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}};
    mesh.faces = {{0, 1, 2, 3}, {3, 2, 4}};
    mesh.materials.resize(1);
    mesh.materials[0].texture = "grid.bmp";
    mesh.faceMaterials = {0, 0};
    return mesh;
}

std::vector<WriterCase> writerCases()
{
    xfile::Mesh quad = xfile::quad("Quad", 0.5f, -1.0f, 1, 0);
    quad.materials = twoMaterials();
    const xfile::Mesh polygon = polygonAndTriangle();
    return {
        {"a quad with normals, uvs and two materials",
         {Node::meshNode(quad)},
         "0.5 -1 0\n0.5 0 0\n1.5 0 0\n1.5 -1 0\n",
         "0: 0 2 3\n1: 0 1 2\n",
         quad.materials},
        {"a polygon in a moved frame",
         {Node::translated("Moved", 3.0f, 0.0f, 0.5f, {Node::meshNode(polygon)})},
         "3 0 0.5\n3 1 0.5\n4 1 0.5\n4 0 0.5\n5 0 0.5\n",
         "0: 0 1 2\n0: 0 2 3\n0: 3 2 4\n",
         polygon.materials},
        {"nested frames after an empty one",
         {Node::frame("Empty", {}), Node::frame("Outer", {Node::scaled("Big", 2.0f, {Node::meshNode(polygon)})})},
         "0 0 0\n0 2 0\n2 2 0\n2 0 0\n4 0 0\n",
         "0: 0 1 2\n0: 0 2 3\n0: 3 2 4\n",
         polygon.materials},
    };
}

}

TEST_CASE("the writer's text, binary and compressed forms load into the same mesh")
{
    for (const WriterCase& c : writerCases()) {
        CAPTURE(c.name);
        const std::vector<Form> all = forms(c.nodes);
        const Loaded text = load(all[0].bytes);
        REQUIRE(SUCCEEDED(text.result));
        CHECK(text.positions == c.positions);
        CHECK(text.faces == c.faces);
        std::string materials;
        for (const xfile::Material& m : c.materials)
            materials += describe(m);
        CHECK(text.materials == materials);
        for (const Form& form : all) {
            CAPTURE(form.name);
            const Loaded other = load(parsed(form));
            REQUIRE(SUCCEEDED(other.result));
            CHECK(other.fvf == text.fvf);
            CHECK(other.vertices == text.vertices);
            CHECK(other.positions == text.positions);
            CHECK(other.faces == text.faces);
            CHECK(other.materials == text.materials);
            CHECK(other.vertexBytes == text.vertexBytes); // normals and uvs too
        }
    }
}

namespace {

// The skinning and extension template sets, which D3DX on Windows registers
// itself, declared after the header of a text file.
std::string withTemplatesDeclared(const std::string& text)
{
    const std::string skinning = XSKINEXP_TEMPLATES;
    const std::string extensions = XEXTENSIONS_TEMPLATES;
    return text.substr(0, 16) + "\n" + skinning.substr(16) + "\n" + extensions.substr(16) + "\n" + text.substr(16);
}

// Two quads apart, faces 1 to 3 on the second material.
xfile::Mesh twoQuads()
{
    xfile::Mesh mesh = xfile::merged("Pair", {xfile::quad("A", 0.0f, 0.0f), xfile::quad("B", 3.0f, 0.0f)});
    mesh.materials = twoMaterials();
    mesh.materials[1].texture.clear();
    mesh.faceMaterials = {0, 1, 1, 1};
    return mesh;
}

struct Subset {
    unsigned attribute;
    unsigned faces;
};

// Subsets as "attribute:faces ..."; attribute ranges as "attribute ...".
std::string describe(const std::vector<Subset>& subsets, bool rangesOnly)
{
    std::string out;
    for (const Subset& s : subsets)
        out += std::to_string(s.attribute) + (rangesOnly ? "" : ":" + std::to_string(s.faces)) + " ";
    return out;
}

struct Fixture {
    std::string name;
    std::vector<Node> nodes; // needs the loader's help
    std::string twin;        // the same model as Wine reads it
    std::vector<xfile::Material> materials;
    std::vector<std::vector<Subset>> parts;
};

// Fixtures with an undeclared template of the skinning set (in the mesh, at the
// top level) or of the extension set (in the mesh), and one with a single
// material index for four faces, which the original loader applies to every face.
std::vector<Fixture> fixtures()
{
    const xfile::Mesh plain = twoQuads();
    const std::vector<std::vector<Subset>> plainParts = {{{0, 1}, {1, 1}}, {{1, 2}}};
    xfile::Mesh duplicated = plain;
    duplicated.duplicationIndices = {0, 1, 2, 3, 4, 5, 6, 7};
    const std::vector<Node> inMesh = {Node::meshNode(duplicated)};
    xfile::Mesh extended = plain;
    extended.fvfData = {0, 7};
    const std::vector<Node> extension = {Node::meshNode(extended)};
    const std::vector<Node> topLevel = {Node::animTicksPerSecond(4800), Node::meshNode(plain)};

    xfile::Mesh oneIndex = plain;
    oneIndex.faceMaterials = {1};
    xfile::Mesh everyFace = plain;
    everyFace.faceMaterials = {1, 1, 1, 1};

    return {
        {"an undeclared template in the mesh", inMesh, withTemplatesDeclared(xfile::writeText(inMesh)), plain.materials,
         plainParts},
        {"an undeclared template of the extension set in the mesh", extension,
         withTemplatesDeclared(xfile::writeText(extension)), plain.materials, plainParts},
        {"an undeclared template at the top level", topLevel, withTemplatesDeclared(xfile::writeText(topLevel)),
         plain.materials, plainParts},
        {"one material index for four faces",
         {Node::meshNode(oneIndex)},
         xfile::writeText({Node::meshNode(everyFace)}),
         plain.materials,
         {{{1, 2}}, {{1, 2}}}},
    };
}

void checkOpened(Model& model, const Fixture& f)
{
    CHECK(model.getFaceCount() == 4);
    CHECK(model.getMaterialCount() == f.materials.size());
    for (unsigned i = 0; i < f.materials.size() && i < model.getMaterialCount(); ++i) {
        const D3DMATERIAL9& m = model.getMaterial().getMaterial(i);
        CHECK(describe(&m.Diffuse.r, m.Power, &m.Specular.r, &m.Emissive.r, "")
              == describe(f.materials[i].diffuse, f.materials[i].power, f.materials[i].specular,
                          f.materials[i].emissive, ""));
    }
    CHECK(model.getPartsCount() == f.parts.size());
    for (unsigned k = 0; k < f.parts.size() && k < model.getPartsCount(); ++k) {
        CAPTURE(k);
        const Parts& part = model.getParts(k);
        std::vector<Subset> subsets, ranges;
        for (unsigned s = 0; s < part.getSubsetCount(); ++s)
            subsets.push_back({part.getSubset(s).getAttribute(), part.getSubset(s).getFaceCount()});
        for (const AttributeRange& range : part.getAttributeRanges())
            ranges.push_back({range.attribute, 0});
        CHECK(describe(subsets, false) == describe(f.parts[k], false));
        CHECK(describe(ranges, true) == describe(f.parts[k], true));
    }
}

}

TEST_CASE("the fixtures' twins open, and the platform's loader alone refuses each fixture in every form")
{
    TempDir dir;
    int n = 0;
    for (const Fixture& f : fixtures()) {
        CAPTURE(f.name);
        for (const std::string& twin : {f.twin, mszip::compress(f.twin)}) {
            CHECK(SUCCEEDED(load(twin).result));
            OpenModel open;
            REQUIRE(open.model.open(packModel(dir, "twin" + std::to_string(n++), twin), kFov) == 1);
            checkOpened(open.model, f);
        }
        // Not the binary 64 form: Wine refuses it for its float size alone; the
        // binary 32 form holds the same objects.
        for (const Form& form : forms(f.nodes)) {
            CAPTURE(form.name);
            if (form.name != "binary 64")
                CHECK(FAILED(load(form.bytes).result));
        }
    }
}

TEST_CASE(
    "meshes with undeclared skinning or extension templates or one material index for all faces open in every form")
{
    TempDir dir;
    int n = 0;
    for (const Fixture& f : fixtures()) {
        CAPTURE(f.name);
        for (const Form& form : forms(f.nodes)) {
            CAPTURE(form.name);
            OpenModel open;
            const std::string pin = packModel(dir, "fixture" + std::to_string(n++), form.bytes);
            REQUIRE(!pin.empty());
            const int opened = open.model.open(pin, kFov);
            CHECK(opened == 1);
            if (opened)
                checkOpened(open.model, f);
        }
    }
}
