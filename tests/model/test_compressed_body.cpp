// Compressed .x bodies are checked before the platform's parser, which can
// crash on a damaged one.
#include "modeller/model/xfile/CompressedBodyCheck.h"
#include "modeller/model/Model.h"
#include "CorpusFiles.h"
#include "LogCapture.h"
#include "ModelFixtures.h"
#include "MsZipWriter.h"
#include "TestDevice.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;
const char kRefused[] = "の圧縮されたメッシュが壊れています";
const char kOpenFailed[] = "Xファイルの読み込みに失敗しました。";

struct Intact {
    std::string name;
    std::string bytes;
};

// The real compressed files, and the sample and the knot (many blocks) compressed here.
std::vector<Intact> intactBodies()
{
    const std::string corpus = corpusFolder();
    REQUIRE_MESSAGE(!corpus.empty(), "corpus folder not found beside the repository");
    std::vector<Intact> out = {
        {"cube", readBytes(corpus + "\\assimp-cube-3formats\\test_cube_compressed.x")},
        {"template", readBytes(corpus + "\\wine-tzip-vectors\\compressed_template.x")},
        {"object", readBytes(corpus + "\\wine-tzip-vectors\\compressed_object.x")},
        {"empty", readBytes(corpus + "\\wine-tzip-vectors\\empty_tzip_file.x")},
        {"sample", mszip::compress(readBytes(repositoryFile("resources\\sample\\sample.x")))},
        {"knot", mszip::compress(readBytes(corpus + "\\dx-knot\\knot.x"))},
    };
    for (const Intact& body : out)
        REQUIRE_MESSAGE(body.bytes.size() > 24, body.name);
    return out;
}

size_t lastBlock(const std::string& bytes)
{
    size_t at = 20, last = 20;
    while (at + 4 <= bytes.size()) {
        last = at;
        at += 4 + (unsigned char)bytes[at + 2] + ((unsigned char)bytes[at + 3] << 8);
    }
    return last;
}

void addLittle16(std::string& bytes, size_t at, int delta)
{
    const int value = (unsigned char)bytes[at] + ((unsigned char)bytes[at + 1] << 8) + delta;
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char((value >> 8) & 0xFF);
}

struct Damaged {
    std::string name;
    std::string bytes;
};

// Every shape of damage, made from one intact compressed body.
std::vector<Damaged> damage(const Intact& body)
{
    const std::string& b = body.bytes;
    const size_t last = lastBlock(b);
    std::vector<Damaged> out;
    auto add = [&](const std::string& what, const std::string& bytes) {
        out.push_back({body.name + ": " + what, bytes});
    };
    for (size_t cut : {size_t(16), size_t(18), size_t(20), size_t(22), size_t(24), size_t(26), b.size() / 2, last + 4,
                       last + 7, b.size() - 1}) {
        if (cut >= 16 && cut < b.size())
            add("cut at " + std::to_string(cut), b.substr(0, cut));
    }
    for (int delta : {-1, 1}) {
        std::string stated = b;
        addLittle16(stated, 16, delta);
        add("stated size " + std::to_string(delta), stated);
        for (size_t block : {size_t(20), last}) {
            std::string sizes = b;
            addLittle16(sizes, block, delta);
            add("block size " + std::to_string(delta) + " at " + std::to_string(block), sizes);
            sizes = b;
            addLittle16(sizes, block + 2, delta);
            add("compressed size " + std::to_string(delta) + " at " + std::to_string(block), sizes);
        }
    }
    std::string signature = b;
    signature[last + 5] = 'J';
    add("signature", signature);
    add("byte left over", b + '\n');
    add("stated size zero", b.substr(0, 16) + std::string(4, '\0') + b.substr(20));
    return out;
}

// Damage found in the wild and bodies that are no compressed body at all.
std::vector<Damaged> otherDamage()
{
    const std::string corpus = corpusFolder();
    std::string plain = readBytes(repositoryFile("resources\\sample\\sample.x"));
    REQUIRE(plain.size() > 100);
    plain.replace(8, 4, "tzip");
    std::string binary = readBytes(corpus + "\\assimp-cube-3formats\\test_cube_binary.x");
    REQUIRE(binary.size() > 100);
    binary.replace(8, 4, "bzip");
    return {
        {"one deflate byte changed (corpus)", readBytes(corpus + "\\assimp-malformed\\OV_GetNextToken.x")},
        {"text body under a tzip header", plain},
        {"binary body under a bzip header", binary},
        {"header only", "xof 0302tzip0064"},
    };
}

std::vector<Damaged> allDamaged()
{
    std::vector<Damaged> out = otherDamage();
    for (const Intact& body : intactBodies()) {
        for (Damaged& d : damage(body))
            out.push_back(std::move(d));
    }
    return out;
}

}

TEST_CASE("a compressed body passes only when every block inflates exactly as its framing states")
{
    CompressedBodyCheck check;
    for (const Intact& body : intactBodies()) {
        CAPTURE(body.name);
        CHECK(check.run(body.bytes.data(), body.bytes.size()) == CompressedBodyCheck::kIntact);
        CHECK(std::string(check.getFailure()).empty());
    }
    const std::string knot = mszip::compress(readBytes(corpusFolder() + "\\dx-knot\\knot.x"));
    CHECK(lastBlock(knot) > 20); // more than one block, so the dictionary is used

    const std::string corpus = corpusFolder();
    for (const char* plain : {"\\assimp-cube-3formats\\test_cube_text.x", "\\assimp-cube-3formats\\test_cube_binary.x",
                              "\\dx-lobby-skybox\\lobby_skybox.x"}) {
        const std::string bytes = readBytes(corpus + plain);
        CAPTURE(plain);
        CHECK(check.run(bytes.data(), bytes.size()) == CompressedBodyCheck::kNotCompressed);
    }
    CHECK(check.run("", 0) == CompressedBodyCheck::kNotCompressed);
    CHECK(check.run("not a mesh", 10) == CompressedBodyCheck::kNotCompressed);

    for (const Damaged& d : allDamaged()) {
        CAPTURE(d.name);
        CHECK(check.run(d.bytes.data(), d.bytes.size()) == CompressedBodyCheck::kDamaged);
        CHECK(!std::string(check.getFailure()).empty());
    }
}

TEST_CASE("damaged compressed meshes are refused from a plug-in and a file and the editor opens the next one")
{
    TempDir dir;
    const std::string sample = repositoryFile("resources\\sample\\sample.x");
    Model model;
    RecordingPartsList list;
    REQUIRE(model.create(TestDevice::get()) == 1);
    model.setPartsList(&list);
    int n = 0;
    for (const Damaged& d : allDamaged()) {
        CAPTURE(d.name);
        const std::string name = "damaged" + std::to_string(n++);
        const std::string pin = packModel(dir, name, d.bytes);
        REQUIRE(!pin.empty());
        const std::string file = dir.file(name + "\\" + name + ".x");
        for (const std::string& path : {pin, file}) {
            CAPTURE(path);
            LogCapture log;
            CHECK(model.open(path, kFov) == 0);
            CHECK(model.isLoaded() == 0);
            const char* source = path == pin ? "プラグイン" : "ファイル";
            CHECK(LogCapture::countContaining(std::string(source) + kRefused) == 1);
            CHECK(LogCapture::countContaining("）。" + path) == (path == pin ? 2 : 1)); // the refusals name the path
            CHECK(LogCapture::count(kOpenFailed) == 1);
            // Nothing reached the parser, not even the archive's own bytes from the plug-in's path.
            CHECK(LogCapture::countContaining("メッシュ階層") == 0);
            CHECK(LogCapture::countContaining("ファイルのXファイルが読めません") == (path == pin ? 1 : 0));
        }
    }
    REQUIRE(model.open(sample, kFov) == 1);
    CHECK(model.getPartsCount() > 0);
    model.destroy();
}

TEST_CASE("intact compressed meshes open with the parts of their plain twins")
{
    TempDir dir;
    const std::string corpus = corpusFolder();
    const std::string plains[] = {repositoryFile("resources\\sample\\sample.x"), corpus + "\\dx-knot\\knot.x"};
    int n = 0;
    for (const std::string& plainPath : plains) {
        CAPTURE(plainPath);
        const std::string plain = readBytes(plainPath);
        const std::string name = "twin" + std::to_string(n++);
        writeTextFile(dir.file(name + ".x"), plain);
        Model twin;
        REQUIRE(twin.create(TestDevice::get()) == 1);
        REQUIRE(twin.open(dir.file(name + ".x"), kFov) == 1);

        const std::string pin = packModel(dir, name + "z", mszip::compress(plain));
        for (const std::string& path : {pin, dir.file(name + "z\\" + name + "z.x")}) {
            CAPTURE(path);
            Model model;
            REQUIRE(model.create(TestDevice::get()) == 1);
            REQUIRE(model.open(path, kFov) == 1);
            CHECK(model.getFaceCount() == twin.getFaceCount());
            REQUIRE(model.getPartsCount() == twin.getPartsCount());
            for (unsigned k = 0; k < model.getPartsCount(); ++k)
                CHECK(model.getParts(k).makeSaveData() == twin.getParts(k).makeSaveData());
            model.destroy();
        }
        twin.destroy();
    }
}
