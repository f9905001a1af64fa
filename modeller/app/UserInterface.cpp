#include "UserInterface.h"

#include "FileDialogs.h"

#include <mmsystem.h>

namespace tbm {

namespace {
constexpr int kCompleteSoundId = 20;
}

UserInterface systemUserInterface()
{
    return UserInterface{openPlugInFileDialog, openSaveFileDialog, saveAsFileDialog,
                         showMessageBox,       playCompleteSound,  stopSound};
}

int showMessageBox(HWND owner, const char* text, UINT type)
{
    return MessageBoxA(owner, text, "とぶれモデラー メッセージ", type);
}

void playCompleteSound(HINSTANCE instance)
{
    PlaySoundA(MAKEINTRESOURCEA(kCompleteSoundId), instance, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void stopSound(HINSTANCE instance)
{
    PlaySoundA(nullptr, instance, SND_PURGE);
}

}
