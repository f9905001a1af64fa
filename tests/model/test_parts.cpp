#include "ForwardingMesh.h"
#include "MeshFixtures.h"
#include "TempDir.h"
#include "TestDevice.h"
#include "app/ForwardingDevice.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"
#include "modeller/model/BufferLock.h"
#include "modeller/model/LittleEndian.h"
#include "modeller/model/Material.h"
#include "modeller/model/MaterialParts.h"
#include "modeller/model/Parts.h"
#include "modeller/model/PartsSaveData.h"

#include <doctest/doctest.h>

#include <map>
#include <string>
#include <vector>

namespace {
// Faces f1..f5 of one run, face k holding the indices (k, k, k).
std::vector<WORD> run(std::initializer_list<int> faces)
{
    std::vector<WORD> indices;
    for (int f : faces)
        indices.insert(indices.end(), 3, WORD(f));
    return indices;
}

struct PartFixture {
    IDirect3DDevice9* device = TestDevice::get();
    ID3DXMesh* mesh = nullptr;
    explicit PartFixture(const MeshShape& shape) { mesh = makeMesh(device, shape); }
    ~PartFixture()
    {
        if (mesh)
            mesh->Release();
    }
    int create(Parts& part, unsigned id, std::vector<DWORD> faces) { return part.create(id, device, faces, mesh); }
};

std::vector<char> recordOf(const Parts& part)
{
    return part.makeSaveData();
}

// The test device, recording each indexed draw with the index buffer bound and the
// fill mode set; the draws themselves are not passed on (no vertex stream is set).
// CreateIndexBuffer fails while refuseIndexBuffers is set.
class RecordingDevice : public ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    struct Draw {
        IDirect3DIndexBuffer9* indices;
        DWORD fillMode;
        UINT startIndex;
        UINT primitives;
    };
    std::vector<Draw> draws;
    bool refuseIndexBuffers = false;

    STDMETHOD_(HRESULT, CreateIndexBuffer)
    (UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) override
    {
        if (!refuseIndexBuffers)
            return inner->CreateIndexBuffer(length, usage, format, pool, buffer, shared);
        *buffer = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    STDMETHOD_(HRESULT, SetIndices)(IDirect3DIndexBuffer9* buffer) override
    {
        bound_ = buffer;
        return inner->SetIndices(buffer);
    }
    STDMETHOD_(HRESULT, SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override
    {
        if (state == D3DRS_FILLMODE)
            fillMode_ = value;
        return inner->SetRenderState(state, value);
    }
    STDMETHOD_(HRESULT, DrawIndexedPrimitive)
    (D3DPRIMITIVETYPE, INT, UINT, UINT, UINT startIndex, UINT primitives) override
    {
        draws.push_back(Draw{bound_, fillMode_, startIndex, primitives});
        return D3D_OK;
    }

private:
    IDirect3DIndexBuffer9* bound_ = nullptr;
    DWORD fillMode_ = D3DFILL_SOLID;
};

// The fixture's mesh, failing the attribute or vertex lock on request.
class RefusingMesh : public ForwardingMesh {
public:
    using ForwardingMesh::ForwardingMesh;

    bool refuseAttributes = false;
    bool refuseVertices = false;

    STDMETHOD_(HRESULT, LockAttributeBuffer)(DWORD flags, DWORD** data) override
    {
        return refuseAttributes ? D3DERR_INVALIDCALL : inner->LockAttributeBuffer(flags, data);
    }
    STDMETHOD_(HRESULT, LockVertexBuffer)(DWORD flags, void** data) override
    {
        return refuseVertices ? D3DERR_INVALIDCALL : inner->LockVertexBuffer(flags, data);
    }
};

// Two plain materials set through the given device.
struct TwoMaterials {
    Material material;
    explicit TwoMaterials(IDirect3DDevice9* device)
    {
        D3DXMATERIAL records[2] = {};
        material.create("", records, 2, device);
    }
};

// The faces of the part met by a ray along +z through (x, y).
std::vector<FaceHit> pickAt(Parts& part, ID3DXMesh* mesh, float x, float y)
{
    BufferLock vertices(mesh, BufferLock::kVertices, D3DLOCK_READONLY);
    REQUIRE(vertices.data());
    std::vector<FaceHit> hits;
    part.pick(hits, Ray(D3DXVECTOR3(x, y, -10.0f), D3DXVECTOR3(x, y, 10.0f)), vertices.as<const BYTE>(),
              mesh->GetNumBytesPerVertex());
    return hits;
}
}

TEST_CASE("a subset keeps its solid faces at the front of its run")
{
    MaterialParts subset;
    subset.create(0, nullptr, 0, 0, 5, 1, 5);
    std::vector<WORD> indices = run({1, 2, 3, 4, 5});
    REQUIRE(subset.toggleFace(indices.data(), 0, 0) == 1); // f1: swaps with itself
    REQUIRE(subset.toggleFace(indices.data(), 1, 0) == 1);
    CHECK(indices == run({1, 2, 3, 4, 5}));

    struct Step {
        unsigned face;
        int unfilled;
        int result;
        std::vector<WORD> after;
        unsigned solid;
    };
    const Step steps[] = {
        {4, 0, 1, run({1, 2, 5, 4, 3}), 3}, {0, 1, 1, run({5, 2, 1, 4, 3}), 2},
        {1, 0, 0, run({5, 2, 1, 4, 3}), 2}, // already solid
        {3, 1, 0, run({5, 2, 1, 4, 3}), 2}, // already unfilled
        {5, 0, 0, run({5, 2, 1, 4, 3}), 2}, // past the run
        {9, 1, 0, run({5, 2, 1, 4, 3}), 2},
    };
    for (const Step& step : steps) {
        CAPTURE(step.face);
        CHECK(subset.toggleFace(indices.data(), step.face, step.unfilled) == step.result);
        CHECK(indices == step.after);
        CHECK(subset.getSolidCount() == step.solid);
    }

    MaterialParts single;
    single.create(1, nullptr, 0, 0, 1, 0, 1);
    std::vector<WORD> one = run({7});
    CHECK(single.toggleFace(one.data(), 0, 1) == 0);
    CHECK(single.toggleFace(one.data(), 0, 0) == 1);
    CHECK(single.toggleFace(one.data(), 0, 0) == 0);
    CHECK(single.toggleFace(one.data(), 0, 1) == 1);
    CHECK(single.getSolidCount() == 0);
}

TEST_CASE("a subset's record restores its solid count and refuses another run")
{
    MaterialParts subset;
    subset.create(3, nullptr, 2, 10, 4, 0, 9);
    std::vector<WORD> indices(3 * 14, 0);
    subset.toggleFace(indices.data(), 2, 0);
    subset.toggleFace(indices.data(), 3, 0);
    std::vector<char> record;
    CHECK(subset.save(record) == 1);
    REQUIRE(record.size() == 32);
    CHECK(readWord(record.data()) == 32u);
    CHECK(readWord(record.data() + 4) == 10u);
    CHECK(readWord(record.data() + 8) == 4u);
    CHECK(readWord(record.data() + 12) == 2u);
    CHECK(std::string(record.begin() + 16, record.end()) == std::string(16, '\0'));

    MaterialParts fresh;
    fresh.create(3, nullptr, 2, 10, 4, 0, 9);
    CHECK(fresh.load(MaterialPartsSaveData::decode(record.data())) == 1);
    CHECK(fresh.getSolidCount() == 2);

    struct Case {
        unsigned offset;
        uint32_t value;
    };
    for (const Case& c : {Case{4, 11}, Case{4, 9}, Case{8, 5}, Case{8, 3}, Case{12, 5}}) {
        CAPTURE(c.offset);
        CAPTURE(c.value);
        std::vector<char> bad = record;
        for (int i = 0; i < 4; ++i)
            bad[c.offset + i] = char((c.value >> (8 * i)) & 0xFF);
        MaterialParts other;
        other.create(3, nullptr, 2, 10, 4, 0, 9);
        CHECK(other.load(MaterialPartsSaveData::decode(bad.data())) == 0);
        CHECK(other.getSolidCount() == 0);
    }
}

TEST_CASE("a part sorts its faces by attribute into subsets")
{
    std::vector<DWORD> attributes(10, 0);
    attributes[4] = 1;
    attributes[9] = 0;
    attributes[2] = 1;
    PartFixture fixture(separateTriangles(10, attributes));
    REQUIRE(fixture.mesh);
    Parts part;
    CHECK(part.getName() == "no name");
    REQUIRE(fixture.create(part, 7, {4, 9, 2}) == 1);
    CHECK(part.getName() == "パーツ007");
    CHECK(part.getFaceCount() == 3u);
    CHECK(part.isVisible() == 1);
    CHECK(part.isCurrent() == 0);
    CHECK(part.getSolidFaceCount() == 0u);
    REQUIRE(part.getSubsetCount() == 2u);
    CHECK(part.getSubset(0).getAttribute() == 0u);
    CHECK(part.getSubset(0).getFirstFace() == 0u);
    CHECK(part.getSubset(0).getFaceCount() == 1u);
    CHECK(part.getSubset(1).getAttribute() == 1u);
    CHECK(part.getSubset(1).getFirstFace() == 1u);
    CHECK(part.getSubset(1).getFaceCount() == 2u);
    const std::vector<WORD> indices = readIndices(part.getIndexBuffer());
    REQUIRE(indices.size() == 9);
    CHECK(indices[0] == 27); // face 9 first
    CHECK(part.getMinVertexIndex() == 6u);
    CHECK(part.getMaxVertexIndex() == 29u);

    Parts single;
    REQUIRE(fixture.create(single, 1234, {3}) == 1);
    CHECK(single.getName() == "パーツ1234");
    CHECK(single.getSubsetCount() == 1u);
    // Triangle 3 spans x 6..7, y 0..1: box centre (6.5, 0.5, 0), half diagonal.
    CHECK(single.getCenter().x == doctest::Approx(6.5f));
    CHECK(single.getCenter().y == doctest::Approx(0.5f));
    CHECK(single.getRadius() == doctest::Approx(0.70710678f));
}

TEST_CASE("a part's record round-trips through a work file")
{
    PartFixture fixture(separateTriangles(6, {0, 1, 0, 1, 1, 0}));
    Parts part;
    REQUIRE(fixture.create(part, 2, {0, 1, 2, 3, 4, 5}) == 1);
    REQUIRE(part.getSubsetCount() == 2u);
    CHECK(part.toggleFace(1, 2, 0) == 1);
    CHECK(part.toggleFace(0, 1, 0) == 1);
    CHECK(part.toggleFace(0, 2, 0) == 1);
    CHECK(part.toggleFace(2, 0, 0) == 0); // no such subset
    CHECK(part.toggleFace(1, 3, 0) == 0); // past the subset's run
    part.setName("\x95\x5c\x96\xca");     // Shift-JIS, 4 bytes
    part.setVisible(0);
    part.setCurrent(1);

    const std::vector<char> record = recordOf(part);
    CHECK(record.size() == 40u + 4 + 6 * 6 + 32 * 2);

    TempDir dir;
    const std::string path = dir.file("work.tbs");
    {
        SerializeWriter writer;
        REQUIRE(writer.create(path) == 1);
        REQUIRE(part.save(writer) == 1);
        REQUIRE(writer.close() == 1);
    }
    Parts restored;
    REQUIRE(fixture.create(restored, 2, {0, 1, 2, 3, 4, 5}) == 1);
    SerializeReader reader;
    REQUIRE(reader.open(path) == 1);
    REQUIRE(restored.load(reader) == 1);
    CHECK(restored.getName() == "\x95\x5c\x96\xca");
    CHECK(restored.isVisible() == 0);
    CHECK(restored.isCurrent() == 1);
    CHECK(restored.getSolidFaceCount() == 3u);
    CHECK(restored.getSubset(0).getSolidCount() == 2u);
    CHECK(readIndices(restored.getIndexBuffer()) == readIndices(part.getIndexBuffer()));

    Parts missing;
    REQUIRE(fixture.create(missing, 3, {0, 1, 2, 3, 4, 5}) == 1);
    CHECK(missing.load(reader) == 0);
}

TEST_CASE("a damaged or foreign part record is refused before anything changes")
{
    PartFixture fixture(separateTriangles(4, {0, 0, 1, 1}));
    Parts source;
    REQUIRE(fixture.create(source, 0, {0, 1, 2, 3}) == 1);
    source.toggleFace(0, 1, 0);
    source.setName("abc");
    source.setVisible(0);
    source.setCurrent(1);
    const std::vector<char> good = recordOf(source);
    const size_t indexOffset = 40 + 3;
    const size_t subsetOffset = indexOffset + 6 * 4;

    auto withWord = [&](size_t offset, uint32_t value) {
        std::vector<char> bad = good;
        for (int i = 0; i < 4; ++i)
            bad[offset + i] = char((value >> (8 * i)) & 0xFF);
        return bad;
    };
    auto withIndex = [&](size_t face, int corner, WORD value) {
        std::vector<char> bad = good;
        bad[indexOffset + face * 6 + corner * 2] = char(value & 0xFF);
        bad[indexOffset + face * 6 + corner * 2 + 1] = char(value >> 8);
        return bad;
    };
    auto swappedAcrossSubsets = [&] {
        std::vector<char> bad = good;
        std::swap_ranges(bad.begin() + indexOffset, bad.begin() + indexOffset + 6, bad.begin() + indexOffset + 12);
        return bad;
    };
    struct Case {
        std::string name;
        std::vector<char> record;
    };
    const Case cases[] = {
        {"shorter than the header", std::vector<char>(good.begin(), good.begin() + 39)},
        {"shorter than announced", std::vector<char>(good.begin(), good.end() - 1)},
        {"other face count", withWord(12, 5)},
        {"other subset count", withWord(8, 1)},
        {"name length past the end", withWord(4, 0xFFFFFFF0u)},
        {"header size past the end", withWord(0, 0xFFFFFFFFu)},
        {"index outside the part", withIndex(0, 0, 40)},
        {"face moved to another subset", swappedAcrossSubsets()},
        {"face changed", withIndex(0, 0, 4)},
        {"solid count above face count", withWord(subsetOffset + 12, 3)},
        {"subset first face differs", withWord(subsetOffset + 32 + 4, 1)},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Parts part;
        REQUIRE(fixture.create(part, 0, {0, 1, 2, 3}) == 1);
        const std::vector<WORD> before = readIndices(part.getIndexBuffer());
        CHECK(part.applySaveData(c.record) == 0);
        CHECK(part.getName() == "パーツ000");
        CHECK(part.isVisible() == 1);
        CHECK(part.isCurrent() == 0);
        CHECK(part.getSolidFaceCount() == 0u);
        CHECK(readIndices(part.getIndexBuffer()) == before);
    }
    Parts part;
    REQUIRE(fixture.create(part, 0, {0, 1, 2, 3}) == 1);
    CHECK(part.applySaveData(good) == 1);
    CHECK(part.getName() == "abc");
    CHECK(part.isVisible() == 0);
    CHECK(part.getSolidFaceCount() == 1u);
}

TEST_CASE("a part takes part in picking only while visible or current")
{
    PartFixture fixture(separateTriangles(2));
    Parts part;
    REQUIRE(fixture.create(part, 5, {0, 1}) == 1);
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    REQUIRE(SUCCEEDED(fixture.mesh->GetVertexBuffer(&vertexBuffer)));
    void* vertices = nullptr;
    REQUIRE(SUCCEEDED(vertexBuffer->Lock(0, 0, &vertices, 0)));
    const unsigned stride = fixture.mesh->GetNumBytesPerVertex();
    const Ray ray(D3DXVECTOR3(2.2f, 0.2f, -10.0f), D3DXVECTOR3(2.2f, 0.2f, 10.0f));

    struct Case {
        int visible;
        int current;
        size_t hits;
    };
    for (const Case& c : {Case{1, 0, 1}, Case{0, 1, 1}, Case{0, 0, 0}, Case{1, 1, 1}}) {
        part.setVisible(c.visible);
        part.setCurrent(c.current);
        std::vector<FaceHit> hits;
        CHECK(part.pick(hits, ray, static_cast<const BYTE*>(vertices), stride) == 1);
        REQUIRE(hits.size() == c.hits);
        if (!hits.empty()) {
            CHECK(hits[0].partId == 5u);
            CHECK(hits[0].subsetId == 0u);
            CHECK(hits[0].face == 1u);
            CHECK(hits[0].distance == doctest::Approx(10.0f));
            CHECK(hits[0].frontFacing == 1);
            CHECK(hits[0].solid == 0);
            CHECK(hits[0].partCurrent == c.current);
        }
    }
    vertexBuffer->Unlock();
    vertexBuffer->Release();
}

TEST_CASE("a released part, or one whose create failed, acts as a part without faces")
{
    PartFixture fixture(separateTriangles(4, {0, 1, 0, 1}));
    REQUIRE(fixture.mesh);
    RecordingDevice device(fixture.device);
    fixture.device = &device;
    TwoMaterials materials(&device);
    RefusingMesh mesh(fixture.mesh);

    enum Failure { kNoCreate, kIndexBuffer, kAttributes, kVertices };
    struct Case {
        std::string name;
        Failure failure;
        unsigned recordFaces; // 0: no index buffer, so no record
    };
    const Case cases[] = {
        {"released only", kNoCreate, 0},
        {"no index buffer", kIndexBuffer, 0},
        {"attributes unreadable", kAttributes, 2},
        {"vertices unreadable", kVertices, 2},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Parts part;
        REQUIRE(fixture.create(part, 1, {0, 1, 2, 3}) == 1);
        REQUIRE(part.getSubsetCount() == 2u);
        REQUIRE(part.toggleFace(0, 1, 0) == 1);
        part.release();
        if (c.failure != kNoCreate) {
            device.refuseIndexBuffers = c.failure == kIndexBuffer;
            mesh.refuseAttributes = c.failure == kAttributes;
            mesh.refuseVertices = c.failure == kVertices;
            std::vector<DWORD> faces = {0, 1};
            CHECK(part.create(1, &device, faces, &mesh) == 0);
            device.refuseIndexBuffers = mesh.refuseAttributes = mesh.refuseVertices = false;
        } else {
            CHECK(part.getFaceCount() == 0u);
            CHECK(part.getAttributeRanges().empty());
        }

        CHECK(part.getSubsetCount() == 0u);
        CHECK(part.getSolidFaceCount() == 0u);
        CHECK(part.toggleFace(0, 0, 0) == 0);
        CHECK(pickAt(part, fixture.mesh, 0.2f, 0.2f).empty());
        part.setCurrent(1);
        DrawOptions options;
        device.draws.clear();
        CHECK(part.draw(materials.material, options) == 1);
        CHECK(device.draws.empty());

        const std::vector<char> record = part.makeSaveData();
        if (c.recordFaces == 0) {
            CHECK(record.empty());
        } else {
            PartsSaveData decoded;
            REQUIRE(PartsSaveData::decode(record, decoded));
            CHECK(decoded.faceCount() == c.recordFaces);
            CHECK(decoded.subsets.empty());
        }
    }
}

TEST_CASE("a hidden part that is not current is drawn only while browsing")
{
    // Parts A, B and C of two faces each; the first face of each is solid.
    PartFixture fixture(separateTriangles(6));
    REQUIRE(fixture.mesh);
    RecordingDevice device(fixture.device);
    fixture.device = &device;
    TwoMaterials materials(&device);
    Parts parts[3];
    std::map<IDirect3DIndexBuffer9*, std::string> names;
    for (unsigned k = 0; k < 3; ++k) {
        REQUIRE(fixture.create(parts[k], k, {2 * k, 2 * k + 1}) == 1);
        REQUIRE(parts[k].toggleFace(0, 0, 0) == 1);
        names[parts[k].getIndexBuffer()] = std::string(1, char('A' + k));
    }

    struct Case {
        std::string name;
        int browse;
        int visible[3];
        int current[3];
        std::string drawn;
    };
    const Case cases[] = {
        {"B hidden, C hidden and current", 0, {1, 0, 0}, {0, 0, 1}, "A solid 0+1, C solid 0+1, C wire 3+1"},
        {"A hidden and current, C hidden", 0, {0, 1, 0}, {1, 0, 0}, "A solid 0+1, A wire 3+1, B solid 0+1"},
        {"all shown, B current", 0, {1, 1, 1}, {0, 1, 0}, "A solid 0+1, B solid 0+1, B wire 3+1, C solid 0+1"},
        {"all hidden, none current", 0, {0, 0, 0}, {0, 0, 0}, ""},
        {"browsing: B hidden, C hidden and current", 1, {1, 0, 0}, {0, 0, 1}, "A solid 0+1, B solid 0+1, C solid 0+1"},
        {"browsing: all hidden, none current", 1, {0, 0, 0}, {0, 0, 0}, "A solid 0+1, B solid 0+1, C solid 0+1"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        // One set of options for the whole frame, as the model draws its parts.
        DrawOptions options;
        options.browse = c.browse;
        device.draws.clear();
        for (unsigned k = 0; k < 3; ++k) {
            parts[k].setVisible(c.visible[k]);
            parts[k].setCurrent(c.current[k]);
            CHECK(parts[k].draw(materials.material, options) == 1);
        }
        std::string drawn;
        for (const RecordingDevice::Draw& draw : device.draws)
            drawn += (drawn.empty() ? "" : ", ") + names[draw.indices]
                     + (draw.fillMode == D3DFILL_WIREFRAME ? " wire " : " solid ") + std::to_string(draw.startIndex)
                     + "+" + std::to_string(draw.primitives);
        CHECK(drawn == c.drawn);
    }
}
