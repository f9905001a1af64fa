#include "SerializeWriter.h"

#include "ArchiveFile.h"
#include "EntryWriter.h"
#include "SerializeData.h"
#include "gfl/Logger.h"

#include <windows.h>

void formatPartsEntryName(char (&name)[64], int id)
{
    wsprintfA(name, "%s_%d", kSerializePartsEntryName, id);
}

SerializeWriter::~SerializeWriter()
{
    close();
}

int SerializeWriter::close()
{
    if (!archive_)
        return 1;
    const bool closed = zipClose(archive_, kSerializeComment) == ZIP_OK;
    archive_ = nullptr;
    if (!closed)
        Logger::getInstance().print(1, "セーブ用ファイルの書き込みに失敗しました。");
    return closed ? 1 : 0;
}

int SerializeWriter::create(const std::string& path)
{
    close();
    archive_ = openZip(path.c_str(), APPEND_STATUS_CREATE);
    if (!archive_) {
        Logger::getInstance().print(1, "セーブ用ファイルの作成に失敗しました。%s", path.c_str());
        return 0;
    }
    return 1;
}

int SerializeWriter::writeEntry(const char* name, const void* data, unsigned size, const char* subject)
{
    if (!archive_ || !openEntry(archive_, name)) {
        Logger::getInstance().print(1, "セーブ用サブファイルの作成に失敗しました。%s", subject);
        return 0;
    }
    if (!writeAndCloseEntry(archive_, data, size)) {
        Logger::getInstance().print(1, "セーブ用サブファイルの書き込みに失敗しました。%s", subject);
        return 0;
    }
    return 1;
}

int SerializeWriter::writeMainMeshFile(const std::string& meshPath)
{
    return writeEntry(kSerializeMainMeshEntryName, meshPath.data(), unsigned(meshPath.size()), meshPath.c_str());
}

int SerializeWriter::writePartsFile(int id, const std::vector<char>& data)
{
    char name[64];
    formatPartsEntryName(name, id);
    return writeEntry(name, data.data(), unsigned(data.size()), name);
}
