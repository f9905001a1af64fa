#include "SerializeReader.h"

#include "EntryReader.h"
#include "SerializeData.h"
#include "gfl/Path.h"

int isSerializeFile(const std::string& path)
{
    return hasCommentMagic(gfl::Path(path), kSerializeComment, kSerializeEntryMessages);
}

SerializeReader::~SerializeReader()
{
    close();
}

void SerializeReader::close()
{
    if (archive_) {
        unzClose(archive_);
        archive_ = nullptr;
    }
}

int SerializeReader::open(const std::string& path)
{
    const gfl::Path resolved(path);
    if (!isExistingFile(resolved, kSerializeEntryMessages))
        return 0;
    close();
    archive_ = openArchive(resolved, kSerializeEntryMessages);
    return archive_ ? 1 : 0;
}

int SerializeReader::readFile(const char* name, std::vector<char>& out)
{
    return readNamedEntry(archive_, name, out, kSerializeEntryMessages);
}

int SerializeReader::readMainMeshFile(std::string& out)
{
    std::vector<char> bytes;
    if (!readFile(kSerializeMainMeshEntryName, bytes))
        return 0;
    bytes.push_back('\0');
    out = bytes.data();
    return 1;
}

int SerializeReader::readPartsFile(int id, std::vector<char>& out)
{
    char name[64];
    formatPartsEntryName(name, id);
    return readFile(name, out);
}
