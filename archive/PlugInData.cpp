#include "PlugInData.h"

#include <cstring>

namespace {
const char kKeyPhrase[] = "川辺町北野すずめ橋広場朝市坂";
}

void scramblePlugInData(std::vector<char>& data)
{
    const size_t keyLength = std::strlen(kKeyPhrase);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(data[i] ^ kKeyPhrase[i % keyLength] ^ 0xAA);
}
