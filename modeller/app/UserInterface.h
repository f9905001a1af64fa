#pragma once

#include <windows.h>

#include <string>

namespace tbm {

// What the controller asks of the person and plays to them: the file dialogs,
// the message boxes and the completion sound. Tests replace these so that no
// run waits for a person.
struct UserInterface {
    BOOL (*openPlugInFile)(HWND owner, std::string& path);
    BOOL (*openSaveFile)(HWND owner, std::string& path);
    BOOL (*saveAsFile)(HWND owner, std::string& path);
    int (*showMessage)(HWND owner, const char* text, UINT type);
    void (*playCompleteSound)(HINSTANCE instance);
    void (*stopSound)(HINSTANCE instance);
};

// The real dialogs, message boxes and sound.
UserInterface systemUserInterface();

// A message box captioned with the editor's message caption.
int showMessageBox(HWND owner, const char* text, UINT type);
void playCompleteSound(HINSTANCE instance);
void stopSound(HINSTANCE instance);

}
