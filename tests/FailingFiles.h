#pragma once

#include "archive/ArchiveFile.h"

#include <iowin32.h>

// While alive, archive writes fail once budget bytes have been written.
class FailingFiles {
public:
    explicit FailingFiles(unsigned long budget)
    {
        fill_win32_filefunc64A(&base());
        budget_() = budget;
        zlib_filefunc64_def functions = base();
        functions.zwrite_file = write;
        setArchiveFileFunctions(&functions);
    }
    ~FailingFiles() { setArchiveFileFunctions(nullptr); }

private:
    static zlib_filefunc64_def& base()
    {
        static zlib_filefunc64_def functions;
        return functions;
    }
    static unsigned long& budget_()
    {
        static unsigned long value;
        return value;
    }
    static uLong ZCALLBACK write(voidpf opaque, voidpf stream, const void* buffer, uLong size)
    {
        if (size > budget_())
            return 0;
        budget_() -= size;
        return base().zwrite_file(opaque, stream, buffer, size);
    }
};
