#include "TempDir.h"
#include "LogCapture.h"
#include "TestDevice.h"
#include "archive/MessageBox.h"
#include "archive/PlugInMaker.h"
#include "gfl/File.h"
#include "gfl/Logger.h"
#include "modeller/model/Material.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
void writeFile(const std::string& path, const std::string& bytes)
{
    REQUIRE(gfl::File(path.c_str()).writeAll(bytes.data(), DWORD(bytes.size())) == S_OK);
}

void put32(std::string& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// A 24-bit bottom-up bitmap of one grey.
std::string bitmap(int width, int height)
{
    const DWORD rowSize = DWORD(width * 3 + 3) & ~3u;
    const DWORD pixelBytes = rowSize * DWORD(height);
    std::string out = "BM";
    put32(out, 54 + pixelBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, DWORD(width));
    put32(out, DWORD(height));
    out += std::string("\x01\x00\x18\x00", 4);
    put32(out, 0);
    put32(out, pixelBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    out += std::string(pixelBytes, '\x80');
    return out;
}

void ignoreMessage(const char*, const char*) {}

// dir\cube.pin packed from dir\cube (cube.x, wood.bmp 2x2, an empty blank.bmp), with
// 4x4 images of both texture names beside the archive.
struct PackedCube {
    TempDir dir;
    std::string pin = dir.file("cube.pin");
    PackedCube()
    {
        setMessageFunction(ignoreMessage);
        const std::string folder = dir.file("cube");
        CreateDirectoryA(folder.c_str(), nullptr);
        writeFile(folder + "\\cube.x", "xof 0303txt 0032\n");
        writeFile(folder + "\\wood.bmp", bitmap(2, 2));
        writeFile(folder + "\\blank.bmp", "");
        REQUIRE(makePlugIn(folder.c_str()) == 1);
        writeFile(dir.file("wood.bmp"), bitmap(4, 4));
        writeFile(dir.file("blank.bmp"), bitmap(4, 4));
    }
};

D3DXMATERIAL record(const char* textureName, float shade = 0.5f)
{
    D3DXMATERIAL material = {};
    material.MatD3D.Diffuse = {shade, 0.25f, 0.125f, 0.75f};
    material.MatD3D.Ambient = {0.9f, 0.8f, 0.7f, 0.6f};
    material.MatD3D.Specular = {0.1f, 0.2f, 0.3f, 0.4f};
    material.MatD3D.Emissive = {0.05f, 0.06f, 0.07f, 0.08f};
    material.MatD3D.Power = 12.0f;
    material.pTextureFilename = const_cast<char*>(textureName);
    return material;
}

UINT textureWidth(IDirect3DTexture9* texture)
{
    D3DSURFACE_DESC desc = {};
    REQUIRE(texture != nullptr);
    REQUIRE(SUCCEEDED(texture->GetLevelDesc(0, &desc)));
    return desc.Width;
}

bool sameMaterial(const D3DMATERIAL9& a, const D3DMATERIAL9& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameColour(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

IDirect3DBaseTexture9* stageTexture(IDirect3DDevice9* device)
{
    IDirect3DBaseTexture9* texture = nullptr;
    REQUIRE(SUCCEEDED(device->GetTexture(0, &texture)));
    if (texture)
        texture->Release();
    return texture;
}

D3DMATERIAL9 deviceMaterial(IDirect3DDevice9* device)
{
    D3DMATERIAL9 material = {};
    REQUIRE(SUCCEEDED(device->GetMaterial(&material)));
    return material;
}

D3DMATERIAL9 whiteDefault()
{
    D3DMATERIAL9 material = {};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    return material;
}
}

TEST_CASE("an archive entry of the texture's bare name wins over the file beside the archive")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    LogCapture log;
    const D3DXMATERIAL records[] = {record("wood.bmp"), record("maps/wood.bmp"), record("MAPS\\WOOD.BMP")};
    Material material;
    REQUIRE(material.create(cube.pin, records, 3, device) == 1);
    REQUIRE(material.getCount() == 3u);
    for (unsigned i = 0; i < 3; ++i) {
        CAPTURE(records[i].pTextureFilename);
        CHECK(textureWidth(material.getTexture(i)) == 2u);
    }
    CHECK(LogCapture::count("プラグインからテクスチャを読み込みました。wood.bmp") == 2);
    CHECK(LogCapture::count("プラグインからテクスチャを読み込みました。WOOD.BMP") == 1);
    CHECK(LogCapture::countContaining("リソースから") == 0);
    CHECK(LogCapture::countContaining("ファイルから") == 0);
    CHECK(LogCapture::count("マテリアル作成。") == 1);
}

TEST_CASE("a zero-byte archive entry is a failed creation and the file beside the archive is taken")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    LogCapture log;
    const D3DXMATERIAL records[] = {record("blank.bmp")};
    Material material;
    REQUIRE(material.create(cube.pin, records, 1, device) == 1);
    CHECK(textureWidth(material.getTexture(0)) == 4u);
    CHECK(LogCapture::count("プラグインからテクスチャの作成に失敗しました。blank.bmp") == 1);
    CHECK(LogCapture::count("リソースからテクスチャの読み込みに失敗しました。blank.bmp") == 1);
    CHECK(LogCapture::count("ファイルからテクスチャを読み込みました。" + cube.dir.file("blank.bmp")) == 1);
}

TEST_CASE("a mesh from an .x file finds its texture relative to the mesh's folder after the other sources")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    TempDir dir;
    const std::string folder = dir.file("rock");
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\tex").c_str(), nullptr);
    const std::string mesh = folder + "\\rock.x";
    writeFile(mesh, "xof 0303txt 0032\n");
    writeFile(folder + "\\tex\\stone.bmp", bitmap(4, 4));
    LogCapture log;

    const D3DXMATERIAL records[] = {record("tex\\stone.bmp")};
    Material material;
    REQUIRE(material.create(mesh, records, 1, device) == 1);
    CHECK(textureWidth(material.getTexture(0)) == 4u);
    const std::vector<std::string> expected = {
        "テクスチャの読み込み用プラグインオープンに失敗しました。" + mesh,
        "リソースからテクスチャの読み込みに失敗しました。stone.bmp",
        "ファイルからテクスチャを読み込みました。" + folder + "\\tex\\stone.bmp",
    };
    std::vector<std::string> seen;
    for (const std::string& line : LogCapture::lines())
        if (line.find("テクスチャ") != std::string::npos)
            seen.push_back(line);
    CHECK(seen == expected);
}

TEST_CASE("a texture found nowhere or not named leaves its slot empty and keeps the material")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    LogCapture log;
    const D3DXMATERIAL records[] = {record(nullptr, 0.1f), record("", 0.2f), record("missing.bmp", 0.3f)};
    Material material;
    REQUIRE(material.create(cube.pin, records, 3, device) == 1);
    REQUIRE(material.getCount() == 3u);
    for (unsigned i = 0; i < 3; ++i) {
        CHECK(material.getTexture(i) == nullptr);
        CHECK(material.getMaterial(i).Diffuse.r == records[i].MatD3D.Diffuse.r);
    }
    // Only the missing name produces texture lines: one per source.
    CHECK(LogCapture::countContaining("テクスチャ") == 3);
    CHECK(LogCapture::count("プラグインからテクスチャの読み込みに失敗しました。missing.bmp") == 1);
    CHECK(LogCapture::count("リソースからテクスチャの読み込みに失敗しました。missing.bmp") == 1);
    CHECK(LogCapture::count("ファイルからテクスチャの読み込みに失敗しました。" + cube.dir.file("missing.bmp")) == 1);
}

TEST_CASE("materials take Ambient from Diffuse and the default material is white with zero alpha")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    Material material;
    CHECK(sameMaterial(material.getDefaultMaterial(), whiteDefault()));

    TempDir dir;
    const D3DXMATERIAL records[] = {record(nullptr, 0.5f), record(nullptr, 1.0f)};
    REQUIRE(material.create(dir.file("none.x"), records, 2, device) == 1);
    for (unsigned i = 0; i < 2; ++i) {
        const D3DMATERIAL9& made = material.getMaterial(i);
        const D3DMATERIAL9& loaded = records[i].MatD3D;
        CHECK(sameColour(made.Diffuse, loaded.Diffuse));
        CHECK(sameColour(made.Ambient, loaded.Diffuse));
        CHECK(sameColour(made.Specular, loaded.Specular));
        CHECK(sameColour(made.Emissive, loaded.Emissive));
        CHECK(made.Power == loaded.Power);
    }
    CHECK(sameMaterial(material.getDefaultMaterial(), whiteDefault()));
    CHECK(material.getMeshPath() == dir.file("none.x"));
}

TEST_CASE("release frees the textures once however often it runs and create releases the previous set")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    const D3DXMATERIAL records[] = {record("wood.bmp")};
    Material material;
    REQUIRE(material.create(cube.pin, records, 1, device) == 1);
    IDirect3DTexture9* first = material.getTexture(0);
    REQUIRE(first != nullptr);
    first->AddRef();

    LogCapture log;
    REQUIRE(material.create(cube.pin, records, 1, device) == 1);
    CHECK(LogCapture::count("マテリアル破棄。") == 1);
    CHECK(first->Release() == 0);
    IDirect3DTexture9* second = material.getTexture(0);
    REQUIRE(second != nullptr);
    second->AddRef();

    LogCapture::clear();
    material.release();
    material.release();
    CHECK_FALSE(material.isCreated());
    CHECK(LogCapture::count("マテリアル破棄。") == 1);
    CHECK(second->Release() == 0);
    CHECK(material.getCount() == 1u);
}

TEST_CASE("apply and its variants set the device material and stage-0 texture")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    const D3DXMATERIAL records[] = {record("wood.bmp", 0.5f), record(nullptr, 0.75f)};
    Material material;
    REQUIRE(material.create(cube.pin, records, 2, device) == 1);
    IDirect3DBaseTexture9* wood = material.getTexture(0);
    REQUIRE(wood != nullptr);

    material.apply(0);
    CHECK(sameMaterial(deviceMaterial(device), material.getMaterial(0)));
    CHECK(stageTexture(device) == wood);

    material.apply(1);
    CHECK(sameMaterial(deviceMaterial(device), material.getMaterial(1)));
    CHECK(stageTexture(device) == nullptr);

    material.apply(0);
    material.applyDefault();
    CHECK(sameMaterial(deviceMaterial(device), whiteDefault()));
    CHECK(stageTexture(device) == nullptr);

    material.apply(0);
    material.clearTexture();
    CHECK(sameMaterial(deviceMaterial(device), material.getMaterial(0)));
    CHECK(stageTexture(device) == nullptr);

    material.apply(1);
    material.apply(0);
    CHECK(material.applyWithoutTexture(1) == D3D_OK);
    CHECK(sameMaterial(deviceMaterial(device), material.getMaterial(1)));
    CHECK(stageTexture(device) == nullptr);
}

TEST_CASE("each texture source works alone and loadTexture chains them for one slot")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device != nullptr);
    PackedCube cube;
    const D3DXMATERIAL records[] = {record(nullptr), record(nullptr), record(nullptr)};
    Material material;
    REQUIRE(material.create(cube.pin, records, 3, device) == 1);

    CHECK(material.loadTextureFromResource("wood.bmp", 0) == 0);
    CHECK(material.getTexture(0) == nullptr);
    CHECK(material.loadTextureFromPlugIn("missing.bmp", 0) == 0);
    CHECK(material.loadTextureFromFile("missing.bmp", 0) == 0);
    CHECK(material.getTexture(0) == nullptr);
    REQUIRE(material.loadTextureFromPlugIn("wood.bmp", 0) == 1);
    CHECK(textureWidth(material.getTexture(0)) == 2u);
    REQUIRE(material.loadTextureFromFile("wood.bmp", 1) == 1);
    CHECK(textureWidth(material.getTexture(1)) == 4u);

    CHECK(material.loadTexture(nullptr, 2) == 1);
    CHECK(material.loadTexture("", 2) == 1);
    CHECK(material.loadTexture("missing.bmp", 2) == 1);
    CHECK(material.getTexture(2) == nullptr);
    REQUIRE(material.loadTexture("maps/wood.bmp", 2) == 1);
    IDirect3DTexture9* replaced = material.getTexture(2);
    CHECK(textureWidth(replaced) == 2u);

    // A new texture in an occupied slot releases the old one.
    replaced->AddRef();
    REQUIRE(material.loadTexture("blank.bmp", 2) == 1);
    CHECK(textureWidth(material.getTexture(2)) == 4u);
    CHECK(replaced->Release() == 0);
}
