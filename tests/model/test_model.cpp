#include "modeller/model/Model.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"
#include "gfl/File.h"
#include "gfl/Path.h"
#include "FailingFiles.h"
#include "LogCapture.h"
#include "ModelFixtures.h"
#include "TestDevice.h"
#include "ZipBytes.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;

// Two quads apart with two materials each, and the folded strip: three parts.
std::string threePartText()
{
    xfile::Mesh left = xfile::quad("Left", -3.0f, 0.0f, 0, 1);
    left.materials[1].diffuse[1] = 0.5f;
    xfile::Mesh fold = zFold();
    xfile::Mesh right = xfile::quad("Right", 3.0f, 0.0f, 1, 0);
    // One mesh: the three pieces side by side.
    xfile::Mesh all;
    all.name = "All";
    for (const xfile::Mesh* piece : {&left, &fold, &right}) {
        const unsigned base = unsigned(all.positions.size());
        for (const xfile::Vec3& p : piece->positions)
            all.positions.push_back(p);
        for (const std::vector<unsigned>& face : piece->faces) {
            std::vector<unsigned> shifted;
            for (unsigned i : face)
                shifted.push_back(base + i);
            all.faces.push_back(shifted);
        }
    }
    all.materials = left.materials;
    all.faceMaterials = {0, 1, 0, 0, 0, 0, 0, 0, 1, 0};
    return xfile::writeText({xfile::Node::meshNode(all)});
}

struct PartSummary {
    unsigned faces;
    unsigned subsets;
    float x, y, z, radius;
    bool operator==(const PartSummary& o) const
    {
        return faces == o.faces && subsets == o.subsets && x == o.x && y == o.y && z == o.z && radius == o.radius;
    }
};

std::vector<PartSummary> summary(Model& model)
{
    std::vector<PartSummary> out;
    for (unsigned k = 0; k < model.getPartsCount(); ++k) {
        Parts& part = model.getParts(k);
        out.push_back({part.getFaceCount(), part.getSubsetCount(), part.getCenter().x, part.getCenter().y,
                       part.getCenter().z, part.getRadius()});
    }
    return out;
}

void setShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// A ray along +z through (x, y), from in front of everything.
Ray rayAt(float x, float y)
{
    return Ray(D3DXVECTOR3(x, y, -10.0f), D3DXVECTOR3(x, y, 10.0f));
}

}

TEST_CASE("a plug-in and its .x file open into the same parts and fill the list")
{
    TempDir dir;
    const std::string text = threePartText();
    const std::string pin = packModel(dir, "three", text);
    REQUIRE(!pin.empty());

    OpenModel fromPin;
    REQUIRE(fromPin.model.open(pin, kFov) == 1);
    Model& model = fromPin.model;
    CHECK(model.isLoaded() == 1);
    CHECK(model.getMeshPath() == pin);
    CHECK(model.getSavePath().empty());
    CHECK(model.getFaceCount() == 10);
    CHECK(model.getMaterialCount() == 2);
    REQUIRE(model.getPartsCount() == 3);
    CHECK(model.getParts(0).getFaceCount() == 2);
    CHECK(model.getParts(1).getFaceCount() == 6);
    CHECK(model.getParts(2).getFaceCount() == 2);
    CHECK(model.getParts(0).getSubsetCount() == 2);
    CHECK(model.getCurrentParts() == 0);
    CHECK(model.getParts(0).isCurrent() == 1);
    CHECK(model.getParts(1).isCurrent() == 0);

    // The list: cleared, one checked row per part in order, then row 0 selected.
    CHECK(fromPin.list.clears == 1);
    REQUIRE(fromPin.list.rows.size() == 3);
    for (unsigned k = 0; k < 3; ++k) {
        CHECK(fromPin.list.rows[k].data == int(k));
        CHECK(fromPin.list.rows[k].name == model.getParts(k).getName());
        CHECK(fromPin.list.rows[k].check == 1);
    }
    CHECK(fromPin.list.lastRedraw == 0);
    CHECK(fromPin.list.selected == std::vector<int>{0});

    OpenModel fromFile;
    const std::string xPath = dir.file("three\\three.x");
    REQUIRE(fromFile.model.open(xPath, kFov) == 1);
    CHECK(fromFile.model.getMeshPath() == xPath);
    CHECK(summary(fromFile.model) == summary(model));

    // Loading the same source again gives the same parts.
    REQUIRE(fromFile.model.open(pin, kFov) == 1);
    CHECK(summary(fromFile.model) == summary(model));
}

TEST_CASE("two Mesh objects in frames open joined from a plug-in and from the file alike")
{
    TempDir dir;
    const std::string text = xfile::writeText(
        {xfile::Node::frame("Root", {xfile::Node::meshNode(xfile::quad("A", 0.0f, 0.0f)),
                                     xfile::Node::translated("Moved", 4.0f, 0.0f, 0.0f,
                                                             {xfile::Node::meshNode(xfile::quad("B", 0.0f, 0.0f))})})});
    const std::string pin = packModel(dir, "pair", text);
    REQUIRE(!pin.empty());
    OpenModel a;
    REQUIRE(a.model.open(pin, kFov) == 1);
    CHECK(a.model.getFaceCount() == 4);
    CHECK(a.model.getPartsCount() == 2);
    CHECK(a.model.getMesh()->GetNumVertices() == 8);
    OpenModel b;
    REQUIRE(b.model.open(dir.file("pair\\pair.x"), kFov) == 1);
    CHECK(summary(b.model) == summary(a.model));
    CHECK(a.model.getParts(1).getCenter().x == doctest::Approx(4.5f));
}

TEST_CASE("the model's state operations act on loaded parts only")
{
    TempDir dir;
    OpenModel open;
    Model& model = open.model;

    int solid = -1, total = -1;
    float distance = -1, radius = -1;
    CHECK(model.getSolidFaceCount(solid) == 0);
    CHECK(model.getCurrentPartsFaceCounts(solid, total) == 0);
    CHECK(model.getDistanceAndRadius(distance, radius) == 0);
    CHECK(solid == -1);
    CHECK(model.pick(10, 10, 1) == 0);
    model.setCurrentParts(0, 1); // nothing loaded: no effect
    model.resetView(1);
    CHECK(model.draw(1) == 0);

    REQUIRE(model.open(packModel(dir, "three", threePartText()), kFov) == 1);
    model.setPartsName(1, "折り目");
    model.setPartsName(3, "none");
    CHECK(model.getParts(1).getName() == "折り目");
    model.setPartsVisible(2, 0);
    model.setPartsVisible(7, 0);
    CHECK(model.getParts(2).isVisible() == 0);

    const D3DXVECTOR3 before = model.getLocalWorld().getCenter();
    model.setCurrentParts(1, 0);
    CHECK(model.getCurrentParts() == 1);
    CHECK(model.getParts(1).isCurrent() == 1);
    CHECK(model.getParts(0).isCurrent() == 0);
    CHECK(model.getLocalWorld().getCenter() == before);

    model.setCurrentParts(3, 1); // out of range: nothing changes
    CHECK(model.getCurrentParts() == 1);
    CHECK(model.getParts(1).isCurrent() == 1);

    model.resetView(1);
    CHECK(model.getLocalWorld().getCenter().z == doctest::Approx(model.getParts(1).getCenter().z));
    model.resetView(0);
    CHECK(model.getLocalWorld().getCenter() == model.getCenter());

    CHECK(model.getCurrentPartsFaceCounts(solid, total) == 1);
    CHECK(solid == 0);
    CHECK(total == 6);
    CHECK(model.getDistanceAndRadius(distance, radius) == 1);
    CHECK(radius > 0.0f);

    model.getParts(0).toggleFace(0, model.getParts(0).getSubset(0).getFirstFace(), 0);
    CHECK(model.getSolidFaceCount(solid) == 1);
    CHECK(solid == 1);
}

TEST_CASE("picking makes the farthest unfilled face before the nearest solid one solid")
{
    TempDir dir;
    OpenModel open;
    Model& model = open.model;
    // The fold alone, plus a quad in front of it at z = 1 as a second part.
    xfile::Mesh fold = zFold();
    xfile::Mesh front = xfile::quad("Front", 0.5f, 0.0f);
    for (xfile::Vec3& p : front.positions)
        p.z = 1.0f;
    front.materials.clear();
    front.faceMaterials.clear();
    const std::string text = xfile::writeText({xfile::Node::meshNode(fold), xfile::Node::meshNode(front)});
    REQUIRE(model.open(packModel(dir, "fold", text), kFov) == 1);
    REQUIRE(model.getPartsCount() == 2);
    setShift(false);

    const Ray ray = rayAt(0.8f, 0.3f);
    int solid = 0;
    auto solidCount = [&] {
        model.getSolidFaceCount(solid);
        return solid;
    };
    auto partSolid = [&](unsigned k) { return int(model.getParts(k).getSolidFaceCount()); };

    // Part 1 (the front quad) is hidden and not current: it neither blocks nor is chosen.
    model.setPartsVisible(1, 0);
    std::vector<FaceHit> hits;
    model.collectHits(hits, ray);
    CHECK(hits.size() == 3); // fold faces at z 2, 3.5 (facing away) and 5
    CHECK(model.pickFace(ray, 1) == 1);
    CHECK(partSolid(0) == 1); // the far panel first
    hits.clear();
    model.collectHits(hits, ray);
    bool farSolid = false;
    for (const FaceHit& hit : hits)
        if (hit.distance > 14.0f)
            farSolid = hit.solid != 0;
    CHECK(farSolid);

    model.pickFace(ray, 1);
    CHECK(partSolid(0) == 2); // then the near panel; the slanted back face is never chosen
    model.pickFace(ray, 1);
    CHECK(partSolid(0) == 2); // nothing unfilled in front of the nearest solid face

    setShift(true);
    model.pickFace(ray, 1);
    CHECK(partSolid(0) == 1); // Shift: the nearest solid face becomes unfilled
    setShift(false);

    // A solid face of a visible part that is not current, in front: no change either way.
    model.setPartsVisible(1, 1);
    model.setCurrentParts(1, 0);
    model.pickFace(ray, 1);
    CHECK(partSolid(1) == 1);
    model.setCurrentParts(0, 0);
    model.pickFace(ray, 1);
    CHECK(partSolid(0) == 1);
    setShift(true);
    model.pickFace(ray, 1);
    setShift(false);
    CHECK(partSolid(0) == 1);
    CHECK(partSolid(1) == 1);

    // Delete-face mode ignores Shift and unfills the nearest solid face of the current part.
    model.setPartsVisible(1, 0);
    model.pickFace(ray, 0);
    CHECK(partSolid(0) == 0);
    CHECK(solidCount() == 1);

    // Background: no hits, no change, still dealt with.
    CHECK(model.pickFace(rayAt(50.0f, 50.0f), 1) == 1);
    CHECK(solidCount() == 1);
}

TEST_CASE("a click in the view picks through the device's transforms")
{
    TempDir dir;
    OpenModel open;
    Model& model = open.model;
    REQUIRE(model.open(
                packModel(dir, "quad", xfile::writeText({xfile::Node::meshNode(xfile::quad("Q", -0.5f, -0.5f))})), kFov)
            == 1);
    IDirect3DDevice9* device = TestDevice::get();
    D3DXMATRIX projection, view;
    D3DXMatrixPerspectiveFovLH(&projection, kFov, 1.0f, 0.1f, 1000.0f);
    D3DXMatrixIdentity(&view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &view);
    REQUIRE(SUCCEEDED(device->BeginScene()));
    CHECK(model.draw(1) == 1);
    device->EndScene();
    CHECK(model.getDrawOptions().browse == 0);

    setShift(false);
    CHECK(model.pick(TestDevice::kWidth / 2 + 3, TestDevice::kHeight / 2 + 5, 1) == 1);
    int solid = 0;
    model.getSolidFaceCount(solid);
    CHECK(solid == 1);
    CHECK(model.pick(2, 2, 1) == 1); // corner: the background
    model.getSolidFaceCount(solid);
    CHECK(solid == 1);

    device->BeginScene();
    model.draw(0);
    device->EndScene();
    CHECK(model.getDrawOptions().browse == 1);
}

TEST_CASE("a work file restores names visibility and solid faces and part 0 is current")
{
    TempDir dir;
    const std::string pin = packModel(dir, "three", threePartText());
    const std::string work = dir.file("work.tbs");
    {
        OpenModel open;
        Model& model = open.model;
        REQUIRE(model.open(pin, kFov) == 1);
        model.setPartsName(1, "折り目");
        model.setPartsVisible(2, 0);
        model.setCurrentParts(1, 1);
        Parts& fold = model.getParts(1);
        fold.toggleFace(0, fold.getSubset(0).getFirstFace() + 3, 0);
        fold.toggleFace(0, fold.getSubset(0).getFirstFace() + 4, 0);
        REQUIRE(model.save(work) == 1);
        CHECK(model.getSavePath().empty()); // saving does not change where the model came from
    }
    {
        SerializeReader reader;
        REQUIRE(reader.open(work) == 1);
        std::string meshPath;
        REQUIRE(reader.readMainMeshFile(meshPath) == 1);
        CHECK(meshPath == pin);
        std::vector<char> record;
        CHECK(reader.readPartsFile(2, record) == 1);
        CHECK(reader.readPartsFile(3, record) == 0);
    }
    {
        // As stored: the comment alone, the path entry then one deflated entry per part, none scrambled.
        const std::string zip = zipbytes::readAll(work);
        CHECK(zipbytes::comment(zip) == "_TBM_SERIALIZE01");
        const std::vector<zipbytes::Entry> entries = zipbytes::entries(zip);
        std::vector<std::string> names;
        for (const zipbytes::Entry& e : entries) {
            CHECK(e.method == 8);
            CHECK(e.localMethod == 8);
            names.push_back(e.name);
        }
        CHECK(names
              == std::vector<std::string>{"_TBM_SERIALIZE_MAIN_MESH_FILE", "_TBM_SERIALIZE_PARTS_FILE_0",
                                          "_TBM_SERIALIZE_PARTS_FILE_1", "_TBM_SERIALIZE_PARTS_FILE_2"});
        REQUIRE(entries.size() == 4);
        CHECK(zipbytes::storedData(zip, entries[0]) == pin);
        const std::string record = zipbytes::storedData(zip, entries[2]);
        REQUIRE(record.size() > 40);
        CHECK(record.compare(40, 6, "折り目") == 0); // the name follows the 40-byte header
    }
    OpenModel open;
    Model& model = open.model;
    REQUIRE(model.open(work, kFov) == 1);
    CHECK(model.getSavePath() == work);
    CHECK(model.getMeshPath() == pin);
    CHECK(model.getParts(1).getName() == "折り目");
    CHECK(model.getParts(2).isVisible() == 0);
    CHECK(model.getParts(1).getSolidFaceCount() == 2);
    CHECK(model.getCurrentParts() == 0);
    CHECK(model.getParts(0).isCurrent() == 1);
    CHECK(model.getParts(1).isCurrent() == 0);
    REQUIRE(open.list.rows.size() == 3);
    CHECK(open.list.rows[1].name == "折り目");
    CHECK(open.list.rows[2].check == 0);
}

namespace {

// The names in a folder, sorted.
std::vector<std::string> folderNames(const std::string& folder)
{
    std::list<gfl::Path> files;
    gfl::Path(folder).getFileList(files);
    std::vector<std::string> names;
    for (const gfl::Path& path : files) {
        std::string name;
        path.getFileName(name);
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}

TEST_CASE("a failed save keeps the previous work file and leaves no temporary file")
{
    TempDir dir;
    OpenModel open;
    Model& model = open.model;
    REQUIRE(model.open(packModel(dir, "three", threePartText()), kFov) == 1);
    const std::string work = dir.file("work.tbs");
    REQUIRE(model.save(work) == 1);
    const std::string before = zipbytes::readAll(work);
    model.setPartsName(0, "changed");
    const unsigned long fileSize = (unsigned long)(before.size());
    for (unsigned long budget : {0ul, 40ul, fileSize / 2, fileSize - 1}) {
        CAPTURE(budget);
        FailingFiles failing(budget);
        CHECK(model.save(work) == 0);
    }
    CHECK(model.save(dir.file("missing\\work.tbs")) == 0);

    CHECK(zipbytes::readAll(work) == before);
    for (const std::string& name : folderNames(dir.path()))
        CHECK_MESSAGE(name.find(".tmp") == std::string::npos, name);
    CHECK(model.save(work) == 1);
}

TEST_CASE("a save whose replace fails says so and leaves the folder as it was")
{
    TempDir dir;
    OpenModel open;
    REQUIRE(open.model.open(packModel(dir, "three", threePartText()), kFov) == 1);
    const std::string saves = dir.file("saves");
    REQUIRE(CreateDirectoryA(saves.c_str(), nullptr));
    const std::string work = saves + "\\work.tbs";
    REQUIRE(open.model.save(work) == 1);
    const std::string before = zipbytes::readAll(work);
    const std::string folder = saves + "\\folder.tbs";
    REQUIRE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::vector<std::string> names = folderNames(saves);
    open.model.setPartsName(0, "changed");

    SUBCASE("a file held open without delete sharing")
    {
        HANDLE held = CreateFileA(work.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        LogCapture log;
        CHECK(open.model.save(work) == 0);
        CloseHandle(held);
        CHECK(LogCapture::count("セーブファイルを置き換えられません。" + work) == 1);
    }
    SUBCASE("a folder of that name")
    {
        LogCapture log;
        CHECK(open.model.save(folder) == 0);
        CHECK(LogCapture::count("セーブファイルを置き換えられません。" + folder) == 1);
        CHECK(GetFileAttributesA(folder.c_str()) == FILE_ATTRIBUTE_DIRECTORY);
    }
    CHECK(zipbytes::readAll(work) == before);
    CHECK(folderNames(saves) == names);
    CHECK(open.model.save(work) == 1);
    CHECK(zipbytes::readAll(work) != before);
}

TEST_CASE("a moved plug-in is found in the plugin folder beside the program")
{
    const std::string folder = gfl::Path::getModuleDirectoryCached();
    std::string gone = "C:\\no such folder\\car.pin";
    resolvePlugInPath(gone);
    CHECK(gone == folder + "\\plugin\\car.pin");

    std::string existing = folder;
    resolvePlugInPath(existing);
    CHECK(existing == folder);

    // End to end: a work file whose plug-in moved into the plugin folder resumes.
    TempDir dir;
    const std::string pin = packModel(dir, "moved_model_test", threePartText());
    const std::string work = dir.file("work.tbs");
    {
        OpenModel open;
        REQUIRE(open.model.open(pin, kFov) == 1);
        open.model.setPartsName(2, "right");
        REQUIRE(open.model.save(work) == 1);
    }
    const std::string pluginFolder = folder + "\\plugin";
    const bool made = CreateDirectoryA(pluginFolder.c_str(), nullptr) != 0;
    const std::string moved = pluginFolder + "\\moved_model_test.pin";
    REQUIRE(MoveFileExA(pin.c_str(), moved.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
    {
        OpenModel open;
        CHECK(open.model.open(work, kFov) == 1);
        CHECK(open.model.getMeshPath() == moved);
        CHECK(open.model.getParts(2).getName() == "right");
        const std::string again = dir.file("again.tbs");
        REQUIRE(open.model.save(again) == 1);
        SerializeReader reader;
        std::string meshPath;
        REQUIRE(reader.open(again) == 1);
        REQUIRE(reader.readMainMeshFile(meshPath) == 1);
        CHECK(meshPath == moved);
    }
    DeleteFileA(moved.c_str());
    if (made)
        RemoveDirectoryA(pluginFolder.c_str());
}

TEST_CASE("failed opens leave the model as the failing step says")
{
    TempDir dir;
    const std::string pin = packModel(dir, "three", threePartText());
    const std::string work = dir.file("work.tbs");
    {
        OpenModel open;
        REQUIRE(open.model.open(pin, kFov) == 1);
        REQUIRE(open.model.save(work) == 1);
    }
    writeTextFile(dir.file("empty.x"), "");
    writeTextFile(dir.file("text.x"), "not a mesh");
    writeTextFile(dir.file("faceless.x"),
                  "xof 0303txt 0032\nMesh {\n3;\n0.0;0.0;0.0;,\n1.0;0.0;0.0;,\n0.0;1.0;0.0;;\n0;;\n}\n");
    {
        SerializeWriter writer; // a work file without its mesh entry
        REQUIRE(writer.create(dir.file("nomesh.tbs")) == 1);
        REQUIRE(writer.writePartsFile(0, std::vector<char>(40, 0)) == 1);
        REQUIRE(writer.close() == 1);
    }

    struct Case {
        const char* file;
        bool keepsOldModel;
    };
    const Case cases[] = {
        {"missing.x", false}, {"empty.x", false}, {"text.x", false}, {"faceless.x", false}, {"nomesh.tbs", true},
    };
    for (const Case& c : cases) {
        CAPTURE(c.file);
        OpenModel open;
        Model& model = open.model;
        REQUIRE(model.open(pin, kFov) == 1);
        CHECK(model.open(dir.file(c.file), 0.5f) == 0);
        CHECK(model.isLoaded() == (c.keepsOldModel ? 1 : 0));
        CHECK(model.getPartsCount() == (c.keepsOldModel ? 3u : 0u));
        if (!c.keepsOldModel) {
            float distance = 0, radius = 0;
            model.getLocalWorld().getDistanceAndRadius(distance, radius);
            CHECK(radius == doctest::Approx(10.0f));
            CHECK(model.getLocalWorld().getCenter() == D3DXVECTOR3(0, 0, 0));
            CHECK(model.getMeshPath().empty());
            // The rows still listed find no part.
            model.setCurrentParts(0, 1);
            model.setPartsVisible(0, 0);
            model.setPartsName(0, "x");
            CHECK(model.getCurrentParts() == 0);
        }
    }

    // The plug-in now holds another mesh with the same path: the records no longer fit.
    const std::string other = xfile::writeText({xfile::Node::meshNode(xfile::quad("Q", 0.0f, 0.0f))});
    DeleteFileA(pin.c_str());
    REQUIRE(packModel(dir, "three_other", other) != "");
    REQUIRE(MoveFileA(dir.file("three_other.pin").c_str(), pin.c_str()));
    OpenModel open;
    CHECK(open.model.open(work, kFov) == 0);
    CHECK(open.model.isLoaded() == 0);
    CHECK(open.model.getPartsCount() == 0);
}

TEST_CASE("a mesh past the 16-bit vertex limit is refused")
{
    TempDir dir;
    xfile::Mesh big;
    big.name = "Big";
    const unsigned triangles = 21846; // 65,538 vertices
    for (unsigned t = 0; t < triangles; ++t) {
        const float x = float(t % 200), y = float(t / 200);
        big.positions.push_back({x, y, 0.0f});
        big.positions.push_back({x, y + 0.5f, 0.0f});
        big.positions.push_back({x + 0.5f, y, 0.0f});
        big.faces.push_back({t * 3, t * 3 + 1, t * 3 + 2});
    }
    writeTextFile(dir.file("big.x"), xfile::writeText({xfile::Node::meshNode(big)}));
    OpenModel open;
    CHECK(open.model.open(dir.file("big.x"), kFov) == 0);
    CHECK(open.model.isLoaded() == 0);
}

TEST_CASE("faces past number 65535 are picked toggled and restored")
{
    TempDir dir;
    xfile::Mesh grid;
    grid.name = "Grid";
    const unsigned n = 200;
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i)
            grid.positions.push_back({float(i), float(j), 0.0f});
    for (unsigned j = 0; j + 1 < n; ++j)
        for (unsigned i = 0; i + 1 < n; ++i) {
            const unsigned a = j * n + i;
            grid.faces.push_back({a, a + n, a + n + 1});
            grid.faces.push_back({a, a + n + 1, a + 1});
        }
    const std::string pin = packModel(dir, "grid", xfile::writeText({xfile::Node::meshNode(grid)}));
    OpenModel open;
    Model& model = open.model;
    REQUIRE(model.open(pin, kFov) == 1);
    REQUIRE(model.getFaceCount() == 79202);
    REQUIRE(model.getPartsCount() == 1);
    setShift(false);
    // Find a square whose face lies past position 65535 of the part's list.
    std::vector<FaceHit> hits;
    Ray ray = rayAt(0.5f, 0.2f);
    for (unsigned cell = 0; cell < (n - 1) * (n - 1); cell += 7) {
        ray = rayAt(float(cell % (n - 1)) + 0.7f, float(cell / (n - 1)) + 0.2f);
        hits.clear();
        model.collectHits(hits, ray);
        REQUIRE(hits.size() == 1);
        if (hits[0].face > 65535u)
            break;
    }
    REQUIRE(hits[0].face > 65535u);
    model.pickFace(ray, 1);
    int solid = 0;
    model.getSolidFaceCount(solid);
    CHECK(solid == 1);
    REQUIRE(model.save(dir.file("grid.tbs")) == 1);

    OpenModel again;
    REQUIRE(again.model.open(dir.file("grid.tbs"), kFov) == 1);
    again.model.getSolidFaceCount(solid);
    CHECK(solid == 1);
    hits.clear();
    again.model.collectHits(hits, ray);
    REQUIRE(hits.size() == 1);
    CHECK(hits[0].solid == 1);
}

namespace {

// Every vertex position of the model's mesh.
std::vector<D3DXVECTOR3> positions(Model& model)
{
    ID3DXMesh* mesh = model.getMesh();
    REQUIRE(mesh != nullptr);
    std::vector<D3DXVECTOR3> out;
    void* data = nullptr;
    REQUIRE(SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)));
    const DWORD stride = mesh->GetNumBytesPerVertex();
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        out.push_back(*reinterpret_cast<const D3DXVECTOR3*>(static_cast<const BYTE*>(data) + v * stride));
    mesh->UnlockVertexBuffer();
    return out;
}

// Two unit quads whose facing edges are 0.00001 apart: two parts.
xfile::Mesh nearlyTouchingQuads()
{
    return xfile::merged("Pair", {xfile::quad("L", 0.0f, 0.0f), xfile::quad("R", 1.00001f, 0.0f)});
}

}

TEST_CASE("one mesh under two transforming frames is placed child frame first")
{
    TempDir dir;
    // Frame A scales by 0.01 and holds Frame B, which moves by (10, 0, 0).
    const std::string text = xfile::writeText({xfile::Node::scaled(
        "A", 0.01f,
        {xfile::Node::translated("B", 10.0f, 0.0f, 0.0f, {xfile::Node::meshNode(xfile::quad("Q", 0.0f, 0.0f))})})});
    const std::string pin = packModel(dir, "nested", text);
    for (const std::string& path : {pin, dir.file("nested\\nested.x")}) {
        CAPTURE(path);
        OpenModel open;
        REQUIRE(open.model.open(path, kFov) == 1);
        const std::vector<D3DXVECTOR3> placed = positions(open.model);
        REQUIRE(placed.size() == 4);
        for (const D3DXVECTOR3& p : placed) {
            // (v + (10, 0, 0)) x 0.01 with v of the unit quad: x in {0.10, 0.11}, y in {0, 0.01}.
            CHECK((p.x == doctest::Approx(0.10f) || p.x == doctest::Approx(0.11f)));
            CHECK((p.y == doctest::Approx(0.0f) || p.y == doctest::Approx(0.01f)));
            CHECK(p.z == 0.0f);
        }
        CHECK(open.model.getCenter().x == doctest::Approx(0.105f));
    }

    // Parent first, 0.01 x + 10 would make the 0.00001 gap vanish and fuse the two quads.
    const std::string fused = xfile::writeText({xfile::Node::scaled(
        "A", 0.01f,
        {xfile::Node::translated("B", 10.0f, 0.0f, 0.0f, {xfile::Node::meshNode(nearlyTouchingQuads())})})});
    OpenModel open;
    writeTextFile(dir.file("fused.x"), fused);
    REQUIRE(open.model.open(dir.file("fused.x"), kFov) == 1);
    CHECK(open.model.getPartsCount() == 2);
}

TEST_CASE("the loading road is the source's own call unless frames would place the mesh wrongly")
{
    using xfile::Node;
    const Node quad = Node::meshNode(xfile::quad("Q", 0.0f, 0.0f));
    struct Case {
        const char* name;
        std::string text;
        bool joined;
        float centerX;
    };
    const Case cases[] = {
        {"no frame", xfile::writeText({quad}), false, 0.5f},
        {"one moving frame", xfile::writeText({Node::translated("T", 4.0f, 0.0f, 0.0f, {quad})}), false, 4.5f},
        {"moving frame in a plain frame",
         xfile::writeText({Node::frame("F", {Node::translated("T", 4.0f, 0.0f, 0.0f, {quad})})}), false, 4.5f},
        {"two moving frames",
         xfile::writeText({Node::translated("T", 4.0f, 0.0f, 0.0f, {Node::scaled("S", 2.0f, {quad})})}), true, 5.0f},
        {"two meshes",
         xfile::writeText(
             {quad, Node::translated("T", 4.0f, 0.0f, 0.0f, {Node::meshNode(xfile::quad("R", 0.0f, 0.0f))})}),
         true, 2.5f},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string file = dir.file(std::string(c.name) + ".x");
        CAPTURE(file);
        writeTextFile(file, c.text);
        OpenModel open;
        LogCapture log;
        REQUIRE(open.model.open(file, kFov) == 1);
        CHECK(LogCapture::count("ファイルのメッシュを階層から結合します。" + file) == (c.joined ? 1 : 0));
        CHECK(LogCapture::count("ファイルのメッシュを一括で読み込みます。" + file) == (c.joined ? 0 : 1));
        CHECK(open.model.getCenter().x == doctest::Approx(c.centerX));
    }
}

TEST_CASE("a mesh file past the archives' size cap is refused before it is read")
{
    TempDir dir;
    struct Case {
        const char* name;
        unsigned long long size;
    };
    // 4 GiB + 1 KiB would look like 1 KiB to a 32-bit size.
    const Case cases[] = {{"big.x", 300ull << 20}, {"huge.x", (4ull << 30) + 1024}};
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        CAPTURE(path);
        {
            // Sparse: only the length is written.
            gfl::File file(path);
            REQUIRE(SUCCEEDED(file.create(1)));
            file.close();
            HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            REQUIRE(handle != INVALID_HANDLE_VALUE);
            LARGE_INTEGER end;
            end.QuadPart = LONGLONG(c.size);
            const bool sized = SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
            CloseHandle(handle);
            REQUIRE(sized);
        }
        OpenModel open;
        LogCapture log;
        CHECK(open.model.open(path, kFov) == 0);
        CHECK(LogCapture::count("ファイルのメッシュが大きすぎます。" + path) == 1);
        CHECK(LogCapture::count("Xファイルの読み込みに失敗しました。") == 1);
        DeleteFileA(path.c_str());
    }
}

TEST_CASE("a relative save path names a file in the program's folder, not the current directory")
{
    TempDir dir;
    OpenModel open;
    REQUIRE(open.model.open(packModel(dir, "three", threePartText()), kFov) == 1);
    const std::string before = gfl::Path::getCurrentDirectory();
    REQUIRE(gfl::Path::setCurrentDirectory(dir.path().c_str()) == S_OK);
    const char name[] = "relative_save_test.tbs";
    const int saved = open.model.save(name);
    gfl::Path::setCurrentDirectory(before.c_str());
    const std::string beside = gfl::Path::getModuleDirectoryCached() + "\\" + name;
    CHECK(saved == 1);
    CHECK(GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(GetFileAttributesA(dir.file(name).c_str()) == INVALID_FILE_ATTRIBUTES);
    SerializeReader reader;
    std::string meshPath;
    CHECK(reader.open(beside) == 1);
    CHECK(reader.readMainMeshFile(meshPath) == 1);
    CHECK(meshPath == open.model.getMeshPath());
    reader.close();
    DeleteFileA(beside.c_str());
}
