#include "ArchiveFile.h"

#include <iowin32.h>

namespace {
zlib_filefunc64_def& fileFunctions()
{
    static zlib_filefunc64_def functions = [] {
        zlib_filefunc64_def f;
        fill_win32_filefunc64A(&f);
        return f;
    }();
    return functions;
}
}

unzFile openUnzip(const char* path)
{
    return unzOpen2_64(path, &fileFunctions());
}

zipFile openZip(const char* path, int append)
{
    return zipOpen2_64(path, append, nullptr, &fileFunctions());
}
