#pragma once

#include <unzip.h>

#include <string>
#include <vector>

// Reads a work file's entries; results are 1 / 0.
class SerializeReader {
public:
    SerializeReader() = default;
    ~SerializeReader();
    SerializeReader(const SerializeReader&) = delete;
    SerializeReader& operator=(const SerializeReader&) = delete;

    void close();
    int open(const std::string& path);
    int readFile(const char* name, std::vector<char>& out);
    int readMainMeshFile(std::string& out);
    int readPartsFile(int id, std::vector<char>& out);

private:
    unzFile archive_ = nullptr;
};

// 1 when path is a zip archive whose comment begins with the work-file magic.
int isSerializeFile(const std::string& path);
