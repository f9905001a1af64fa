#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstddef>

#include <string>

namespace tbm {

// The file dialogs of the editor, all the system's open-file dialog. A chosen
// file goes into path and gives TRUE; a cancel gives FALSE and leaves path.
BOOL openPlugInFileDialog(HWND owner, std::string& path);
BOOL openSaveFileDialog(HWND owner, std::string& path);
BOOL saveAsFileDialog(HWND owner, std::string& path);

// The structure size the dialogs are given: the size without the Windows 2000
// members, 76 in the 32-bit program.
constexpr DWORD kFileDialogStructSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kFileDialogStructSize == 76, "the 32-bit dialog structure is 76 bytes");

// The call that shows a dialog; GetOpenFileNameA unless a test replaces it.
using OpenFileNameFunction = BOOL(WINAPI*)(LPOPENFILENAMEA);
void setOpenFileNameFunction(OpenFileNameFunction function);

}
