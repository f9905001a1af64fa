#include "Material.h"

#include "ComRef.h"
#include "archive/PlugInReader.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <vector>

namespace {
// The last component of a texture name: maps/wood.bmp gives wood.bmp.
std::string bareFileName(const char* name)
{
    std::string bare;
    gfl::Path(name).getFileName(bare);
    return bare;
}
}

Material::Material()
{
    ZeroMemory(&defaultMaterial_, sizeof defaultMaterial_);
    defaultMaterial_.Diffuse.r = defaultMaterial_.Diffuse.g = defaultMaterial_.Diffuse.b = 1.0f;
    defaultMaterial_.Ambient.r = defaultMaterial_.Ambient.g = defaultMaterial_.Ambient.b = 1.0f;
}

Material::~Material()
{
    release();
}

int Material::create(const std::string& meshPath, const D3DXMATERIAL* materials, unsigned count,
                     IDirect3DDevice9* device)
{
    release();
    meshPath_ = meshPath;
    device_ = device;
    count_ = count;

    // Both arrays or neither: a failed second allocation frees the first.
    std::unique_ptr<D3DMATERIAL9[]> newMaterials(new D3DMATERIAL9[count]);
    std::unique_ptr<IDirect3DTexture9*[]> newTextures(new IDirect3DTexture9*[count]());
    materials_ = std::move(newMaterials);
    textures_ = std::move(newTextures);

    for (unsigned i = 0; i < count; ++i) {
        materials_[i] = materials[i].MatD3D;
        materials_[i].Ambient = materials_[i].Diffuse;
        loadTexture(materials[i].pTextureFilename, i);
    }
    Logger::getInstance().print(3, "マテリアル作成。");
    return 1;
}

void Material::release()
{
    if (materials_) {
        materials_.reset();
        Logger::getInstance().print(3, "マテリアル破棄。");
    }
    if (textures_) {
        for (unsigned i = 0; i < count_; ++i)
            releaseInterface(textures_[i]);
        textures_.reset();
    }
}

void Material::apply(unsigned index)
{
    device_->SetMaterial(&materials_[index]);
    device_->SetTexture(0, textures_[index]);
}

void Material::applyDefault()
{
    device_->SetMaterial(&defaultMaterial_);
    device_->SetTexture(0, nullptr);
}

HRESULT Material::applyWithoutTexture(unsigned index)
{
    device_->SetMaterial(&materials_[index]);
    return device_->SetTexture(0, nullptr);
}

void Material::clearTexture()
{
    device_->SetTexture(0, nullptr);
}

void Material::storeTexture(unsigned index, IDirect3DTexture9* texture)
{
    releaseInterface(textures_[index]);
    textures_[index] = texture;
}

int Material::loadTexture(const char* name, unsigned index)
{
    if (!name || !name[0])
        return 1;
    if (!loadTextureFromPlugIn(name, index) && !loadTextureFromResource(name, index))
        loadTextureFromFile(name, index);
    return 1;
}

int Material::loadTextureFromPlugIn(const char* name, unsigned index)
{
    Logger& log = Logger::getInstance();
    PlugInReader reader;
    if (!reader.open(meshPath_.c_str())) {
        log.print(2, "テクスチャの読み込み用プラグインオープンに失敗しました。%s", meshPath_.c_str());
        return 0;
    }
    const std::string bare = bareFileName(name);
    std::vector<char> data;
    if (!reader.readFile(bare.c_str(), data)) {
        log.print(2, "プラグインからテクスチャの読み込みに失敗しました。%s", bare.c_str());
        return 0;
    }
    IDirect3DTexture9* texture = nullptr;
    // An empty entry is no image; D3DX must not see a pointer into an empty vector.
    if (data.empty() || FAILED(D3DXCreateTextureFromFileInMemory(device_, data.data(), UINT(data.size()), &texture))) {
        log.print(2, "プラグインからテクスチャの作成に失敗しました。%s", bare.c_str());
        return 0;
    }
    storeTexture(index, texture);
    log.print(3, "プラグインからテクスチャを読み込みました。%s", bare.c_str());
    return 1;
}

int Material::loadTextureFromResource(const char* name, unsigned index)
{
    Logger& log = Logger::getInstance();
    const std::string bare = bareFileName(name);
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTextureFromResourceA(device_, GetModuleHandleA(nullptr), bare.c_str(), &texture))) {
        log.print(2, "リソースからテクスチャの読み込みに失敗しました。%s", bare.c_str());
        return 0;
    }
    storeTexture(index, texture);
    log.print(3, "リソースからテクスチャを読み込みました。%s", bare.c_str());
    return 1;
}

int Material::loadTextureFromFile(const char* name, unsigned index)
{
    Logger& log = Logger::getInstance();
    gfl::Path path(meshPath_);
    path.toParent();
    path.combine(name);
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture))) {
        log.print(2, "ファイルからテクスチャの読み込みに失敗しました。%s", path.c_str());
        return 0;
    }
    storeTexture(index, texture);
    log.print(3, "ファイルからテクスチャを読み込みました。%s", path.c_str());
    return 1;
}
