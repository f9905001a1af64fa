// Packs a generated folder of about 100 MB with plugin.exe and compares the
// rate with plain zlib deflate of the same bytes in this process.
#include "gfl/File.h"
#include "gfl/Path.h"

#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
double seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// Half text-like (compressible), half noise, like meshes and textures.
std::vector<char> makeContent(size_t size, unsigned seed)
{
    std::vector<char> data(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = (i / 4096) % 2 ? char(seed >> 24) : char("0123456789.;, \n"[(seed >> 16) % 15]);
    }
    return data;
}

double deflateSeconds(const std::vector<std::vector<char>>& files)
{
    const double start = seconds();
    std::vector<unsigned char> out;
    for (const std::vector<char>& file : files) {
        z_stream stream = {};
        deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        out.resize(deflateBound(&stream, uLong(file.size())));
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data()));
        stream.avail_in = uInt(file.size());
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        deflate(&stream, Z_FINISH);
        deflateEnd(&stream);
        crc32(0, reinterpret_cast<const Bytef*>(file.data()), uInt(file.size()));
    }
    return seconds() - start;
}
}

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "tbm_bench";
    const std::string folder = root + "\\bench";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);

    std::vector<std::vector<char>> files;
    size_t total = 0;
    for (int i = 0; i < 4; ++i)
        files.push_back(makeContent(20u << 20, 100 + i));
    for (int i = 0; i < 400; ++i)
        files.push_back(makeContent(50u << 10, 1000 + i));
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string name = i == 0 ? folder + "\\bench.x" : folder + "\\file" + std::to_string(i);
        gfl::File(name.c_str()).writeAll(files[i].data(), DWORD(files[i].size()));
        total += files[i].size();
    }

    const std::string maker = gfl::Path::getModuleDirectoryCached() + "\\plugin.exe";
    std::string command = "\"" + maker + "\" \"" + folder + "\"";
    SetEnvironmentVariableA("TOBURE_NO_MESSAGE_BOX", "1");
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process;
    const double start = seconds();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start %s\n", maker.c_str());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double makerSeconds = seconds() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(nul);

    DWORD archiveSize = 0;
    gfl::File((root + "\\bench.pin").c_str()).getSize(&archiveSize);
    const double zlibSeconds = deflateSeconds(files);
    const double megabytes = double(total) / (1 << 20);
    std::printf("input: %zu files, %.1f MB; archive %.1f MB\n", files.size(), megabytes, archiveSize / 1048576.0);
    std::printf("plugin.exe: %.2f s, %.1f MB/s (process start included)\n", makerSeconds, megabytes / makerSeconds);
    std::printf("zlib deflate + crc32: %.2f s, %.1f MB/s\n", zlibSeconds, megabytes / zlibSeconds);
    std::printf("maker / deflate: %.2fx (goal: within 1.3x)\n", makerSeconds / zlibSeconds);

    for (size_t i = 0; i < files.size(); ++i) {
        const std::string name = i == 0 ? folder + "\\bench.x" : folder + "\\file" + std::to_string(i);
        DeleteFileA(name.c_str());
    }
    RemoveDirectoryA(folder.c_str());
    DeleteFileA((root + "\\bench.pin").c_str());
    RemoveDirectoryA(root.c_str());
    return 0;
}
