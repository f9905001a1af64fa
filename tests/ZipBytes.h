#pragma once

#include "gfl/File.h"

#include <doctest/doctest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// A zip archive read and patched as bytes, without minizip, to see what the writers stored.
namespace zipbytes {

inline std::string readAll(const std::string& path)
{
    std::vector<char> buffer(1 << 20);
    DWORD size = 0;
    gfl::File(path.c_str()).readAll(buffer.data(), DWORD(buffer.size()), &size);
    return std::string(buffer.data(), size);
}

inline void writeAll(const std::string& path, const std::string& bytes)
{
    REQUIRE(gfl::File(path.c_str()).writeAll(bytes.data(), DWORD(bytes.size())) == S_OK);
}

inline unsigned get16(const std::string& bytes, size_t at)
{
    return unsigned(uint8_t(bytes.at(at))) | unsigned(uint8_t(bytes.at(at + 1))) << 8;
}

inline unsigned get32(const std::string& bytes, size_t at)
{
    return get16(bytes, at) | get16(bytes, at + 2) << 16;
}

inline void put32(std::string& bytes, size_t at, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = char(value >> (8 * i));
}

// The end record: its offset, the comment bytes as stored.
inline size_t endRecord(const std::string& zip)
{
    const size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    REQUIRE(end != std::string::npos);
    return end;
}

inline std::string comment(const std::string& zip)
{
    const size_t end = endRecord(zip);
    return zip.substr(end + 22, get16(zip, end + 20));
}

struct Entry {
    std::string name;
    unsigned method, localMethod, crc, compressed, uncompressed;
    size_t central, local; // offsets of the two headers
};

// The central directory's entries in their stored order.
inline std::vector<Entry> entries(const std::string& zip)
{
    const size_t end = endRecord(zip);
    std::vector<Entry> found;
    size_t at = get32(zip, end + 16);
    for (unsigned i = 0; i < get16(zip, end + 10); ++i) {
        REQUIRE(get32(zip, at) == 0x02014b50u);
        Entry e{zip.substr(at + 46, get16(zip, at + 28)),
                get16(zip, at + 10),
                0,
                get32(zip, at + 16),
                get32(zip, at + 20),
                get32(zip, at + 24),
                at,
                get32(zip, at + 42)};
        REQUIRE(get32(zip, e.local) == 0x04034b50u);
        e.localMethod = get16(zip, e.local + 8);
        found.push_back(e);
        at += 46 + get16(zip, at + 28) + get16(zip, at + 30) + get16(zip, at + 32);
    }
    return found;
}

inline Entry entry(const std::string& zip, const std::string& name)
{
    for (const Entry& e : entries(zip))
        if (e.name == name)
            return e;
    FAIL("no entry " << name);
    return {};
}

// The entry's bytes as the zip layer holds them, inflated here.
inline std::string storedData(const std::string& zip, const Entry& e)
{
    const size_t data = e.local + 30 + get16(zip, e.local + 26) + get16(zip, e.local + 28);
    std::string out(e.uncompressed, '\0');
    z_stream stream{};
    REQUIRE(inflateInit2(&stream, -MAX_WBITS) == Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    stream.avail_in = e.compressed;
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    CHECK(result == Z_STREAM_END);
    return out;
}

// The CRC-32 and the uncompressed size stand in the local header and again in the central one.
inline void setCrc(std::string& zip, const Entry& e, unsigned crc)
{
    put32(zip, e.local + 14, crc);
    put32(zip, e.central + 16, crc);
}

inline void setUncompressedSize(std::string& zip, const Entry& e, unsigned size)
{
    put32(zip, e.local + 22, size);
    put32(zip, e.central + 24, size);
}

}
