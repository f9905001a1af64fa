#include "FailingFiles.h"
#include "LogCapture.h"
#include "TempDir.h"
#include "ZipBytes.h"
#include "archive/MessageBox.h"
#include "archive/PlugInMaker.h"
#include "archive/PlugInReader.h"
#include "archive/PlugInWriter.h"
#include "archive/SerializeData.h"
#include "archive/SerializeReader.h"
#include "archive/SerializeWriter.h"

#include <doctest/doctest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace {
std::string formatted(const char* format, unsigned value)
{
    char line[160];
    std::snprintf(line, sizeof line, format, value);
    return line;
}

// A folder car (car.x, tex\wood.bmp) packed beside itself, and a work file.
struct Archives {
    TempDir dir;
    std::string folder = dir.file("car");
    std::string wood = folder + "\\tex\\wood.bmp";
    std::string pin = dir.file("car.pin");
    std::string work = dir.file("work.tbs");
    std::string plain = dir.file("plain.txt");
    std::string pinBytes, workBytes;

    Archives()
    {
        setMessageFunction([](const char*, const char*) {});
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\tex").c_str(), nullptr);
        zipbytes::writeAll(folder + "\\car.x", "xof 0303txt 0032\n");
        zipbytes::writeAll(wood, "BM" + std::string(200, 'w'));
        zipbytes::writeAll(plain, "plain text");
        REQUIRE(makePlugIn(folder.c_str()) == 1);
        pinBytes = zipbytes::readAll(pin);
        SerializeWriter writer;
        REQUIRE(writer.create(work) == 1);
        REQUIRE(writer.writeMainMeshFile("Z:\\car.pin") == 1);
        REQUIRE(writer.writePartsFile(0, std::vector<char>(40, 'r')) == 1);
        REQUIRE(writer.close() == 1);
        workBytes = zipbytes::readAll(work);
    }

    // A copy of one archive's bytes changed by patch, written as name.
    std::string damaged(const std::string& bytes, const char* entry,
                        const std::function<void(std::string&, const zipbytes::Entry&)>& patch, const char* name) const
    {
        std::string copy = bytes;
        patch(copy, zipbytes::entry(copy, entry));
        zipbytes::writeAll(dir.file(name), copy);
        return dir.file(name);
    }
};

void breakLocalHeader(std::string& zip, const zipbytes::Entry& e)
{
    zip[e.local + 2] = 'X';
}

void statePlusOne(std::string& zip, const zipbytes::Entry& e)
{
    zipbytes::setUncompressedSize(zip, e, e.uncompressed + 1);
}

void flipCrc(std::string& zip, const zipbytes::Entry& e)
{
    zipbytes::setCrc(zip, e, e.crc ^ 1u);
}

// An end record whose comment length reaches past the end of the file.
std::string unreadableComment(std::string zip)
{
    const size_t end = zipbytes::endRecord(zip);
    zip.resize(end + 22);
    zip[end + 20] = 9;
    return zip;
}

int readPlugIn(const std::string& path, const char* name)
{
    PlugInReader reader;
    std::vector<char> out;
    return reader.open(path.c_str()) && reader.readFile(name, out);
}

int readWork(const std::string& path, const char* name)
{
    SerializeReader reader;
    std::vector<char> out;
    return reader.open(path) && reader.readFile(name, out);
}

unsigned storedCrc(const std::string& zip, const char* name)
{
    return zipbytes::entry(zip, name).crc;
}

std::string firstEntryName(const std::string& folder)
{
    std::list<gfl::Path> listed;
    REQUIRE(gfl::Path(folder).getFileListRecursive(listed, 512) == S_OK);
    REQUIRE_FALSE(listed.empty());
    std::string name;
    listed.front().getFileName(name);
    return name == "car.x" ? "TBM_MAIN_MESH_FILE" : name;
}
}

TEST_CASE("each failure of the archive code logs its own line")
{
    Archives a;
    const std::string parts0 = "_TBM_SERIALIZE_PARTS_FILE_0";
    const std::string meshEntry = kSerializeMainMeshEntryName;
    const std::string unreadable = a.dir.file("unreadable.pin");
    zipbytes::writeAll(unreadable, unreadableComment(a.pinBytes));

    struct Case {
        std::string name;
        std::function<int()> run;
        std::vector<std::string> lines; // every line of level 1, in order
    };
    const Case cases[] = {
        // The plug-in reader.
        {"plug-in: a folder",
         [&] { return PlugInReader().open(a.folder.c_str()); },
         {"プラグインファイルではない。" + a.folder}},
        {"plug-in: no zip",
         [&] { return PlugInReader().open(a.plain.c_str()); },
         {"プラグインファイルのオープンに失敗しました。" + a.plain}},
        {"plug-in: comment unreadable",
         [&] { return PlugInReader().open(unreadable.c_str()); },
         {"プラグインファイルの正当性チェックに失敗しました。"}},
        {"plug-in: a work file",
         [&] { return PlugInReader().open(a.work.c_str()); },
         {"プラグインファイルは正当ではない。もしかしたら壊れているかも。"}},
        {"plug-in: no such entry",
         [&] { return readPlugIn(a.pin, "none.bmp"); },
         {"プラグインにファイルが見つからない。none.bmp"}},
        {"plug-in: entry cannot be opened",
         [&] { return readPlugIn(a.damaged(a.pinBytes, "wood.bmp", breakLocalHeader, "open.pin"), "wood.bmp"); },
         {"カレントファイルオープンに失敗しました。"}},
        {"plug-in: fewer bytes than stated",
         [&] { return readPlugIn(a.damaged(a.pinBytes, "wood.bmp", statePlusOne, "size.pin"), "wood.bmp"); },
         {"カレントファイル読み込みに失敗しました。"}},
        {"plug-in: CRC",
         [&] { return readPlugIn(a.damaged(a.pinBytes, "wood.bmp", flipCrc, "crc.pin"), "wood.bmp"); },
         {formatted("カレントファイル読み込みに失敗しました。CRCが一致しない。%x", storedCrc(a.pinBytes, "wood.bmp"))}},
        {"plug-in test: missing file",
         [&] { return isPlugInFile(gfl::Path(a.dir.file("none.pin"))); },
         {"プラグインファイルではない。" + a.dir.file("none.pin")}},
        {"plug-in test: no zip",
         [&] { return isPlugInFile(gfl::Path(a.plain)); },
         {"プラグインファイルのオープンに失敗しました。" + a.plain}},
        {"plug-in test: a work file", [&] { return isPlugInFile(gfl::Path(a.work)); }, {}},
        {"append: a work file",
         [&] { return PlugInWriter().openAppend(a.work); },
         {"プラグインファイルではない。" + a.work}},
        {"append: nothing open",
         [&] {
             std::vector<char> data{'x'};
             return PlugInWriter().writeFile("x.txt", data);
         },
         {"セーブ用サブファイルの作成に失敗しました。x.txt"}},
        {"extract: no folder",
         [&] {
             PlugInReader reader;
             return reader.open(a.pin.c_str()) && reader.extractAll(a.plain.c_str());
         },
         {"ディレクトリではない。" + a.plain}},

        // The work file.
        {"work: cannot be created",
         [&] { return SerializeWriter().create(a.folder); },
         {"セーブ用ファイルの作成に失敗しました。" + a.folder}},
        {"work: mesh entry, nothing open",
         [&] { return SerializeWriter().writeMainMeshFile("Z:\\m.pin"); },
         {"セーブ用サブファイルの作成に失敗しました。Z:\\m.pin"}},
        {"work: part entry, nothing open",
         [&] { return SerializeWriter().writePartsFile(0, {'r'}); },
         {"セーブ用サブファイルの作成に失敗しました。" + parts0}},
        {"work: mesh entry not written",
         [&] {
             SerializeWriter writer;
             FailingFiles failing(30 + meshEntry.size()); // the local header alone
             return writer.create(a.dir.file("w.tbs")) && writer.writeMainMeshFile("Z:\\m.pin");
         },
         {"セーブ用サブファイルの書き込みに失敗しました。Z:\\m.pin", "セーブ用ファイルの書き込みに失敗しました。"}},
        {"work: part entry not written",
         [&] {
             SerializeWriter writer;
             FailingFiles failing(30 + parts0.size());
             return writer.create(a.dir.file("w.tbs")) && writer.writePartsFile(0, {'r'});
         },
         {"セーブ用サブファイルの書き込みに失敗しました。" + parts0, "セーブ用ファイルの書き込みに失敗しました。"}},
        {"work test: missing file",
         [&] { return isSerializeFile(a.dir.file("none.tbs")); },
         {"セーブファイルではない。" + a.dir.file("none.tbs")}},
        {"work test: no zip",
         [&] { return isSerializeFile(a.plain); },
         {"セーブファイルのオープンに失敗しました。" + a.plain}},
        {"work test: a plug-in archive", [&] { return isSerializeFile(a.pin); }, {}},
        {"work: open a folder",
         [&] { return SerializeReader().open(a.folder); },
         {"セーブファイルではない。" + a.folder}},
        {"work: open no zip",
         [&] { return SerializeReader().open(a.plain); },
         {"セーブファイルのオープンに失敗しました。" + a.plain}},
        {"work: no such entry",
         [&] { return readWork(a.work, "_TBM_SERIALIZE_PARTS_FILE_1"); },
         {"セーブファイルが見つからない。_TBM_SERIALIZE_PARTS_FILE_1"}},
        {"work: nothing open",
         [&] {
             std::vector<char> out;
             return SerializeReader().readPartsFile(0, out);
         },
         {"セーブファイルが見つからない。" + parts0}},
        {"work: entry cannot be opened",
         [&] { return readWork(a.damaged(a.workBytes, parts0.c_str(), breakLocalHeader, "open.tbs"), parts0.c_str()); },
         {"ロード用カレントファイルオープンに失敗しました。"}},
        {"work: fewer bytes than stated",
         [&] { return readWork(a.damaged(a.workBytes, parts0.c_str(), statePlusOne, "size.tbs"), parts0.c_str()); },
         {"ロード用カレントファイル読み込みに失敗しました。"}},
        {"work: CRC",
         [&] { return readWork(a.damaged(a.workBytes, parts0.c_str(), flipCrc, "crc.tbs"), parts0.c_str()); },
         {formatted("ロード用カレントファイル読み込みに失敗しました。CRCが一致しない。%x",
                    storedCrc(a.workBytes, parts0.c_str()))}},

        // The maker, last: a failed run deletes car.pin.
        {"maker: no folder",
         [&] { return makePlugIn((a.dir.path() + "/none").c_str()); },
         {"エラー！フォルダを指定してください。" + a.dir.path() + "/none"}},
        {"maker: no mesh file",
         [&] { return makePlugIn((a.folder + "\\tex").c_str()); },
         {"Xファイルが見つからない。"}},
        {"maker: archive cannot be created",
         [&] {
             const std::string folder = a.dir.file("sub\\car");
             CreateDirectoryA(a.dir.file("sub").c_str(), nullptr);
             CreateDirectoryA(folder.c_str(), nullptr);
             CreateDirectoryA((folder + ".pin").c_str(), nullptr);
             zipbytes::writeAll(folder + "\\car.x", "xof");
             return makePlugIn(folder.c_str());
         },
         {"エラー！プラグインファイルの作成に失敗しました。"}},
        {"maker: file cannot be read",
         [&] {
             HANDLE lock = CreateFileA(a.wood.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             REQUIRE(lock != INVALID_HANDLE_VALUE);
             const int made = makePlugIn(a.folder.c_str());
             CloseHandle(lock);
             return made;
         },
         {"エラー！読み込みに失敗しました。" + a.wood}},
        {"maker: entry cannot be created",
         [&] {
             FailingFiles failing(0);
             return makePlugIn(a.folder.c_str());
         },
         {"エラー！プラグイン内ファイルの作成に失敗しました。" + firstEntryName(a.folder),
          "エラー！プラグインファイルの作成に失敗しました。"}},
    };
    LogCapture log;
    Logger::getInstance().setLevel(1);
    for (const Case& c : cases) {
        CAPTURE(c.name);
        LogCapture::clear();
        CHECK(c.run() == 0);
        CHECK(LogCapture::lines() == c.lines);
    }
}

TEST_CASE("a maker run and an entry read log their progress line by line")
{
    Archives a;
    std::list<gfl::Path> listed;
    REQUIRE(gfl::Path(a.folder).getFileListRecursive(listed, 512) == S_OK);
    std::vector<std::string> expected = {"プラグイン作成開始。", "プラグイン対象ディレクトリ " + a.folder,
                                         "メッシュファイル car.x", "ファイルの列挙。"};
    for (const gfl::Path& file : listed)
        expected.push_back(std::string("    ") + file.c_str());
    expected.push_back("プラグインファイル " + a.pin);
    for (const gfl::Path& file : listed)
        expected.push_back(std::string("書き込みました。") + file.c_str());
    expected.push_back("プラグイン作成終了。");

    LogCapture log;
    REQUIRE(makePlugIn(a.folder.c_str()) == 1);
    CHECK(LogCapture::lines() == expected);

    const zipbytes::Entry wood = zipbytes::entry(zipbytes::readAll(a.pin), "wood.bmp");
    char opened[160];
    std::snprintf(opened, sizeof opened, "カレントファイル。wood.bmp %d [%d] crc:%x", int(wood.uncompressed),
                  int(wood.compressed), wood.crc);
    LogCapture::clear();
    CHECK(readPlugIn(a.pin, "wood.bmp") == 1);
    CHECK(LogCapture::lines() == std::vector<std::string>{"プラグインファイル " + a.pin, opened});

    std::snprintf(opened, sizeof opened, "ロード用カレントファイル。_TBM_SERIALIZE_PARTS_FILE_0 40 [%d] crc:%x",
                  int(zipbytes::entry(a.workBytes, "_TBM_SERIALIZE_PARTS_FILE_0").compressed),
                  zipbytes::entry(a.workBytes, "_TBM_SERIALIZE_PARTS_FILE_0").crc);
    LogCapture::clear();
    CHECK(readWork(a.work, "_TBM_SERIALIZE_PARTS_FILE_0") == 1);
    CHECK(LogCapture::lines() == std::vector<std::string>{opened});
}
