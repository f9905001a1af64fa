#include "PlugInReader.h"

#include "ArchiveFile.h"
#include "EntryReader.h"
#include "PlugInData.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <windows.h>

#include <cstring>

namespace {
// minizip's value for names compared without regard to ASCII case.
constexpr int kCaseInsensitive = 2;
}

PlugInReader::~PlugInReader()
{
    close();
}

void PlugInReader::close()
{
    if (archive_) {
        unzClose(archive_);
        archive_ = nullptr;
    }
}

int PlugInReader::open(const char* path)
{
    Logger& log = Logger::getInstance();
    const gfl::Path resolved(path);
    if (!resolved.isFile()) {
        log.print(1, "プラグインファイルではない。%s", resolved.c_str());
        return 0;
    }
    log.print(3, "プラグインファイル %s", resolved.c_str());
    close();
    archive_ = openUnzip(resolved.c_str());
    if (!archive_) {
        log.print(1, "プラグインファイルのオープンに失敗しました。%s", resolved.c_str());
        return 0;
    }
    return checkComment() ? 1 : 0;
}

int PlugInReader::checkComment()
{
    const int match = compareCommentMagic(archive_, kPlugInComment);
    if (match < 0) {
        Logger::getInstance().print(1, "プラグインファイルの正当性チェックに失敗しました。");
        return 0;
    }
    if (match == 0) {
        Logger::getInstance().print(1, "プラグインファイルは正当ではない。もしかしたら壊れているかも。");
        return 0;
    }
    return 1;
}

int PlugInReader::readFile(const char* name, std::vector<char>& out)
{
    if (!archive_ || std::strlen(name) >= 256 || unzLocateFile(archive_, name, kCaseInsensitive) != UNZ_OK) {
        Logger::getInstance().print(1, "プラグインにファイルが見つからない。%s", name);
        return 0;
    }
    if (!readCurrentEntry(archive_, name, out, kPlugInEntryMessages))
        return 0;
    scramblePlugInData(out);
    return 1;
}

int PlugInReader::readMainMeshFile(std::vector<char>& out)
{
    return readFile(kMainMeshEntryName, out);
}
