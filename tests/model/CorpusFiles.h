#pragma once

// The shared corpus of real .x files and the repository's own files, found from
// the test program's folder: <repo>\build-*\tests\.

#include "gfl/Path.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

// <repo>\..\shared\corpus, or empty when it is not there.
inline std::string corpusFolder()
{
    const std::string guess = gfl::Path::getModuleDirectoryCached() + "\\..\\..\\..\\shared\\corpus";
    char full[MAX_PATH];
    if (!GetFullPathNameA(guess.c_str(), MAX_PATH, full, nullptr))
        return std::string();
    const DWORD attributes = GetFileAttributesA(full);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? full : std::string();
}

// A file of the repository, by its path below the repository's root.
inline std::string repositoryFile(const std::string& relative)
{
    return gfl::Path::getModuleDirectoryCached() + "\\..\\..\\" + relative;
}

// A whole file's bytes, or empty.
inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
