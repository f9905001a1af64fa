#include "EntryWriter.h"

int openEntry(zipFile archive, const char* name)
{
    return zipOpenNewFileInZip(archive, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                               Z_DEFAULT_COMPRESSION)
                   == ZIP_OK
               ? 1
               : 0;
}

int writeAndCloseEntry(zipFile archive, const void* data, unsigned size)
{
    const bool written = size == 0 || zipWriteInFileInZip(archive, data, size) == ZIP_OK;
    const bool closed = zipCloseFileInZip(archive) == ZIP_OK;
    return written && closed ? 1 : 0;
}
