#include "Path.h"

#include <shlwapi.h>

#include <cstring>

namespace gfl {

namespace {
bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool hasDirectoryBit(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Captures the directory current at start, before the entry function runs.
struct StartDirectoryInit {
    StartDirectoryInit() { Path::getStartDirectory(); }
} initStartDirectory;
}

Path::Path(const char* text)
{
    setFullPath(text);
}

Path::Path(const std::string& text) : Path(text.c_str()) {}

HRESULT Path::setFullPath(const char* text)
{
    const size_t length = std::strlen(text);
    if (length >= MAX_PATH) {
        text_[0] = '\0';
        return E_FAIL;
    }
    // The text may lie in this path's own buffer.
    char source[MAX_PATH];
    std::memcpy(source, text, length + 1);
    std::memcpy(text_, source, length + 1);
    if (PathIsRelativeA(source)) {
        const std::string folder = getModuleDirectoryCached();
        if (folder.empty()) {
            text_[0] = '\0';
            return E_FAIL;
        }
        std::memcpy(text_, folder.c_str(), folder.size() + 1);
        if (FAILED(combine(source))) {
            text_[0] = '\0';
            return E_FAIL;
        }
    }
    normalizeSeparator();
    return S_OK;
}

void Path::normalizeSeparator()
{
    bool afterLeadRange = false;
    for (char* p = text_; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (isLeadByte(c)) {
            afterLeadRange = true;
            continue;
        }
        if (!afterLeadRange && c == '/')
            *p = '\\';
        afterLeadRange = false;
    }
}

bool Path::isRelative() const
{
    return PathIsRelativeA(text_) != FALSE;
}

bool Path::exists() const
{
    return PathFileExistsA(text_) != FALSE;
}

bool Path::isDirectory() const
{
    const DWORD attributes = GetFileAttributesA(text_);
    return attributes != INVALID_FILE_ATTRIBUTES && hasDirectoryBit(attributes);
}

bool Path::isFile() const
{
    const DWORD attributes = GetFileAttributesA(text_);
    return attributes != INVALID_FILE_ATTRIBUTES && !hasDirectoryBit(attributes);
}

HRESULT Path::getFileName(std::string& out) const
{
    out = PathFindFileNameA(text_);
    return S_OK;
}

HRESULT Path::getExtension(std::string& out) const
{
    const char* extension = PathFindExtensionA(text_);
    if (!extension) {
        out.clear();
        return E_FAIL;
    }
    out = extension;
    return S_OK;
}

HRESULT Path::toString(std::string& out) const
{
    out = text_;
    return S_OK;
}

HRESULT Path::getRelativePath(std::string& out, const char* from) const
{
    char relative[MAX_PATH];
    const DWORD fromKind = hasDirectoryBit(GetFileAttributesA(from)) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    const DWORD toKind = hasDirectoryBit(GetFileAttributesA(text_)) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (!PathRelativePathToA(relative, from, fromKind, text_, toKind)) {
        out = from;
        return E_FAIL;
    }
    out = relative;
    return S_OK;
}

HRESULT Path::combine(const char* name)
{
    char combined[MAX_PATH];
    if (!PathCombineA(combined, text_, name))
        return E_FAIL;
    std::memcpy(text_, combined, std::strlen(combined) + 1);
    return S_OK;
}

HRESULT Path::toParent()
{
    return combine("..\\");
}

HRESULT Path::getParentDirectory(Path& out) const
{
    out.setFullPath(text_);
    return out.toParent();
}

HRESULT Path::renameExtension(const char* extension)
{
    char renamed[MAX_PATH];
    std::memcpy(renamed, text_, sizeof renamed);
    if (!PathRenameExtensionA(renamed, extension))
        return E_FAIL;
    std::memcpy(text_, renamed, sizeof text_);
    return S_OK;
}

HRESULT Path::getFileList(std::list<Path>& out) const
{
    if (!isDirectory())
        return E_FAIL;
    char pattern[MAX_PATH];
    if (!PathCombineA(pattern, text_, ".\\*.*"))
        return E_FAIL;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return E_FAIL;
    std::list<Path> found;
    HRESULT result = S_OK;
    do {
        if (lstrcmpA(entry.cFileName, "..") == 0 || lstrcmpA(entry.cFileName, ".") == 0)
            continue;
        Path item(*this);
        if (FAILED(item.combine(entry.cFileName))) {
            result = E_FAIL;
            break;
        }
        found.push_back(item);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (SUCCEEDED(result))
        out.splice(out.end(), found);
    return result;
}

HRESULT Path::getFileListRecursive(std::list<Path>& out, int maxFileCount) const
{
    if (!isDirectory())
        return E_FAIL;
    std::list<Path> entries;
    if (FAILED(getFileList(entries)))
        return E_FAIL;
    int remaining = maxFileCount;
    for (const Path& entry : entries) {
        if (entry.isDirectory()) {
            if (FAILED(entry.getFileListRecursive(out, remaining)))
                return E_FAIL;
        } else {
            if (remaining > 0)
                out.push_back(entry);
            --remaining;
        }
    }
    return S_OK;
}

std::string Path::getCurrentDirectory()
{
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer, length);
}

std::string Path::getStartDirectory()
{
    static const std::string directory = getCurrentDirectory();
    return directory;
}

std::string Path::getModuleDirectory()
{
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    PathRemoveFileSpecA(buffer);
    return buffer;
}

std::string Path::getModuleDirectoryCached()
{
    static const std::string directory = getModuleDirectory();
    return directory;
}

HRESULT Path::setCurrentDirectory(const char* text)
{
    return SetCurrentDirectoryA(text) ? S_OK : E_FAIL;
}

}
