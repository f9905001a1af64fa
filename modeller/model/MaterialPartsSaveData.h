#pragma once

#include <cstdint>
#include <vector>

// A subset's record inside a part record: 32 bytes of little-endian words
// {size, first face, face count, solid count, 16 reserved zero bytes}.
// The size word and the reserved bytes are written but never read.
struct MaterialPartsSaveData {
    static constexpr unsigned kSize = 32;

    uint32_t firstFace = 0;
    uint32_t faceCount = 0;
    uint32_t solidCount = 0;

    // Appends the kSize bytes of the record.
    void encode(std::vector<char>& out) const;
    // bytes points at kSize bytes.
    static MaterialPartsSaveData decode(const char* bytes);
};
