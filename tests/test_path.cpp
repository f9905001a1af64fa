#include "TempDir.h"
#include "gfl/File.h"
#include "gfl/Path.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <string>

using gfl::Path;

namespace {
std::string text(const Path& path)
{
    std::string out;
    path.toString(out);
    return out;
}

void makeFiles(const std::string& folder, int count)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        char name[16];
        wsprintfA(name, "\\f%04d", i);
        gfl::File((folder + name).c_str()).writeAll("x", 1);
    }
}

std::string under(const std::list<Path>& list, const std::string& folder)
{
    int n = 0;
    for (const Path& p : list)
        if (text(p).rfind(folder + "\\", 0) == 0 && text(p).find('\\', folder.size() + 1) == std::string::npos)
            ++n;
    return std::to_string(n);
}
}

TEST_CASE("path resolution and separators")
{
    const std::string module = Path::getModuleDirectoryCached();
    REQUIRE_FALSE(module.empty());
    CHECK(module == Path::getModuleDirectory());

    struct Case {
        std::string input;
        std::string expected;
        HRESULT result;
    };
    const Case cases[] = {
        {"plugin", module + "\\plugin", S_OK},
        {"sub/dir/file.x", module + "\\sub\\dir\\file.x", S_OK},
        {"C:/work/a/b.x", "C:\\work\\a\\b.x", S_OK},
        {"\\\\server\\share/x", "\\\\server\\share\\x", S_OK},
        {"C:\\a\\..\\b", "C:\\a\\..\\b", S_OK},
        {"Z:\\\x83\x41/x", "Z:\\\x83\x41\\x", S_OK},
        {"Z:\\\x83\x81/x", "Z:\\\x83\x81/x", S_OK},
        {"Z:\\\x95\x5c\\\x83\x5cx", "Z:\\\x95\x5c\\\x83\x5cx", S_OK},
        {"C:\\" + std::string(256, 'a'), "C:\\" + std::string(256, 'a'), S_OK},
        {"C:\\" + std::string(257, 'a'), "", E_FAIL},
        {std::string(300, 'r'), "", E_FAIL},
        {std::string(258 - module.size(), 'r'), module + "\\" + std::string(258 - module.size(), 'r'), S_OK},
        {std::string(259 - module.size(), 'r'), "", E_FAIL},
    };
    for (const Case& c : cases) {
        CAPTURE(c.input);
        Path path("C:\\old");
        CHECK(path.setFullPath(c.input.c_str()) == c.result);
        CHECK(text(path) == c.expected);
        CHECK(text(Path(c.input)) == c.expected);
    }
}

TEST_CASE("a path resolves text from its own buffer")
{
    const std::string module = Path::getModuleDirectoryCached();
    Path path("C:\\work\\sub/model.x");
    CHECK(path.setFullPath(path.c_str()) == S_OK);
    CHECK(text(path) == "C:\\work\\sub\\model.x");
    CHECK(path.setFullPath(path.c_str() + 8) == S_OK); // sub\model.x, relative
    CHECK(text(path) == module + "\\sub\\model.x");

    Path parent("C:\\work\\sub\\model.x");
    CHECK(parent.getParentDirectory(parent) == S_OK);
    CHECK(parent.combine("a") == S_OK);
    CHECK(text(parent) == "C:\\work\\sub\\a");
}

TEST_CASE("path queries and changes")
{
    TempDir dir;
    gfl::File(dir.file("model.x")).writeAll("x", 1);
    Path file(dir.file("model.x"));
    Path folder(dir.path());
    Path missing(dir.file("none"));

    CHECK(file.isFile());
    CHECK_FALSE(file.isDirectory());
    CHECK(folder.isDirectory());
    CHECK_FALSE(folder.isFile());
    CHECK_FALSE(missing.exists());
    CHECK_FALSE(missing.isFile());
    CHECK_FALSE(missing.isDirectory());
    CHECK_FALSE(file.isRelative());

    std::string out;
    CHECK(Path("C:\\x\\y.x").getFileName(out) == S_OK);
    CHECK(out == "y.x");
    CHECK(Path("C:\\a.b\\c").getExtension(out) == S_OK);
    CHECK(out == "");
    CHECK(Path("C:\\a\\\x95\x5c.x").getFileName(out) == S_OK);
    CHECK(out == "\x95\x5c.x");

    Path sibling(file);
    CHECK(sibling.toParent() == S_OK);
    CHECK(sibling.combine("tex.png") == S_OK);
    CHECK(text(sibling) == dir.file("tex.png"));
    Path parent("C:\\x");
    CHECK(file.getParentDirectory(parent) == S_OK);
    CHECK(parent.combine("a") == S_OK);
    CHECK(text(parent) == dir.file("a"));

    Path renamed("C:\\car.old");
    CHECK(renamed.renameExtension(".pin") == S_OK);
    CHECK(text(renamed) == "C:\\car.pin");
    Path full("C:\\" + std::string(254, 'a'));
    CHECK(full.renameExtension(".pin") == E_FAIL);
    CHECK(text(full) == "C:\\" + std::string(254, 'a'));
    CHECK(full.combine("bcdef") == E_FAIL);
    CHECK(text(full) == "C:\\" + std::string(254, 'a'));

    CHECK(file.getRelativePath(out, dir.path().c_str()) == S_OK);
    CHECK(out == ".\\model.x");
    CHECK(file.getRelativePath(out, "Q:\\elsewhere") == E_FAIL);
    CHECK(out == "Q:\\elsewhere");
}

TEST_CASE("folder listing and its per-folder limit")
{
    TempDir dir;
    std::list<Path> list;
    list.push_back(Path("C:\\keep"));

    CHECK(Path(dir.file("missing")).getFileList(list) == E_FAIL);
    gfl::File(dir.file("file")).writeAll("x", 1);
    CHECK(Path(dir.file("file")).getFileList(list) == E_FAIL);
    CHECK(Path(dir.file("file")).getFileListRecursive(list, 10) == E_FAIL);
    CHECK(list.size() == 1);

    CreateDirectoryA(dir.file("empty").c_str(), nullptr);
    CHECK(Path(dir.file("empty")).getFileList(list) == S_OK);
    CHECK(list.size() == 1);

    // The subfolder's counter starts where its parent's stands when it is met.
    const std::string top = dir.file("top");
    makeFiles(top, 100);
    makeFiles(top + "\\sub", 450);
    for (int i = 100; i < 600; ++i) {
        char name[16];
        wsprintfA(name, "\\g%04d", i);
        gfl::File((top + name).c_str()).writeAll("x", 1);
    }
    // The platform's order decides how many files precede the subfolder.
    list.clear();
    CHECK(Path(top).getFileList(list) == S_OK);
    CHECK(list.size() == 601);
    int before = 0;
    for (const Path& p : list) {
        if (text(p) == top + "\\sub")
            break;
        ++before;
    }
    const int subExpected = std::min(450, std::max(0, 512 - before));

    list.clear();
    CHECK(Path(top).getFileListRecursive(list, 512) == S_OK);
    CHECK(list.size() == size_t(512 + subExpected));
    CHECK(under(list, top) == "512");
    CHECK(under(list, top + "\\sub") == std::to_string(subExpected));

    list.clear();
    CHECK(Path(top).getFileListRecursive(list, 0) == S_OK);
    CHECK(list.empty());
}

TEST_CASE("start directory stays as it was at start")
{
    const std::string start = Path::getStartDirectory();
    REQUIRE_FALSE(start.empty());
    TempDir dir;
    REQUIRE(Path::setCurrentDirectory(dir.path().c_str()) == S_OK);
    CHECK(Path::getCurrentDirectory() == dir.path());
    CHECK(Path::getStartDirectory() == start);
    // Relative paths never resolve against the current directory.
    CHECK(text(Path("x")) == Path::getModuleDirectoryCached() + "\\x");
    CHECK(Path::setCurrentDirectory(start.c_str()) == S_OK);
    CHECK(Path::setCurrentDirectory("Q:\\no\\such") == E_FAIL);
}
