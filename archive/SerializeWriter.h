#pragma once

#include <zip.h>

#include <string>
#include <vector>

// Writes a work file; the archive is complete once closed. Results are 1 / 0.
class SerializeWriter {
public:
    SerializeWriter() = default;
    ~SerializeWriter();
    SerializeWriter(const SerializeWriter&) = delete;
    SerializeWriter& operator=(const SerializeWriter&) = delete;

    // 1 when nothing was open or the archive was finished on disk.
    int close();
    int create(const std::string& path);
    int writeMainMeshFile(const std::string& meshPath);
    int writePartsFile(int id, const std::vector<char>& data);

private:
    int writeEntry(const char* name, const void* data, unsigned size, const char* subject);

    zipFile archive_ = nullptr;
};
