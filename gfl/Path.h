#pragma once

#include <windows.h>

#include <list>
#include <string>

namespace gfl {

// A narrow path in a fixed MAX_PATH buffer. Relative texts resolve against the
// program's folder, never the current directory. Results are 0 / E_FAIL.
class Path {
public:
    explicit Path(const char* text);
    explicit Path(const std::string& text);
    Path(const Path& other) = default;
    Path& operator=(const Path& other) = default;

    HRESULT setFullPath(const char* text);
    void normalizeSeparator();

    const char* c_str() const { return text_; }
    bool isRelative() const;
    bool exists() const;
    bool isDirectory() const;
    bool isFile() const;
    HRESULT getFileName(std::string& out) const;
    HRESULT getExtension(std::string& out) const;
    HRESULT toString(std::string& out) const;
    HRESULT getRelativePath(std::string& out, const char* from) const;

    HRESULT combine(const char* name);
    HRESULT toParent();
    HRESULT getParentDirectory(Path& out) const;
    HRESULT renameExtension(const char* extension);

    HRESULT getFileList(std::list<Path>& out) const;
    HRESULT getFileListRecursive(std::list<Path>& out, int maxFileCount) const;

    static std::string getCurrentDirectory();
    static std::string getStartDirectory();
    static std::string getModuleDirectory();
    static std::string getModuleDirectoryCached();
    static HRESULT setCurrentDirectory(const char* text);

private:
    char text_[MAX_PATH];
};

}
