#include "gfl/Logger.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> g_lines;
}

void Logger::writeDebug(const char* line)
{
    g_lines.emplace_back(line);
}

TEST_CASE("logger threshold decides which levels are written")
{
    Logger& log = Logger::getInstance();
    CHECK(&log == &Logger::getInstance());
    CHECK(log.getFileName() == "log.txt");
    CHECK(log.getFlags() == 3u);
    CHECK(log.getLevel() == 2);

    struct Case {
        int threshold;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {2, {"e1", "w2"}},
        {3, {"e1", "w2", "i3"}},
        {0, {}},
    };
    for (const Case& c : cases) {
        log.setLevel(c.threshold);
        g_lines.clear();
        log.print(1, "e%d", 1);
        log.print(2, "w%d", 2);
        log.print(3, "i%d", 3);
        CHECK(g_lines == c.expected);
    }
    log.setLevel(3);
    CHECK(Logger::getInstance().getLevel() == 3);
}

TEST_CASE("logger formats printf conversions without adding line breaks")
{
    Logger& log = Logger::getInstance();
    log.setLevel(3);
    g_lines.clear();
    log.print(3, "%s %d %u %x %.2f", "abc", -5, 7u, 255u, 1.5f);
    log.print(3, "second");
    REQUIRE(g_lines.size() == 2);
    CHECK(g_lines[0] == "abc -5 7 ff 1.50");
    CHECK(g_lines[1] == "second");
}

TEST_CASE("logger cuts long lines to 511 bytes on a whole character")
{
    Logger& log = Logger::getInstance();
    log.setLevel(3);

    g_lines.clear();
    log.print(1, "%s", std::string(600, 'a').c_str());
    REQUIRE(g_lines.size() == 1);
    CHECK(g_lines[0] == std::string(511, 'a'));

    // "表" (95 5C) straddling the cut is dropped whole.
    g_lines.clear();
    std::string text = std::string(510, 'b') + "\x95\x5c" + "tail";
    log.print(1, "%s", text.c_str());
    REQUIRE(g_lines.size() == 1);
    CHECK(g_lines[0] == std::string(510, 'b'));

    // A trail byte that looks like a lead byte does not shorten the line.
    g_lines.clear();
    text = std::string(509, 'c') + "\x83\x83" + "tail";
    log.print(1, "%s", text.c_str());
    REQUIRE(g_lines.size() == 1);
    CHECK(g_lines[0] == std::string(509, 'c') + "\x83\x83");
}

TEST_CASE("Japanese messages are compiled to Shift-JIS")
{
    const std::string text = "エラー！";
    CHECK(text == "\x83\x47\x83\x89\x81\x5B\x81\x49");
}
