#pragma once

// The user-facing message box of the archive code, replaceable so that a run
// with no person in front of it never blocks.
using MessageFunction = void (*)(const char* caption, const char* text);

void setMessageCaption(const char* caption);
void setMessageFunction(MessageFunction function);
void showMessage(const char* text);

// Writes caption and text to standard output instead of showing a box.
void printMessageToConsole(const char* caption, const char* text);

// Installs printMessageToConsole when the environment variable is set.
constexpr const char* kNoMessageBoxVariable = "TOBURE_NO_MESSAGE_BOX";
void useConsoleMessagesIfAsked();
