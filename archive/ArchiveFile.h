#pragma once

#include <ioapi.h>
#include <unzip.h>
#include <zip.h>

// Opens archives through the Win32 file functions, so write errors surface.
unzFile openUnzip(const char* path);
// Replaces the underlying file functions for later opens (a test seam); nullptr restores them.
void setArchiveFileFunctions(const zlib_filefunc64_def* functions);
zipFile openZip(const char* path, int append);

// Compares the first bytes of the archive's comment with magic:
// 1 when they match, 0 when they differ, -1 when the comment cannot be read.
int compareCommentMagic(unzFile archive, const char* magic);
