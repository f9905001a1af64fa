#include "modeller/model/MeshJoin.h"
#include "modeller/model/BufferLock.h"
#include "modeller/model/MeshCheck.h"
#include "modeller/model/xfile/XFileBytes.h"
#include "TestDevice.h"
#include "XFileWriter.h"

#include <doctest/doctest.h>

#include <string>

namespace {

struct Joined {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    int result = 0;

    explicit Joined(const std::string& text)
    {
        result = joinMeshHierarchy(text.data(), DWORD(text.size()), TestDevice::get(), &mesh, &adjacency, &materials,
                                   &materialCount);
    }
    ~Joined()
    {
        if (mesh)
            mesh->Release();
        if (adjacency)
            adjacency->Release();
        if (materials)
            materials->Release();
    }
};

// The meshes the body reader finds for the hierarchy, which decide the join.
unsigned containers(const std::string& text)
{
    XFileBytes bytes;
    REQUIRE(bytes.prepare(text.data(), text.size()) == XFileBytes::kReady);
    return bytes.getMeshCount();
}

}

TEST_CASE("meshes in frames are joined in file order at their frames' places")
{
    xfile::Mesh left = xfile::quad("Left", 0.0f, 0.0f);
    xfile::Mesh right = xfile::quad("Right", 0.0f, 0.0f, 0, 1);
    right.materials[1].diffuse[0] = 0.25f;
    right.materials[1].texture = "right.bmp";
    const std::string text = xfile::writeText({
        xfile::Node::frame("Root",
                           {xfile::Node::meshNode(left),
                            xfile::Node::translated("Moved", 5.0f, 0.0f, 0.0f, {xfile::Node::meshNode(right)})}),
    });
    CHECK(containers(text) == 2);

    Joined joined(text);
    REQUIRE(joined.result == 1);
    ID3DXMesh* mesh = joined.mesh;
    CHECK(mesh->GetNumVertices() == 8);
    CHECK(mesh->GetNumFaces() == 4);
    CHECK(mesh->GetFVF() == kJoinedMeshFVF);
    CHECK(validateMesh(mesh, joined.materialCount) == 1);
    CHECK(joined.materialCount == 3);

    {
        BufferLock vertices(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
        const float* v = static_cast<const float*>(vertices.data());
        CHECK(v[0] == doctest::Approx(0.0f));     // first quad where it was
        CHECK(v[4 * 8] == doctest::Approx(5.0f)); // second quad moved by its frame
        CHECK(v[6 * 8] == doctest::Approx(6.0f));
    }
    {
        BufferLock indices(mesh, BufferLock::kIndices, D3DLOCK_READONLY);
        const WORD* i = static_cast<const WORD*>(indices.data());
        const WORD expected[] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
        for (int k = 0; k < 12; ++k)
            CHECK(i[k] == expected[k]);
    }
    {
        BufferLock attributes(mesh, BufferLock::kAttributes, D3DLOCK_READONLY);
        const DWORD* a = static_cast<const DWORD*>(attributes.data());
        CHECK(a[0] == 0);
        CHECK(a[1] == 0);
        CHECK(a[2] == 1); // the second mesh's materials follow the first's
        CHECK(a[3] == 2);
    }
    const D3DXMATERIAL* materials = static_cast<const D3DXMATERIAL*>(joined.materials->GetBufferPointer());
    CHECK(materials[2].MatD3D.Diffuse.r == doctest::Approx(0.25f));
    REQUIRE(materials[2].pTextureFilename != nullptr);
    CHECK(std::string(materials[2].pTextureFilename) == "right.bmp");
    CHECK(materials[0].pTextureFilename == nullptr);

    // Adjacency: the two triangles of a quad share an edge, the quads share none.
    const DWORD* adjacency = static_cast<const DWORD*>(joined.adjacency->GetBufferPointer());
    for (int k = 0; k < 3; ++k) {
        CHECK((adjacency[k] == 0xFFFFFFFF || adjacency[k] == 1));
        CHECK((adjacency[6 + k] == 0xFFFFFFFF || adjacency[6 + k] == 3));
    }
}

TEST_CASE("a mesh without normals or materials joins with zero normals and one default material")
{
    xfile::Mesh bare = xfile::quad("Bare", 0.0f, 0.0f);
    bare.normals.clear();
    bare.uvs.clear();
    bare.materials.clear();
    bare.faceMaterials.clear();
    xfile::Mesh other = xfile::quad("Other", 2.0f, 0.0f);
    const std::string text = xfile::writeText({xfile::Node::meshNode(bare), xfile::Node::meshNode(other)});
    CHECK(containers(text) == 2);

    Joined joined(text);
    REQUIRE(joined.result == 1);
    CHECK(joined.materialCount == 2);
    CHECK(validateMesh(joined.mesh, joined.materialCount) == 1);
    BufferLock vertices(joined.mesh, BufferLock::kVertices, D3DLOCK_READONLY);
    const float* v = static_cast<const float*>(vertices.data());
    CHECK(v[3] == 0.0f);
    CHECK(v[5] == 0.0f);
    CHECK(v[4 * 8 + 5] == doctest::Approx(-1.0f));
}

TEST_CASE("bytes that are no .x file fail cleanly")
{
    const std::string cases[] = {"", "xof 0303txt 0032\n", "not an x file at all", "xof 0303txt 0032\nMesh {"};
    for (const std::string& text : cases) {
        CAPTURE(text);
        XFileBytes bytes;
        CHECK((bytes.prepare(text.data(), text.size()) != XFileBytes::kReady || bytes.getMeshCount() == 0));
        Joined joined(text);
        CHECK(joined.result == 0);
        CHECK(joined.mesh == nullptr);
    }
}
