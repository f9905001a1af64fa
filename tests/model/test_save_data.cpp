#include "MeshFixtures.h"
#include "TestDevice.h"
#include "modeller/model/MaterialPartsSaveData.h"
#include "modeller/model/Parts.h"
#include "modeller/model/PartsSaveData.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace {
std::vector<char> bytes(std::initializer_list<std::vector<int>> fields)
{
    std::vector<char> out;
    for (const std::vector<int>& field : fields)
        for (int b : field)
            out.push_back(char(b));
    return out;
}

const std::vector<int> kZero16(16, 0);

// Part 4 of five separate triangles with attributes {1, 0, 1, 0, 1}, named
// "表x" (Shift-JIS, 3 bytes), current, hidden, and the last face of the second
// run (triangle 4) made solid: it moved to the run's front.
const std::vector<char> kPartRecord = bytes({
    {0x28, 0, 0, 0}, // header size 40
    {0x03, 0, 0, 0}, // name length
    {0x02, 0, 0, 0}, // subset count
    {0x05, 0, 0, 0}, // face count
    {0x01, 0, 0, 0}, // current
    {0x00, 0, 0, 0}, // visible
    kZero16,
    {0x95, 0x5C, 0x78},
    {3, 0, 4, 0, 5, 0, 9, 0, 10, 0, 11, 0},                    // attribute 0: triangles 1, 3
    {12, 0, 13, 0, 14, 0, 6, 0, 7, 0, 8, 0, 0, 0, 1, 0, 2, 0}, // attribute 1: triangles 4, 2, 0
    {0x20, 0, 0, 0},
    {0, 0, 0, 0},
    {2, 0, 0, 0},
    {0, 0, 0, 0},
    kZero16, // first 0, 2 faces, none solid
    {0x20, 0, 0, 0},
    {2, 0, 0, 0},
    {3, 0, 0, 0},
    {1, 0, 0, 0},
    kZero16, // first 2, 3 faces, 1 solid
});

PartsSaveData partRecordFields()
{
    PartsSaveData record;
    record.name = "\x95\x5cx";
    record.current = 1;
    record.visible = 0;
    record.indices = {3, 4, 5, 9, 10, 11, 12, 13, 14, 6, 7, 8, 0, 1, 2};
    record.subsets = {{0, 2, 0}, {2, 3, 1}};
    return record;
}

void checkSameFields(const PartsSaveData& actual, const PartsSaveData& expected)
{
    CHECK(actual.name == expected.name);
    CHECK(actual.current == expected.current);
    CHECK(actual.visible == expected.visible);
    CHECK(actual.indices == expected.indices);
    REQUIRE(actual.subsets.size() == expected.subsets.size());
    for (size_t i = 0; i < actual.subsets.size(); ++i) {
        CAPTURE(i);
        CHECK(actual.subsets[i].firstFace == expected.subsets[i].firstFace);
        CHECK(actual.subsets[i].faceCount == expected.subsets[i].faceCount);
        CHECK(actual.subsets[i].solidCount == expected.subsets[i].solidCount);
    }
}

void putWord(std::vector<char>& record, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        record[offset + i] = char(value >> (8 * i));
}
}

TEST_CASE("a subset record is its three words after the size, then 16 zero bytes")
{
    const std::vector<char> fixture =
        bytes({{0x20, 0, 0, 0}, {0x0A, 0, 0, 0}, {0x04, 0x01, 0, 0}, {0x02, 0, 0, 0x01}, kZero16});
    std::vector<char> written = {'x'};
    MaterialPartsSaveData{10, 0x104, 0x01000002}.encode(written);
    CHECK(std::vector<char>(written.begin() + 1, written.end()) == fixture);

    std::vector<char> read = fixture;
    putWord(read, 0, 0); // neither the size nor the reserved bytes are read
    read[20] = 7;
    const MaterialPartsSaveData record = MaterialPartsSaveData::decode(read.data());
    CHECK(record.firstFace == 10u);
    CHECK(record.faceCount == 0x104u);
    CHECK(record.solidCount == 0x01000002u);
}

TEST_CASE("a part record is the header, the name, the indices and the subset records")
{
    CHECK(partRecordFields().encode() == kPartRecord);
    PartsSaveData read;
    REQUIRE(PartsSaveData::decode(kPartRecord, read));
    checkSameFields(read, partRecordFields());

    // The header-size word tells where the name begins.
    std::vector<char> padded = kPartRecord;
    padded.insert(padded.begin() + 40, {'-', '-', '-', '-'});
    putWord(padded, 0, 44);
    PartsSaveData fromPadded;
    REQUIRE(PartsSaveData::decode(padded, fromPadded));
    checkSameFields(fromPadded, partRecordFields());

    struct Case {
        std::string name;
        std::vector<char> record;
    };
    auto withWord = [](size_t offset, uint32_t value) {
        std::vector<char> record = kPartRecord;
        putWord(record, offset, value);
        return record;
    };
    const Case cases[] = {
        {"empty", {}},
        {"shorter than the header", std::vector<char>(kPartRecord.begin(), kPartRecord.begin() + 39)},
        {"one byte short", std::vector<char>(kPartRecord.begin(), kPartRecord.end() - 1)},
        {"one more subset", withWord(8, 3)},
        {"one more face", withWord(12, 6)},
        {"name length past the end", withWord(4, 0xFFFFFFF0u)},
        {"header size past the end", withWord(0, 0xFFFFFFFFu)},
        {"counts that overflow 32 bits", withWord(12, 0x80000000u)},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        PartsSaveData refused;
        CHECK_FALSE(PartsSaveData::decode(c.record, refused));
    }
}

TEST_CASE("a part writes and reads the hand-written record")
{
    IDirect3DDevice9* device = TestDevice::get();
    ID3DXMesh* mesh = makeMesh(device, separateTriangles(5, {1, 0, 1, 0, 1}));
    REQUIRE(mesh);
    Parts part;
    std::vector<DWORD> faces = {0, 1, 2, 3, 4};
    REQUIRE(part.create(4, device, faces, mesh) == 1);
    REQUIRE(part.toggleFace(1, 2, 0) == 1);
    part.setName("\x95\x5cx");
    part.setCurrent(1);
    part.setVisible(0);
    CHECK(part.makeSaveData() == kPartRecord);

    Parts restored;
    faces = {0, 1, 2, 3, 4};
    REQUIRE(restored.create(4, device, faces, mesh) == 1);
    REQUIRE(restored.applySaveData(kPartRecord) == 1);
    CHECK(restored.getName() == "\x95\x5cx");
    CHECK(restored.isCurrent() == 1);
    CHECK(restored.isVisible() == 0);
    CHECK(readIndices(restored.getIndexBuffer()) == partRecordFields().indices);
    CHECK(restored.getSubset(0).getSolidCount() == 0u);
    CHECK(restored.getSubset(1).getSolidCount() == 1u);
    restored.release();
    part.release();
    mesh->Release();
}
