#include "MaterialPartsSaveData.h"

#include "LittleEndian.h"

void MaterialPartsSaveData::encode(std::vector<char>& out) const
{
    for (uint32_t word : {uint32_t(kSize), firstFace, faceCount, solidCount})
        appendWord(out, word);
    out.insert(out.end(), 16, '\0');
}

MaterialPartsSaveData MaterialPartsSaveData::decode(const char* bytes)
{
    MaterialPartsSaveData data;
    data.firstFace = readWord(bytes + 4);
    data.faceCount = readWord(bytes + 8);
    data.solidCount = readWord(bytes + 12);
    return data;
}
