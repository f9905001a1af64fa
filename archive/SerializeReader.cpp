#include "SerializeReader.h"

#include "ArchiveFile.h"
#include "EntryReader.h"
#include "SerializeData.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr int kCaseInsensitive = 2;
}

int isSerializeFile(const std::string& path)
{
    Logger& log = Logger::getInstance();
    const gfl::Path resolved(path);
    if (!resolved.isFile()) {
        log.print(1, "セーブファイルではない。%s", resolved.c_str());
        return 0;
    }
    unzFile archive = openUnzip(resolved.c_str());
    if (!archive) {
        log.print(1, "セーブファイルのオープンに失敗しました。%s", resolved.c_str());
        return 0;
    }
    const int match = compareCommentMagic(archive, kSerializeComment);
    unzClose(archive);
    return match == 1 ? 1 : 0;
}

SerializeReader::~SerializeReader()
{
    close();
}

void SerializeReader::close()
{
    if (archive_) {
        unzClose(archive_);
        archive_ = nullptr;
    }
}

int SerializeReader::open(const std::string& path)
{
    Logger& log = Logger::getInstance();
    const gfl::Path resolved(path);
    if (!resolved.isFile()) {
        log.print(1, "セーブファイルではない。%s", resolved.c_str());
        return 0;
    }
    close();
    archive_ = openUnzip(resolved.c_str());
    if (!archive_) {
        log.print(1, "セーブファイルのオープンに失敗しました。%s", resolved.c_str());
        return 0;
    }
    return 1;
}

int SerializeReader::readFile(const char* name, std::vector<char>& out)
{
    if (!archive_ || std::strlen(name) >= 256 || unzLocateFile(archive_, name, kCaseInsensitive) != UNZ_OK) {
        Logger::getInstance().print(1, "セーブファイルが見つからない。%s", name);
        return 0;
    }
    return readCurrentEntry(archive_, name, out, kSerializeEntryMessages);
}

int SerializeReader::readMainMeshFile(std::string& out)
{
    std::vector<char> bytes;
    if (!readFile(kSerializeMainMeshEntryName, bytes))
        return 0;
    bytes.push_back('\0');
    out = bytes.data();
    return 1;
}

int SerializeReader::readPartsFile(int id, std::vector<char>& out)
{
    char name[64];
    formatPartsEntryName(name, id);
    return readFile(name, out);
}
