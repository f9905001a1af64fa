#include "FailingFiles.h"
#include "LogCapture.h"
#include "TempDir.h"
#include "ZipBytes.h"
#include "archive/MessageBox.h"
#include "archive/PlugInData.h"
#include "archive/PlugInMaker.h"
#include "archive/PlugInReader.h"
#include "archive/PlugInWriter.h"
#include "gfl/File.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
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
    CHECK(data[0] == char(0x90 ^ 0xAA)); // first byte of the key phrase is 0x90
    scramblePlugInData(data);
    CHECK(data == std::vector<char>(100, 0));
    std::vector<char> empty;
    scramblePlugInData(empty);
    CHECK(empty.empty());
}

TEST_CASE("every byte is XORed with the key phrase byte at its index mod 28 and 0xAA, at any length")
{
    const char key[] = "川辺町北野すずめ橋広場朝市坂";
    REQUIRE(sizeof key - 1 == 28);
    for (size_t size : {size_t(1), size_t(27), size_t(29), size_t(447), size_t(448), size_t(449), size_t(5000)}) {
        CAPTURE(size);
        std::vector<char> data(size);
        for (size_t i = 0; i < size; ++i)
            data[i] = char(i * 7 + i / 251);
        std::vector<char> expected(data);
        for (size_t i = 0; i < size; ++i)
            expected[i] = char(expected[i] ^ key[i % 28] ^ 0xAA);
        scramblePlugInData(data);
        CHECK(data == expected);
    }
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

    struct Case {
        std::string folder;
    };
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

    struct Case {
        const char* name;
        std::string bytes;
        int opens;
    };
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

    // A changed byte of the stored data fails the read.
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

    struct Case {
        std::string name;
        bool extracts;
    };
    const Case cases[] = {
        {"\x95\x5c.txt", true},     // 表: trail byte 0x5C
        {"\x83\x5c\x83\x5c", true}, // ソソ
        {"..\\evil.txt", false},        {"../evil.txt", false}, {"C:\\evil.txt", false}, {"\\evil.txt", false},
        {"sub\\evil.txt", false},       {"a:b", false},         {"..", false},           {".", false},
        {std::string(300, 'n'), false}, {"NUL", false},         {"com1.txt", false},
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
    const std::string name = "\x95\x5c\x83\x5c"; // 表ソ: both end in the byte 0x5C
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

namespace {
// '0' ^ 0x90 ^ 0xAA = 0x0A, '1' ^ 0xEC ^ 0xAA = 0x77, …: the key phrase's Shift-JIS
// bytes 90 EC 95 D3 92 AC 96 6B 96 EC 82 B7 82 B8 82 DF 8B B4 8D 4C 8F EA 92 A9 8E 73 8D E2,
// then from its first byte again.
const std::string kPlainText = "0123456789abcdefghijklmnopqrst";
const std::string kScrambledText = "\x0a\x77\x0d\x4a\x0c\x33\x0a\xf6\x04\x7f\x49\x7f\x4b\x76\x4d\x13"
                                   "\x46\x76\x4e\x8c\x4e\x2c\x55\x6d\x4b\xa9\x56\x3a\x49\x32";

// Writes the archive's bytes as path and reads one entry of it.
int readFrom(const std::string& path, const std::string& zip, const std::string& name, std::vector<char>& out)
{
    zipbytes::writeAll(path, zip);
    PlugInReader reader;
    REQUIRE(reader.open(path.c_str()) == 1);
    return reader.readFile(name.c_str(), out);
}

std::string formatted(const char* format, unsigned value)
{
    char line[128];
    std::snprintf(line, sizeof line, format, value);
    return line;
}
}

TEST_CASE("the maker's archive as stored: comment, method, names in listing order, scrambled bytes")
{
    CarFolder car;
    writeFile(car.folder + "\\key.txt", kPlainText);
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    const std::string pin = car.dir.file("car.pin");
    std::string zip = zipbytes::readAll(pin);

    std::list<gfl::Path> listed;
    REQUIRE(gfl::Path(car.folder).getFileListRecursive(listed, 512) == S_OK);
    std::vector<std::string> expected;
    for (const gfl::Path& file : listed) {
        std::string name;
        file.getFileName(name);
        expected.push_back(name == "car.x" ? "TBM_MAIN_MESH_FILE" : name);
    }
    CHECK(expected.size() == 4);

    CHECK(zipbytes::comment(zip) == "TBPI01");
    std::vector<std::string> names;
    for (const zipbytes::Entry& e : zipbytes::entries(zip)) {
        CAPTURE(e.name);
        names.push_back(e.name);
        CHECK(e.method == 8);
        CHECK(e.localMethod == 8);
    }
    CHECK(names == expected);
    CHECK(zipbytes::storedData(zip, zipbytes::entry(zip, "key.txt")) == kScrambledText);
    CHECK(zipbytes::storedData(zip, zipbytes::entry(zip, "TBM_MAIN_MESH_FILE")).size() == car.mesh.size());

    // An entry added later is stored the same way and the comment stays the magic alone.
    PlugInWriter writer;
    REQUIRE(writer.openAppend(pin) == 1);
    std::vector<char> data(kPlainText.begin(), kPlainText.end());
    REQUIRE(writer.writeFile("added.txt", data) == 1);
    REQUIRE(writer.close() == 1);
    zip = zipbytes::readAll(pin);
    CHECK(zipbytes::comment(zip) == "TBPI01");
    const zipbytes::Entry added = zipbytes::entry(zip, "added.txt");
    CHECK(added.method == 8);
    CHECK(zipbytes::storedData(zip, added) == kScrambledText);
    CHECK(zipbytes::entries(zip).back().name == "added.txt");
}

TEST_CASE("a stored CRC that differs from the data is refused by the CRC comparison")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    std::string zip = zipbytes::readAll(car.dir.file("car.pin"));
    const zipbytes::Entry wood = zipbytes::entry(zip, "wood.bmp");
    zipbytes::setCrc(zip, wood, wood.crc ^ 0x00010000u);
    const std::string path = car.dir.file("crc.pin");

    LogCapture log;
    std::vector<char> out;
    CHECK(readFrom(path, zip, "wood.bmp", out) == 0);
    CHECK(LogCapture::count(formatted("カレントファイル読み込みに失敗しました。CRCが一致しない。%x", wood.crc)) == 1);
    CHECK(std::string(out.begin(), out.end()) == zipbytes::storedData(zip, wood)); // left scrambled
    CHECK(readFrom(path, zip, "TBM_MAIN_MESH_FILE", out) == 1);
    CHECK(std::string(out.begin(), out.end()) == car.mesh);
}

TEST_CASE("a stated size the compressed data cannot hold is refused before it is allocated")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    const std::string zip = zipbytes::readAll(car.dir.file("car.pin"));
    const zipbytes::Entry wood = zipbytes::entry(zip, "wood.bmp");
    REQUIRE(zip.size() < 4096);

    // A stored copy of the same folder's entries, written through minizip with method 0.
    const std::string stored = car.dir.file("stored.pin");
    {
        zipFile archive = openZip(stored.c_str(), APPEND_STATUS_CREATE);
        REQUIRE(archive);
        REQUIRE(zipOpenNewFileInZip(archive, "plain.txt", nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0) == ZIP_OK);
        REQUIRE(zipWriteInFileInZip(archive, kPlainText.data(), unsigned(kPlainText.size())) == ZIP_OK);
        REQUIRE(zipCloseFileInZip(archive) == ZIP_OK);
        REQUIRE(zipClose(archive, "TBPI01") == ZIP_OK);
    }
    const std::string storedZip = zipbytes::readAll(stored);
    const zipbytes::Entry plain = zipbytes::entry(storedZip, "plain.txt");
    REQUIRE(plain.method == 0);

    struct Case {
        std::string name;
        std::string zip;
        zipbytes::Entry entry;
        unsigned size;
        bool refused;
    };
    const Case cases[] = {
        {"deflated, 240 MiB", zip, wood, 240u << 20, true},
        {"deflated, one past the ratio", zip, wood, wood.compressed * 1032 + 1, true},
        {"stored, one byte more", storedZip, plain, plain.compressed + 1, true},
        {"stored, one byte less", storedZip, plain, plain.compressed - 1, true},
        {"deflated, one byte less", zip, wood, wood.uncompressed - 1, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        std::string damaged = c.zip;
        zipbytes::setUncompressedSize(damaged, c.entry, c.size);
        LogCapture log;
        std::vector<char> out;
        CHECK(readFrom(car.dir.file("case.pin"), damaged, c.entry.name, out) == 0);
        CHECK(LogCapture::countContaining("ファイルサイズが圧縮サイズと合いません。") == (c.refused ? 1 : 0));
        // A smaller size still fitting is read and then fails the CRC comparison.
        CHECK(LogCapture::countContaining("CRCが一致しない。") == (c.refused ? 0 : 1));
        CHECK(out.size() == (c.refused ? 0 : c.size));
    }
}

TEST_CASE("a damaged central directory fails the extraction and an intact one extracts whole")
{
    CarFolder car;
    REQUIRE(makePlugIn(car.folder.c_str()) == 1);
    const std::string zip = zipbytes::readAll(car.dir.file("car.pin"));
    const std::vector<zipbytes::Entry> entries = zipbytes::entries(zip);
    REQUIRE(entries.size() == 3);

    auto damagedAt = [&zip](size_t header) {
        std::string damaged = zip;
        damaged[header + 1] = 'X'; // PK\1\2 no more
        return damaged;
    };
    // An archive with no entries: its end record with the comment, behind one byte
    // (minizip looks for an end record only past a file's first byte).
    const std::string empty = std::string("\0PK\5\6", 5) + std::string(16, '\0') + std::string("\6\0TBPI01", 8);
    struct Case {
        std::string name;
        std::string bytes;
        int result;
        size_t written;
    };
    const Case cases[] = {
        {"first header damaged", damagedAt(entries[0].central), 0, 0},
        {"second header damaged", damagedAt(entries[1].central), 0, 1},
        {"last header damaged", damagedAt(entries[2].central), 0, 2},
        {"intact", zip, 1, 3},
        {"no entries", empty, 1, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        const std::string path = car.dir.file("case.pin");
        zipbytes::writeAll(path, c.bytes);
        TempDir target;
        PlugInReader reader;
        REQUIRE(reader.open(path.c_str()) == 1);
        CHECK(reader.extractAll(target.path().c_str()) == c.result);
        std::list<gfl::Path> written;
        gfl::Path(target.path()).getFileList(written);
        CHECK(written.size() == c.written);
    }
}

TEST_CASE("entry names that name a device or leave the folder are unsafe")
{
    struct Case {
        std::string name;
        bool safe;
    };
    const Case cases[] = {
        {"wood.bmp", true},    {"CONSOLE", true}, {"xNUL", true},      {"COM10", true},        {"LPT", true},
        {"COM0", true},        {"nul_", true},    {"AUXX.txt", true},  {"\x95\x5c.txt", true}, {"CON", false},
        {"PRN", false},        {"AUX", false},    {"NUL", false},      {"con", false},         {"Prn.txt", false},
        {"aux.tar.gz", false}, {"nUl.", false},   {"NUL .txt", false}, {"COM1", false},        {"com5.log", false},
        {"COM9", false},       {"LPT1", false},   {"lpt9.x", false},   {"..", false},          {".", false},
        {"", false},           {"a/b", false},    {"sub\\NUL", false}, {"c:nul", false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        CHECK(isSafeEntryName(c.name.c_str()) == c.safe);
    }
}
