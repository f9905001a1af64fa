#pragma once

// Writes small .x files for tests, as text or binary (32- or 64-bit floats).
// One walk of the nodes feeds either form: objects, numbers, strings and the
// text form's separators. Every text float has a decimal point: the text
// parser refuses an integer where a float is expected.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace xfile {

struct Vec3 {
    float x, y, z;
};

struct Vec2 {
    float u, v;
};

struct Material {
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float power = 0.0f;
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float emissive[3] = {0.0f, 0.0f, 0.0f};
    std::string texture; // no TextureFilename when empty
};

struct Mesh {
    std::string name; // unnamed when empty
    std::vector<Vec3> positions;
    std::vector<std::vector<unsigned>> faces; // polygons of 3 or more indices
    std::vector<Vec3> normals;                // one per position, or none
    std::vector<Vec2> uvs;                    // one per position, or none
    std::vector<Material> materials;          // no MeshMaterialList when empty
    std::vector<unsigned> faceMaterials;      // written as given: normally one per face
    // Each vertex's original vertex, written as VertexDuplicationIndices when not
    // empty. Its template is one of the skinning set, which files may leave
    // undeclared; only a loader that knows the set reads such a file.
    std::vector<unsigned> duplicationIndices;
    // Extra vertex data as FVFData (a template of the extension set), written
    // when not empty: its vertex format, then the DWORDs.
    std::vector<unsigned> fvfData;
};

// A Frame (with its children in order), a Mesh, or an AnimTicksPerSecond object
// (another template of the skinning set, left undeclared).
struct Node {
    enum Kind { kMesh, kFrame, kAnimTicks };
    Kind kind = kMesh;
    std::string name;
    bool hasMatrix = false;
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<Node> children;
    Mesh mesh;
    unsigned ticksPerSecond = 0;

    static Node meshNode(const Mesh& mesh)
    {
        Node node;
        node.mesh = mesh;
        return node;
    }

    static Node frame(const std::string& name, const std::vector<Node>& children)
    {
        Node node;
        node.kind = kFrame;
        node.name = name;
        node.children = children;
        return node;
    }

    static Node animTicksPerSecond(unsigned ticks)
    {
        Node node;
        node.kind = kAnimTicks;
        node.ticksPerSecond = ticks;
        return node;
    }

    // A frame whose transformation is a uniform scale.
    static Node scaled(const std::string& name, float scale, const std::vector<Node>& children)
    {
        Node node = frame(name, children);
        node.hasMatrix = true;
        node.matrix[0] = node.matrix[5] = node.matrix[10] = scale;
        return node;
    }

    // A frame whose transformation is a translation (row vectors: the last row).
    static Node translated(const std::string& name, float x, float y, float z, const std::vector<Node>& children)
    {
        Node node = frame(name, children);
        node.hasMatrix = true;
        node.matrix[12] = x;
        node.matrix[13] = y;
        node.matrix[14] = z;
        return node;
    }
};

namespace detail {

// What the walk gives a form. A separator is the text form's: ';' ends a
// member, ',' parts the elements of an array.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void open(const std::string& type, const std::string& name) = 0;
    virtual void close() = 0;
    virtual void integer(unsigned value) = 0;
    virtual void real(float value) = 0;
    virtual void string(const std::string& text) = 0;
    virtual void separator(char c) = 0;
};

class TextSink : public Sink {
public:
    std::string out = "xof 0303txt 0032\n";

    void open(const std::string& type, const std::string& name) override { out += type + " " + name + " {\n"; }
    void close() override { out += "}\n"; }
    void integer(unsigned value) override { out += std::to_string(value); }
    void real(float value) override
    {
        char text[64];
        std::snprintf(text, sizeof(text), "%.6f", value);
        out += text;
    }
    void string(const std::string& text) override
    {
        out += '"';
        for (char c : text) {
            if (c == '\\' || c == '"')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    // A line ends after each element of an array of structures and after the array.
    void separator(char c) override
    {
        const bool endsLine = !out.empty() && out.back() == ';';
        out += c;
        if (endsLine)
            out += '\n';
    }
};

// Tokens are little-endian WORDs. Runs of integers and of floats are packed
// into one list record each; a string alone keeps its separator, as a token
// of its own after the string's record.
class BinarySink : public Sink {
public:
    enum Token : uint16_t {
        kName = 1,
        kString = 2,
        kIntegerList = 6,
        kFloatList = 7,
        kOpenBrace = 10,
        kCloseBrace = 11,
        kComma = 19,
        kSemicolon = 20,
    };

    explicit BinarySink(int floatSize) : floatSize_(floatSize)
    {
        out = floatSize == 64 ? "xof 0303bin 0064" : "xof 0303bin 0032";
    }

    std::string out;

    void open(const std::string& type, const std::string& name) override
    {
        flush();
        text(kName, type);
        if (!name.empty())
            text(kName, name);
        token(kOpenBrace);
    }
    void close() override
    {
        flush();
        token(kCloseBrace);
    }
    void integer(unsigned value) override
    {
        if (!reals_.empty())
            flush();
        integers_.push_back(value);
    }
    void real(float value) override
    {
        if (!integers_.empty())
            flush();
        reals_.push_back(value);
    }
    void string(const std::string& value) override
    {
        flush();
        text(kString, value);
        afterString_ = true;
    }
    void separator(char c) override
    {
        if (afterString_)
            token(c == ',' ? kComma : kSemicolon);
        afterString_ = false;
    }

private:
    void little(uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out += char((value >> (8 * i)) & 0xFF);
    }
    void token(Token t) { little(t, 2); }
    void text(Token t, const std::string& value)
    {
        token(t);
        little(uint32_t(value.size()), 4);
        out += value;
    }
    void bytesOf(const void* value, size_t size) { out.append(static_cast<const char*>(value), size); }
    void flush()
    {
        if (!integers_.empty()) {
            token(kIntegerList);
            little(uint32_t(integers_.size()), 4);
            for (unsigned value : integers_)
                little(value, 4);
        }
        if (!reals_.empty()) {
            token(kFloatList);
            little(uint32_t(reals_.size()), 4);
            for (float value : reals_) {
                const double wide = value;
                if (floatSize_ == 64)
                    bytesOf(&wide, 8);
                else
                    bytesOf(&value, 4);
            }
        }
        integers_.clear();
        reals_.clear();
    }

    int floatSize_;
    std::vector<unsigned> integers_;
    std::vector<float> reals_;
    bool afterString_ = false;
};

// A DWORD member.
inline void dword(Sink& sink, size_t n)
{
    sink.integer(unsigned(n));
    sink.separator(';');
}

// An array member: each element, ',' between them, ';' after the last.
template <typename T, typename Put>
void array(Sink& sink, const std::vector<T>& items, Put put)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            sink.separator(',');
        put(items[i]);
    }
    sink.separator(';');
}

// A structure of floats: each member, then the ';' that ends the structure member.
inline void floats(Sink& sink, const float* values, int n)
{
    for (int i = 0; i < n; ++i) {
        sink.real(values[i]);
        sink.separator(';');
    }
}

inline void writeVectors(Sink& sink, const std::vector<Vec3>& vectors)
{
    dword(sink, vectors.size());
    array(sink, vectors, [&](const Vec3& v) {
        const float xyz[] = {v.x, v.y, v.z};
        floats(sink, xyz, 3);
    });
}

inline void writeFaces(Sink& sink, const std::vector<std::vector<unsigned>>& faces)
{
    dword(sink, faces.size());
    array(sink, faces, [&](const std::vector<unsigned>& face) {
        dword(sink, face.size());
        array(sink, face, [&](unsigned i) { sink.integer(i); });
    });
}

inline void writeUvs(Sink& sink, const std::vector<Vec2>& uvs)
{
    sink.open("MeshTextureCoords", "");
    dword(sink, uvs.size());
    array(sink, uvs, [&](const Vec2& uv) {
        const float pair[] = {uv.u, uv.v};
        floats(sink, pair, 2);
    });
    sink.close();
}

inline void writeMaterial(Sink& sink, const Material& m)
{
    sink.open("Material", "");
    floats(sink, m.diffuse, 4);
    sink.separator(';');
    floats(sink, &m.power, 1);
    floats(sink, m.specular, 3);
    sink.separator(';');
    floats(sink, m.emissive, 3);
    sink.separator(';');
    if (!m.texture.empty()) {
        sink.open("TextureFilename", "");
        sink.string(m.texture);
        sink.separator(';');
        sink.close();
    }
    sink.close();
}

inline void writeMaterialList(Sink& sink, const Mesh& mesh)
{
    sink.open("MeshMaterialList", "");
    dword(sink, mesh.materials.size());
    dword(sink, mesh.faceMaterials.size());
    array(sink, mesh.faceMaterials, [&](unsigned i) { sink.integer(i); });
    for (const Material& m : mesh.materials)
        writeMaterial(sink, m);
    sink.close();
}

inline void writeDuplicationIndices(Sink& sink, const Mesh& mesh)
{
    sink.open("VertexDuplicationIndices", "");
    dword(sink, mesh.duplicationIndices.size());
    dword(sink, mesh.positions.size());
    array(sink, mesh.duplicationIndices, [&](unsigned i) { sink.integer(i); });
    sink.close();
}

inline void writeFvfData(Sink& sink, const Mesh& mesh)
{
    sink.open("FVFData", "");
    dword(sink, mesh.fvfData.front());
    dword(sink, mesh.fvfData.size() - 1);
    array(sink, std::vector<unsigned>(mesh.fvfData.begin() + 1, mesh.fvfData.end()),
          [&](unsigned i) { sink.integer(i); });
    sink.close();
}

inline void writeMesh(Sink& sink, const Mesh& mesh)
{
    sink.open("Mesh", mesh.name);
    writeVectors(sink, mesh.positions);
    writeFaces(sink, mesh.faces);
    if (!mesh.normals.empty()) {
        sink.open("MeshNormals", "");
        writeVectors(sink, mesh.normals);
        writeFaces(sink, mesh.faces);
        sink.close();
    }
    if (!mesh.uvs.empty())
        writeUvs(sink, mesh.uvs);
    if (!mesh.materials.empty())
        writeMaterialList(sink, mesh);
    if (!mesh.duplicationIndices.empty())
        writeDuplicationIndices(sink, mesh);
    if (!mesh.fvfData.empty())
        writeFvfData(sink, mesh);
    sink.close();
}

inline void writeNode(Sink& sink, const Node& node)
{
    if (node.kind == Node::kMesh) {
        writeMesh(sink, node.mesh);
        return;
    }
    if (node.kind == Node::kAnimTicks) {
        sink.open("AnimTicksPerSecond", "");
        dword(sink, node.ticksPerSecond);
        sink.close();
        return;
    }
    sink.open("Frame", node.name);
    if (node.hasMatrix) {
        sink.open("FrameTransformMatrix", "");
        array(sink, std::vector<float>(node.matrix, node.matrix + 16), [&](float v) { sink.real(v); });
        sink.separator(';');
        sink.close();
    }
    for (const Node& child : node.children)
        writeNode(sink, child);
    sink.close();
}

}

// The text of an .x file holding the nodes in order.
inline std::string writeText(const std::vector<Node>& nodes)
{
    detail::TextSink sink;
    for (const Node& node : nodes)
        detail::writeNode(sink, node);
    return sink.out;
}

// The binary form of the same file; floatSize is 32 or 64. Wine's parser reads
// every list element as 4 bytes, so it misreads the 64-bit form.
inline std::string writeBinary(const std::vector<Node>& nodes, int floatSize)
{
    detail::BinarySink sink(floatSize);
    for (const Node& node : nodes)
        detail::writeNode(sink, node);
    return sink.out;
}

// A square of side 1 in the z = 0 plane at (x, y), as two triangles, with
// normals (0, 0, -1) and uvs; one material per face as given.
inline Mesh quad(const std::string& name, float x, float y, unsigned material0 = 0, unsigned material1 = 0)
{
    Mesh mesh;
    mesh.name = name;
    mesh.positions = {{x, y, 0.0f}, {x, y + 1.0f, 0.0f}, {x + 1.0f, y + 1.0f, 0.0f}, {x + 1.0f, y, 0.0f}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    mesh.normals = {{0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, -1.0f}};
    mesh.uvs = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}};
    mesh.faceMaterials = {material0, material1};
    unsigned count = (material0 > material1 ? material0 : material1) + 1;
    mesh.materials.resize(count);
    return mesh;
}

// One mesh of the pieces side by side: their vertices in order, faces renumbered,
// the first piece's materials with every face on material 0.
inline Mesh merged(const std::string& name, const std::vector<Mesh>& pieces)
{
    Mesh all;
    all.name = name;
    for (const Mesh& piece : pieces) {
        const unsigned base = unsigned(all.positions.size());
        all.positions.insert(all.positions.end(), piece.positions.begin(), piece.positions.end());
        all.normals.insert(all.normals.end(), piece.normals.begin(), piece.normals.end());
        all.uvs.insert(all.uvs.end(), piece.uvs.begin(), piece.uvs.end());
        for (std::vector<unsigned> face : piece.faces) {
            for (unsigned& i : face)
                i += base;
            all.faces.push_back(face);
        }
    }
    if (!pieces.empty())
        all.materials = pieces.front().materials;
    if (!all.materials.empty())
        all.faceMaterials.assign(all.faces.size(), 0);
    return all;
}

}
