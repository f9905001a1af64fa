#include "PlugInReader.h"

#include "ArchiveFile.h"
#include "EntryReader.h"
#include "PlugInData.h"
#include "gfl/File.h"
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

int PlugInReader::locate(const char* name)
{
    return archive_ && std::strlen(name) < 256 && unzLocateFile(archive_, name, kCaseInsensitive) == UNZ_OK;
}

int PlugInReader::hasFile(const char* name)
{
    return locate(name) ? 1 : 0;
}

int PlugInReader::readFile(const char* name, std::vector<char>& out)
{
    if (!locate(name)) {
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

bool isSafeEntryName(const char* name)
{
    const size_t length = std::strlen(name);
    if (length == 0 || length >= MAX_PATH || lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsDBCSLeadByte(c) && i + 1 < length) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':')
            return false;
    }
    return true;
}

int PlugInReader::extractCurrentFile(const gfl::Path& folder)
{
    Logger& log = Logger::getInstance();
    char name[MAX_PATH] = {};
    unz_file_info info;
    if (!archive_ || unzGetCurrentFileInfo(archive_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
        log.print(1, "カレントファイル情報の取得に失敗しました。");
        return 0;
    }
    if (info.size_filename >= MAX_PATH || !isSafeEntryName(name)) {
        name[MAX_PATH - 1] = '\0';
        log.print(1, "展開できないファイル名です。%s", name);
        return 0;
    }
    std::vector<char> data;
    if (!readCurrentEntry(archive_, name, data, kPlugInEntryMessages))
        return 0;
    gfl::Path output(folder);
    if (FAILED(output.combine(name))) {
        log.print(1, "ファイル書き込みに失敗しました。%s", name);
        return 0;
    }
    scramblePlugInData(data);
    DWORD written = 0;
    if (FAILED(gfl::File(output.c_str()).writeAll(data.data(), DWORD(data.size()), &written))
        || written != data.size()) {
        log.print(1, "ファイル書き込みに失敗しました。%s", output.c_str());
        return 0;
    }
    log.print(3, "ファイル書き込みました。%s", output.c_str());
    return 1;
}

int PlugInReader::extractAll(const char* folder)
{
    Logger& log = Logger::getInstance();
    const gfl::Path target(folder);
    if (!target.isDirectory()) {
        log.print(1, "ディレクトリではない。%s", target.c_str());
        return 0;
    }
    log.print(3, "解凍先ディレクトリ %s", target.c_str());
    if (!archive_ || unzGoToFirstFile(archive_) != UNZ_OK)
        return 1;
    do {
        if (!extractCurrentFile(target))
            return 0;
    } while (unzGoToNextFile(archive_) == UNZ_OK);
    return 1;
}

int isPlugInFile(const gfl::Path& path)
{
    Logger& log = Logger::getInstance();
    if (!path.isFile()) {
        log.print(1, "プラグインファイルではない。%s", path.c_str());
        return 0;
    }
    unzFile archive = openUnzip(path.c_str());
    if (!archive) {
        log.print(1, "プラグインファイルのオープンに失敗しました。%s", path.c_str());
        return 0;
    }
    const int match = compareCommentMagic(archive, kPlugInComment);
    unzClose(archive);
    return match == 1 ? 1 : 0;
}
