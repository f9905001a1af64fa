// The editor's resources as the program finds them: menu, strings, sound, bitmaps, icon.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>
#include <string>
#include <vector>

#include <doctest/doctest.h>

#include "modeller/app/resource.h"

namespace {

HINSTANCE instance()
{
    return GetModuleHandleA(nullptr);
}

struct MenuItem {
    const char* text; // nullptr for a separator
    UINT id;
};

struct Popup {
    const char* text;
    std::vector<MenuItem> items;
};

std::string menuText(HMENU menu, UINT position)
{
    char text[256] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

// The resource's bytes, or an empty range when it is missing.
std::string resourceBytes(LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(instance(), name, type);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(instance(), found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes ? std::string(bytes, SizeofResource(instance(), found)) : std::string();
}

template <typename T>
T read(const std::string& bytes, size_t offset)
{
    T value{};
    REQUIRE(offset + sizeof(T) <= bytes.size());
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

} // namespace

TEST_CASE("main menu has the four menus with their commands in order and nothing checked")
{
    const std::vector<Popup> expected = {
        {"ファイル(&F)",
         {{"新規(&N)", 1000},
          {"開く(&O)", 1001},
          {"上書き保存(&S)", 1002},
          {"名前を付けて保存(&A)", 1003},
          {nullptr, 0},
          {"終了(&Q)", 1004}}},
        {"パーツ(&P)", {{"すべて表示(&S)", 300}, {"すべて非表示(&H)", 301}, {"リスト位置を移動(&M)", 302}}},
        {"モデリング(&M)",
         {{"面を削除(&D)", 201},
          {"モデルの中心で回転(&P)", 202},
          {"位置大きさの調整(&I)", 204},
          {"閲覧モード(&V)", 205}}},
        {"その他(&O)", {{"ヘルプ(&H)", 1010}, {"バージョン(&V)", 1011}}},
    };
    HMENU menu = LoadMenuA(instance(), IDR_MAIN_MENU);
    REQUIRE(menu);
    REQUIRE(GetMenuItemCount(menu) == static_cast<int>(expected.size()));
    for (UINT i = 0; i < expected.size(); ++i) {
        CAPTURE(i);
        CHECK(menuText(menu, i) == expected[i].text);
        HMENU popup = GetSubMenu(menu, i);
        REQUIRE(popup);
        REQUIRE(GetMenuItemCount(popup) == static_cast<int>(expected[i].items.size()));
        for (UINT j = 0; j < expected[i].items.size(); ++j) {
            CAPTURE(j);
            const MenuItem& item = expected[i].items[j];
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
            REQUIRE(GetMenuItemInfoA(popup, j, TRUE, &info));
            CHECK((info.fState & MFS_CHECKED) == 0);
            CHECK(info.hSubMenu == nullptr);
            if (!item.text) {
                CHECK((info.fType & MFT_SEPARATOR) != 0);
                continue;
            }
            CHECK((info.fType & MFT_SEPARATOR) == 0);
            CHECK((info.fState & MFS_DISABLED) == 0);
            CHECK(info.wID == item.id);
            CHECK(menuText(popup, j) == item.text);
        }
    }
    DestroyMenu(menu);
}

TEST_CASE("menu texts are stored as the Japanese characters themselves")
{
    HMENU menu = LoadMenuA(instance(), IDR_MAIN_MENU);
    REQUIRE(menu);
    wchar_t text[64] = {};
    GetMenuStringW(GetSubMenu(menu, 2), 1, text, 64, MF_BYPOSITION);
    CHECK(std::wstring(text) == L"モデルの中心で回転(&P)");
    DestroyMenu(menu);
}

TEST_CASE("tooltip strings load as Shift-JIS text")
{
    const struct {
        UINT id;
        const char* text;
    } cases[] = {
        {2000, "新規"},
        {2001, "開く"},
        {2002, "上書き保存"},
        {2003, "ヘルプ"},
        {2010, "面を削除"},
        {2011, "モデルの中心で回転"},
        {2012, "位置大きさの調整"},
        {2013, "閲覧モード"},
        {2020, "パーツをすべて表示"},
        {2021, "パーツをすべて非表示"},
        {2022, "リスト位置を移動"},
    };
    for (const auto& c : cases) {
        CAPTURE(c.id);
        char text[256] = {};
        int length = LoadStringA(instance(), c.id, text, sizeof text);
        CHECK(length == static_cast<int>(std::strlen(c.text)));
        CHECK(std::string(text) == c.text);
    }
    char text[256] = "unchanged";
    CHECK(LoadStringA(instance(), 2004, text, sizeof text) == 0);
}

TEST_CASE("completion sound is a short 16-bit PCM RIFF WAVE")
{
    std::string wave = resourceBytes(MAKEINTRESOURCEA(IDW_COMPLETE_SOUND), "WAVE");
    REQUIRE(wave.size() > 44);
    CHECK(wave.compare(0, 4, "RIFF") == 0);
    CHECK(read<DWORD>(wave, 4) + 8 == wave.size());
    CHECK(wave.compare(8, 4, "WAVE") == 0);

    PCMWAVEFORMAT format = {};
    DWORD dataSize = 0;
    for (size_t chunk = 12; chunk + 8 <= wave.size();) {
        DWORD size = read<DWORD>(wave, chunk + 4);
        REQUIRE(chunk + 8 + size <= wave.size());
        if (wave.compare(chunk, 4, "fmt ") == 0)
            format = read<PCMWAVEFORMAT>(wave, chunk + 8);
        if (wave.compare(chunk, 4, "data") == 0)
            dataSize = size;
        chunk += 8 + size + (size & 1);
    }
    CHECK(format.wf.wFormatTag == WAVE_FORMAT_PCM);
    CHECK(format.wBitsPerSample == 16);
    REQUIRE((format.wf.nChannels == 1 || format.wf.nChannels == 2));
    CHECK(format.wf.nBlockAlign == format.wf.nChannels * 2);
    CHECK(format.wf.nAvgBytesPerSec == format.wf.nSamplesPerSec * format.wf.nBlockAlign);
    REQUIRE(format.wf.nAvgBytesPerSec > 0);
    CHECK(dataSize % format.wf.nBlockAlign == 0);
    double seconds = double(dataSize) / format.wf.nAvgBytesPerSec;
    CHECK(seconds > 0.3);
    CHECK(seconds < 3.0);
}

TEST_CASE("toolbar strips are 8-bit bitmaps whose white turns into the button face")
{
    const struct {
        int id;
        int images;
    } cases[] = {{IDB_MODERING_TOOLBAR, 8}, {IDB_PARTSLIST_TOOLBAR, 3}};
    for (const auto& c : cases) {
        CAPTURE(c.id);
        std::string dib = resourceBytes(MAKEINTRESOURCEA(c.id), RT_BITMAP);
        BITMAPINFOHEADER header = read<BITMAPINFOHEADER>(dib, 0);
        CHECK(header.biWidth == 20 * c.images);
        CHECK(header.biHeight == 20);
        CHECK(header.biBitCount == 8);
        CHECK(header.biCompression == BI_RGB);
        DWORD colours = header.biClrUsed ? header.biClrUsed : 256;
        REQUIRE(dib.size() >= header.biSize + colours * sizeof(RGBQUAD));
        bool hasWhite = false;
        for (DWORD i = 0; i < colours; ++i) {
            RGBQUAD q = read<RGBQUAD>(dib, header.biSize + i * sizeof(RGBQUAD));
            hasWhite = hasWhite || (q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255);
        }
        CHECK(hasWhite);

        COLORMAP map = {RGB(255, 255, 255), GetSysColor(COLOR_BTNFACE)};
        HBITMAP bitmap = CreateMappedBitmap(instance(), c.id, 0, &map, 1);
        REQUIRE(bitmap);
        BITMAP info = {};
        REQUIRE(GetObjectA(bitmap, sizeof info, &info) == sizeof info);
        CHECK(info.bmWidth == 20 * c.images);
        CHECK(info.bmHeight == 20);

        // Every image has its background corners in the face colour and a picture of its own.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF face = GetPixel(dc, 0, 0);
        for (int image = 0; image < c.images; ++image) {
            CAPTURE(image);
            int x0 = 20 * image;
            CHECK(GetPixel(dc, x0, 0) == face);
            CHECK(GetPixel(dc, x0 + 19, 19) == face);
            int drawn = 0;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x)
                    drawn += GetPixel(dc, x0 + x, y) != face;
            CHECK(drawn > 40);
        }
        SelectObject(dc, old);
        DeleteDC(dc);
        CHECK((face & 0xFFFFFF) == (GetSysColor(COLOR_BTNFACE) & 0xFFFFFF));
        DeleteObject(bitmap);
    }
}

TEST_CASE("main icon loads at the large and the small size")
{
    HICON icon = LoadIconA(instance(), IDI_MAIN_ICON);
    REQUIRE(icon);
    ICONINFO info = {};
    REQUIRE(GetIconInfo(icon, &info));
    BITMAP colour = {};
    REQUIRE(GetObjectA(info.hbmColor, sizeof colour, &colour) == sizeof colour);
    CHECK(colour.bmWidth == GetSystemMetrics(SM_CXICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    HANDLE small = LoadImageA(instance(), IDI_MAIN_ICON, IMAGE_ICON, 16, 16, 0);
    CHECK(small != nullptr);
    if (small)
        DestroyIcon(static_cast<HICON>(small));
}
