#pragma once

#include "gfl/Path.h"

#include <zip.h>

#include <list>
#include <string>

// Packs a folder into <folder>.pin beside it; 1 when every file was written.
int makePlugIn(const char* folder);
int addPlugInEntries(zipFile archive, const std::list<gfl::Path>& files, const std::string& meshFileName);
int addPlugInEntry(zipFile archive, const gfl::Path& file, const std::string& meshFileName);
int writePlugInEntryData(zipFile archive, const char* path);
