#include "CompressedBodyCheck.h"

#include "modeller/model/LittleEndian.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kStatedSizeBytes = 4;
constexpr size_t kBlockHeaderBytes = 4; // uncompressed size, compressed size with "CK"
constexpr size_t kMaxBlockSize = 32768;
constexpr unsigned long kMaxBodySize = 256ul * 1024 * 1024;

bool isCompressedHeader(const unsigned char* bytes, size_t size)
{
    return size >= kHeaderSize && std::memcmp(bytes, "xof ", 4) == 0
           && (std::memcmp(bytes + 8, "bzip", 4) == 0 || std::memcmp(bytes + 8, "tzip", 4) == 0);
}

// Raw deflate, one MSZIP block at a time.
class BlockInflater {
public:
    BlockInflater() { ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    ~BlockInflater()
    {
        if (ready_)
            inflateEnd(&stream_);
    }
    BlockInflater(const BlockInflater&) = delete;
    BlockInflater& operator=(const BlockInflater&) = delete;

    // 1 when the packed bytes are one complete deflate stream giving exactly size bytes.
    int inflateBlock(const unsigned char* packed, size_t packedSize, const unsigned char* dictionary,
                     size_t dictionarySize, unsigned char* out, size_t size)
    {
        if (!ready_ || inflateReset(&stream_) != Z_OK)
            return 0;
        if (dictionarySize && inflateSetDictionary(&stream_, dictionary, uInt(dictionarySize)) != Z_OK)
            return 0;
        stream_.next_in = const_cast<Bytef*>(packed);
        stream_.avail_in = uInt(packedSize);
        stream_.next_out = out;
        stream_.avail_out = uInt(size);
        const int result = inflate(&stream_, Z_FINISH);
        return result == Z_STREAM_END && stream_.avail_out == 0 && stream_.avail_in == 0 ? 1 : 0;
    }

private:
    z_stream stream_ = {};
    bool ready_ = false;
};

}

CompressedBodyCheck::Result CompressedBodyCheck::run(const void* data, size_t size)
{
    failure_ = "";
    body_.clear();
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const char* chars = static_cast<const char*>(data);
    if (!bytes || !isCompressedHeader(bytes, size))
        return kNotCompressed;
    if (size < kHeaderSize + kStatedSizeBytes)
        return fail("展開後のサイズがありません");
    const unsigned long stated = readWord(chars + kHeaderSize);
    if (stated < kHeaderSize)
        return fail("展開後のサイズがヘッダより小さい");
    if (stated > kMaxBodySize)
        return fail("展開後のサイズが大きすぎる");
    unsigned long remaining = stated - kHeaderSize; // the stated size counts the header
    size_t at = kHeaderSize + kStatedSizeBytes;

    BlockInflater inflater;
    size_t previous = 0; // where the last block's output begins in the body
    while (remaining > 0) {
        if (size - at < kBlockHeaderBytes)
            return fail("展開後のサイズに届く前にデータが終わる");
        const size_t blockSize = readHalfWord(chars + at);
        const size_t packedSize = readHalfWord(chars + at + 2);
        at += kBlockHeaderBytes;
        if (blockSize == 0 || blockSize > kMaxBlockSize || blockSize > remaining)
            return fail("ブロックのサイズが展開後のサイズに合わない");
        if (packedSize < 3 || packedSize > size - at)
            return fail("ブロックがデータの終わりを越える");
        if (bytes[at] != 'C' || bytes[at + 1] != 'K')
            return fail("ブロックにCKの署名がない");
        const size_t done = body_.size();
        body_.resize(done + blockSize);
        unsigned char* out = reinterpret_cast<unsigned char*>(body_.data()) + done;
        if (!inflater.inflateBlock(bytes + at + 2, packedSize - 2, out - (done - previous), done - previous, out,
                                   blockSize))
            return fail("ブロックがそのサイズに展開できない");
        at += packedSize;
        remaining -= blockSize;
        previous = done;
    }
    if (at != size)
        return fail("最後のブロックの後にデータが残る");
    return kIntact;
}

CompressedBodyCheck::Result CompressedBodyCheck::fail(const char* what)
{
    failure_ = what;
    body_.clear();
    return kDamaged;
}
