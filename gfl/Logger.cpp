#include "Logger.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace gfl {
int wholeCharacterLength(const char* text, int length)
{
    int i = 0;
    while (i < length) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            if (i + 1 >= length)
                return i;
            i += 2;
        } else {
            ++i;
        }
    }
    return length;
}
}

Logger& Logger::getInstance()
{
    static Logger instance;
    return instance;
}

void Logger::print(int level, const char* format, ...)
{
    if (level > level_)
        return;

    char line[kLineSize];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (written < 0)
        return;
    if (written >= kLineSize - 1)
        line[gfl::wholeCharacterLength(line, kLineSize - 1)] = '\0';

    if (flags_ & 1)
        writeDebug(line);
    if (flags_ & 2)
        writeFile(line);
}

void Logger::writeFile(const char*) {}
