#pragma once

#include "gfl/Logger.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// Records the logger's debugger-sink lines (seen as the exception OutputDebugStringA
// raises) while alive, with the threshold raised to 3.
class LogCapture {
public:
    LogCapture() : handler_(AddVectoredExceptionHandler(1, record))
    {
        Logger::getInstance().setLevel(3);
        lines().clear();
    }
    ~LogCapture() { RemoveVectoredExceptionHandler(handler_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> recorded;
        return recorded;
    }
    static void clear() { lines().clear(); }
    static int count(const std::string& line) { return int(std::count(lines().begin(), lines().end(), line)); }
    static int countContaining(const std::string& part)
    {
        return int(std::count_if(lines().begin(), lines().end(),
                                 [&](const std::string& line) { return line.find(part) != std::string::npos; }));
    }

private:
    static LONG CALLBACK record(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* exception = info->ExceptionRecord;
        if (exception->ExceptionCode == DBG_PRINTEXCEPTION_C && exception->NumberParameters >= 2)
            lines().emplace_back(reinterpret_cast<const char*>(exception->ExceptionInformation[1]));
        return EXCEPTION_CONTINUE_SEARCH;
    }

    PVOID handler_;
};
