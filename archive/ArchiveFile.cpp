#include "ArchiveFile.h"

#include <iowin32.h>
#include <windows.h>

#include <new>

namespace {
zlib_filefunc64_def win32FileFunctions()
{
    zlib_filefunc64_def functions;
    fill_win32_filefunc64A(&functions);
    return functions;
}

zlib_filefunc64_def& baseFunctions()
{
    static zlib_filefunc64_def functions = win32FileFunctions();
    return functions;
}

// minizip drops some write errors (a failed flush while an entry is closed), so
// every stream remembers a short write and its close reports it.
struct TrackedStream {
    zlib_filefunc64_def base;
    voidpf inner;
    bool writeFailed;
};

TrackedStream* tracked(voidpf stream)
{
    return static_cast<TrackedStream*>(stream);
}

voidpf ZCALLBACK openTracked(voidpf, const void* name, int mode)
{
    const zlib_filefunc64_def& base = baseFunctions();
    voidpf inner = base.zopen64_file(base.opaque, name, mode);
    if (!inner)
        return nullptr;
    TrackedStream* stream = new (std::nothrow) TrackedStream{base, inner, false};
    if (!stream)
        base.zclose_file(base.opaque, inner);
    return stream;
}

uLong ZCALLBACK readTracked(voidpf, voidpf stream, void* buffer, uLong size)
{
    TrackedStream* s = tracked(stream);
    return s->base.zread_file(s->base.opaque, s->inner, buffer, size);
}

uLong ZCALLBACK writeTracked(voidpf, voidpf stream, const void* buffer, uLong size)
{
    TrackedStream* s = tracked(stream);
    const uLong written = s->base.zwrite_file(s->base.opaque, s->inner, buffer, size);
    if (written != size)
        s->writeFailed = true;
    return written;
}

ZPOS64_T ZCALLBACK tellTracked(voidpf, voidpf stream)
{
    TrackedStream* s = tracked(stream);
    return s->base.ztell64_file(s->base.opaque, s->inner);
}

long ZCALLBACK seekTracked(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    TrackedStream* s = tracked(stream);
    return s->base.zseek64_file(s->base.opaque, s->inner, offset, origin);
}

int ZCALLBACK closeTracked(voidpf, voidpf stream)
{
    TrackedStream* s = tracked(stream);
    const int result = s->base.zclose_file(s->base.opaque, s->inner);
    const bool failed = result != 0 || s->writeFailed;
    delete s;
    return failed ? -1 : 0;
}

int ZCALLBACK errorTracked(voidpf, voidpf stream)
{
    TrackedStream* s = tracked(stream);
    const int error = s->base.zerror_file(s->base.opaque, s->inner);
    return error ? error : (s->writeFailed ? -1 : 0);
}

zlib_filefunc64_def* trackedFunctions()
{
    static zlib_filefunc64_def functions = {openTracked, readTracked,  writeTracked, tellTracked,
                                            seekTracked, closeTracked, errorTracked, nullptr};
    return &functions;
}
}

void setArchiveFileFunctions(const zlib_filefunc64_def* functions)
{
    baseFunctions() = functions ? *functions : win32FileFunctions();
}

unzFile openUnzip(const char* path)
{
    return unzOpen2_64(path, trackedFunctions());
}

zipFile openZip(const char* path, int append)
{
    return zipOpen2_64(path, append, nullptr, trackedFunctions());
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
