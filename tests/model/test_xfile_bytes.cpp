// The bytes the parser gets: templates declared ahead, compressed bodies
// inflated, one-index material lists widened, the road read from the body,
// and damaged bodies refused before the parser sees them.
#include "modeller/model/xfile/CompressedBodyCheck.h"
#include "modeller/model/xfile/LoaderTemplates.h"
#include "modeller/model/xfile/XFileBytes.h"
#include "modeller/model/xfile/XTokenizer.h"
#include "modeller/model/Model.h"
#include "CorpusFiles.h"
#include "LogCapture.h"
#include "ModelFixtures.h"
#include "MsZipWriter.h"
#include "TestDevice.h"
#include "XFileWriter.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char kHeader[] = "xof 0303txt 0032\n";
constexpr float kFov = 0.7853982f;

std::string prepared(const std::string& bytes, XFileBytes::Result expect = XFileBytes::kReady)
{
    XFileBytes out;
    REQUIRE(out.prepare(bytes.data(), bytes.size()) == expect);
    return std::string(out.data(), out.size());
}

// The body that follows the declared templates.
std::string bodyAfterTemplates(const std::string& bytes, bool binary)
{
    const std::string& templates = loaderTemplates(binary);
    REQUIRE(bytes.size() >= 16 + templates.size());
    REQUIRE(bytes.compare(16, templates.size(), templates) == 0);
    return bytes.substr(16 + templates.size());
}

// Byte ranges of the templates a binary body declares, by name.
std::vector<std::pair<std::string, std::string>> binaryTemplates(const std::string& file)
{
    std::vector<std::pair<std::string, std::string>> out;
    const std::string body = file.substr(16);
    XTokenizer tokens(body.data(), body.size(), true, 4);
    XToken token, name;
    while (tokens.next(token)) {
        if (token.code != kXTemplate)
            continue;
        const size_t begin = token.begin;
        REQUIRE(tokens.next(name));
        while (tokens.next(token) && token.code != kXCloseBrace) {
        }
        out.emplace_back(body.substr(name.text, name.textSize), body.substr(begin, token.end - begin));
    }
    return out;
}

void appendLittle(std::string& out, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// The names of meshes and material lists in lower case, as some exporters write them.
std::string lowerCase(std::string text)
{
    for (const std::string name : {"MeshMaterialList {", "Mesh {"}) {
        std::string lower = name;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
            text.replace(at, name.size(), lower);
    }
    return text;
}

xfile::Mesh texturedQuad()
{
    xfile::Mesh mesh = xfile::quad("Q", 0.0f, 0.0f);
    mesh.materials[0].texture = "quad.bmp";
    return mesh;
}

}

TEST_CASE("the text tokenizer reads comments strings GUIDs numbers and names")
{
    struct Case {
        const char* text;
        std::vector<XTokenCode> codes;
        bool fails;
    };
    const Case cases[] = {
        {"# a comment\n// another\nMesh", {kXName}, false},
        {"a // to the end of the body", {kXName}, false},
        {"\"a \\ b; } {\";", {kXString, kXSemicolon}, false},
        {"<3D82AB43-62DA-11cf-AB39-0020AF71E433>", {kXGuid}, false},
        {"12;-3,+4 1.5 -0.25e-3 .5 1e3",
         {kXInteger, kXSemicolon, kXInteger, kXComma, kXInteger, kXFloat, kXFloat, kXFloat, kXFloat},
         false},
        {"Box01-mesh 2dShape \x83\x8a\x83\x93 template", {kXName, kXName, kXName, kXTemplate}, false},
        {"[ ... ]", {kXOpenBracket, kXDot, kXDot, kXDot, kXCloseBracket}, false},
        {"{ \"no end }", {kXOpenBrace}, true},
        {"<3D82AB43-62DA-11cf-AB39-0020AF71E43>", {}, true},
        {"<3D82AB43+62DA-11cf-AB39-0020AF71E433>", {}, true},
    };
    for (const Case& c : cases) {
        const std::string text = c.text;
        CAPTURE(text);
        XTokenizer tokens(text.data(), text.size(), false, 4);
        std::vector<XTokenCode> codes;
        XToken token;
        while (tokens.next(token))
            codes.push_back(token.code);
        CHECK(codes == c.codes);
        CHECK(tokens.failed() == c.fails);
    }
}

TEST_CASE("the loader's template sets are declared ahead of the body in its own encoding")
{
    const std::string text = xfile::writeText({xfile::Node::meshNode(texturedQuad())});
    const std::string out = prepared(text);
    CHECK(out.compare(0, 16, text, 0, 16) == 0);
    CHECK(bodyAfterTemplates(out, false) == text.substr(16));
    for (const std::string name : {"XSkinMeshHeader", "VertexDuplicationIndices", "SkinWeights", "EffectInstance",
                                   "AnimTicksPerSecond", "CompressedAnimationSet", "FVFData", "DeclData", "PMInfo"}) {
        CAPTURE(name);
        CHECK(loaderTemplates(false).find("template " + name + " ") != std::string::npos);
    }

    // The exporter of this file declared five of the same templates in binary;
    // the encoder writes them byte for byte as it did.
    const std::string ball = readBytes(corpusFolder() + "\\dx-ball-bin\\ball.x");
    REQUIRE(!ball.empty());
    unsigned compared = 0;
    for (const auto& declared : binaryTemplates(ball)) {
        if (loaderTemplates(false).find("template " + declared.first + " ") == std::string::npos)
            continue;
        CAPTURE(declared.first);
        CHECK(loaderTemplates(true).find(declared.second) != std::string::npos);
        ++compared;
    }
    CHECK(compared == 5);
    const std::string binaryOut = prepared(ball);
    CHECK(binaryOut.compare(0, 16, ball, 0, 16) == 0);
    CHECK(bodyAfterTemplates(binaryOut, true) == ball.substr(16));
}

TEST_CASE("the template encoder writes the tokens of a declaration and refuses what no declaration holds")
{
    const char declaration[] = "template A { <01020304-0506-0708-090A-0B0C0D0E0F10> array DWORD a[2]; }";
    std::string expected;
    appendLittle(expected, kXTemplate, 2);
    appendLittle(expected, kXName, 2);
    appendLittle(expected, 1, 4);
    expected += "A";
    appendLittle(expected, kXOpenBrace, 2);
    appendLittle(expected, kXGuid, 2);
    expected += std::string("\x04\x03\x02\x01\x06\x05\x08\x07\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 16);
    appendLittle(expected, kXArray, 2);
    appendLittle(expected, 41, 2); // DWORD
    appendLittle(expected, kXName, 2);
    appendLittle(expected, 1, 4);
    expected += "a";
    appendLittle(expected, kXOpenBracket, 2);
    appendLittle(expected, kXInteger, 2);
    appendLittle(expected, 2, 4);
    appendLittle(expected, kXCloseBracket, 2);
    appendLittle(expected, kXSemicolon, 2);
    appendLittle(expected, kXCloseBrace, 2);
    CHECK(encodeBinaryTokens(declaration, std::strlen(declaration)) == expected);
    for (const char* text : {"template A { FLOAT a; 1.5 }", "template A { \"text\" }", "template A { <0000 }"}) {
        CAPTURE(text);
        CHECK(encodeBinaryTokens(text, std::strlen(text)).empty());
    }
}

TEST_CASE("a compressed body is handed over inflated under the plain header of its encoding")
{
    const std::string text = xfile::writeText({xfile::Node::meshNode(texturedQuad())});
    const std::string out = prepared(mszip::compress(text));
    CHECK(out.compare(0, 16, "xof 0303txt 0032") == 0);
    CHECK(bodyAfterTemplates(out, false) == text.substr(16));

    const std::string binary = readBytes(corpusFolder() + "\\assimp-cube-3formats\\test_cube_binary.x");
    REQUIRE(!binary.empty());
    const std::string binaryOut = prepared(mszip::compress(binary));
    CHECK(binaryOut.compare(0, 16, "xof 0303bin 0032") == 0);
    CHECK(bodyAfterTemplates(binaryOut, true) == binary.substr(16));
}

TEST_CASE("a material list with one face index gives that index to every face of its mesh")
{
    const std::string materials = "Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n";
    auto mesh = [&](const char* faces, const char* list) {
        return std::string(kHeader) + "Mesh {\n4;\n0.0;0.0;0.0;,\n0.0;1.0;0.0;,\n1.0;1.0;0.0;,\n1.0;0.0;0.0;;\n" + faces
               + "MeshMaterialList {\n" + list + materials + materials + "}\n}\n";
    };
    const char* threeFaces = "3;\n3;0,1,2;,\n3;0,2,3;,\n3;1,2,3;;\n";
    struct Case {
        const char* name;
        std::string text;
        const char* listAfter; // empty: the body is handed over as it is
    };
    const Case cases[] = {
        {"one index, three faces", mesh(threeFaces, "2;\n1;\n1;;\n"), "2;\n3;\n1,1,1;;\n"},
        {"two indexes, three faces", mesh(threeFaces, "2;\n2;\n1,0;;\n"), ""},
        {"one index, one face", mesh("1;\n3;0,1,2;;\n", "2;\n1;\n1;;\n"), ""},
        {"a list outside a mesh", std::string(kHeader) + "MeshMaterialList {\n2;\n1;\n1;;\n}\n", ""},
        {"one index, three faces, names in lower case", lowerCase(mesh(threeFaces, "2;\n1;\n1;;\n")),
         "2;\n3;\n1,1,1;;\n"},
        {"a string for the index", mesh(threeFaces, "2;\n1;\n\"1\";\n1;;\n"), ""},
        {"a reference between the count and the index", mesh(threeFaces, "2;\n1;\n{ Q }\n1;;\n"), ""},
        {"a one-index list before the mesh's last faces",
         mesh("3;\n3;0,1,2;,\nMeshMaterialList {\n2;\n1;\n1;;\n}\n3;0,2,3;,\n3;1,2,3;;\n", "2;\n3;\n1,1,1;;\n"), ""},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        const std::string body = bodyAfterTemplates(prepared(c.text), false);
        if (*c.listAfter == '\0')
            CHECK(body == c.text.substr(16));
        else
            CHECK(lowerCase(body).find(std::string("meshmateriallist {\n") + c.listAfter) != std::string::npos);
    }

    // In binary the three values [materials, 1, index] are one integer list.
    const std::string logo = readBytes(corpusFolder() + "\\dx-mslogo-bin\\mslogo.x");
    REQUIRE(!logo.empty());
    const std::string body = bodyAfterTemplates(prepared(logo), true);
    std::string list;
    appendLittle(list, kXIntegerList, 2);
    for (unsigned value : {2 + 2668u, 1u, 2668u})
        appendLittle(list, value, 4);
    const size_t at = body.find("MeshMaterialList");
    REQUIRE(at != std::string::npos);
    CHECK(body.compare(at + 16 + 2, list.size(), list) == 0);
    for (unsigned face = 0; face < 2668; ++face)
        CHECK(body.compare(at + 18 + list.size() + face * 4, 4, std::string(4, '\0')) == 0);
    CHECK(body.size() == logo.size() - 16 + 2667 * 4);
}

TEST_CASE("the body says how many meshes the hierarchy holds and whether frames nest transforms")
{
    const std::string quad = "Mesh Q {\n3;\n0.0;0.0;0.0;,\n0.0;1.0;0.0;,\n1.0;1.0;0.0;;\n1;\n3;0,1,2;;\n}\n";
    const std::string scale =
        "FrameTransformMatrix { 2.0,0.0,0.0,0.0,0.0,2.0,0.0,0.0,0.0,0.0,2.0,0.0,0.0,0.0,0.0,1.0;; }\n";
    const std::string identity = "FrameTransformMatrix { 1.0,0,0,0, 0,1.0,0,0, 0,0,1,0, 0,0,0,1.0;; }\n";
    struct Case {
        const char* name;
        std::string body;
        unsigned meshes;
        bool nested;
    };
    const Case cases[] = {
        {"a mesh alone", quad, 1, false},
        {"a mesh in one moving frame", "Frame A {" + scale + quad + "}", 1, false},
        {"a mesh in two moving frames", "Frame A {" + scale + "Frame B {" + scale + quad + "} }", 1, true},
        {"a moving frame in a plain one", "Frame A {" + identity + "Frame B {" + scale + quad + "} }", 1, false},
        {"a mesh and a frame's reference to it", quad + "Frame A {" + scale + "{ Q } }", 2, false},
        {"a reference under two moving frames", quad + "Frame A {" + scale + "Frame B {" + scale + "{ Q } } }", 2,
         true},
        {"a frame referenced by another", "Frame A { " + quad + "}\nFrame B {" + scale + "{ A } }", 2, false},
        {"a reference to nothing, a mesh inside another object", "Frame A { { Nowhere } }\nHolder {" + quad + "}", 0,
         false},
        {"two meshes side by side", quad + "Mesh R {\n0;\n0;\n}\n", 2, false},
        {"separators between top-level objects", ";\n" + quad + ";,\n", 1, false},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        const std::string text = kHeader + c.body;
        XFileBytes bytes;
        REQUIRE(bytes.prepare(text.data(), text.size()) == XFileBytes::kReady);
        CHECK(bytes.getMeshCount() == c.meshes);
        CHECK(bytes.hasNestedTransforms() == c.nested);
    }
}

namespace {

struct Damaged {
    std::string name;
    std::string bytes;
    bool refusedByReader; // else the bytes are readable and the loader refuses them
};

void putLittle(std::string& bytes, size_t at, unsigned value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// The first token of a binary body with the given code, after the name if one is given.
XToken firstToken(const std::string& file, XTokenCode code, const std::string& after = std::string())
{
    XTokenizer tokens(file.data() + 16, file.size() - 16, true, 4);
    XToken token;
    bool seen = after.empty();
    while (tokens.next(token)) {
        seen = seen || (token.code == kXName && file.compare(16 + token.text, token.textSize, after) == 0);
        if (seen && token.code == code) {
            token.begin += 16;
            token.text += 16;
            return token;
        }
    }
    FAIL("no such token");
    return token;
}

std::string nested(const std::string& header, const std::string& open, const std::string& close, int depth)
{
    std::string out = header;
    for (int i = 0; i < depth; ++i)
        out += open;
    for (int i = 0; i < depth; ++i)
        out += close;
    return out;
}

std::vector<Damaged> damagedText()
{
    const std::string text = xfile::writeText({xfile::Node::frame("F", {xfile::Node::meshNode(texturedQuad())})});
    std::vector<Damaged> out;
    for (size_t cut : {size_t(24), size_t(30), text.size() / 2, text.size() - 3})
        out.push_back({"text cut at " + std::to_string(cut), text.substr(0, cut), true});
    std::string unterminated = text;
    unterminated.erase(unterminated.find(".bmp\"") + 4, 1);
    out.push_back({"text string without its closing quote", unterminated, true});
    std::string comment = text;
    comment.insert(comment.rfind('}'), "// ");
    out.push_back({"text comment hiding the last brace", comment, true});
    out.push_back({"text without its last brace", text.substr(0, text.rfind('}')), true});
    std::string guid = text;
    guid.insert(16, "\ntemplate T { <3D82AB43-62DA-11cf }\n");
    out.push_back({"text template with a cut GUID", guid, true});
    out.push_back({"text frames nested 100 deep", nested(kHeader, "Frame F {\n", "}\n", 100), true});
    std::string count = text;
    count.replace(count.find("4;"), 2, "99999999;");
    out.push_back({"text vertex count past the body", count, false});
    return out;
}

std::vector<Damaged> damagedBinary()
{
    const std::string cube = readBytes(corpusFolder() + "\\assimp-cube-3formats\\test_cube_binary.x");
    REQUIRE(!cube.empty());
    std::vector<Damaged> out;
    for (size_t cut : {size_t(17), size_t(21), cube.size() / 3, cube.size() / 2, cube.size() - 1})
        out.push_back({"binary cut at " + std::to_string(cut), cube.substr(0, cut), true});
    std::string list = cube;
    putLittle(list, firstToken(cube, kXIntegerList).begin + 2, 0x40000000u, 4);
    out.push_back({"binary integer list longer than the body", list, true});
    std::string floats = cube;
    const XToken floatList = firstToken(cube, kXFloatList);
    putLittle(floats, floatList.begin + 2, unsigned((cube.size() - floatList.text) / 4 + 1), 4);
    out.push_back({"binary float list running past the end", floats, true});
    std::string name = cube;
    putLittle(name, firstToken(cube, kXName).begin + 2, 0xFFFFFFF0u, 4);
    out.push_back({"binary name longer than the body", name, true});
    std::string code = cube;
    putLittle(code, firstToken(cube, kXOpenBrace).begin, 0x63, 2);
    out.push_back({"binary unknown token", code, true});
    out.push_back({"binary without its last brace", cube.substr(0, cube.size() - 2), true});
    std::string frame;
    putLittle(frame.append(6, '\0'), 0, kXName, 2);
    putLittle(frame, 2, 5, 4);
    frame += "Frame";
    frame.append(2, '\0');
    putLittle(frame, 11, kXOpenBrace, 2);
    std::string close(2, '\0');
    putLittle(close, 0, kXCloseBrace, 2);
    out.push_back({"binary frames nested 100 deep", nested(cube.substr(0, 16), frame, close, 100), true});
    std::string count = cube;
    putLittle(count, firstToken(cube, kXIntegerList, "Mesh").text, 0x7FFFFFFFu, 4);
    out.push_back({"binary vertex count past the body", count, false});
    return out;
}

}

TEST_CASE("damaged bodies are refused as the source's failure and the editor opens the next model")
{
    TempDir dir;
    std::vector<Damaged> cases = damagedText();
    for (Damaged& d : damagedBinary())
        cases.push_back(d);
    OpenModel open;
    Model& model = open.model;
    int n = 0;
    for (const Damaged& d : cases) {
        CAPTURE(d.name);
        XFileBytes bytes;
        CHECK((bytes.prepare(d.bytes.data(), d.bytes.size()) == XFileBytes::kUnreadable) == d.refusedByReader);
        const std::string name = "damaged" + std::to_string(n++);
        const std::string pin = packModel(dir, name, d.bytes);
        REQUIRE(!pin.empty());
        LogCapture log;
        CHECK(model.open(pin, kFov) == 0);
        CHECK(model.isLoaded() == 0);
        CHECK(LogCapture::count("Xファイルの読み込みに失敗しました。") == 1);
        const std::string refusal =
            std::string("プラグインのXファイルが読めません（") + bytes.getFailure() + "）。" + pin;
        CHECK(LogCapture::count(refusal) == (d.refusedByReader ? 1 : 0));
        CHECK(LogCapture::countContaining("プラグインのXファイルが読めません（") == (d.refusedByReader ? 1 : 0));
    }
    REQUIRE(model.open(repositoryFile("resources\\sample\\sample.x"), kFov) == 1);
    CHECK(model.getPartsCount() > 0);
}

namespace {

// A small seeded generator, the same sequence on every run.
class Seeded {
public:
    explicit Seeded(unsigned seed) : state_(seed) {}
    unsigned next(unsigned bound)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return bound ? (state_ >> 8) % bound : 0;
    }

private:
    unsigned state_;
};

// One random change of the bytes: bytes overwritten, a digit or a count
// changed, the body cut, a stretch removed or repeated.
std::string mutateBytes(const std::string& original, Seeded& random)
{
    std::string bytes = original;
    const unsigned size = unsigned(bytes.size());
    const unsigned at = random.next(size);
    switch (random.next(6)) {
    case 0:
        for (unsigned i = 0, n = 1 + random.next(4); i < n; ++i)
            bytes[random.next(size)] = char(random.next(256));
        break;
    case 1: {
        const size_t digit = bytes.find_first_of("0123456789", at);
        if (digit != std::string::npos)
            bytes[digit] = char('0' + random.next(10));
        break;
    }
    case 2:
        if (at + 4 <= size)
            putLittle(bytes, at & ~3u, random.next(2) ? random.next(1000) : 0xFFFFFFF0u + random.next(16), 4);
        break;
    case 3: bytes.resize(at); break;
    case 4: bytes.erase(at, 1 + random.next(16)); break;
    default: bytes.insert(at, bytes.substr(random.next(size), 1 + random.next(64)));
    }
    return bytes;
}

constexpr size_t kNoType = ~size_t(0);

// A data object by its tokens: the type name, the open brace and the close brace.
struct ObjectTokens {
    size_t type, open, close;
};

// A model as stored, and its plain form (inflated when compressed) with the
// tokens and data objects of its body, in offsets of the whole file.
struct Original {
    std::string bytes;
    std::string plain;
    bool compressed = false;
    bool binary = false;
    std::vector<XToken> tokens;
    std::vector<ObjectTokens> objects;

    // Where token i starts; the end of the file past the last token.
    size_t start(size_t i) const { return i < tokens.size() ? tokens[i].begin : plain.size(); }
};

bool isCompressed(const std::string& file)
{
    return file.compare(8, 4, "tzip") == 0 || file.compare(8, 4, "bzip") == 0;
}

// A compressed file as a plain one: its header with "txt " or "bin ", then the inflated body.
std::string inflated(const std::string& bytes)
{
    CompressedBodyCheck check;
    REQUIRE(check.run(bytes.data(), bytes.size()) == CompressedBodyCheck::kIntact);
    std::string plain = bytes.substr(0, 16);
    plain.replace(8, 4, bytes.compare(8, 4, "tzip") == 0 ? "txt " : "bin ");
    return plain.append(check.getBody().begin(), check.getBody().end());
}

bool isValueOrSeparator(XTokenCode code)
{
    return code == kXInteger || code == kXFloat || code == kXIntegerList || code == kXFloatList || code == kXSemicolon
           || code == kXComma;
}

// The tokens of a plain file from offset from on, read as its header says;
// without values and separators unless withValues.
std::vector<XToken> bodyTokens(const std::string& file, size_t from = 16, bool withValues = true)
{
    const bool binary = file.compare(8, 4, "bin ") == 0;
    XTokenizer tokens(file.data() + from, file.size() - from, binary, file.compare(12, 4, "0064") == 0 ? 8 : 4);
    std::vector<XToken> out;
    XToken token;
    while (tokens.next(token)) {
        if (!withValues && isValueOrSeparator(token.code))
            continue;
        token.begin += from;
        token.end += from;
        token.text += from;
        out.push_back(token);
    }
    CHECK(!tokens.failed());
    return out;
}

// The type name of the object whose open brace is token i: before the brace an
// optional GUID, before that the type and an optional name. None for a reference
// or a template.
size_t typeBefore(const std::vector<XToken>& tokens, size_t i)
{
    if (i > 0 && tokens[i - 1].code == kXGuid)
        --i;
    size_t type = kNoType;
    if (i >= 2 && tokens[i - 2].code == kXName
        && (tokens[i - 1].code == kXName || tokens[i - 1].code == kXInteger || tokens[i - 1].code == kXFloat))
        type = i - 2;
    else if (i >= 1 && tokens[i - 1].code == kXName)
        type = i - 1;
    return type == kNoType || (type > 0 && tokens[type - 1].code == kXTemplate) ? kNoType : type;
}

// The data objects of a body, inner ones first; templates and references left out.
std::vector<ObjectTokens> dataObjects(const std::vector<XToken>& tokens)
{
    std::vector<ObjectTokens> objects, open;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].code == kXOpenBrace)
            open.push_back({typeBefore(tokens, i), i, 0});
        if (tokens[i].code != kXCloseBrace || open.empty())
            continue;
        ObjectTokens object = open.back();
        open.pop_back();
        object.close = i;
        if (object.type != kNoType)
            objects.push_back(object);
    }
    return objects;
}

Original original(const std::string& path)
{
    Original o;
    o.bytes = readBytes(path);
    REQUIRE(o.bytes.size() > 16);
    o.compressed = isCompressed(o.bytes);
    o.plain = o.compressed ? inflated(o.bytes) : o.bytes;
    o.binary = o.plain.compare(8, 4, "bin ") == 0;
    o.tokens = bodyTokens(o.plain);
    o.objects = dataObjects(o.tokens);
    REQUIRE(!o.objects.empty());
    return o;
}

// A run of up to 16 tokens, or at times a whole object's, put before another
// token (near it or anywhere), in addition to or in place of up to two tokens
// there. A text run carries the spaces after it.
std::string copyTokens(const Original& o, Seeded& random)
{
    const unsigned count = unsigned(o.tokens.size());
    size_t first = random.next(count), last = first + 1 + random.next(16);
    if (random.next(3) == 0) {
        const ObjectTokens& object = o.objects[random.next(unsigned(o.objects.size()))];
        first = object.type;
        last = object.close + 1;
    }
    const std::string run = o.plain.substr(o.start(first), o.start(last) - o.start(first));
    size_t to = random.next(count + 1);
    if (random.next(2)) {
        const size_t nearby = first + random.next(33);
        to = std::min<size_t>(count, nearby >= 16 ? nearby - 16 : 0);
    }
    const size_t replaced = std::min<size_t>(count - to, random.next(3));
    std::string bytes = o.plain;
    return bytes.replace(o.start(to), o.start(to + replaced) - o.start(to), run);
}

// An object's bytes, type name to close brace, put just after the open brace
// of another object or of itself.
std::string duplicateObject(const Original& o, Seeded& random)
{
    const unsigned count = unsigned(o.objects.size());
    const ObjectTokens& copied = o.objects[random.next(count)];
    const ObjectTokens& into = random.next(4) == 0 ? copied : o.objects[random.next(count)];
    const size_t begin = o.tokens[copied.type].begin;
    const std::string object = o.plain.substr(begin, o.tokens[copied.close].end - begin);
    std::string bytes = o.plain;
    return bytes.insert(o.tokens[into.open].end, o.binary ? object : "\n" + object);
}

// A byte-level change, or a change of the body's tokens or objects (made in
// the plain form and compressed again when the model is compressed).
std::string mutate(const Original& o, Seeded& random)
{
    const unsigned kind = random.next(5);
    if (kind < 3)
        return mutateBytes(o.bytes, random);
    const std::string plain = kind == 3 ? copyTokens(o, random) : duplicateObject(o, random);
    return o.compressed ? mszip::compress(plain) : plain;
}

// The bytes of a plain file's tokens other than numbers and separators: its
// objects, names, strings and GUIDs in order.
std::vector<std::string_view> objectTokens(const std::string& file, size_t from)
{
    std::vector<std::string_view> out;
    for (const XToken& token : bodyTokens(file, from, false))
        out.push_back(std::string_view(file).substr(token.begin, token.end - token.begin));
    return out;
}

// The edits of a prepared body rewrite numbers only, so it keeps every object;
// prepared again it reads as the same hierarchy and needs no edit: only the
// templates are declared once more. True when the first prepare is ready.
bool preparesAgainUnchanged(const std::string& bytes)
{
    XFileBytes first;
    if (first.prepare(bytes.data(), bytes.size()) != XFileBytes::kReady)
        return false;
    const std::string out(first.data(), first.size());
    const std::string& templates = loaderTemplates(out.compare(8, 4, "bin ") == 0);
    const std::string plain = isCompressed(bytes) ? inflated(bytes) : bytes;
    CHECK(objectTokens(out, 16 + templates.size()) == objectTokens(plain, 16));
    XFileBytes again;
    REQUIRE(again.prepare(out.data(), out.size()) == XFileBytes::kReady);
    CHECK(again.getMeshCount() == first.getMeshCount());
    CHECK(again.hasNestedTransforms() == first.hasNestedTransforms());
    CHECK(again.getRepairedLists() == 0);
    CHECK(std::string(again.data(), again.size()) == out.substr(0, 16) + templates + out.substr(16));
    return true;
}

}

TEST_CASE("seeded mutations of real models are each refused cleanly or opened")
{
    const char* files[] = {"dx-tiger\\tiger.x",
                           "assimp-cube-3formats\\test_cube_text.x",
                           "assimp-cube-3formats\\test_cube_binary.x",
                           "assimp-cube-3formats\\test_cube_compressed.x",
                           "assimp-maya-cube\\test.x",
                           "dx-cell\\cell.x",
                           "dx-ball-bin\\ball.x",
                           "dx-mslogo-bin\\mslogo.x",
                           "kwxport-vcolor-cube\\kwxport_test_cubewithvcolors.x",
                           "dx-airplane\\airplane 2.x"};
    std::vector<Original> originals;
    for (const char* file : files)
        originals.push_back(original(corpusFolder() + "\\" + file));
    constexpr unsigned kMutations = 600;
    constexpr DWORD kBudgetMs = 40000;
    TempDir dir;
    const std::string path = dir.file("mutated.x");
    Model model;
    REQUIRE(model.create(TestDevice::get()) == 1);
    Seeded random(20261211);
    const DWORD start = GetTickCount();
    unsigned tried = 0, ready = 0, opened = 0;
    for (; tried < kMutations && GetTickCount() - start < kBudgetMs; ++tried) {
        const size_t file = tried % originals.size();
        const std::string bytes = mutate(originals[file], random);
        const std::string name = files[file];
        CAPTURE(name);
        CAPTURE(tried);
        ready += preparesAgainUnchanged(bytes) ? 1 : 0;
        writeTextFile(path, bytes);
        const int result = model.open(path, kFov);
        REQUIRE((result == 0 || result == 1));
        if (result == 1) {
            ++opened;
            unsigned faces = 0;
            for (unsigned k = 0; k < model.getPartsCount(); ++k)
                faces += model.getParts(k).getFaceCount();
            CHECK(faces == model.getFaceCount());
        } else {
            CHECK(model.isLoaded() == 0);
        }
    }
    MESSAGE(tried << " mutations, " << ready << " prepared, " << opened << " opened");
    CHECK(tried >= 100);
    CHECK(opened > 0);
    CHECK(opened < tried);
    model.destroy();
}
