#include "FailingFiles.h"
#include "TempDir.h"
#include "archive/MessageBox.h"
#include "archive/PlugInData.h"
#include "archive/PlugInMaker.h"
#include "archive/PlugInReader.h"
#include "archive/PlugInWriter.h"
#include "gfl/File.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> g_messages;

void recordMessage(const char*, const char* text)
{
    g_messages.emplace_back(text);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    REQUIRE(gfl::File(path.c_str()).writeAll(bytes.data(), DWORD(bytes.size())) == S_OK);
}

std::string readEntry(PlugInReader& reader, const char* name)
{
    std::vector<char> out;
    if (!reader.readFile(name, out))
        return "<missing>";
    return std::string(out.begin(), out.end());
}

struct CarFolder {
    TempDir dir;
    std::string folder = dir.file("car");
    std::string mesh = "xof 0303txt 0032\nMesh {}\n";
    std::string texture = std::string("BM\0\x01\xff", 5) + std::string(100, 'p');
    CarFolder()
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\tex").c_str(), nullptr);
        writeFile(folder + "\\car.x", mesh);
        writeFile(folder + "\\tex\\wood.bmp", texture);
        writeFile(folder + "\\empty.txt", "");
        setMessageFunction(recordMessage);
        g_messages.clear();
    }
};
}

TEST_CASE("scrambling is its own inverse and repeats every 28 bytes")
{
    std::vector<char> data(100, 0);
    scramblePlugInData(data);
    for (size_t i = 0; i + 28 < data.size(); ++i)
        CHECK(data[i] == data[i + 28]);
    CHECK(data[0] == char(0x90 ^ 0xAA));  // first byte of the key phrase is 0x90
    scramblePlugInData(data);
    CHECK(data == std::vector<char>(100, 0));
    std::vector<char> empty;
    scramblePlugInData(empty);
    CHECK(empty.empty());
}

TEST_CASE("a packed folder reads back byte for byte")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    CHECK(g_messages == std::vector<std::string>{"プラグイン作成成功"});

    PlugInReader reader;
    REQUIRE(reader.open(car.dir.file("car.pin").c_str()) == 1);
    std::vector<char> mesh;
    CHECK(reader.readMainMeshFile(mesh) == 1);
    CHECK(std::string(mesh.begin(), mesh.end()) == car.mesh);
    CHECK(readEntry(reader, "wood.bmp") == car.texture);
    CHECK(readEntry(reader, "WOOD.BMP") == car.texture);
    CHECK(readEntry(reader, "tbm_main_mesh_file") == car.mesh);
    CHECK(readEntry(reader, "empty.txt") == "");
    CHECK(readEntry(reader, "car.x") == "<missing>");
    CHECK(readEntry(reader, "wood_bmp") == "<missing>");
}

TEST_CASE("the maker refuses folders it cannot pack and keeps what was there")
{
    CarFolder car;
    const std::string output = car.dir.file("car.pin");
    writeFile(output, "old");

    struct Case { std::string folder; };
    DeleteFileA((car.folder + "\\car.x").c_str());
    writeFile(car.folder + "\\Car.X.txt", "x");
    const Case cases[] = {{car.folder}, {car.dir.file("missing")}, {car.folder + "\\empty.txt"}};
    for (const Case& c : cases) {
        CAPTURE(c.folder);
        CHECK(makePlugIn(c.folder.c_str()) == 0);
    }
    CHECK(g_messages.empty());
    std::vector<char> old(3);
    CHECK(gfl::File(output.c_str()).readAll(old.data(), 3) == S_OK);
    CHECK(std::string(old.begin(), old.end()) == "old");
}

TEST_CASE("the maker names the archive after the folder and needs folder.x")
{
    CarFolder car;
    const std::string dotted = car.dir.file("car.old");
    CreateDirectoryA(dotted.c_str(), nullptr);
    writeFile(dotted + "\\car.x", "wrong name");
    CHECK(makePlugIn(dotted.c_str()) == 0);
    writeFile(dotted + "\\car.old.x", car.mesh);
    CHECK(makePlugIn(dotted.c_str()) == 1);
    PlugInReader reader;
    REQUIRE(reader.open(car.dir.file("car.pin").c_str()) == 1);
    CHECK(readEntry(reader, "TBM_MAIN_MESH_FILE") == car.mesh);
}

TEST_CASE("the reader refuses what is no plug-in archive")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    const std::string pin = car.dir.file("car.pin");
    std::vector<char> bytes(64 * 1024);
    DWORD size = 0;
    REQUIRE(gfl::File(pin.c_str()).readAll(bytes.data(), DWORD(bytes.size()), &size) == S_OK);
    bytes.resize(size);
    const std::string archive(bytes.begin(), bytes.end());

    // The end record's comment length sits 20 bytes into the record; the comment follows.
    const size_t end = archive.rfind("PK\x05\x06");
    REQUIRE(end != std::string::npos);
    std::string shortComment = archive;
    shortComment[end + 20] = 5;
    shortComment.resize(end + 22 + 5);
    std::string longComment = archive + "xyz";
    longComment[end + 20] = 9;

    struct Case { const char* name; std::string bytes; int opens; };
    const Case cases[] = {
        {"not a zip", "hello, world", 0},
        {"short comment", shortComment, 0},
        {"longer comment", longComment, 1},
        {"truncated", archive.substr(0, archive.size() / 2), 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        const std::string path = car.dir.file("case.pin");
        writeFile(path, c.bytes);
        PlugInReader reader;
        CHECK(reader.open(path.c_str()) == c.opens);
    }

    PlugInReader reader;
    CHECK(reader.open(car.folder.c_str()) == 0);
    CHECK(reader.open(car.dir.file("missing.pin").c_str()) == 0);

    // A changed byte of the stored data fails the CRC check.
    std::string damaged = archive;
    const size_t data = 30 + std::string("TBM_MAIN_MESH_FILE").size();
    REQUIRE(archive.compare(30, 18, "TBM_MAIN_MESH_FILE") == 0);
    damaged[data + 5] = char(damaged[data + 5] ^ 0x10);
    writeFile(car.dir.file("damaged.pin"), damaged);
    REQUIRE(reader.open(car.dir.file("damaged.pin").c_str()) == 1);
    std::vector<char> out;
    CHECK(reader.readMainMeshFile(out) == 0);
    CHECK(readEntry(reader, "wood.bmp") == car.texture);

    // A stated size of 2 GiB (local header +22, central header +24) is refused, not allocated.
    std::string huge = archive;
    const size_t central = archive.find("PK\x01\x02");
    REQUIRE(central != std::string::npos);
    for (size_t at : {size_t(22), central + 24}) {
        huge[at] = '\xff';
        huge[at + 1] = '\xff';
        huge[at + 2] = '\xff';
        huge[at + 3] = '\x7f';
    }
    writeFile(car.dir.file("huge.pin"), huge);
    reader.close();
    REQUIRE(reader.open(car.dir.file("huge.pin").c_str()) == 1);
    CHECK(reader.readMainMeshFile(out) == 0);
    CHECK(readEntry(reader, "wood.bmp") == car.texture);
}

TEST_CASE("the build's sample plug-in holds the sample model")
{
    PlugInReader reader;
    REQUIRE(reader.open("..\\plugin\\sample.pin") == 1);
    std::vector<char> mesh;
    REQUIRE(reader.readMainMeshFile(mesh) == 1);
    CHECK(std::string(mesh.begin(), mesh.begin() + 16) == "xof 0303txt 0032");
    std::vector<char> texture;
    REQUIRE(reader.readFile("sample.bmp", texture) == 1);
    CHECK(std::string(texture.begin(), texture.begin() + 2) == "BM");
}

TEST_CASE("entries added to a plug-in archive extract inside the target folder only")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    const std::string pin = car.dir.file("car.pin");
    const std::string original = car.dir.file("original.pin");
    REQUIRE(CopyFileA(pin.c_str(), original.c_str(), FALSE));

    struct Case { std::string name; bool extracts; };
    const Case cases[] = {
        {"\x95\x5c.txt", true},   // 表: trail byte 0x5C
        {"\x83\x5c\x83\x5c", true},  // ソソ
        {"..\\evil.txt", false},
        {"../evil.txt", false},
        {"C:\\evil.txt", false},
        {"\\evil.txt", false},
        {"sub\\evil.txt", false},
        {"a:b", false},
        {"..", false},
        {".", false},
        {std::string(300, 'n'), false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        REQUIRE(CopyFileA(original.c_str(), pin.c_str(), FALSE));
        {
            PlugInWriter writer;
            REQUIRE(writer.openAppend(pin) == 1);
            std::vector<char> data(c.name.begin(), c.name.end());
            REQUIRE(writer.writeFile(c.name.c_str(), data) == 1);
            CHECK(data != std::vector<char>(c.name.begin(), c.name.end()));
            REQUIRE(writer.close() == 1);
        }
        TempDir target;
        PlugInReader reader;
        REQUIRE(reader.open(pin.c_str()) == 1);
        CHECK(reader.hasFile("wood.bmp") == 1);
        CHECK(reader.extractAll(target.path().c_str()) == (c.extracts ? 1 : 0));
        CHECK(gfl::Path(target.file("wood.bmp")).isFile());
        CHECK(gfl::Path(target.file("TBM_MAIN_MESH_FILE")).isFile());
        CHECK_FALSE(gfl::Path(target.file("..\\evil.txt")).exists());
        CHECK_FALSE(gfl::Path("C:\\evil.txt").exists());
        if (c.extracts) {
            CHECK(reader.hasFile(c.name.c_str()) == 1);
            std::vector<char> content(c.name.size());
            DWORD read = 0;
            gfl::File(target.file(c.name).c_str()).readAll(content.data(), DWORD(content.size()), &read);
            CHECK(std::string(content.data(), read) == c.name);
        }
    }
}

TEST_CASE("plug-in tests and appends refuse other files")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    CHECK(isPlugInFile(gfl::Path(car.dir.file("car.pin"))) == 1);
    CHECK(isPlugInFile(gfl::Path(car.folder + "\\car.x")) == 0);
    CHECK(isPlugInFile(gfl::Path(car.folder)) == 0);

    PlugInWriter writer;
    CHECK(writer.openAppend(car.folder + "\\car.x") == 0);
    std::vector<char> data{'x'};
    CHECK(writer.writeFile("x", data) == 0);

    PlugInReader reader;
    REQUIRE(reader.open(car.dir.file("car.pin").c_str()) == 1);
    CHECK(reader.hasFile("missing") == 0);
    CHECK(reader.extractAll(car.dir.file("nowhere").c_str()) == 0);
}

TEST_CASE("a write failure part-way shows the failure box and leaves no archive")
{
    CarFolder car;
    std::string noise(300000, '\0');
    unsigned seed = 12345;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    writeFile(car.folder + "\\noise.bin", noise);
    const std::string output = car.dir.file("car.pin");

    for (unsigned long budget : {0ul, 40ul, 1000ul, 100000ul, 250000ul, 300500ul}) {
        CAPTURE(budget);
        writeFile(output, "earlier run");
        g_messages.clear();
        {
            FailingFiles failing(budget);
            CHECK(makePlugIn(car.folder.c_str()) == 0);
        }
        CHECK(g_messages == std::vector<std::string>{"エラー！！プラグイン作成失敗"});
        CHECK_FALSE(gfl::Path(output).exists());
    }
    g_messages.clear();
    CHECK(makePlugIn(car.folder.c_str()) == 1);
    PlugInReader reader;
    REQUIRE(reader.open(output.c_str()) == 1);
    CHECK(readEntry(reader, "noise.bin") == noise);
}

TEST_CASE("the maker packs at most 512 files of each folder")
{
    CarFolder car;
    for (int i = 0; i < 520; ++i)
        writeFile(car.folder + "\\tex\\f" + std::to_string(i), std::to_string(i));
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    unzFile archive = openUnzip(car.dir.file("car.pin").c_str());
    REQUIRE(archive);
    unz_global_info info;
    REQUIRE(unzGetGlobalInfo(archive, &info) == UNZ_OK);
    unzClose(archive);
    // car.x, empty.txt and tex's first 510 to 512 files, by where tex stands in the listing.
    CHECK(info.number_entry >= 512);
    CHECK(info.number_entry <= 514);
}

TEST_CASE("folders with Shift-JIS names pack and an uncreatable archive is only logged")
{
    CarFolder car;
    const std::string name = "\x95\x5c\x83\x5c";  // 表ソ: both end in the byte 0x5C
    const std::string folder = car.dir.file(name);
    REQUIRE(CreateDirectoryA(folder.c_str(), nullptr));
    writeFile(folder + "\\" + name + ".x", car.mesh);
    CHECK(makePlugIn(folder.c_str()) == 1);
    PlugInReader reader;
    REQUIRE(reader.open((folder + ".pin").c_str()) == 1);
    CHECK(readEntry(reader, "TBM_MAIN_MESH_FILE") == car.mesh);

    g_messages.clear();
    REQUIRE(CreateDirectoryA(car.dir.file("car.pin").c_str(), nullptr));
    CHECK(makePlugIn(car.folder.c_str()) == 0);
    CHECK(g_messages.empty());
    CHECK(gfl::Path(car.dir.file("car.pin")).isDirectory());
}
