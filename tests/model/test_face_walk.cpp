#include "modeller/model/FaceWalk.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <vector>

namespace {
constexpr DWORD N = kNoFace;

std::vector<DWORD> walk(const std::vector<DWORD>& adjacency, DWORD start, bool recursive = false)
{
    std::vector<unsigned char> visited(adjacency.size() / 3, 0);
    std::vector<DWORD> faces;
    if (recursive)
        collectConnectedFacesRecursive(&faces, adjacency.data(), visited.data(), start);
    else
        CHECK(collectConnectedFaces(&faces, adjacency.data(), visited.data(), start) == 1);
    return faces;
}
}

TEST_CASE("the walk visits faces depth first taking slots 0 1 2 in order")
{
    struct Case {
        const char* name;
        std::vector<DWORD> adjacency;
        DWORD start;
        std::vector<DWORD> expected;
    };
    const Case cases[] = {
        {"lone face", {N, N, N}, 0, {0}},
        {"strip by slot 0", {1, N, N, 2, 0, N, 3, 1, N, N, 2, N}, 0, {0, 1, 2, 3}},
        {"slot 0 before slot 1", {3, 1, N, N, 2, N, 1, 3, N, 2, 0, N}, 0, {0, 3, 2, 1}},
        {"empty slot 0", {N, 1, 2, N, 0, N, N, N, 0}, 0, {0, 1, 2}},
        {"deep first", {1, 3, N, 2, 0, N, 1, N, N, 0, N, N}, 0, {0, 1, 2, 3}},
        {"two components", {N, N, N, N, N, 2, N, N, 1}, 1, {1, 2}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        CHECK(walk(c.adjacency, c.start) == c.expected);
        CHECK(walk(c.adjacency, c.start, true) == c.expected);
    }
}

TEST_CASE("the walk goes as deep as the part without recursion")
{
    // A strip of 200000 faces, each neighbour 0 of the one before.
    const DWORD count = 200000;
    std::vector<DWORD> adjacency(3 * count, N);
    for (DWORD f = 0; f + 1 < count; ++f) {
        adjacency[3 * f] = f + 1;
        adjacency[3 * (f + 1) + 1] = f;
    }
    std::vector<unsigned char> visited(count, 0);
    CHECK(collectConnectedFaces(nullptr, adjacency.data(), visited.data(), 0) == 1);
    CHECK(std::count(visited.begin(), visited.end(), 1) == long(count));
    const std::vector<DWORD> faces = walk(adjacency, 0);
    REQUIRE(faces.size() == count);
    CHECK(faces.back() == count - 1);

    // Only a byte of exactly 1 counts as reached.
    std::vector<unsigned char> marks = {2, 0};
    std::vector<DWORD> list;
    const DWORD pair[] = {1, N, N, 0, N, N};
    collectConnectedFaces(&list, pair, marks.data(), 0);
    CHECK(list == std::vector<DWORD>{0, 1});
}
