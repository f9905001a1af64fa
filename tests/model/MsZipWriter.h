#pragma once

// Writes the compressed form of .x bytes for tests: the header with "tzip" or
// "bzip", the stated size (header included), then blocks of at most 32 KB, each
// its sizes, "CK" and raw deflate with the previous block as its dictionary.

#include <zlib.h>

#include <string>

namespace mszip {

constexpr size_t kBlock = 32768;

inline void putLittle(std::string& out, unsigned long value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

inline std::string deflateBlock(const std::string& block, const std::string& dictionary)
{
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (!dictionary.empty())
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()), uInt(dictionary.size()));
    std::string out(deflateBound(&stream, uLong(block.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
    stream.avail_in = uInt(block.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// plain: a whole text or binary .x file ("xof 0303txt 0032..." or "...bin ...").
inline std::string compress(const std::string& plain)
{
    std::string out = plain.substr(0, 16);
    out.replace(8, 4, plain.compare(8, 3, "txt") == 0 ? "tzip" : "bzip");
    putLittle(out, static_cast<unsigned long>(plain.size()), 4);
    std::string previous;
    for (size_t at = 16; at < plain.size(); at += kBlock) {
        const std::string block = plain.substr(at, kBlock);
        const std::string packed = deflateBlock(block, previous);
        putLittle(out, static_cast<unsigned long>(block.size()), 2);
        putLittle(out, static_cast<unsigned long>(packed.size() + 2), 2);
        out += "CK" + packed;
        previous = block;
    }
    return out;
}

}
