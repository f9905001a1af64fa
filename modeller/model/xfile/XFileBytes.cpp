#include "XFileBytes.h"

#include "CompressedBodyCheck.h"
#include "LoaderTemplates.h"
#include "XBodyReader.h"
#include "XTokenizer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr size_t kHeaderSize = 16; // "xof " version(4) format(4) float size(4)
constexpr size_t kFormatAt = 8;
constexpr size_t kFloatSizeAt = 12;
constexpr size_t kMaxBytes = size_t(256) << 20; // what the parser is given at most
constexpr uint64_t kMaxGrowth = 8;              // the edited body at most this many times the body

bool formatIs(const char* header, const char* format)
{
    return std::memcmp(header + kFormatAt, format, 4) == 0;
}

}

XFileBytes::Result XFileBytes::prepare(const void* data, size_t size)
{
    bytes_.clear();
    failure_ = "";
    meshCount_ = 0;
    nestedTransforms_ = false;
    repairedLists_ = 0;
    try {
        return prepareBody(static_cast<const char*>(data), size);
    } catch (const std::bad_alloc&) {
        return fail(kUnreadable, "メモリが足りない");
    } catch (...) {
        return fail(kUnreadable, "読み込み中の例外");
    }
}

// The header says the encoding; a compressed body is inflated first.
XFileBytes::Result XFileBytes::prepareBody(const char* header, size_t size)
{
    if (!header || size < kHeaderSize || std::memcmp(header, "xof ", 4) != 0)
        return fail(kUnreadable, "Xファイルのヘッダがない");
    const bool compressed = formatIs(header, "tzip") || formatIs(header, "bzip");
    const bool binary = formatIs(header, "bin ") || formatIs(header, "bzip");
    if (!compressed && !binary && !formatIs(header, "txt "))
        return fail(kUnreadable, "知らない形式");
    const bool doubles = std::memcmp(header + kFloatSizeAt, "0064", 4) == 0;
    if (!doubles && std::memcmp(header + kFloatSizeAt, "0032", 4) != 0)
        return fail(kUnreadable, "知らない浮動小数点のサイズ");

    CompressedBodyCheck check;
    if (compressed && check.run(header, size) != CompressedBodyCheck::kIntact)
        return fail(kDamagedCompression, check.getFailure());
    const char* body = compressed ? check.getBody().data() : header + kHeaderSize;
    const size_t bodySize = compressed ? check.getBody().size() : size - kHeaderSize;
    return assemble(header, body, bodySize, binary, doubles, compressed);
}

// The header, the templates, then the body with the reader's edits.
XFileBytes::Result XFileBytes::assemble(const char* header, const char* body, size_t bodySize, bool binary,
                                        bool doubles, bool compressed)
{
    const std::string& templates = loaderTemplates(binary);
    const uint64_t limit = std::min<uint64_t>(kMaxBytes - kHeaderSize - templates.size(), bodySize * kMaxGrowth);
    XTokenizer tokens(body, bodySize, binary, doubles ? 8 : 4);
    XBodyReader reader(tokens, bodySize, size_t(limit));
    if (!reader.read())
        return fail(kUnreadable, reader.getFailure());

    bytes_.reserve(kHeaderSize + templates.size() + reader.getOutputSize());
    bytes_.insert(bytes_.end(), header, header + kHeaderSize);
    if (compressed)
        std::memcpy(bytes_.data() + kFormatAt, binary ? "bin " : "txt ", 4);
    if (binary && doubles)
        std::memcpy(bytes_.data() + kFloatSizeAt, "0032", 4);
    bytes_.insert(bytes_.end(), templates.begin(), templates.end());
    size_t at = 0;
    for (const XBodyEdit& edit : reader.getEdits()) {
        if (edit.begin < at || edit.end < edit.begin || edit.end > bodySize)
            return fail(kUnreadable, "編集が重なる");
        bytes_.insert(bytes_.end(), body + at, body + edit.begin);
        bytes_.insert(bytes_.end(), edit.bytes.begin(), edit.bytes.end());
        at = edit.end;
    }
    bytes_.insert(bytes_.end(), body + at, body + bodySize);
    meshCount_ = reader.getMeshCount();
    nestedTransforms_ = reader.hasNestedTransforms();
    repairedLists_ = reader.getRepairedLists();
    return kReady;
}

XFileBytes::Result XFileBytes::fail(Result result, const char* what)
{
    failure_ = what;
    bytes_.clear();
    return result;
}
