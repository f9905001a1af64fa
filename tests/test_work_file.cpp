#include "FailingFiles.h"
#include "LogCapture.h"
#include "TempDir.h"
#include "ZipBytes.h"
#include "archive/ArchiveFile.h"
#include "archive/MessageBox.h"
#include "archive/PlugInMaker.h"
#include "archive/PlugInReader.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"
#include "gfl/File.h"

#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
std::vector<char> bytes(const std::string& text)
{
    return std::vector<char>(text.begin(), text.end());
}

std::vector<std::string> entryNames(const std::string& path)
{
    std::vector<std::string> names;
    unzFile archive = openUnzip(path.c_str());
    REQUIRE(archive);
    for (int r = unzGoToFirstFile(archive); r == UNZ_OK; r = unzGoToNextFile(archive)) {
        char name[260];
        unz_file_info info;
        unzGetCurrentFileInfo(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        names.emplace_back(name);
    }
    unzClose(archive);
    return names;
}

using zipbytes::readAll;

void writeText(const std::string& path, const std::string& text)
{
    zipbytes::writeAll(path, text);
}

// The end record's comment length is 20 bytes into the record; the comment follows it.
std::string withComment(std::string archive, const std::string& comment)
{
    const size_t end = archive.rfind("PK\x05\x06");
    REQUIRE(end != std::string::npos);
    archive.resize(end + 20);
    archive += char(comment.size() & 0xFF);
    archive += char(comment.size() >> 8);
    return archive + comment;
}

void writeWork(const std::string& path, const std::string& mesh, int parts)
{
    SerializeWriter writer;
    REQUIRE(writer.create(path) == 1);
    REQUIRE(writer.writeMainMeshFile(mesh) == 1);
    for (int i = 0; i < parts; ++i)
        REQUIRE(writer.writePartsFile(i, bytes("record " + std::to_string(i))) == 1);
    REQUIRE(writer.close() == 1);
}
}

TEST_CASE("a work file round-trips its mesh path and part records")
{
    TempDir dir;
    const std::string path = dir.file("work.tbs");
    writeWork(path, "Z:\\plugin\\car.pin", 3);

    CHECK(entryNames(path)
          == std::vector<std::string>{"_TBM_SERIALIZE_MAIN_MESH_FILE", "_TBM_SERIALIZE_PARTS_FILE_0",
                                      "_TBM_SERIALIZE_PARTS_FILE_1", "_TBM_SERIALIZE_PARTS_FILE_2"});
    CHECK(isSerializeFile(path) == 1);

    SerializeReader reader;
    REQUIRE(reader.open(path) == 1);
    std::string mesh;
    CHECK(reader.readMainMeshFile(mesh) == 1);
    CHECK(mesh == "Z:\\plugin\\car.pin");
    for (int i = 0; i < 3; ++i) {
        std::vector<char> record;
        CHECK(reader.readPartsFile(i, record) == 1);
        CHECK(record == bytes("record " + std::to_string(i)));
    }
    std::vector<char> record;
    CHECK(reader.readPartsFile(3, record) == 0);
    CHECK(reader.readFile("_tbm_serialize_parts_file_1", record) == 1);
    CHECK(record == bytes("record 1"));

    // A path with a NUL and bytes after it reads back as the path alone.
    reader.close();
    writeWork(path, std::string("C:\\a.pin\0junk", 13), 0);
    REQUIRE(reader.open(path) == 1);
    CHECK(reader.readMainMeshFile(mesh) == 1);
    CHECK(mesh == "C:\\a.pin");

    // An empty path gives an empty entry, read as an empty text.
    reader.close();
    writeWork(path, "", 0);
    REQUIRE(reader.open(path) == 1);
    mesh = "old";
    CHECK(reader.readMainMeshFile(mesh) == 1);
    CHECK(mesh.empty());
}

TEST_CASE("work files and plug-in archives tell each other apart by their comments")
{
    TempDir dir;
    const std::string work = dir.file("work.tbs");
    writeWork(work, "m", 1);
    const std::string archive = readAll(work);

    CreateDirectoryA(dir.file("car").c_str(), nullptr);
    writeText(dir.file("car\\car.x"), "xof");
    setMessageFunction([](const char*, const char*) {});
    REQUIRE(makePlugIn(dir.file("car").c_str()) == 1);

    struct Case {
        const char* name;
        std::string bytes;
        int isWork;
    };
    const Case cases[] = {
        {"plug-in archive", readAll(dir.file("car.pin")), 0},
        {"longer comment", withComment(archive, "_TBM_SERIALIZE01 and more"), 1},
        {"fifteen characters", withComment(archive, "_TBM_SERIALIZE0"), 0},
        {"no comment", withComment(archive, ""), 0},
        {"no zip", "plain text", 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        const std::string path = dir.file("case.bin");
        writeText(path, c.bytes);
        CHECK(isSerializeFile(path) == c.isWork);
    }
    CHECK(isSerializeFile(dir.file("missing.tbs")) == 0);
    CHECK(isSerializeFile(dir.path()) == 0);

    PlugInReader plugIn;
    CHECK(plugIn.open(work.c_str()) == 0);
}

TEST_CASE("damaged or unwritable work files fail cleanly")
{
    TempDir dir;
    const std::string path = dir.file("work.tbs");
    writeWork(path, "mesh", 1);
    std::string archive = readAll(path);

    // Flip a byte inside the first part record's compressed data.
    const std::string name = "_TBM_SERIALIZE_PARTS_FILE_0";
    const size_t header = archive.find(name);
    REQUIRE(header != std::string::npos);
    archive[header + name.size() + 2] = char(archive[header + name.size() + 2] ^ 0x20);
    writeText(path, archive);
    SerializeReader reader;
    REQUIRE(reader.open(path) == 1);
    std::vector<char> record;
    CHECK(reader.readPartsFile(0, record) == 0);
    std::string mesh;
    CHECK(reader.readMainMeshFile(mesh) == 1);

    SerializeReader closed;
    CHECK(closed.readPartsFile(0, record) == 0);
    CHECK(closed.open(dir.file("missing.tbs")) == 0);

    // A folder where the file should go makes the create fail.
    CreateDirectoryA(dir.file("taken.tbs").c_str(), nullptr);
    SerializeWriter writer;
    CHECK(writer.create(dir.file("taken.tbs")) == 0);
    CHECK(writer.writeMainMeshFile("mesh") == 0);
    CHECK(writer.writePartsFile(0, bytes("x")) == 0);
    CHECK(writer.close() == 1);
}

TEST_CASE("a work file that cannot be written completely is reported as failed")
{
    TempDir dir;
    const std::string path = dir.file("work.tbs");
    std::vector<char> record(70000);
    unsigned seed = 7;
    for (char& c : record) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    for (unsigned long budget : {0ul, 30ul, 200ul, 5000ul, 69000ul, 69900ul}) {
        CAPTURE(budget);
        FailingFiles failing(budget);
        SerializeWriter writer;
        const bool saved = writer.create(path) && writer.writeMainMeshFile("Z:\\car.pin")
                           && writer.writePartsFile(0, record) && writer.close();
        CHECK_FALSE(saved);
    }
}

TEST_CASE("a work file as stored: the comment alone, deflated entries in order, bytes unscrambled")
{
    TempDir dir;
    const std::string path = dir.file("work.tbs");
    writeWork(path, "Z:\\plugin\\car.pin", 2);
    const std::string zip = readAll(path);

    CHECK(zipbytes::comment(zip) == "_TBM_SERIALIZE01");
    const std::vector<zipbytes::Entry> entries = zipbytes::entries(zip);
    std::vector<std::string> names;
    for (const zipbytes::Entry& e : entries) {
        CAPTURE(e.name);
        names.push_back(e.name);
        CHECK(e.method == 8);
        CHECK(e.localMethod == 8);
    }
    CHECK(names
          == std::vector<std::string>{"_TBM_SERIALIZE_MAIN_MESH_FILE", "_TBM_SERIALIZE_PARTS_FILE_0",
                                      "_TBM_SERIALIZE_PARTS_FILE_1"});
    REQUIRE(entries.size() == 3);
    CHECK(zipbytes::storedData(zip, entries[0]) == "Z:\\plugin\\car.pin");
    CHECK(zipbytes::storedData(zip, entries[2]) == "record 1");
}

TEST_CASE("a work file's stored CRC that differs from the data is refused by the CRC comparison")
{
    TempDir dir;
    const std::string path = dir.file("work.tbs");
    writeWork(path, "mesh", 2);
    std::string zip = readAll(path);
    const zipbytes::Entry part = zipbytes::entry(zip, "_TBM_SERIALIZE_PARTS_FILE_0");
    zipbytes::setCrc(zip, part, part.crc ^ 0x80u);
    writeText(path, zip);

    LogCapture log;
    SerializeReader reader;
    REQUIRE(reader.open(path) == 1);
    std::vector<char> record;
    CHECK(reader.readPartsFile(0, record) == 0);
    char line[128];
    std::snprintf(line, sizeof line, "ロード用カレントファイル読み込みに失敗しました。CRCが一致しない。%x", part.crc);
    CHECK(LogCapture::count(line) == 1);
    CHECK(reader.readPartsFile(1, record) == 1);
    CHECK(record == bytes("record 1"));
}
