#pragma once

#include <unzip.h>
#include <zip.h>

// Opens archives through the Win32 file functions, so write errors surface.
unzFile openUnzip(const char* path);
zipFile openZip(const char* path, int append);
