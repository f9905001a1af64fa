#pragma once

// Writes small text .x files for tests. Every float is printed with a decimal
// point: the text parser refuses an integer where a float is expected.

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
    std::vector<unsigned> faceMaterials;      // one per face when materials are given
};

// A Frame (with its children in order) or, when isFrame is false, a Mesh.
struct Node {
    bool isFrame = false;
    std::string name;
    bool hasMatrix = false;
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<Node> children;
    Mesh mesh;

    static Node meshNode(const Mesh& mesh)
    {
        Node node;
        node.mesh = mesh;
        return node;
    }

    static Node frame(const std::string& name, const std::vector<Node>& children)
    {
        Node node;
        node.isFrame = true;
        node.name = name;
        node.children = children;
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

inline std::string number(float value)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.6f", value);
    return text;
}

inline std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

inline void writeFaces(std::string& out, const std::vector<std::vector<unsigned>>& faces)
{
    out += std::to_string(faces.size()) + ";\n";
    for (size_t f = 0; f < faces.size(); ++f) {
        out += std::to_string(faces[f].size()) + ";";
        for (size_t i = 0; i < faces[f].size(); ++i)
            out += (i ? "," : "") + std::to_string(faces[f][i]);
        out += f + 1 < faces.size() ? ";,\n" : ";;\n";
    }
}

inline void writeVectors(std::string& out, const std::vector<Vec3>& vectors)
{
    out += std::to_string(vectors.size()) + ";\n";
    for (size_t i = 0; i < vectors.size(); ++i) {
        out += number(vectors[i].x) + ";" + number(vectors[i].y) + ";" + number(vectors[i].z);
        out += i + 1 < vectors.size() ? ";,\n" : ";;\n";
    }
}

inline void writeMesh(std::string& out, const Mesh& mesh)
{
    out += "Mesh " + mesh.name + " {\n";
    writeVectors(out, mesh.positions);
    writeFaces(out, mesh.faces);
    if (!mesh.normals.empty()) {
        out += "MeshNormals {\n";
        writeVectors(out, mesh.normals);
        writeFaces(out, mesh.faces);
        out += "}\n";
    }
    if (!mesh.uvs.empty()) {
        out += "MeshTextureCoords {\n" + std::to_string(mesh.uvs.size()) + ";\n";
        for (size_t i = 0; i < mesh.uvs.size(); ++i) {
            out += number(mesh.uvs[i].u) + ";" + number(mesh.uvs[i].v);
            out += i + 1 < mesh.uvs.size() ? ";,\n" : ";;\n";
        }
        out += "}\n";
    }
    if (!mesh.materials.empty()) {
        out += "MeshMaterialList {\n" + std::to_string(mesh.materials.size()) + ";\n";
        out += std::to_string(mesh.faceMaterials.size()) + ";\n";
        for (size_t i = 0; i < mesh.faceMaterials.size(); ++i)
            out += std::to_string(mesh.faceMaterials[i]) + (i + 1 < mesh.faceMaterials.size() ? ",\n" : ";\n");
        for (const Material& m : mesh.materials) {
            out += "Material {\n";
            out += number(m.diffuse[0]) + ";" + number(m.diffuse[1]) + ";" + number(m.diffuse[2]) + ";"
                   + number(m.diffuse[3]) + ";;\n";
            out += number(m.power) + ";\n";
            out += number(m.specular[0]) + ";" + number(m.specular[1]) + ";" + number(m.specular[2]) + ";;\n";
            out += number(m.emissive[0]) + ";" + number(m.emissive[1]) + ";" + number(m.emissive[2]) + ";;\n";
            if (!m.texture.empty())
                out += "TextureFilename {\n" + quoted(m.texture) + ";\n}\n";
            out += "}\n";
        }
        out += "}\n";
    }
    out += "}\n";
}

inline void writeNode(std::string& out, const Node& node)
{
    if (!node.isFrame) {
        writeMesh(out, node.mesh);
        return;
    }
    out += "Frame " + node.name + " {\n";
    if (node.hasMatrix) {
        out += "FrameTransformMatrix {\n";
        for (int i = 0; i < 16; ++i)
            out += number(node.matrix[i]) + (i < 15 ? "," : ";;\n");
        out += "}\n";
    }
    for (const Node& child : node.children)
        writeNode(out, child);
    out += "}\n";
}

}

// The text of an .x file holding the nodes in order.
inline std::string writeText(const std::vector<Node>& nodes)
{
    std::string out = "xof 0303txt 0032\n";
    for (const Node& node : nodes)
        detail::writeNode(out, node);
    return out;
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
