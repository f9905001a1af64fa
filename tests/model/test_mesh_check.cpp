#include "MeshFixtures.h"
#include "TestDevice.h"
#include "modeller/model/BufferLock.h"
#include "modeller/model/ComRef.h"
#include "modeller/model/MeshCheck.h"

#include <doctest/doctest.h>

#include <array>
#include <vector>

namespace {
// What a mesh holds, read back: x of each vertex, faces, attributes and the attribute table.
struct MeshContents {
    std::vector<float> xs;
    std::vector<std::array<WORD, 3>> faces;
    std::vector<DWORD> attributes;
    std::vector<std::array<DWORD, 5>> ranges; // id, first face, face count, first vertex, vertex count
};

MeshContents contentsOf(ID3DXMesh* mesh)
{
    MeshContents contents;
    const DWORD stride = mesh->GetNumBytesPerVertex();
    {
        BufferLock vertices(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
            contents.xs.push_back(reinterpret_cast<const D3DXVECTOR3*>(vertices.as<BYTE>() + v * stride)->x);
    }
    BufferLock indices(mesh, BufferLock::kIndices, D3DLOCK_READONLY);
    BufferLock attributes(mesh, BufferLock::kAttributes, D3DLOCK_READONLY);
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        const WORD* face = indices.as<WORD>() + f * 3;
        contents.faces.push_back({face[0], face[1], face[2]});
        contents.attributes.push_back(attributes.as<DWORD>()[f]);
    }
    DWORD count = 0;
    mesh->GetAttributeTable(nullptr, &count);
    std::vector<D3DXATTRIBUTERANGE> table(count);
    if (count)
        mesh->GetAttributeTable(table.data(), &count);
    for (const D3DXATTRIBUTERANGE& r : table)
        contents.ranges.push_back({r.AttribId, r.FaceStart, r.FaceCount, r.VertexStart, r.VertexCount});
    return contents;
}

// Vertex v sits at x = v, so the x values read back name the source vertices.
MeshShape numberedVertices(unsigned count, std::vector<std::array<WORD, 3>> faces, std::vector<DWORD> attributes)
{
    MeshShape shape;
    for (unsigned v = 0; v < count; ++v)
        shape.positions.push_back(D3DXVECTOR3(float(v), 0, 0));
    shape.faces = std::move(faces);
    shape.attributes = std::move(attributes);
    return shape;
}
}

TEST_CASE("compaction drops unused vertices in order and orders faces stably by attribute")
{
    struct Case {
        const char* name;
        MeshShape shape;
        MeshContents expected;
    };
    const Case cases[] = {
        {"sorted, every vertex used: unchanged",
         numberedVertices(5, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}}, {0, 0, 1}),
         {{0, 1, 2, 3, 4}, {{{0, 1, 2}}, {{1, 3, 2}}, {{2, 3, 4}}}, {0, 0, 1}, {{{0, 0, 2, 0, 4}}, {{1, 2, 1, 2, 3}}}}},
        {"unsorted with ties, unused vertices first, between runs and last",
         numberedVertices(9, {{1, 2, 3}, {5, 6, 2}, {3, 6, 7}, {1, 7, 5}}, {1, 0, 1, 0}),
         {{1, 2, 3, 5, 6, 7},
          {{{3, 4, 1}}, {{0, 5, 3}}, {{0, 1, 2}}, {{2, 4, 5}}},
          {0, 0, 1, 1},
          {{{0, 0, 2, 0, 6}}, {{1, 2, 2, 0, 6}}}}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        ComRef<ID3DXMesh> source(makeMesh(TestDevice::get(), c.shape));
        REQUIRE(source);
        ComRef<ID3DXMesh> compacted;
        REQUIRE(compactMesh(source.get(), TestDevice::get(), compacted.out()) == 1);
        const MeshContents got = contentsOf(compacted.get());
        CHECK(got.xs == c.expected.xs);
        CHECK(got.faces == c.expected.faces);
        CHECK(got.attributes == c.expected.attributes);
        CHECK(got.ranges == c.expected.ranges);
    }
}
