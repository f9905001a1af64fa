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

namespace {
// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 name devices in any case,
// whatever extension follows them.
bool isDeviceName(const char* name)
{
    size_t stem = std::strcspn(name, ".");
    while (stem > 0 && name[stem - 1] == ' ')
        --stem;
    if (stem != 3 && stem != 4)
        return false;
    char upper[5] = {};
    for (size_t i = 0; i < stem; ++i)
        upper[i] = char(name[i] >= 'a' && name[i] <= 'z' ? name[i] - 'a' + 'A' : name[i]);
    if (stem == 4) {
        if (upper[3] < '1' || upper[3] > '9')
            return false;
        upper[3] = '\0';
        return std::strcmp(upper, "COM") == 0 || std::strcmp(upper, "LPT") == 0;
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (std::strcmp(upper, device) == 0)
            return true;
    return false;
}
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
    return !isDeviceName(name);
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
    unz_global_info info;
    if (!archive_ || (unzGetGlobalInfo(archive_, &info) == UNZ_OK && info.number_entry == 0))
        return 1; // nothing to extract; minizip finds no first entry in an empty directory
    int step = unzGoToFirstFile(archive_);
    for (; step == UNZ_OK; step = unzGoToNextFile(archive_))
        if (!extractCurrentFile(target))
            return 0;
    // Only the end of the list ends the walk; anything else is a damaged directory.
    if (step != UNZ_END_OF_LIST_OF_FILE) {
        log.print(1, "%s", kPlugInEntryMessages.infoFailed);
        return 0;
    }
    return 1;
}

int isPlugInFile(const gfl::Path& path)
{
    return hasCommentMagic(path, kPlugInComment, kPlugInEntryMessages);
}
