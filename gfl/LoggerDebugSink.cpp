#include "Logger.h"

#include <windows.h>

void Logger::writeDebug(const char* line)
{
    OutputDebugStringA(line);
}
