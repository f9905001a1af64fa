#pragma once

#include <windows.h>

#include <string>

namespace gfl {

// A file name and, while open, its handle. Results are 0 / E_FAIL.
class File {
public:
    explicit File(const char* fileName);
    explicit File(const std::string& fileName);
    virtual ~File();

    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const std::string& getFileName() const { return fileName_; }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    // mode: 0 read, 1 write, 2 read and write.
    HRESULT open(int mode, DWORD creationDisposition);
    HRESULT create(int mode);
    HRESULT openExisting(int mode);
    HRESULT close();

    HRESULT read(void* buffer, DWORD count, DWORD* countRead);
    DWORD read(void* buffer, DWORD count);
    HRESULT write(const void* buffer, DWORD count, DWORD* countWritten);
    DWORD write(const void* buffer, DWORD count);
    DWORD seek(LONG distance, DWORD method);
    HRESULT seek(LONG distance, DWORD method, DWORD* position);
    HRESULT flush();
    HRESULT setEndOfFile();

    bool exists() const;
    HRESULT getSize(DWORD* size) const;
    HRESULT getSize(unsigned long long* size) const; // also past 4 GB
    HRESULT writeAll(const void* buffer, DWORD count, DWORD* countWritten = nullptr);
    HRESULT append(const void* buffer, DWORD count, DWORD* countWritten = nullptr);
    HRESULT readAll(void* buffer, DWORD count, DWORD* countRead = nullptr);

private:
    std::string fileName_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Adler-32 (RFC 1950) continued from previous; without data it gives 1.
DWORD checksumAdler32(DWORD previous, const void* data, DWORD length);

}
