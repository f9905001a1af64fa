#include "PlugInData.h"

#include <algorithm>
#include <string>

namespace {
const char kKeyPhrase[] = "川辺町北野すずめ橋広場朝市坂";
constexpr size_t kKeyLength = std::char_traits<char>::length(kKeyPhrase);
// A whole number of key lengths: every block starts at key byte 0.
constexpr size_t kBlockSize = kKeyLength * 16;
}

void scramblePlugInData(std::vector<char>& data)
{
    char stream[kBlockSize];
    for (size_t i = 0; i < kBlockSize; ++i)
        stream[i] = char(kKeyPhrase[i % kKeyLength] ^ 0xAA);
    char* bytes = data.data();
    const size_t size = data.size();
    for (size_t start = 0; start < size; start += kBlockSize) {
        const size_t length = std::min(kBlockSize, size - start);
        for (size_t i = 0; i < length; ++i)
            bytes[start + i] ^= stream[i];
    }
}
