#include "FaceWalk.h"

#include "gfl/Logger.h"

int collectConnectedFaces(std::vector<DWORD>* faces, const DWORD* adjacency, unsigned char* visited, DWORD start)
{
    std::vector<FaceWalkStep> stack;
    stack.reserve(32);
    stack.push_back({start, 0});
    for (;;) {
        const DWORD face = stack.back().face;
        if (face != kNoFace && visited[face] != 1) {
            visited[face] = 1;
            if (faces)
                faces->push_back(face);
            stack.push_back({adjacency[3 * face], 1});
            continue;
        }
        // Done with this record: go on with the parent's next neighbour, or
        // further up when the parent has none left.
        for (;;) {
            const DWORD slot = stack.back().slot;
            if (slot == 0)
                return 1;
            stack.pop_back();
            if (slot < 3) {
                stack.push_back({adjacency[3 * stack.back().face + slot], slot + 1});
                break;
            }
        }
    }
}

int collectConnectedFacesRecursive(std::vector<DWORD>* faces, const DWORD* adjacency, unsigned char* visited,
                                   DWORD start)
{
    if (start == kNoFace || visited[start] == 1)
        return 1;
    visited[start] = 1;
    Logger::getInstance().print(3, "チェック。%d", int(start));
    if (faces)
        faces->push_back(start);
    for (int k = 0; k < 3; ++k)
        collectConnectedFacesRecursive(faces, adjacency, visited, adjacency[3 * start + k]);
    return 1;
}
