#include "PlugInReader.h"

#include "ArchiveFile.h"
#include "EntryReader.h"
#include "PlugInData.h"
#include "gfl/File.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <windows.h>

#include <cstring>

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
    const gfl::Path resolved(path);
    if (!isExistingFile(resolved, kPlugInEntryMessages))
        return 0;
    Logger::getInstance().print(3, "プラグインファイル %s", resolved.c_str());
    close();
    archive_ = openArchive(resolved, kPlugInEntryMessages);
    return archive_ && checkComment() ? 1 : 0;
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

int PlugInReader::hasFile(const char* name)
{
    return locateEntry(archive_, name) ? 1 : 0;
}

int PlugInReader::readFile(const char* name, std::vector<char>& out)
{
    if (!readNamedEntry(archive_, name, out, kPlugInEntryMessages))
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
        log.print(1, "%s", kPlugInEntryMessages.infoFailed);
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
    return hasCommentMagic(path, kPlugInComment, kPlugInEntryMessages);
}
