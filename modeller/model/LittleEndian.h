#pragma once

#include <cstdint>

// Little-endian 16- and 32-bit words in work-file records and .x bodies; the
// bytes are a std::vector<char> or a std::string.
template <typename Bytes>
void appendWord(Bytes& data, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        data.push_back(char((value >> (8 * i)) & 0xFF));
}

inline uint32_t readWord(const char* bytes)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

template <typename Bytes>
void appendHalfWord(Bytes& data, uint16_t value)
{
    data.push_back(char(value & 0xFF));
    data.push_back(char(value >> 8));
}

inline uint16_t readHalfWord(const char* bytes)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    return uint16_t(b[0] | b[1] << 8);
}
