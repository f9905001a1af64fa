#include "TempDir.h"

#include <shellapi.h>

TempDir::TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH];
    // The empty file reserves the name for as long as the folder beside it lives,
    // so that test programs running side by side never share a folder.
    GetTempFileNameA(base, "tbm", 0, name);
    reservation_ = name;
    path_ = reservation_ + ".d";
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir()
{
    std::string from = path_ + std::string(1, '\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
    DeleteFileA(reservation_.c_str());
}
