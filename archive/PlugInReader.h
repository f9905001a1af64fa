#pragma once

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

private:
    unzFile archive_ = nullptr;
};
