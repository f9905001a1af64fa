#include "gfl/Logger.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

// The maker echoes every log line to the console, bytes unchanged.
void Logger::writeDebug(const char* line)
{
    OutputDebugStringA(line);
    std::fwrite(line, 1, std::strlen(line), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
