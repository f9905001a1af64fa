#pragma once

#include "gfl/Path.h"

#include <unzip.h>

#include <vector>

// The log lines of one reader: its archive opens, lookups and entry reads.
struct EntryMessages {
    const char* notFile;    // resolved path
    const char* openFailed; // resolved path
    const char* notFound;   // entry name
    const char* infoFailed;
    const char* entryOpenFailed;
    const char* opened; // name, uncompressed size, compressed size, stored CRC
    const char* readFailed;
    const char* crcFailed; // computed CRC
};

extern const EntryMessages kPlugInEntryMessages;
extern const EntryMessages kSerializeEntryMessages;

// False (logged) when the path names no existing file.
bool isExistingFile(const gfl::Path& path, const EntryMessages& messages);
// Opens the zip archive at path; nullptr (logged) when it cannot be opened.
unzFile openArchive(const gfl::Path& path, const EntryMessages& messages);
// 1 when path is a zip archive whose comment begins with magic; only the opening
// failures are logged.
int hasCommentMagic(const gfl::Path& path, const char* magic, const EntryMessages& messages);

// Makes the entry of that name current, ignoring ASCII case; 1 / 0, silent.
int locateEntry(unzFile archive, const char* name);

// Reads minizip's current entry whole into out, checking its size and CRC-32.
// Returns 1 on success, 0 (logged) on failure; the entry is closed again.
int readCurrentEntry(unzFile archive, const char* name, std::vector<char>& out, const EntryMessages& messages);
// locateEntry, then readCurrentEntry; an entry not found is logged.
int readNamedEntry(unzFile archive, const char* name, std::vector<char>& out, const EntryMessages& messages);
