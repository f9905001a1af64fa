#include "modeller/app/FrameDump.h"

#include "TempDir.h"
#include "TestDevice.h"

#include <doctest/doctest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

int32_t le32(const std::vector<unsigned char>& data, size_t at)
{
    return int32_t(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16
                   | uint32_t(data[at + 3]) << 24);
}

// Blue, green, red of the pixel at (x, y) counted from the top, for 24 or 32 bits.
unsigned long pixelAt(const std::vector<unsigned char>& bmp, int x, int y)
{
    const int32_t width = le32(bmp, 18);
    const int32_t height = le32(bmp, 22);
    const int bytes = (bmp[28] | bmp[29] << 8) / 8;
    const size_t stride = (size_t(width) * bytes + 3) & ~size_t(3);
    const size_t row = height > 0 ? size_t(height - 1 - y) : size_t(y);
    const size_t at = size_t(le32(bmp, 10)) + row * stride + size_t(x) * bytes;
    return bmp[at + 2] << 16 | bmp[at + 1] << 8 | bmp[at];
}

}

TEST_CASE("saveBackBuffer writes the cleared frame as a BMP and leaves no temporary file")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device);
    REQUIRE(SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF1E3C5A, 1.0f, 0)));
    const D3DRECT corner = {0, 0, 16, 8};
    REQUIRE(SUCCEEDED(device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF8000, 1.0f, 0)));

    TempDir dir;
    const std::string path = dir.file("frame.bmp");
    std::ofstream(path) << "an older frame";
    REQUIRE(SUCCEEDED(tbm::saveBackBuffer(device, path.c_str())));

    const std::vector<unsigned char> bmp = readFile(path);
    REQUIRE(bmp.size() > 54);
    CHECK(bmp[0] == 'B');
    CHECK(bmp[1] == 'M');
    CHECK(le32(bmp, 18) == TestDevice::kWidth);
    CHECK(std::abs(le32(bmp, 22)) == TestDevice::kHeight);
    CHECK(pixelAt(bmp, 3, 3) == 0xFF8000);
    CHECK(pixelAt(bmp, 20, 3) == 0x1E3C5A);
    CHECK(pixelAt(bmp, 255, 255) == 0x1E3C5A);
    CHECK(GetFileAttributesA((path + ".part").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("a frame dump into a missing folder fails and writes nothing")
{
    TempDir dir;
    const std::string path = dir.file("missing\\frame.bmp");
    CHECK(FAILED(tbm::saveBackBuffer(TestDevice::get(), path.c_str())));
    CHECK(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("frames are dumped only when TOBURE_FRAME_DUMP names a file")
{
    TempDir dir;
    const std::string path = dir.file("dump.bmp");

    _putenv("TOBURE_FRAME_DUMP=");
    CHECK(tbm::frameDumpPath() == nullptr);
    tbm::dumpFrame(TestDevice::get());
    CHECK(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);

    _putenv(("TOBURE_FRAME_DUMP=" + path).c_str());
    REQUIRE(tbm::frameDumpPath() != nullptr);
    CHECK(std::string(tbm::frameDumpPath()) == path);
    tbm::dumpFrame(TestDevice::get());
    CHECK(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    _putenv("TOBURE_FRAME_DUMP=");
}
