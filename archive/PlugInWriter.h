#pragma once

#include <zip.h>

#include <string>
#include <vector>

// Adds scrambled entries to an existing plug-in archive; results are 1 / 0.
class PlugInWriter {
public:
    PlugInWriter() = default;
    ~PlugInWriter();
    PlugInWriter(const PlugInWriter&) = delete;
    PlugInWriter& operator=(const PlugInWriter&) = delete;

    // Closes with the plug-in comment; 1 when nothing was open or the archive was finished.
    int close();
    int openAppend(const std::string& path);
    // Scrambles data in place, then writes it as the entry name.
    int writeFile(const char* name, std::vector<char>& data);

private:
    zipFile archive_ = nullptr;
};
