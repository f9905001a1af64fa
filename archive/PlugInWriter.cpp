#include "PlugInWriter.h"

#include "ArchiveFile.h"
#include "EntryWriter.h"
#include "PlugInData.h"
#include "PlugInReader.h"
#include "gfl/Logger.h"
#include "gfl/Path.h"

PlugInWriter::~PlugInWriter()
{
    close();
}

int PlugInWriter::close()
{
    if (!archive_)
        return 1;
    const bool closed = zipClose(archive_, kPlugInComment) == ZIP_OK;
    archive_ = nullptr;
    return closed ? 1 : 0;
}

int PlugInWriter::openAppend(const std::string& path)
{
    const gfl::Path resolved(path);
    if (!isPlugInFile(resolved)) {
        Logger::getInstance().print(1, "プラグインファイルではない。%s", resolved.c_str());
        return 0;
    }
    close();
    archive_ = openZip(resolved.c_str(), APPEND_STATUS_ADDINZIP);
    if (!archive_) {
        Logger::getInstance().print(1, "セーブ用ファイルの作成に失敗しました。%s", path.c_str());
        return 0;
    }
    return 1;
}

int PlugInWriter::writeFile(const char* name, std::vector<char>& data)
{
    if (!archive_ || !openEntry(archive_, name)) {
        Logger::getInstance().print(1, "セーブ用サブファイルの作成に失敗しました。%s", name);
        return 0;
    }
    scramblePlugInData(data);
    if (!writeAndCloseEntry(archive_, data.data(), unsigned(data.size()))) {
        Logger::getInstance().print(1, "セーブ用サブファイルの書き込みに失敗しました。%s", name);
        return 0;
    }
    return 1;
}
