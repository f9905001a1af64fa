#include "ArchiveFile.h"

#include <iowin32.h>
#include <windows.h>

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

int compareCommentMagic(unzFile archive, const char* magic)
{
    const int length = lstrlenA(magic);
    char comment[64] = {};
    if (length >= int(sizeof comment))
        return 0;
    const int read = unzGetGlobalComment(archive, comment, length);
    if (read < 0)
        return -1;
    return read == length && lstrcmpA(comment, magic) == 0 ? 1 : 0;
}
