#pragma once

#include "MaterialPartsSaveData.h"

#include <cstdint>
#include <string>
#include <vector>

// A part's record in a work file. Little-endian: a 40-byte header {header size,
// name length, subset count, face count, current flag, visible flag, 16 reserved
// zero bytes}, the name's bytes (no NUL), three 16-bit indices per face, then
// one subset record per subset.
struct PartsSaveData {
    static constexpr unsigned kHeaderSize = 40;

    std::string name;
    uint32_t current = 0;
    uint32_t visible = 0;
    std::vector<uint16_t> indices; // three per face, in buffer order
    std::vector<MaterialPartsSaveData> subsets;

    uint32_t faceCount() const { return uint32_t(indices.size() / 3); }
    std::vector<char> encode() const;
    // Reads a record only within its bytes; false when it is shorter than its
    // header or than the header announces. The header-size word is where the
    // name begins.
    static bool decode(const std::vector<char>& bytes, PartsSaveData& out);
};
