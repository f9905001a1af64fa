#include <windows.h>

#include "gfl/Logger.h"
#include "modeller/app/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    Logger::getInstance().setLevel(3);
    return tbm::MainWindow::getInstance().run(instance, showCommand);
}
