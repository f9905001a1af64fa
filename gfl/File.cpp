#include "File.h"

#include <shlwapi.h>

namespace gfl {

namespace {
bool accessOfMode(int mode, DWORD* access)
{
    switch (mode) {
    case 0: *access = GENERIC_READ; return true;
    case 1: *access = GENERIC_WRITE; return true;
    case 2: *access = GENERIC_READ | GENERIC_WRITE; return true;
    default: return false;
    }
}

HRESULT resultOf(BOOL ok)
{
    return ok ? S_OK : E_FAIL;
}
}

File::File(const char* fileName) : fileName_(fileName) {}

File::File(const std::string& fileName) : fileName_(fileName) {}

File::~File()
{
    close();
}

HRESULT File::open(int mode, DWORD creationDisposition)
{
    close();
    DWORD access;
    if (!accessOfMode(mode, &access))
        return E_FAIL;
    handle_ = CreateFileA(fileName_.c_str(), access, FILE_SHARE_READ, nullptr, creationDisposition,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return isOpen() ? S_OK : E_FAIL;
}

HRESULT File::create(int mode)
{
    return open(mode, CREATE_ALWAYS);
}

HRESULT File::openExisting(int mode)
{
    return open(mode, OPEN_EXISTING);
}

HRESULT File::close()
{
    if (isOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    return S_OK;
}

HRESULT File::read(void* buffer, DWORD count, DWORD* countRead)
{
    return resultOf(ReadFile(handle_, buffer, count, countRead, nullptr));
}

DWORD File::read(void* buffer, DWORD count)
{
    DWORD done = 0;
    return SUCCEEDED(read(buffer, count, &done)) ? done : 0;
}

HRESULT File::write(const void* buffer, DWORD count, DWORD* countWritten)
{
    return resultOf(WriteFile(handle_, buffer, count, countWritten, nullptr));
}

DWORD File::write(const void* buffer, DWORD count)
{
    DWORD done = 0;
    return SUCCEEDED(write(buffer, count, &done)) ? done : 0;
}

DWORD File::seek(LONG distance, DWORD method)
{
    return SetFilePointer(handle_, distance, nullptr, method);
}

HRESULT File::seek(LONG distance, DWORD method, DWORD* position)
{
    *position = seek(distance, method);
    return *position == INVALID_SET_FILE_POINTER ? E_FAIL : S_OK;
}

HRESULT File::flush()
{
    return resultOf(FlushFileBuffers(handle_));
}

HRESULT File::setEndOfFile()
{
    return resultOf(SetEndOfFile(handle_));
}

bool File::exists() const
{
    return PathFileExistsA(fileName_.c_str()) != FALSE;
}

HRESULT File::getSize(DWORD* size) const
{
    HANDLE handle =
        CreateFileA(fileName_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return E_FAIL;
    *size = GetFileSize(handle, nullptr);
    CloseHandle(handle);
    return S_OK;
}

HRESULT File::getSize(unsigned long long* size) const
{
    HANDLE handle =
        CreateFileA(fileName_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return E_FAIL;
    LARGE_INTEGER large;
    const BOOL got = GetFileSizeEx(handle, &large);
    CloseHandle(handle);
    if (!got)
        return E_FAIL;
    *size = static_cast<unsigned long long>(large.QuadPart);
    return S_OK;
}

HRESULT File::writeAll(const void* buffer, DWORD count, DWORD* countWritten)
{
    DWORD done = 0;
    HRESULT result = create(1);
    if (SUCCEEDED(result)) {
        result = write(buffer, count, &done);
        close();
    }
    if (countWritten)
        *countWritten = done;
    return result;
}

HRESULT File::append(const void* buffer, DWORD count, DWORD* countWritten)
{
    DWORD done = 0;
    HRESULT result = openExisting(1);
    if (SUCCEEDED(result)) {
        seek(0, FILE_END);
        result = write(buffer, count, &done);
        close();
    }
    if (countWritten)
        *countWritten = done;
    return result;
}

HRESULT File::readAll(void* buffer, DWORD count, DWORD* countRead)
{
    DWORD done = 0;
    HRESULT result = openExisting(0);
    if (SUCCEEDED(result)) {
        result = read(buffer, count, &done);
        close();
    }
    if (countRead)
        *countRead = done;
    return result;
}

DWORD checksumAdler32(DWORD previous, const void* data, DWORD length)
{
    constexpr DWORD kBase = 65521;
    constexpr DWORD kLongestRun = 5552;
    if (!data)
        return 1;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    DWORD low = previous & 0xFFFF;
    DWORD high = previous >> 16;
    while (length > 0) {
        DWORD run = length < kLongestRun ? length : kLongestRun;
        length -= run;
        while (run--) {
            low += *bytes++;
            high += low;
        }
        low %= kBase;
        high %= kBase;
    }
    return (high << 16) | low;
}

}
