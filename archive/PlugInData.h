#pragma once

#include <vector>

// The plug-in archive's zip comment and the mesh entry's name.
constexpr const char* kPlugInComment = "TBPI01";
constexpr const char* kMainMeshEntryName = "TBM_MAIN_MESH_FILE";

// Largest entry the archives read or write; a larger stated size is a damaged archive.
constexpr unsigned long kMaxEntrySize = 256ul * 1024 * 1024;

// XOR with the key phrase and 0xAA; its own inverse.
void scramblePlugInData(std::vector<char>& data);
