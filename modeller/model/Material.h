#pragma once

#include <d3dx9.h>

#include <memory>
#include <string>

// The mesh's materials as set on the device, at most one texture each, and a
// fixed white default material for the unfilled-face wireframe.
class Material {
public:
    Material();
    ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // Always 1. Textures are taken from the plug-in archive at meshPath, a
    // resource of the program, or a file beside meshPath, in that order.
    int create(const std::string& meshPath, const D3DXMATERIAL* materials, unsigned count, IDirect3DDevice9* device);
    void release();

    // The index must be below the count.
    void apply(unsigned index);
    void applyDefault();
    HRESULT applyWithoutTexture(unsigned index);
    void clearTexture();

    // Each stores a created texture in slot index; 1 on success, 0 on failure.
    int loadTextureFromPlugIn(const char* name, unsigned index);
    int loadTextureFromResource(const char* name, unsigned index);
    int loadTextureFromFile(const char* name, unsigned index);
    // All three sources in order; always 1.
    int loadTexture(const char* name, unsigned index);

    unsigned getCount() const { return count_; }
    const D3DMATERIAL9& getMaterial(unsigned index) const { return materials_[index]; }
    IDirect3DTexture9* getTexture(unsigned index) const { return textures_[index]; }
    const D3DMATERIAL9& getDefaultMaterial() const { return defaultMaterial_; }
    const std::string& getMeshPath() const { return meshPath_; }
    bool isCreated() const { return materials_ != nullptr; }

private:
    void storeTexture(unsigned index, IDirect3DTexture9* texture);

    std::string meshPath_;
    IDirect3DDevice9* device_ = nullptr;
    unsigned count_ = 0;
    std::unique_ptr<D3DMATERIAL9[]> materials_;
    std::unique_ptr<IDirect3DTexture9*[]> textures_;
    D3DMATERIAL9 defaultMaterial_;
};
