#pragma once

#include <unzip.h>

#include <vector>

// Reads minizip's current entry whole into out, checking its size and CRC-32.
// Returns 1 on success, 0 (logged) on failure; the entry is closed again.
int readCurrentEntry(unzFile archive, const char* name, std::vector<char>& out);
