// Meshes compiled into this program as "XFILE" resources (xfile_resource.rc).
#include "modeller/model/Model.h"
#include "LogCapture.h"
#include "ModelFixtures.h"
#include "TestDevice.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;

// The resource's bytes, or empty when the program holds no such resource.
std::string resourceBytes(const char* name)
{
    HRSRC resource = FindResourceA(nullptr, name, "XFILE");
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(nullptr, resource)) : std::string();
}

struct PartShape {
    unsigned faces;
    unsigned subsets;
    D3DXVECTOR3 center;
    bool operator==(const PartShape& o) const { return faces == o.faces && subsets == o.subsets && center == o.center; }
};

std::vector<PartShape> shapes(Model& model)
{
    std::vector<PartShape> out;
    for (unsigned k = 0; k < model.getPartsCount(); ++k) {
        Parts& part = model.getParts(k);
        out.push_back({part.getFaceCount(), part.getSubsetCount(), part.getCenter()});
    }
    return out;
}

}

TEST_CASE("a mesh compiled in as an XFILE resource opens by its name like the same file")
{
    struct Case {
        const char* name;
        unsigned faces;
        unsigned materials;
        unsigned parts;
        float lastCenterX; // the pair's second quad is moved by its frame
    };
    // One mesh container goes through the resource loader; two are joined, each
    // with its default material.
    const Case cases[] = {{"TBM_RESOURCE_QUAD", 2, 2, 1, 0.5f}, {"TBM_RESOURCE_PAIR", 4, 2, 2, 4.5f}};
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        const std::string bytes = resourceBytes(c.name);
        REQUIRE_MESSAGE(!bytes.empty(), "xfile_resource.rc is not linked into this test program");

        Model model;
        RecordingPartsList list;
        REQUIRE(model.create(TestDevice::get()) == 1);
        model.setPartsList(&list);
        REQUIRE(model.open(c.name, kFov) == 1);
        CHECK(model.getMeshPath() == name);
        CHECK(model.getFaceCount() == c.faces);
        CHECK(model.getMaterialCount() == c.materials);
        CHECK(model.getPartsCount() == c.parts);
        CHECK(list.rows.size() == c.parts);
        REQUIRE(model.getPartsCount() > 0);
        CHECK(model.getParts(model.getPartsCount() - 1).getCenter().x == doctest::Approx(c.lastCenterX));

        // The same bytes as a file give the same parts.
        TempDir dir;
        const std::string file = dir.file(name + ".x");
        writeTextFile(file, bytes);
        Model fromFile;
        REQUIRE(fromFile.create(TestDevice::get()) == 1);
        REQUIRE(fromFile.open(file, kFov) == 1);
        CHECK(shapes(fromFile) == shapes(model));

        fromFile.destroy();
        model.destroy();
    }
}

TEST_CASE("a name that is neither a resource nor a file fails to open")
{
    Model model;
    REQUIRE(model.create(TestDevice::get()) == 1);
    CHECK(model.open("TBM_NO_SUCH_RESOURCE", kFov) == 0);
    CHECK(model.isLoaded() == 0);
    CHECK(model.getPartsCount() == 0);
    model.destroy();
}

TEST_CASE("damaged compressed XFILE resources are refused by the resource source")
{
    struct Case {
        std::string name;
        std::string failure;
    };
    const Case cases[] = {
        {"TBM_RESOURCE_DAMAGED", "ブロックがデータの終わりを越える"},
        {"TBM_RESOURCE_BAD_SIGNATURE", "ブロックにCKの署名がない"},
        {"TBM_RESOURCE_BAD_SIZE", "展開後のサイズに届く前にデータが終わる"},
        {"TBM_RESOURCE_LEFT_OVER", "最後のブロックの後にデータが残る"},
        // Plain text read as a stated size: 1.9 GB.
        {"TBM_RESOURCE_PLAIN_BODY", "展開後のサイズが大きすぎる"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Model model;
        REQUIRE(model.create(TestDevice::get()) == 1);
        LogCapture log;
        CHECK(model.open(c.name, kFov) == 0);
        CHECK(
            LogCapture::count(std::string("リソースの圧縮されたメッシュが壊れています（") + c.failure + "）。" + c.name)
            == 1);
        CHECK(LogCapture::count("Xファイルの読み込みに失敗しました。") == 1);
        model.destroy();
    }
}
