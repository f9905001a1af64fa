#pragma once

#include <unzip.h>

#include <vector>

// The log lines of one reader's entry reads.
struct EntryMessages {
    const char* infoFailed;
    const char* openFailed;
    const char* opened;      // name, uncompressed size, compressed size, stored CRC
    const char* readFailed;
    const char* crcFailed;   // computed CRC
};

extern const EntryMessages kPlugInEntryMessages;
extern const EntryMessages kSerializeEntryMessages;

// Reads minizip's current entry whole into out, checking its size and CRC-32.
// Returns 1 on success, 0 (logged) on failure; the entry is closed again.
int readCurrentEntry(unzFile archive, const char* name, std::vector<char>& out,
                     const EntryMessages& messages);
