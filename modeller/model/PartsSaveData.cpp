#include "PartsSaveData.h"

#include "LittleEndian.h"

std::vector<char> PartsSaveData::encode() const
{
    std::vector<char> out;
    out.reserve(1024);
    for (uint32_t word :
         {uint32_t(kHeaderSize), uint32_t(name.size()), uint32_t(subsets.size()), faceCount(), current, visible})
        appendWord(out, word);
    out.insert(out.end(), 16, '\0');
    out.insert(out.end(), name.begin(), name.end());
    for (uint16_t index : indices)
        appendHalfWord(out, index);
    for (const MaterialPartsSaveData& subset : subsets)
        subset.encode(out);
    return out;
}

bool PartsSaveData::decode(const std::vector<char>& bytes, PartsSaveData& out)
{
    if (bytes.size() < kHeaderSize)
        return false;
    const char* data = bytes.data();
    const uint32_t nameOffset = readWord(data);
    const uint32_t nameLength = readWord(data + 4);
    const uint32_t subsetCount = readWord(data + 8);
    const uint32_t faceCount = readWord(data + 12);
    const uint64_t indexOffset = uint64_t(nameOffset) + nameLength;
    const uint64_t subsetOffset = indexOffset + 6ull * faceCount;
    if (subsetOffset + uint64_t(MaterialPartsSaveData::kSize) * subsetCount > bytes.size())
        return false;

    out.current = readWord(data + 16);
    out.visible = readWord(data + 20);
    out.name.assign(data + nameOffset, nameLength);
    out.indices.resize(size_t(faceCount) * 3);
    for (size_t i = 0; i < out.indices.size(); ++i)
        out.indices[i] = readHalfWord(data + indexOffset + i * 2);
    out.subsets.resize(subsetCount);
    const char* subset = data + subsetOffset;
    for (MaterialPartsSaveData& record : out.subsets) {
        record = MaterialPartsSaveData::decode(subset);
        subset += MaterialPartsSaveData::kSize;
    }
    return true;
}
