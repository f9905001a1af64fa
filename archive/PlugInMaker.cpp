#include "PlugInMaker.h"

#include "ArchiveFile.h"
#include "EntryWriter.h"
#include "MessageBox.h"
#include "PlugInData.h"
#include "gfl/File.h"
#include "gfl/Logger.h"

#include <windows.h>

#include <new>
#include <vector>

namespace {
constexpr int kMaxFilesPerFolder = 512;

// The full 64-bit size, so that a file past the limit is never taken by its low bits.
bool fileSizeWithinLimit(const char* path, DWORD* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > kMaxEntrySize)
        return false;
    *size = data.nFileSizeLow;
    return true;
}

bool readWholeFile(const char* path, std::vector<char>& buffer)
{
    DWORD size = 0;
    if (!fileSizeWithinLimit(path, &size))
        return false;
    try {
        buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    gfl::File file(path);
    DWORD fileSize = 0;
    if (FAILED(file.getSize(&fileSize)) || fileSize != size)
        return false;
    DWORD read = 0;
    return SUCCEEDED(file.readAll(buffer.data(), size, &read)) && read == size;
}
}

int writePlugInEntryData(zipFile archive, const char* path)
{
    Logger& log = Logger::getInstance();
    std::vector<char> buffer;
    if (!readWholeFile(path, buffer)) {
        log.print(1, "エラー！読み込みに失敗しました。%s", path);
        return 0;
    }
    scramblePlugInData(buffer);
    if (zipWriteInFileInZip(archive, buffer.data(), unsigned(buffer.size())) != ZIP_OK) {
        log.print(1, "エラー！書き込みに失敗しました。%s", path);
        return 0;
    }
    log.print(3, "書き込みました。%s", path);
    return 1;
}

int addPlugInEntry(zipFile archive, const gfl::Path& file, const std::string& meshFileName)
{
    std::string entryName;
    file.getFileName(entryName);
    if (entryName == meshFileName)
        entryName = kMainMeshEntryName;
    if (!openEntry(archive, entryName.c_str())) {
        Logger::getInstance().print(1, "エラー！プラグイン内ファイルの作成に失敗しました。%s", entryName.c_str());
        return 0;
    }
    const int written = writePlugInEntryData(archive, file.c_str());
    const bool closed = zipCloseFileInZip(archive) == ZIP_OK;
    if (written && !closed)
        Logger::getInstance().print(1, "エラー！書き込みに失敗しました。%s", file.c_str());
    return written && closed ? 1 : 0;
}

int addPlugInEntries(zipFile archive, const std::list<gfl::Path>& files, const std::string& meshFileName)
{
    for (const gfl::Path& file : files)
        if (!addPlugInEntry(archive, file, meshFileName))
            return 0;
    return 1;
}

int makePlugIn(const char* folder)
{
    Logger& log = Logger::getInstance();
    log.print(3, "プラグイン作成開始。");
    const gfl::Path folderPath(folder);
    log.print(3, "プラグイン対象ディレクトリ %s", folderPath.c_str());
    if (!folderPath.isDirectory()) {
        log.print(1, "エラー！フォルダを指定してください。%s", folder);
        return 0;
    }
    std::list<gfl::Path> files;
    if (FAILED(folderPath.getFileListRecursive(files, kMaxFilesPerFolder))) {
        log.print(1, "エラー！ファイルの列挙に失敗しました。");
        return 0;
    }
    std::string meshFileName;
    folderPath.getFileName(meshFileName);
    meshFileName += ".x";
    log.print(3, "メッシュファイル %s", meshFileName.c_str());

    gfl::Path meshPath(folderPath);
    const bool meshPathFits = SUCCEEDED(meshPath.combine(meshFileName.c_str()));
    log.print(3, "ファイルの列挙。");
    bool meshFound = false;
    for (const gfl::Path& file : files) {
        if (meshPathFits && lstrcmpA(file.c_str(), meshPath.c_str()) == 0)
            meshFound = true;
        log.print(3, "    %s", file.c_str());
    }
    if (!meshFound) {
        log.print(1, "Xファイルが見つからない。");
        return 0;
    }

    gfl::Path outputPath(folderPath);
    if (FAILED(outputPath.renameExtension(".pin"))) {
        log.print(1, "エラー！プラグインファイルの作成に失敗しました。");
        return 0;
    }
    log.print(3, "プラグインファイル %s", outputPath.c_str());
    zipFile archive = openZip(outputPath.c_str(), APPEND_STATUS_CREATE);
    if (!archive) {
        log.print(1, "エラー！プラグインファイルの作成に失敗しました。");
        return 0;
    }
    const int entriesWritten = addPlugInEntries(archive, files, meshFileName);
    const bool closed = zipClose(archive, kPlugInComment) == ZIP_OK;
    if (entriesWritten && closed) {
        log.print(3, "プラグイン作成終了。");
        showMessage("プラグイン作成成功");
        return 1;
    }
    if (!closed)
        log.print(1, "エラー！プラグインファイルの作成に失敗しました。");
    showMessage("エラー！！プラグイン作成失敗");
    DeleteFileA(outputPath.c_str());
    return 0;
}
