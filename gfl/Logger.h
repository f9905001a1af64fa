#pragma once

#include <string>

// The process-wide log. Lines above the threshold are dropped before formatting.
class Logger {
public:
    static constexpr int kLineSize = 512;

    static Logger& getInstance();

    void setLevel(int level) { level_ = level; }
    int getLevel() const { return level_; }
    unsigned getFlags() const { return flags_; }
    const std::string& getFileName() const { return fileName_; }

    void print(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // The debugger sink; each program links its own definition.
    void writeDebug(const char* line);
    void writeFile(const char* line);

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Logger() = default;

    std::string fileName_ = "log.txt";
    int level_ = 2;
    unsigned flags_ = 3;
};

namespace gfl {
// Length of the longest prefix of text[0, length) that ends on a whole character
// of the ANSI code page.
int wholeCharacterLength(const char* text, int length);
}
