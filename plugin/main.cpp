#include "archive/MessageBox.h"
#include "archive/PlugInMaker.h"
#include "gfl/Logger.h"

int main(int argc, char* argv[])
{
    Logger::getInstance().setLevel(3);
    setMessageCaption("プラグインメッセージ");
    useConsoleMessagesIfAsked();
    if (argc <= 1)
        showMessage("エラー！！フォルダをドラッグ＆ドロップしてください。");
    else
        makePlugIn(argv[1]);
    return 0;
}
