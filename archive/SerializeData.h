#pragma once

constexpr const char* kSerializeComment = "_TBM_SERIALIZE01";
constexpr const char* kSerializeMainMeshEntryName = "_TBM_SERIALIZE_MAIN_MESH_FILE";
constexpr const char* kSerializePartsEntryName = "_TBM_SERIALIZE_PARTS_FILE";

// Formats the entry name of part id into name (64 bytes).
void formatPartsEntryName(char (&name)[64], int id);
