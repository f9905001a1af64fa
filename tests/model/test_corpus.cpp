// Every real model of the shared corpus, packed as the user would pack it.
#include "modeller/model/Model.h"
#include "CorpusFiles.h"
#include "ModelFixtures.h"
#include "LogCapture.h"
#include "TestDevice.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;
constexpr size_t kCurrentFlagOffset = 16;

enum class Expect { kOpens, kFails };
enum class Road { kWhole, kJoined, kNone };

struct CorpusModel {
    const char* folder;
    const char* file;
    Expect expect;
    // Faces joined where they share an edge by position, across meshes once
    // joined: the skybox's six quads are one closed cube.
    unsigned parts;
    unsigned faces; // after triangulation
    unsigned materials;
    const char* partFaces; // faces of each part in order
    Road road;             // the whole-file call, or the meshes joined from the hierarchy
    const char* reason;    // why a model fails
};

const CorpusModel kCorpus[] = {
    // Uses the extension set's DeclData without declaring it.
    {"assimp-anim-cylinder", "anim_test.x", Expect::kOpens, 1, 840, 1, "840", Road::kWhole, ""},
    {"assimp-cube-3formats", "test_cube_binary.x", Expect::kOpens, 1, 12, 1, "12", Road::kWhole, ""},
    {"assimp-cube-3formats", "test_cube_compressed.x", Expect::kOpens, 1, 12, 1, "12", Road::kWhole, ""},
    {"assimp-cube-3formats", "test_cube_text.x", Expect::kOpens, 1, 12, 1, "12", Road::kWhole, ""},
    {"assimp-malformed", "OV_GetNextToken.x", Expect::kFails, 0, 0, 0, "", Road::kNone,
     "compressed block does not inflate"},
    {"assimp-malformed", "malformed_skinweights_oob.x", Expect::kOpens, 1, 12, 1, "12", Road::kWhole, ""},
    {"assimp-maya-cube", "test.x", Expect::kOpens, 1, 12, 1, "12", Road::kWhole, ""},
    {"assimp-truespace-bin", "fromtruespace_bin32.x", Expect::kOpens, 4, 6656, 1, "6629 11 11 5", Road::kWhole, ""},
    {"dx-airplane", "airplane 2.x", Expect::kOpens, 22, 596, 8,
     "168 12 12 12 12 12 12 12 12 44 44 32 32 20 20 8 20 20 12 40 20 20", Road::kJoined, ""},
    {"dx-ball-bin", "ball.x", Expect::kOpens, 1, 224, 1, "224", Road::kWhole, ""},
    {"dx-bigship1-bin", "bigship1.x", Expect::kOpens, 1, 8686, 5, "8686", Road::kWhole, ""},
    {"dx-cell", "cell.x", Expect::kOpens, 1, 12, 3, "12", Road::kWhole, ""},
    {"dx-knot", "knot.x", Expect::kOpens, 1, 46464, 1, "46464", Road::kWhole, ""},
    {"dx-lobby-skybox", "lobby_skybox.x", Expect::kOpens, 1, 12, 6, "12", Road::kJoined, ""},
    // A one-index material list in a binary body.
    {"dx-mslogo-bin", "mslogo.x", Expect::kOpens, 5, 2668, 1, "48 2084 12 384 140", Road::kWhole, ""},
    {"dx-room", "room.x", Expect::kOpens, 1, 24, 3, "24", Road::kWhole, ""},
    // One-index material lists in text bodies.
    {"dx-tiger", "tiger.x", Expect::kOpens, 1, 602, 1, "602", Road::kWhole, ""},
    {"dx-tiger", "tiger_crlf.x", Expect::kOpens, 1, 602, 1, "602", Road::kWhole, ""},
    {"dx-vinestart-bin", "vinestart.x", Expect::kOpens, 2, 1392, 1, "1344 48", Road::kWhole, ""},
    {"kwxport-vcolor-cube", "kwxport_test_cubewithvcolors.x", Expect::kOpens, 1, 12, 3, "12", Road::kWhole, ""},
    // Its one mesh sits under two transforming frames, so it is joined; where
    // four faces meet at an edge the adjacency pairs them in face order.
    {"minetest-character", "character.x", Expect::kOpens, 5, 96, 1, "44 24 4 12 12", Road::kJoined, ""},
    {"wine-tzip-vectors", "compressed_object.x", Expect::kFails, 0, 0, 0, "", Road::kNone, "no mesh in it"},
    {"wine-tzip-vectors", "compressed_template.x", Expect::kFails, 0, 0, 0, "", Road::kNone, "no mesh in it"},
    {"wine-tzip-vectors", "empty_tzip_file.x", Expect::kFails, 0, 0, 0, "", Road::kNone, "no objects at all"},
};

bool isMeshFile(const std::string& name)
{
    return name.size() > 2 && _stricmp(name.c_str() + name.size() - 2, ".x") == 0;
}

// Copies a folder's files and subfolders, leaving out the other meshes of the top folder.
bool copyFolder(const std::string& from, const std::string& to, const char* keepMesh)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool copied = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copied = copyFolder(from + "\\" + name, to + "\\" + name, nullptr) && copied;
        else if (!keepMesh || !isMeshFile(name) || name == keepMesh)
            copied = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && copied;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return copied;
}

// Every part's record with the current flag left out.
std::vector<std::vector<char>> records(Model& model)
{
    std::vector<std::vector<char>> out;
    for (unsigned k = 0; k < model.getPartsCount(); ++k) {
        std::vector<char> record = model.getParts(k).makeSaveData();
        if (record.size() >= kCurrentFlagOffset + 4)
            std::memset(&record[kCurrentFlagOffset], 0, 4);
        out.push_back(record);
    }
    return out;
}

// Some solid faces in several parts and subsets, a renamed part, a hidden part.
void editModel(Model& model)
{
    const unsigned count = model.getPartsCount();
    for (unsigned k = 0; k < count; k += 1 + count / 5) {
        Parts& part = model.getParts(k);
        for (unsigned s = 0; s < part.getSubsetCount(); ++s) {
            // Positions within the subset's run: the middle face, then the last.
            const unsigned faces = part.getSubset(s).getFaceCount();
            part.toggleFace(s, faces / 2, 0);
            if (faces > 2)
                part.toggleFace(s, faces - 1, 0);
        }
    }
    model.setPartsName(count / 2, "名前を変えた部品");
    model.setPartsVisible(count - 1, 0);
    model.setCurrentParts(count - 1, 1);
}

}

TEST_CASE("every corpus model opens and round-trips its work file or fails cleanly")
{
    const std::string corpus = corpusFolder();
    REQUIRE_MESSAGE(!corpus.empty(), "corpus folder not found: expected <repository>\\..\\shared\\corpus, i.e. "
                                         << gfl::Path::getModuleDirectoryCached() << "\\..\\..\\..\\shared\\corpus");
    setMessageFunction([](const char*, const char*) {});
    Logger::getInstance().setLevel(3);

    for (const CorpusModel& entry : kCorpus) {
        const std::string file = entry.file;
        CAPTURE(file);
        TempDir dir;
        const std::string name = file.substr(0, file.size() - 2);
        const std::string folder = dir.file(name);
        REQUIRE(copyFolder(corpus + "\\" + entry.folder, folder, entry.file));
        REQUIRE(makePlugIn(folder.c_str()) == 1);
        const std::string pin = dir.file(name + ".pin");

        Model model;
        RecordingPartsList list;
        REQUIRE(model.create(TestDevice::get()) == 1);
        model.setPartsList(&list);

        if (entry.expect == Expect::kFails) {
            const std::string reason = entry.reason;
            CAPTURE(reason);
            LogCapture log;
            CHECK(model.open(pin, kFov) == 0);
            CHECK(model.isLoaded() == 0);
            CHECK(model.getPartsCount() == 0);
            CHECK(model.getMesh() == nullptr);
            CHECK(list.rows.empty());
            CHECK(LogCapture::count("Xファイルの読み込みに失敗しました。") > 0);
            model.destroy();
            continue;
        }

        {
            LogCapture log;
            REQUIRE(model.open(pin, kFov) == 1);
            const bool joined = LogCapture::count("プラグインのメッシュを階層から結合します。" + pin) == 1;
            CHECK(joined == (entry.road == Road::kJoined));
            CHECK(LogCapture::count("プラグインのメッシュを一括で読み込みます。" + pin) == (joined ? 0 : 1));
        }
        const unsigned count = model.getPartsCount();
        CHECK(count == entry.parts);
        CHECK(model.getFaceCount() == entry.faces);
        CHECK(model.getMaterialCount() == entry.materials);
        std::string partFaces;
        for (unsigned k = 0; k < count; ++k)
            partFaces += (k ? " " : "") + std::to_string(model.getParts(k).getFaceCount());
        CHECK(partFaces == std::string(entry.partFaces));
        unsigned faces = 0;
        for (unsigned k = 0; k < count; ++k)
            faces += model.getParts(k).getFaceCount();
        CHECK(faces == model.getFaceCount());
        CHECK(list.rows.size() == count);
        const std::vector<std::vector<char>> opened = records(model);

        editModel(model);
        int solid = 0;
        model.getSolidFaceCount(solid);
        CHECK(solid > 0);
        const std::vector<std::vector<char>> edited = records(model);
        const std::string work = dir.file("work.tbs");
        REQUIRE(model.save(work) == 1);

        Model resumed;
        REQUIRE(resumed.create(TestDevice::get()) == 1);
        REQUIRE(resumed.open(work, kFov) == 1);
        REQUIRE(resumed.getPartsCount() == count);
        CHECK(records(resumed) == edited);
        CHECK(resumed.getCurrentParts() == 0);
        for (unsigned k = 0; k < count; ++k)
            CHECK(resumed.getParts(k).isCurrent() == (k == 0 ? 1 : 0));
        int resumedSolid = 0;
        resumed.getSolidFaceCount(resumedSolid);
        CHECK(resumedSolid == solid);

        // The same plug-in loaded again gives the same parts.
        Model again;
        REQUIRE(again.create(TestDevice::get()) == 1);
        REQUIRE(again.open(pin, kFov) == 1);
        CHECK(records(again) == opened);

        again.destroy();
        resumed.destroy();
        model.destroy();
    }
}
