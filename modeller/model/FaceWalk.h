#pragma once

#include <windows.h>

#include <vector>

// One record of the walk's explicit stack: slot 0 is the start face, slot k
// (1 to 3) is neighbour k - 1 of the record beneath.
struct FaceWalkStep {
    DWORD face;
    DWORD slot;
};

constexpr DWORD kNoFace = 0xFFFFFFFF;

// Marks every face connected to start across shared edges, depth first in
// pre-order with the neighbour slots taken 0, 1, 2, and appends each newly
// reached face to faces when given. visited holds one byte per face (1 = reached).
int collectConnectedFaces(std::vector<DWORD>* faces, const DWORD* adjacency, unsigned char* visited, DWORD start);

// The same walk written recursively; it logs each face it reaches.
int collectConnectedFacesRecursive(std::vector<DWORD>* faces, const DWORD* adjacency, unsigned char* visited,
                                   DWORD start);
