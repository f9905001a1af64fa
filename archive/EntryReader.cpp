#include "EntryReader.h"

#include "ArchiveFile.h"
#include "PlugInData.h"
#include "gfl/Logger.h"

#include <zlib.h>

#include <cstring>
#include <new>

namespace {
// minizip's value for names compared without regard to ASCII case.
constexpr int kCaseInsensitive = 2;
// minizip refuses longer names.
constexpr size_t kMaxEntryNameLength = 255;
// The most that deflate can expand its input.
constexpr unsigned long long kMaxDeflateRatio = 1032;

// A stored entry is exactly its compressed size; a deflated one at most the ratio.
bool statedSizeFits(const unz_file_info& info)
{
    if (info.compression_method == 0)
        return info.uncompressed_size == info.compressed_size;
    return info.uncompressed_size <= kMaxDeflateRatio * info.compressed_size;
}

// Sizes out for the entry, refusing (logged) a size that is damaged or too large.
bool allocateEntry(const unz_file_info& info, const char* name, std::vector<char>& out)
{
    const unsigned long size = info.uncompressed_size;
    if (!statedSizeFits(info)) {
        Logger::getInstance().print(1, "ファイルサイズが圧縮サイズと合いません。%s %u [%u]", name, unsigned(size),
                                    unsigned(info.compressed_size));
        return false;
    }
    if (size <= kMaxEntrySize) {
        try {
            out.assign(size, 0);
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    Logger::getInstance().print(1, "ファイルが大きすぎて読み込めません。%s %u", name, unsigned(size));
    return false;
}
}

const EntryMessages kPlugInEntryMessages = {
    "プラグインファイルではない。%s",           "プラグインファイルのオープンに失敗しました。%s",
    "プラグインにファイルが見つからない。%s",   "カレントファイル情報の取得に失敗しました。",
    "カレントファイルオープンに失敗しました。", "カレントファイル。%s %d [%d] crc:%x",
    "カレントファイル読み込みに失敗しました。", "カレントファイル読み込みに失敗しました。CRCが一致しない。%x",
};

const EntryMessages kSerializeEntryMessages = {
    "セーブファイルではない。%s",
    "セーブファイルのオープンに失敗しました。%s",
    "セーブファイルが見つからない。%s",
    "ロード用カレントファイル情報の取得に失敗しました。",
    "ロード用カレントファイルオープンに失敗しました。",
    "ロード用カレントファイル。%s %d [%d] crc:%x",
    "ロード用カレントファイル読み込みに失敗しました。",
    "ロード用カレントファイル読み込みに失敗しました。CRCが一致しない。%x",
};

bool isExistingFile(const gfl::Path& path, const EntryMessages& messages)
{
    if (path.isFile())
        return true;
    Logger::getInstance().print(1, messages.notFile, path.c_str());
    return false;
}

unzFile openArchive(const gfl::Path& path, const EntryMessages& messages)
{
    unzFile archive = openUnzip(path.c_str());
    if (!archive)
        Logger::getInstance().print(1, messages.openFailed, path.c_str());
    return archive;
}

int hasCommentMagic(const gfl::Path& path, const char* magic, const EntryMessages& messages)
{
    if (!isExistingFile(path, messages))
        return 0;
    unzFile archive = openArchive(path, messages);
    if (!archive)
        return 0;
    const int match = compareCommentMagic(archive, magic);
    unzClose(archive);
    return match == 1 ? 1 : 0;
}

int locateEntry(unzFile archive, const char* name)
{
    return archive && std::strlen(name) <= kMaxEntryNameLength
           && unzLocateFile(archive, name, kCaseInsensitive) == UNZ_OK;
}

int readNamedEntry(unzFile archive, const char* name, std::vector<char>& out, const EntryMessages& messages)
{
    if (!locateEntry(archive, name)) {
        Logger::getInstance().print(1, messages.notFound, name);
        return 0;
    }
    return readCurrentEntry(archive, name, out, messages);
}

int readCurrentEntry(unzFile archive, const char* name, std::vector<char>& out, const EntryMessages& messages)
{
    Logger& log = Logger::getInstance();
    unz_file_info info;
    if (unzGetCurrentFileInfo(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        log.print(1, "%s", messages.infoFailed);
        return 0;
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        log.print(1, "%s", messages.entryOpenFailed);
        return 0;
    }
    log.print(3, messages.opened, name, int(info.uncompressed_size), int(info.compressed_size), unsigned(info.crc));

    const unsigned long size = info.uncompressed_size;
    if (!allocateEntry(info, name, out)) {
        unzCloseCurrentFile(archive);
        return 0;
    }

    int read = 0;
    if (size > 0)
        read = unzReadCurrentFile(archive, out.data(), unsigned(size));
    // One more byte past the stated size must give end of entry.
    char probe;
    const int beyond = unzReadCurrentFile(archive, &probe, 1);
    unzCloseCurrentFile(archive);
    if (read < 0 || static_cast<unsigned long>(read) != size || beyond != 0) {
        log.print(1, "%s", messages.readFailed);
        return 0;
    }

    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(out.data()), uInt(size));
    if (crc != info.crc) {
        log.print(1, messages.crcFailed, unsigned(crc));
        return 0;
    }
    return 1;
}
