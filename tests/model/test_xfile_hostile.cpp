// Bodies built to break the .x reader: values that straddle objects, tokens the
// platform's parser cannot survive, shapes that multiply work or output, and
// forms the parser opens that the reader must read too.
#include "modeller/model/Model.h"
#include "modeller/model/xfile/LoaderTemplates.h"
#include "modeller/model/xfile/XBodyReader.h"
#include "modeller/model/xfile/XFileBytes.h"
#include "modeller/model/xfile/XTokenizer.h"
#include "LogCapture.h"
#include "ModelFixtures.h"
#include "MsZipWriter.h"
#include "XFileWriter.h"

#include <doctest/doctest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kFov = 0.7853982f;
const char kText[] = "xof 0303txt 0032\n";

// Binary tokens written by hand, with the format's own codes.
class Bin {
public:
    explicit Bin(int floatSize = 32) : floatSize_(floatSize)
    {
        out = floatSize == 64 ? "xof 0303bin 0064" : "xof 0303bin 0032";
    }
    Bin& token(unsigned code) { return word(code, 2); }
    Bin& name(const std::string& text) { return counted(1, text); }
    Bin& string(const std::string& text) { return counted(2, text).token(20); }
    Bin& open() { return token(10); }
    Bin& close() { return token(11); }
    Bin& guid()
    {
        token(5);
        out.append("\x44\xAB\x82\x3D\xDA\x62\xCF\x11\xAB\x39\x00\x20\xAF\x71\xE4\x33", 16);
        return *this;
    }
    Bin& integers(const std::vector<unsigned>& values)
    {
        token(6).word(unsigned(values.size()), 4);
        for (unsigned v : values)
            word(v, 4);
        return *this;
    }
    Bin& floats(const std::vector<double>& values)
    {
        token(7).word(unsigned(values.size()), 4);
        for (double v : values) {
            const float narrow = float(v);
            out.append(floatSize_ == 64 ? reinterpret_cast<const char*>(&v) : reinterpret_cast<const char*>(&narrow),
                       floatSize_ / 8);
        }
        return *this;
    }
    // A triangle pair: three vertices, two faces.
    Bin& meshValues()
    {
        return integers({3}).floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).integers({2, 3, 0, 1, 2, 3, 0, 2, 1});
    }

    std::string out;

private:
    Bin& word(unsigned value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out += char((value >> (8 * i)) & 0xFF);
        return *this;
    }
    Bin& counted(unsigned code, const std::string& text)
    {
        token(code).word(unsigned(text.size()), 4);
        out += text;
        return *this;
    }

    int floatSize_;
};

const char kTriangles[] = "3;0;0;0;,1;0;0;,0;1;0;;2;3;0,1,2;,3;0,2,1;;";
const char kMaterial[] = "Material{1;1;1;1;;0;0;0;0;;0;0;0;;}";

std::string textMesh(const std::string& inside)
{
    return std::string(kText) + "Mesh{" + kTriangles + inside + "}";
}

struct Hostile {
    std::string name;
    std::string bytes;
    const char* refusal; // empty: the reader hands the body on
    unsigned repairedLists;
    int opens; // what the open through a plug-in gives
};

std::vector<Hostile> hostileBodies()
{
    const std::string name513(513, 'n');
    const Bin triangles = Bin().name("Mesh").open().meshValues();
    auto withTexture = [&](size_t length) {
        return Bin(triangles)
            .name("MeshMaterialList")
            .open()
            .integers({1, 2, 0, 0})
            .name("Material")
            .open()
            .floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0})
            .name("TextureFilename")
            .open()
            .string(std::string(length - 4, 't') + ".bmp")
            .close()
            .close()
            .close()
            .close()
            .out;
    };
    std::vector<Hostile> out = {
        {"text: a one-index list whose index lies after a nested mesh with its own",
         textMesh(std::string("MeshMaterialList{1;1;Mesh{") + kTriangles + "MeshMaterialList{1;1;0;;" + kMaterial
                  + "}}0;;" + kMaterial + "}"),
         "", 1, 0},
        {"binary 64: a one-index list whose index lies after a float list",
         Bin(64)
             .name("Mesh")
             .open()
             .meshValues()
             .name("MeshMaterialList")
             .open()
             .integers({1, 1})
             .floats({0.5})
             .integers({0})
             .close()
             .close()
             .out,
         "", 0, 0},
        {"binary: a name of 513 bytes", Bin().name("Frame").name(name513).open().close().out, "名前か文字列が長すぎる",
         0, 0},
        {"binary: a texture name of 1000 bytes", withTexture(1000), "名前か文字列が長すぎる", 0, 0},
        {"binary: a texture name of 512 bytes", withTexture(512), "", 0, 1},
        {"binary: an integer list in a template",
         Bin().token(31).name("T").open().guid().integers({1, 2}).close().name("Mesh").open().meshValues().close().out,
         "テンプレートに置けないトークン", 0, 0},
        {"binary 64: a float list in a template",
         Bin(64).token(31).name("T").open().guid().floats({1.5}).close().name("Mesh").open().meshValues().close().out,
         "テンプレートに置けないトークン", 0, 0},
    };
    return out;
}

}

TEST_CASE("hostile bodies are refused before the parser or handed on as one reading of them")
{
    TempDir dir;
    OpenModel open;
    int n = 0;
    for (const Hostile& h : hostileBodies()) {
        CAPTURE(h.name);
        XFileBytes bytes;
        const XFileBytes::Result result = bytes.prepare(h.bytes.data(), h.bytes.size());
        CHECK(result == (*h.refusal ? XFileBytes::kUnreadable : XFileBytes::kReady));
        CHECK(std::string(bytes.getFailure()) == h.refusal);
        CHECK(bytes.getRepairedLists() == h.repairedLists);
        if (result == XFileBytes::kReady) {
            XFileBytes again;
            REQUIRE(again.prepare(bytes.data(), bytes.size()) == XFileBytes::kReady);
            CHECK(again.getMeshCount() == bytes.getMeshCount());
            CHECK(again.hasNestedTransforms() == bytes.hasNestedTransforms());
        }
        const std::string pin = packModel(dir, "hostile" + std::to_string(n++), h.bytes);
        REQUIRE(!pin.empty());
        LogCapture log;
        CHECK(open.model.open(pin, kFov) == h.opens);
        CHECK(LogCapture::countContaining("プラグインのXファイルが読めません（") == (*h.refusal ? 1 : 0));
    }
}

namespace {

struct Shape {
    std::string name;
    std::string bytes;
    const char* refusal;
};

std::string longName(unsigned k)
{
    return "F" + std::to_string(k) + std::string(450, 'x');
}

// Frames with long names, each referencing the two before it: the paths
// through them grow as the Fibonacci numbers.
std::string referenceLadder(bool binary)
{
    Bin bin;
    std::string text = kText;
    for (unsigned k = 0; k < 29; ++k) {
        bin.name("Frame").name(longName(k)).open();
        text += "Frame " + longName(k) + " {";
        if (k == 0) {
            bin.name("Mesh").open().meshValues().close();
            text += std::string("Mesh{") + kTriangles + "}";
        }
        for (unsigned back = 1; back <= 2 && back <= k; ++back) {
            bin.open().name(longName(k - back)).close();
            text += "{" + longName(k - back) + "}";
        }
        bin.close();
        text += "}\n";
    }
    return binary ? bin.out : text;
}

std::vector<Shape> shapes()
{
    std::string chain = kText, cycle = kText, flat = kText, lists = kText, faces;
    for (unsigned k = 0; k < 300; ++k)
        chain += "Frame C" + std::to_string(k) + "{" + (k ? "{C" + std::to_string(k - 1) + "}" : "") + "}\n";
    cycle += std::string("Frame A{{B}}\nFrame B{{A}Mesh{") + kTriangles + "}}\n";
    for (unsigned k = 0; k < 5000; ++k)
        flat += "Frame{}";
    for (unsigned f = 0; f < 2000; ++f)
        faces += (f ? ",3;0,1,2;" : "3;0,1,2;");
    const std::string bigMesh = "Mesh{3;0;0;0;,1;0;0;,0;1;0;;2000;" + faces + ";";
    lists += bigMesh;
    for (unsigned k = 0; k < 300; ++k)
        lists += std::string("MeshMaterialList{1;1;0;;") + kMaterial + "}";
    lists += "}";
    return {
        {"text frames referencing the two before them", referenceLadder(false), "フレームの参照が多すぎる"},
        {"binary frames referencing the two before them", referenceLadder(true), "フレームの参照が多すぎる"},
        {"a chain of 300 references", chain, "フレームの参照が深すぎるか循環している"},
        {"two frames referencing each other", cycle, "フレームの参照が深すぎるか循環している"},
        {"5000 empty frames", flat, ""},
        {"300 one-index lists in a mesh of 2000 faces", lists, "編集後のデータが大きすぎる"},
        {"one name of 40000 characters", kText + std::string(40000, 'n') + "{}", ""},
        {"one one-index list in a mesh of 2000 faces",
         std::string(kText) + bigMesh + "MeshMaterialList{1;1;0;;" + kMaterial + "}}", ""},
    };
}

}

TEST_CASE("reading walking and repairing any body takes work and output bounded by its size")
{
    for (const Shape& s : shapes()) {
        CAPTURE(s.name);
        const bool binary = s.bytes.compare(8, 4, "bin ") == 0;
        const size_t size = s.bytes.size() - 16;
        XTokenizer tokens(s.bytes.data() + 16, size, binary, 4);
        XBodyReader reader(tokens, size, size * 8);
        CHECK(reader.read() == !*s.refusal);
        CHECK(std::string(reader.getFailure()) == s.refusal);
        CHECK(reader.getSteps() <= 8 * size);
        MESSAGE(s.name << ": " << size << " bytes, " << reader.getSteps() << " steps");

        XFileBytes bytes;
        CHECK(bytes.prepare(s.bytes.data(), s.bytes.size())
              == (*s.refusal ? XFileBytes::kUnreadable : XFileBytes::kReady));
        CHECK(bytes.size() <= 16 + loaderTemplates(binary).size() + 8 * size);
    }

    // Edits that would pass the reader's limit refuse the body before they are written.
    const std::string list = shapes().back().bytes;
    XTokenizer tokens(list.data() + 16, list.size() - 16, false, 4);
    XBodyReader reader(tokens, list.size() - 16, list.size() - 16 + 1000);
    CHECK_FALSE(reader.read());
    CHECK(std::string(reader.getFailure()) == "編集後のデータが大きすぎる");
    CHECK(reader.getEdits().empty());
    CHECK(reader.getSteps() < list.size());
}

namespace {

using xfile::Node;

const char kMeshGuid[] = "<3D82AB44-62DA-11CF-AB39-0020AF71E433>";

// Name tokens of a whole file as (offset, size), through the reader's tokenizer.
std::vector<std::pair<size_t, size_t>> names(const std::string& file)
{
    const bool binary = file.compare(8, 4, "bin ") == 0;
    XTokenizer tokens(file.data() + 16, file.size() - 16, binary, 4);
    std::vector<std::pair<size_t, size_t>> out;
    XToken token;
    while (tokens.next(token)) {
        if (token.code == kXName)
            out.emplace_back(16 + token.text, token.textSize);
    }
    return out;
}

std::string lowerCaseTemplates(std::string file)
{
    for (const auto& name : names(file)) {
        const std::string text = file.substr(name.first, name.second);
        if (text == "Frame" || text == "Mesh" || text == "MeshMaterialList" || text == "FrameTransformMatrix") {
            for (size_t i = 0; i < name.second; ++i)
                file[name.first + i] = char(std::tolower(static_cast<unsigned char>(file[name.first + i])));
        }
    }
    return file;
}

// The mesh's GUID just inside its brace: after the brace that follows its name.
std::string guidInsideMesh(std::string file, const std::string& meshName)
{
    const bool binary = file.compare(8, 4, "bin ") == 0;
    for (const auto& name : names(file)) {
        if (file.compare(name.first, name.second, meshName) != 0)
            continue;
        const size_t brace = name.first + name.second + 2; // " {" or the brace's token
        if (!binary)
            return file.insert(brace, std::string("\n") + kMeshGuid);
        return file.insert(brace, Bin().guid().out.substr(16));
    }
    FAIL("no such name");
    return file;
}

}

TEST_CASE("a GUID just inside an object's brace and template names in lower case open as the parser opens them")
{
    // Two scaling frames: the mesh is joined only if both matrices are read.
    const std::vector<Node> nodes = {
        Node::scaled("A", 2.0f, {Node::scaled("B", 3.0f, {Node::meshNode(xfile::quad("Q", 0.0f, 0.0f))})})};
    struct Form {
        std::string name;
        std::string bytes;
    };
    const std::string text = xfile::writeText(nodes), binary = xfile::writeBinary(nodes, 32);
    const Form forms[] = {
        {"text, GUID inside the mesh's brace", guidInsideMesh(text, "Q")},
        {"binary, GUID inside the mesh's brace", guidInsideMesh(binary, "Q")},
        {"text, lower-case names", lowerCaseTemplates(text)},
        {"binary, lower-case names", lowerCaseTemplates(binary)},
        {"compressed binary, both", mszip::compress(lowerCaseTemplates(guidInsideMesh(binary, "Q")))},
    };
    TempDir dir;
    int n = 0;
    for (const Form& form : forms) {
        CAPTURE(form.name);
        REQUIRE(form.bytes != text);
        REQUIRE(form.bytes != binary);
        XFileBytes bytes;
        REQUIRE(bytes.prepare(form.bytes.data(), form.bytes.size()) == XFileBytes::kReady);
        CHECK(bytes.getMeshCount() == 1);
        CHECK(bytes.hasNestedTransforms());
        OpenModel open;
        const std::string pin = packModel(dir, "form" + std::to_string(n++), form.bytes);
        LogCapture log;
        REQUIRE(open.model.open(pin, kFov) == 1);
        CHECK(open.model.getFaceCount() == 2);
        CHECK(LogCapture::count("プラグインのメッシュを階層から結合します。" + pin) == 1);
    }
}

TEST_CASE("a frame whose matrix is the identity but for a negative zero transforms, as its bytes say")
{
    Node inner = Node::frame("B", {Node::meshNode(xfile::quad("Q", 0.0f, 0.0f))});
    inner.hasMatrix = true;
    inner.matrix[1] = -0.0f;
    Node outer = Node::scaled("A", 2.0f, {inner});
    Node plain = Node::frame("A", {Node::frame("B", {Node::meshNode(xfile::quad("Q", 0.0f, 0.0f))})});
    plain.hasMatrix = plain.children[0].hasMatrix = true;
    struct Case {
        const char* name;
        std::string bytes;
        bool joined;
    };
    const Case cases[] = {
        {"text, -0.000000 in the inner frame", xfile::writeText({outer}), true},
        {"binary 64, -0.0 in the inner frame", xfile::writeBinary({outer}, 64), true},
        {"text, both frames the identity", xfile::writeText({plain}), false},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        CAPTURE(c.name);
        XFileBytes bytes;
        REQUIRE(bytes.prepare(c.bytes.data(), c.bytes.size()) == XFileBytes::kReady);
        CHECK(bytes.hasNestedTransforms() == c.joined);
        OpenModel open;
        const std::string pin = packModel(dir, "zero" + std::to_string(n++), c.bytes);
        LogCapture log;
        REQUIRE(open.model.open(pin, kFov) == 1);
        CHECK(open.model.getFaceCount() == 2);
        CHECK(LogCapture::count("プラグインのメッシュを階層から結合します。" + pin) == (c.joined ? 1 : 0));
    }
}
