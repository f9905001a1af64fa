#pragma once

#include "gfl/Path.h"

#include <unzip.h>

#include <vector>

// Reads entries of a plug-in archive; results are 1 / 0.
class PlugInReader {
public:
    PlugInReader() = default;
    ~PlugInReader();
    PlugInReader(const PlugInReader&) = delete;
    PlugInReader& operator=(const PlugInReader&) = delete;

    void close();
    int open(const char* path);
    int checkComment();
    int readFile(const char* name, std::vector<char>& out);
    int readMainMeshFile(std::vector<char>& out);
    int hasFile(const char* name);
    int extractCurrentFile(const gfl::Path& folder);
    int extractAll(const char* folder);

private:
    unzFile archive_ = nullptr;
};

// 1 when the file is a zip archive whose comment begins with the plug-in magic.
int isPlugInFile(const gfl::Path& path);

// True when an entry name names a plain file inside the target folder.
bool isSafeEntryName(const char* name);
