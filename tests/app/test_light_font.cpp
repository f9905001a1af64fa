#include "LogCapture.h"
#include "TestDevice.h"
#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/Font.h"
#include "modeller/app/IDeviceEventListener.h"
#include "modeller/app/Light.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using tbm::D3DDeviceManager;
using tbm::Font;
using tbm::Light;

namespace {
struct LightState {
    HRESULT lightResult = E_FAIL;
    D3DLIGHT9 light = {};
    BOOL enabled = FALSE;
    DWORD lighting = 0;
    DWORD ambient = 0;
};

LightState readLightState(IDirect3DDevice9* device)
{
    LightState state;
    state.lightResult = device->GetLight(0, &state.light);
    device->GetLightEnable(0, &state.enabled);
    device->GetRenderState(D3DRS_LIGHTING, &state.lighting);
    device->GetRenderState(D3DRS_AMBIENT, &state.ambient);
    return state;
}

bool isStartLight(const D3DLIGHT9& light)
{
    D3DLIGHT9 expected = {};
    expected.Type = D3DLIGHT_DIRECTIONAL;
    expected.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    expected.Direction = {0.0f, 0.0f, 1.0f};
    return std::memcmp(&light, &expected, sizeof light) == 0;
}

// Clears the device's light state so that what a reset puts back is visible.
void clearLightState(IDirect3DDevice9* device)
{
    device->LightEnable(0, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_AMBIENT, 0);
}

// A view-sized window whose device comes from the device manager.
struct ManagedDevice {
    HWND window = nullptr;
    D3DDeviceManager& manager = D3DDeviceManager::getInstance();

    ManagedDevice()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TBM_TEST_MANAGED_VIEW";
        RegisterClassA(&windowClass);
        window = CreateWindowA("TBM_TEST_MANAGED_VIEW", "view", WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
        REQUIRE(window);
        REQUIRE(manager.create(window) == 1);
    }
    ~ManagedDevice()
    {
        manager.release();
        DestroyWindow(window);
    }
    IDirect3DDevice9* device() const { return manager.getDevice(); }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool greyOnly = true;
    bool empty() const { return right < 0; }
};

// The bounding box of the lit pixels of a 32-bit back buffer.
Box litPixels(IDirect3DDevice9* device)
{
    Box box;
    IDirect3DSurface9* backBuffer = nullptr;
    REQUIRE(SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)));
    D3DSURFACE_DESC description;
    backBuffer->GetDesc(&description);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < description.Height; ++y) {
            const DWORD* row =
                reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < description.Width; ++x) {
                const DWORD pixel = row[x] & 0xFFFFFF;
                if (pixel == 0)
                    continue;
                const DWORD red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
                if (red != green || green != blue)
                    box.greyOnly = false;
                box.left = std::min(box.left, int(x));
                box.top = std::min(box.top, int(y));
                box.right = std::max(box.right, int(x));
                box.bottom = std::max(box.bottom, int(y));
            }
        }
        backBuffer->UnlockRect();
    }
    backBuffer->Release();
    return box;
}

Box drawnText(IDirect3DDevice9* device, Font& font, const char* text, HRESULT* result, int x = 4, int y = 4)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    *result = font.drawText(x, y, text, 0xFFFFFFFF);
    device->EndScene();
    return litPixels(device);
}

const char kProgress[] = "Total 12 / 345 : Part 1 / 6";
}

TEST_CASE("light create puts a white directional light along z and the ambient level on the device")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device);
    clearLightState(device);
    LogCapture log;
    Light light;

    CHECK(light.create(device) == 1);
    const LightState state = readLightState(device);
    REQUIRE(state.lightResult == D3D_OK);
    CHECK(isStartLight(state.light));
    CHECK(state.enabled);
    CHECK(state.lighting == TRUE);
    CHECK(state.ambient == 0xFF323232);
    CHECK(log.lines() == std::vector<std::string>{"ライト生成", "ライトをリセット"});

    LogCapture::clear();
    light.release();
    CHECK(log.lines() == std::vector<std::string>{"ライト破棄"});
    CHECK(readLightState(device).enabled);
}

TEST_CASE("light setters take effect at the next reset")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device);
    Light light;
    light.create(device);

    light.setAmbient(0xFF102030);
    light.setDirection(D3DXVECTOR3(0.0f, 3.0f, -4.0f));
    light.setDiffuse(0.25f);
    LightState state = readLightState(device);
    CHECK(state.ambient == 0xFF323232);
    CHECK(isStartLight(state.light));

    light.reset();
    state = readLightState(device);
    CHECK(state.ambient == 0xFF102030);
    CHECK(state.light.Direction.x == doctest::Approx(0.0f));
    CHECK(state.light.Direction.y == doctest::Approx(0.6f));
    CHECK(state.light.Direction.z == doctest::Approx(-0.8f));
    CHECK(state.light.Diffuse.r == 0.25f);
    CHECK(state.light.Diffuse.g == 0.25f);
    CHECK(state.light.Diffuse.b == 0.25f);
    CHECK(state.light.Diffuse.a == 0.0f);

    struct Case {
        float grey;
        float diffuse;
    };
    const Case cases[] = {{2.5f, 1.0f}, {1.0f, 1.0f}, {0.0f, 0.0f}, {-0.5f, -0.5f}};
    for (const Case& c : cases) {
        CAPTURE(c.grey);
        light.setDiffuse(c.grey);
        light.reset();
        state = readLightState(device);
        CHECK(state.light.Diffuse.r == c.diffuse);
        CHECK(state.light.Diffuse.g == c.diffuse);
        CHECK(state.light.Diffuse.b == c.diffuse);
        CHECK(state.light.Diffuse.a == 0.0f);
    }

    // Lighting switches at once, without a reset.
    light.setLightingEnabled(FALSE);
    CHECK(readLightState(device).lighting == FALSE);
    light.setLightingEnabled(TRUE);
    CHECK(readLightState(device).lighting == TRUE);
}

TEST_CASE("the light is on the device again after a device reset")
{
    ManagedDevice managed;
    Light light;
    light.create(managed.device());

    struct ResettingListener : tbm::IDeviceEventListener {
        Light* light;
        IDirect3DDevice9* device;
        LightState afterReset;
        void OnDeviceLost() override {}
        void OnDeviceReset() override
        {
            afterReset = readLightState(device);
            device->SetRenderState(D3DRS_AMBIENT, 0xFF000000);
            light->reset();
        }
    } listener;
    listener.light = &light;
    listener.device = managed.device();
    managed.manager.setListener(&listener);

    REQUIRE(managed.manager.reset() == 1);
    // The reset returned the device to its default state ...
    CHECK(listener.afterReset.ambient == 0);
    CHECK_FALSE(listener.afterReset.enabled);
    // ... and the light put itself back over the listener's own states.
    const LightState state = readLightState(managed.device());
    REQUIRE(state.lightResult == D3D_OK);
    CHECK(isStartLight(state.light));
    CHECK(state.enabled);
    CHECK(state.lighting == TRUE);
    CHECK(state.ambient == 0xFF323232);
}

TEST_CASE("font draws one white line at 4 4 that the rectangle does not clip")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device);
    LogCapture log;
    Font font;
    REQUIRE(font.create(device, 20, 0, "ＭＳ ゴシック") == S_OK);
    CHECK(log.lines() == std::vector<std::string>{"D3DXFontを作成しました。"});

    HRESULT drawn = E_FAIL;
    const Box box = drawnText(device, font, kProgress, &drawn);
    CHECK(drawn == S_OK);
    REQUIRE_FALSE(box.empty());
    CHECK(box.greyOnly);
    // The first glyph's bearing may reach a pixel to the left.
    CHECK(box.left >= 2);
    CHECK(box.left <= 8);
    CHECK(box.top >= 4);
    CHECK(box.top <= 12);
    // One line of 20-pixel text, running far to the right of the rectangle's left.
    CHECK(box.bottom < 4 + 24);
    CHECK(box.right > 4 + 100);

    // The corner given is where the text goes.
    const Box word = drawnText(device, font, "Part", &drawn);
    const Box moved = drawnText(device, font, "Part", &drawn, 40, 30);
    REQUIRE_FALSE(word.empty());
    CHECK(moved.left == word.left + 36);
    CHECK(moved.top == word.top + 26);
    CHECK(moved.right == word.right + 36);
    CHECK(moved.bottom == word.bottom + 26);

    // An empty text draws nothing.
    CHECK(drawnText(device, font, "", &drawn).empty());
    CHECK(drawn == E_FAIL);
}

TEST_CASE("font creation release and re-creation log each step once")
{
    IDirect3DDevice9* device = TestDevice::get();
    REQUIRE(device);
    LogCapture log;

    SUBCASE("create on a font that holds one destroys the old one first")
    {
        Font font;
        REQUIRE(font.create(device, 20, 0, "ＭＳ ゴシック") == S_OK);
        REQUIRE(font.create(device, 16, 8, "ＭＳ ゴシック") == S_OK);
        CHECK(log.lines()
              == std::vector<std::string>{"D3DXFontを作成しました。", "D3DXFontを破棄しました。",
                                          "D3DXFontを作成しました。"});
    }
    SUBCASE("release twice logs once and the destructor then does nothing")
    {
        {
            Font font;
            REQUIRE(font.create(device, 20, 0, "ＭＳ ゴシック") == S_OK);
            LogCapture::clear();
            font.release();
            font.release();
            CHECK(log.lines() == std::vector<std::string>{"D3DXFontを破棄しました。"});
        }
        CHECK(LogCapture::count("D3DXFontを破棄しました。") == 1);
    }
    SUBCASE("the destructor releases a font still held")
    {
        {
            Font font;
            REQUIRE(font.create(device, 20, 0, "ＭＳ ゴシック") == S_OK);
        }
        CHECK(log.lines() == std::vector<std::string>{"D3DXFontを作成しました。", "D3DXFontを破棄しました。"});
    }
    SUBCASE("recreate makes a new object from the stored parameters")
    {
        Font font;
        REQUIRE(font.create(device, 20, 0, "ＭＳ ゴシック") == S_OK);
        REQUIRE(font.recreate() == S_OK);
        CHECK(log.lines()
              == std::vector<std::string>{"D3DXFontを作成しました。", "D3DXFontを破棄しました。",
                                          "D3DXFontを作成しました。"});
        HRESULT drawn = E_FAIL;
        CHECK_FALSE(drawnText(device, font, kProgress, &drawn).empty());
        CHECK(drawn == S_OK);
    }
}

TEST_CASE("font without an object fails its creation and draws nothing")
{
    LogCapture log;
    Font font;
    // Nothing is held yet: these do nothing.
    font.onLostDevice();
    font.onResetDevice();
    font.release();
    CHECK(font.drawText(4, 4, kProgress, 0xFFFFFFFF) == E_FAIL);
    CHECK(log.lines().empty());

    const HRESULT created = font.create(nullptr, 20, 0, "ＭＳ ゴシック");
    CHECK(FAILED(created));
    CHECK(log.lines() == std::vector<std::string>{"D3DXFontの作成に失敗しました。"});
    CHECK(font.drawText(4, 4, kProgress, 0xFFFFFFFF) == E_FAIL);
    font.release();
    CHECK(LogCapture::count("D3DXFontを破棄しました。") == 0);
}

TEST_CASE("font follows the device through loss and reset")
{
    ManagedDevice managed;
    Font font;
    REQUIRE(font.create(managed.device(), 20, 0, "ＭＳ ゴシック") == S_OK);
    HRESULT drawn = E_FAIL;
    REQUIRE_FALSE(drawnText(managed.device(), font, kProgress, &drawn).empty());

    struct FontListener : tbm::IDeviceEventListener {
        Font* font;
        std::vector<std::string> events;
        void OnDeviceLost() override
        {
            events.push_back("lost");
            font->onLostDevice();
        }
        void OnDeviceReset() override
        {
            events.push_back("reset");
            font->onResetDevice();
        }
    } listener;
    listener.font = &font;
    managed.manager.setListener(&listener);

    LogCapture log;
    for (int round = 0; round < 2; ++round) {
        CAPTURE(round);
        CHECK(managed.manager.reset() == 1);
        const Box box = drawnText(managed.device(), font, kProgress, &drawn);
        CHECK(drawn == S_OK);
        CHECK_FALSE(box.empty());
        CHECK(box.left >= 2);
        CHECK(box.top >= 4);
    }
    CHECK(listener.events == std::vector<std::string>{"lost", "reset", "lost", "reset"});
    // The object is kept, not made again.
    CHECK(LogCapture::countContaining("D3DXFont") == 0);
    font.release();
}
