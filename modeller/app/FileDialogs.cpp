#include "FileDialogs.h"

#include "gfl/Path.h"

namespace tbm {

namespace {

const char kPlugInFilter[] = "PlugIn File {*.pin}\0*.pin\0";
const char kSaveFilter[] = "Save File {*.tbs}\0*.tbs\0";

OpenFileNameFunction& openFileName()
{
    static OpenFileNameFunction function = GetOpenFileNameA;
    return function;
}

// Each dialog keeps its structure for the whole run, so what the dialog
// updates in it carries over to its next use.
struct FileDialog {
    OPENFILENAMEA record;
    char file[MAX_PATH];
};

BOOL showFileDialog(FileDialog& dialog, HWND owner, const char* filter, const char* folder, DWORD flags,
                    std::string& path)
{
    const gfl::Path initialFolder(folder);
    dialog.file[0] = '\0';
    dialog.record.lStructSize = kFileDialogStructSize;
    dialog.record.hwndOwner = owner;
    dialog.record.lpstrFilter = filter;
    dialog.record.lpstrFile = dialog.file;
    dialog.record.nMaxFile = MAX_PATH;
    dialog.record.lpstrInitialDir = initialFolder.c_str();
    dialog.record.Flags = flags;
    const BOOL chosen = openFileName()(&dialog.record);
    dialog.record.lpstrInitialDir = nullptr;
    if (!chosen)
        return FALSE;
    path = dialog.file;
    return TRUE;
}

}

void setOpenFileNameFunction(OpenFileNameFunction function)
{
    openFileName() = function;
}

BOOL openPlugInFileDialog(HWND owner, std::string& path)
{
    static FileDialog dialog = {};
    return showFileDialog(dialog, owner, kPlugInFilter, "plugin", OFN_FILEMUSTEXIST, path);
}

BOOL openSaveFileDialog(HWND owner, std::string& path)
{
    static FileDialog dialog = {};
    return showFileDialog(dialog, owner, kSaveFilter, "save",
                          OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON, path);
}

BOOL saveAsFileDialog(HWND owner, std::string& path)
{
    static FileDialog dialog = {};
    return showFileDialog(dialog, owner, kSaveFilter, "save", OFN_OVERWRITEPROMPT | OFN_NONETWORKBUTTON, path);
}

}
