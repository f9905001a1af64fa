#include "TempDir.h"
#include "gfl/File.h"

#include <doctest/doctest.h>

#include <cstring>
#include <string>

using gfl::File;

namespace {
std::string readText(const std::string& name)
{
    char buffer[256] = {};
    DWORD count = 0;
    File(name).readAll(buffer, sizeof buffer, &count);
    return std::string(buffer, count);
}
}

TEST_CASE("file whole-file operations")
{
    TempDir dir;
    const std::string name = dir.file("a.bin");

    DWORD count = 99;
    char buffer[16];
    CHECK(File(name).readAll(buffer, sizeof buffer, &count) == E_FAIL);
    CHECK(count == 0);
    CHECK(File(name).append("x", 1) == E_FAIL);
    CHECK_FALSE(File(name).exists());

    CHECK(File(name).writeAll("hello", 5, &count) == S_OK);
    CHECK(count == 5);
    CHECK(File(name).exists());
    CHECK(File(name).writeAll("hey", 3) == S_OK);
    CHECK(readText(name) == "hey");
    CHECK(File(name).append("!!", 2, &count) == S_OK);
    CHECK(count == 2);
    CHECK(readText(name) == "hey!!");

    DWORD size = 77;
    CHECK(File(name).getSize(&size) == S_OK);
    CHECK(size == 5);
    size = 77;
    CHECK(File(dir.file("missing")).getSize(&size) == E_FAIL);
    CHECK(size == 77);

    CHECK(File(name).writeAll("", 0) == S_OK);
    CHECK(File(name).getSize(&size) == S_OK);
    CHECK(size == 0);
}

TEST_CASE("file handle-level operations")
{
    TempDir dir;
    File file(dir.file("h.bin"));

    CHECK(file.create(2) == S_OK);
    CHECK(file.write("abcdef", 6) == 6u);
    DWORD position = 0;
    CHECK(file.seek(2, FILE_BEGIN, &position) == S_OK);
    CHECK(position == 2);
    char buffer[8] = {};
    CHECK(file.read(buffer, 2) == 2u);
    CHECK(std::string(buffer, 2) == "cd");
    CHECK(file.seek(3, FILE_BEGIN) == 3u);
    CHECK(file.setEndOfFile() == S_OK);
    CHECK(file.flush() == S_OK);
    DWORD count = 5;
    CHECK(file.read(buffer, sizeof buffer, &count) == S_OK);
    CHECK(count == 0);

    // getSize opens without sharing, so it fails while the writer is open.
    DWORD size = 0;
    CHECK(file.getSize(&size) == E_FAIL);
    CHECK(file.close() == S_OK);
    CHECK(file.getSize(&size) == S_OK);
    CHECK(size == 3);

    CHECK(file.openExisting(0) == S_OK);
    CHECK(file.isOpen());
    CHECK(file.open(3, OPEN_EXISTING) == E_FAIL);
    CHECK_FALSE(file.isOpen());

    CHECK(file.writeAll("xy", 2) == S_OK);
    CHECK_FALSE(file.isOpen());
    CHECK(file.write("z", 1) == 0u);

    File missing(dir.file("none"));
    CHECK(missing.openExisting(0) == E_FAIL);
}

TEST_CASE("adler-32")
{
    struct Case {
        const char* data;
        DWORD expected;
    };
    const Case cases[] = {
        {"", 0x00000001},
        {"a", 0x00620062},
        {"Wikipedia", 0x11E60398},
    };
    for (const Case& c : cases)
        CHECK(gfl::checksumAdler32(1, c.data, DWORD(std::strlen(c.data))) == c.expected);

    CHECK(gfl::checksumAdler32(0x12345678, nullptr, 100) == 1u);
    DWORD part = gfl::checksumAdler32(1, "Wiki", 4);
    CHECK(gfl::checksumAdler32(part, "pedia", 5) == 0x11E60398u);

    // Long runs take the modulo in time: 100000 bytes of 0xFF.
    std::string big(100000, '\xff');
    DWORD low = 1, high = 0;
    for (unsigned char b : big) {
        low = (low + b) % 65521;
        high = (high + low) % 65521;
    }
    CHECK(gfl::checksumAdler32(1, big.data(), DWORD(big.size())) == ((high << 16) | low));
}
