#include "MessageBox.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
void showMessageBox(const char* caption, const char* text)
{
    MessageBoxA(nullptr, text, caption, MB_OK);
}

std::string& caption()
{
    static std::string text = "とぶれモデラー メッセージ";
    return text;
}

MessageFunction& messageFunction()
{
    static MessageFunction function = showMessageBox;
    return function;
}
}

void setMessageCaption(const char* text)
{
    caption() = text;
}

void setMessageFunction(MessageFunction function)
{
    messageFunction() = function;
}

void showMessage(const char* text)
{
    messageFunction()(caption().c_str(), text);
}

void printMessageToConsole(const char* caption, const char* text)
{
    std::fwrite(caption, 1, std::char_traits<char>::length(caption), stdout);
    std::fputs(": ", stdout);
    std::fwrite(text, 1, std::char_traits<char>::length(text), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

void useConsoleMessagesIfAsked()
{
    const char* value = std::getenv(kNoMessageBoxVariable);
    if (value && *value)
        setMessageFunction(printMessageToConsole);
}
