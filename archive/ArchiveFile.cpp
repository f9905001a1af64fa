#include "ArchiveFile.h"

#include <iowin32.h>
#include <windows.h>

namespace {
zlib_filefunc64_def win32FileFunctions()
{
    zlib_filefunc64_def functions;
    fill_win32_filefunc64A(&functions);
    return functions;
}

zlib_filefunc64_def& fileFunctions()
{
    static zlib_filefunc64_def functions = win32FileFunctions();
    return functions;
}
}

void setArchiveFileFunctions(const zlib_filefunc64_def* functions)
{
    fileFunctions() = functions ? *functions : win32FileFunctions();
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
