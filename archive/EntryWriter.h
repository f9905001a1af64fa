#pragma once

#include <zip.h>

// Opens a new deflated entry with no file information; 1 / 0.
int openEntry(zipFile archive, const char* name);
// Writes the data into the open entry and closes it; 1 when both succeeded.
// The entry is closed in every case.
int writeAndCloseEntry(zipFile archive, const void* data, unsigned size);
