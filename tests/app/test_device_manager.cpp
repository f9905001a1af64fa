#include "FakeDirect3D.h"
#include "LogCapture.h"
#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/IDeviceEventListener.h"

#include <doctest/doctest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using tbm::D3DDeviceManager;

namespace {
FakeDirect3D* g_direct3D = nullptr;
UINT g_sdkVersion = 0;

IDirect3D9* WINAPI createFakeDirect3D(UINT sdkVersion)
{
    g_sdkVersion = sdkVersion;
    return g_direct3D;
}

struct RecordingListener : tbm::IDeviceEventListener {
    std::vector<std::string>* events;
    explicit RecordingListener(std::vector<std::string>* recorded) : events(recorded) {}
    void OnDeviceLost() override { events->push_back("OnDeviceLost"); }
    void OnDeviceReset() override { events->push_back("OnDeviceReset"); }
};

// The one manager, wired to a scripted Direct3D object; released afterwards so
// the next case starts empty.
struct FakeManager {
    D3DDeviceManager& manager = D3DDeviceManager::getInstance();
    FakeDirect3D direct3D;
    std::vector<std::string> events;
    RecordingListener listener{&events};
    HWND window = reinterpret_cast<HWND>(LONG_PTR(0x1234));

    FakeManager()
    {
        direct3D.device.events = &events;
        g_direct3D = &direct3D;
        manager.setDirect3DFactory(createFakeDirect3D);
    }
    ~FakeManager()
    {
        manager.release();
        manager.setDirect3DFactory(Direct3DCreate9);
        manager.setMainWindow(nullptr);
        g_direct3D = nullptr;
    }
};

bool sameParameters(const D3DPRESENT_PARAMETERS& a, const D3DPRESENT_PARAMETERS& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

D3DPRESENT_PARAMETERS storedParameters(HWND window, D3DFORMAT backBuffer, D3DFORMAT depth)
{
    D3DPRESENT_PARAMETERS expected = {};
    expected.BackBufferFormat = backBuffer;
    expected.BackBufferCount = 1;
    expected.MultiSampleType = D3DMULTISAMPLE_NONE;
    expected.SwapEffect = D3DSWAPEFFECT_DISCARD;
    expected.hDeviceWindow = window;
    expected.Windowed = TRUE;
    expected.EnableAutoDepthStencil = TRUE;
    expected.AutoDepthStencilFormat = depth;
    expected.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return expected;
}
}

TEST_CASE("device creation falls back from hardware to reference and from hardware to software vertex processing")
{
    struct Case {
        int failing;
        D3DDEVTYPE type;
        DWORD behaviour;
        const char* line;
    };
    const Case cases[] = {
        {0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, "Direct3Dデバイスを生成しました。[HAL&HARD]"},
        {1, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "Direct3Dデバイスを生成しました。[HAL&SOFT]"},
        {2, D3DDEVTYPE_REF, D3DCREATE_HARDWARE_VERTEXPROCESSING, "Direct3Dデバイスを生成しました。[REF&HARD]"},
        {3, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "Direct3Dデバイスを生成しました。[REF&SOFT]"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.failing);
        LogCapture log;
        FakeManager fake;
        fake.direct3D.createResults.assign(size_t(c.failing), D3DERR_NOTAVAILABLE);

        REQUIRE(fake.manager.create(fake.window) == 1);
        CHECK(fake.manager.getDevice() == &fake.direct3D.device);
        REQUIRE(fake.direct3D.attempts.size() == size_t(c.failing + 1));
        const FakeDirect3D::Attempt& last = fake.direct3D.attempts.back();
        CHECK(last.type == c.type);
        CHECK(last.behaviour == c.behaviour);
        for (const FakeDirect3D::Attempt& attempt : fake.direct3D.attempts) {
            CHECK(attempt.adapter == 0);
            CHECK(attempt.focusWindow == fake.window);
            // Each attempt gets the stored parameters, not what an earlier one wrote back.
            CHECK(sameParameters(attempt.parameters, storedParameters(fake.window, D3DFMT_X8R8G8B8, D3DFMT_D16)));
        }
        CHECK(log.lines().back() == c.line);
        CHECK(LogCapture::countContaining("Direct3Dデバイスを生成しました。") == 1);
    }
}

TEST_CASE("device creation fails when all four attempts fail and keeps the Direct3D object until release")
{
    LogCapture log;
    FakeManager fake;
    fake.direct3D.createResults.assign(4, D3DERR_NOTAVAILABLE);

    CHECK(fake.manager.create(fake.window) == 0);
    CHECK(fake.manager.getDevice() == nullptr);
    CHECK(fake.direct3D.attempts.size() == 4);
    CHECK(log.lines().back() == "Direct3Dデバイスの生成に失敗しました。");
    CHECK(fake.direct3D.references == 1);

    LogCapture::clear();
    fake.manager.release();
    CHECK(fake.direct3D.references == 0);
    CHECK(log.lines() == std::vector<std::string>{"Direct3Dオブジェクトを解放しました。"});
}

TEST_CASE("a successful creation logs the display mode the depth format and the device attempt in order")
{
    LogCapture log;
    FakeManager fake;
    fake.direct3D.displayMode = {1280, 1024, 75, D3DFMT_X8R8G8B8};
    fake.direct3D.passingDepthFormats = {D3DFMT_D24X8};

    REQUIRE(fake.manager.create(fake.window) == 1);
    CHECK(g_sdkVersion == 32);
    const std::vector<std::string> expected = {
        "Direct3Dオブジェクトを生成しました。",
        "現在の画面情報",
        "　　　Width [ 1280 ]",
        "　　　Height [ 1024 ]",
        "　　　RefreshRate [ 75 ]",
        "　　　Format [ X8R8G8B8 ]",
        "深度バッファフォーマット[ D24X8 ]",
        "Direct3Dデバイスを生成しました。[HAL&HARD]",
    };
    CHECK(log.lines() == expected);
    // The ideographic space is one Shift-JIS character.
    CHECK(log.lines()[2].compare(0, 2, "\x81\x40") == 0);
}

TEST_CASE("the depth format is the first of D16 D32 D24X8 that passes the hardware check")
{
    struct Case {
        std::vector<D3DFORMAT> passing;
        D3DFORMAT chosen;
        size_t checks;
    };
    const Case cases[] = {
        {{D3DFMT_D16, D3DFMT_D32, D3DFMT_D24X8}, D3DFMT_D16, 1},
        {{D3DFMT_D24X8, D3DFMT_D16}, D3DFMT_D16, 1},
        {{D3DFMT_D32, D3DFMT_D24X8}, D3DFMT_D32, 2},
        {{D3DFMT_D24X8}, D3DFMT_D24X8, 3},
        {{D3DFMT_D24S8, D3DFMT_D15S1}, D3DFMT_UNKNOWN, 3},
    };
    const D3DFORMAT order[] = {D3DFMT_D16, D3DFMT_D32, D3DFMT_D24X8};
    for (const Case& c : cases) {
        CAPTURE(tbm::formatName(c.chosen));
        LogCapture log;
        FakeManager fake;
        fake.direct3D.displayMode.Format = D3DFMT_R5G6B5;
        fake.direct3D.passingDepthFormats = c.passing;

        const int made = fake.manager.create(fake.window);
        REQUIRE(fake.direct3D.formatChecks.size() == c.checks);
        for (size_t i = 0; i < c.checks; ++i) {
            const FakeDirect3D::FormatCheck& check = fake.direct3D.formatChecks[i];
            CHECK(check.adapter == 0);
            CHECK(check.type == D3DDEVTYPE_HAL);
            CHECK(check.adapterFormat == D3DFMT_R5G6B5);
            CHECK(check.usage == D3DUSAGE_DEPTHSTENCIL);
            CHECK(check.resourceType == D3DRTYPE_SURFACE);
            CHECK(check.format == order[i]);
        }
        if (c.chosen == D3DFMT_UNKNOWN) {
            CHECK(made == 0);
            CHECK(fake.direct3D.attempts.empty());
            CHECK(log.lines().back() == "有効な深度バッファフォーマットが見つからなかった。");
        } else {
            CHECK(made == 1);
            REQUIRE(fake.direct3D.attempts.size() == 1);
            CHECK(fake.direct3D.attempts[0].parameters.AutoDepthStencilFormat == c.chosen);
            CHECK(fake.direct3D.attempts[0].parameters.BackBufferFormat == D3DFMT_R5G6B5);
            CHECK(LogCapture::count("深度バッファフォーマット[ " + tbm::formatName(c.chosen) + " ]") == 1);
        }
    }
}

TEST_CASE("creation stops at a missing Direct3D object or display mode")
{
    SUBCASE("no Direct3D object")
    {
        LogCapture log;
        FakeManager fake;
        g_direct3D = nullptr;
        CHECK(fake.manager.create(fake.window) == 0);
        CHECK(log.lines() == std::vector<std::string>{"Direct3Dオブジェクトの生成に失敗しました。"});
        CHECK(fake.manager.getDevice() == nullptr);
    }
    SUBCASE("no display mode")
    {
        LogCapture log;
        FakeManager fake;
        fake.direct3D.displayModeResult = D3DERR_INVALIDCALL;
        CHECK(fake.manager.create(fake.window) == 0);
        CHECK(log.lines().back() == "現在の画面モードの取得失敗");
        CHECK(fake.direct3D.formatChecks.empty());
        CHECK(fake.direct3D.attempts.empty());
        fake.manager.release();
        CHECK(fake.direct3D.references == 0);
    }
}

TEST_CASE("reset tells the listener before and after whether Reset succeeds or fails")
{
    LogCapture log;
    FakeManager fake;
    REQUIRE(fake.manager.create(fake.window) == 1);
    fake.manager.setListener(&fake.listener);
    fake.direct3D.device.resetResults = {D3D_OK, D3DERR_DEVICELOST, D3D_OK};
    const std::vector<std::string> protocol = {"OnDeviceLost", "Reset", "OnDeviceReset"};

    LogCapture::clear();
    CHECK(fake.manager.reset() == 1);
    CHECK(fake.events == protocol);
    CHECK(log.lines() == std::vector<std::string>{"デバイスをリセットしました。"});

    fake.events.clear();
    LogCapture::clear();
    CHECK(fake.manager.reset() == 0);
    CHECK(fake.events == protocol);
    CHECK(log.lines() == std::vector<std::string>{"デバイスのリセットに失敗しました。"});
    CHECK(fake.manager.getDevice() == &fake.direct3D.device);

    fake.events.clear();
    CHECK(fake.manager.reset() == 1);
    CHECK(fake.events == protocol);

    // Every reset gets the stored parameters: what the runtime wrote back is dropped.
    REQUIRE(fake.direct3D.device.resets.size() == 3);
    for (const D3DPRESENT_PARAMETERS& parameters : fake.direct3D.device.resets)
        CHECK(sameParameters(parameters, storedParameters(fake.window, D3DFMT_X8R8G8B8, D3DFMT_D16)));
}

TEST_CASE("reset without a listener resets silently and without a device does nothing")
{
    LogCapture log;
    FakeManager fake;

    SUBCASE("no device yet")
    {
        fake.manager.setListener(&fake.listener);
        CHECK(fake.manager.reset() == 0);
        CHECK(fake.events.empty());
        CHECK(log.lines() == std::vector<std::string>{"デバイスがまだ生成されていない。"});

        LogCapture::clear();
        fake.manager.checkDeviceLost();
        CHECK(fake.events.empty());
        CHECK(log.lines() == std::vector<std::string>{"デバイスがまだ生成されていない"});
    }
    SUBCASE("no listener")
    {
        REQUIRE(fake.manager.create(fake.window) == 1);
        LogCapture::clear();
        CHECK(fake.manager.reset() == 1);
        CHECK(fake.events == std::vector<std::string>{"Reset"});
        CHECK(log.lines() == std::vector<std::string>{"デバイスをリセットしました。"});
    }
}

TEST_CASE("the cooperative-level test acts on each result")
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TBM_TEST_FRAME";
    RegisterClassA(&windowClass);
    HWND frame = CreateWindowA("TBM_TEST_FRAME", "frame", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
    REQUIRE(frame);

    struct Case {
        HRESULT result;
        const char* line;
        size_t resets;
        bool closes;
    };
    const Case cases[] = {
        {D3D_OK, nullptr, 0, false},
        {D3DERR_DEVICELOST, "デバイスがロストしていますが、現在リセットできません。", 0, false},
        {D3DERR_DEVICENOTRESET, "デバイスがロストしています。リセットします", 1, false},
        {D3DERR_DRIVERINTERNALERROR, "内部ドライバエラー。アプリケーションを終了します", 0, true},
    };
    for (const Case& c : cases) {
        CAPTURE(c.result);
        LogCapture log;
        FakeManager fake;
        REQUIRE(fake.manager.create(fake.window) == 1);
        fake.manager.setListener(&fake.listener);
        fake.manager.setMainWindow(frame);
        fake.direct3D.device.cooperativeLevel = c.result;

        LogCapture::clear();
        fake.manager.checkDeviceLost();
        CHECK(fake.direct3D.device.cooperativeLevelTests == 1);
        CHECK(fake.direct3D.device.resets.size() == c.resets);
        if (c.line)
            CHECK(log.lines().front() == c.line);
        else
            CHECK(log.lines().empty());
        if (c.resets)
            CHECK(fake.events == std::vector<std::string>{"OnDeviceLost", "Reset", "OnDeviceReset"});
        else
            CHECK(fake.events.empty());
        MSG message;
        const bool closed = PeekMessageA(&message, frame, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
        CHECK(closed == c.closes);
        if (closed) {
            CHECK(message.wParam == 0);
            CHECK(message.lParam == 0);
        }
    }
    DestroyWindow(frame);
}

TEST_CASE("release frees the device and the Direct3D object once and forgets the listener")
{
    LogCapture log;
    FakeManager fake;
    REQUIRE(fake.manager.create(fake.window) == 1);
    fake.manager.setListener(&fake.listener);
    CHECK(fake.direct3D.references == 1);
    CHECK(fake.direct3D.device.references == 1);

    LogCapture::clear();
    fake.manager.release();
    CHECK(fake.direct3D.device.references == 0);
    CHECK(fake.direct3D.references == 0);
    CHECK(fake.manager.getDevice() == nullptr);
    const std::vector<std::string> expected = {
        "Direct3Dデバイスを解放します。",
        "Direct3Dデバイスを解放しました。",
        "Direct3Dオブジェクトを解放しました。",
    };
    CHECK(log.lines() == expected);
    CHECK(fake.events.empty());

    LogCapture::clear();
    fake.manager.release();
    CHECK(log.lines().empty());
    CHECK(fake.direct3D.references == 0);

    // Made again, the manager no longer tells the old listener.
    fake.direct3D.references = 1;
    fake.direct3D.device.references = 1;
    REQUIRE(fake.manager.create(fake.window) == 1);
    CHECK(fake.manager.reset() == 1);
    CHECK(fake.events == std::vector<std::string>{"Reset"});
}

TEST_CASE("formatName names all 58 formats and nothing else")
{
    struct Case {
        DWORD value;
        const char* name;
    };
    const Case cases[] = {
        {20, "R8G8B8"},
        {21, "A8R8G8B8"},
        {22, "X8R8G8B8"},
        {23, "R5G6B5"},
        {24, "X1R5G5B5"},
        {25, "A1R5G5B5"},
        {26, "A4R4G4B4"},
        {27, "R3G3B2"},
        {28, "A8"},
        {29, "A8R3G3B2"},
        {30, "X4R4G4B4"},
        {31, "A2B10G10R10"},
        {32, "A8B8G8R8"},
        {33, "X8B8G8R8"},
        {34, "G16R16"},
        {35, "A2R10G10B10"},
        {36, "A16B16G16R16"},
        {40, "A8P8"},
        {41, "P8"},
        {50, "L8"},
        {51, "A8L8"},
        {52, "A4L4"},
        {60, "V8U8"},
        {61, "L6V5U5"},
        {62, "X8L8V8U8"},
        {63, "Q8W8V8U8"},
        {64, "V16U16"},
        {67, "A2W10V10U10"},
        {MAKEFOURCC('U', 'Y', 'V', 'Y'), "UYVY"},
        {MAKEFOURCC('R', 'G', 'B', 'G'), "R8G8_B8G8"},
        {MAKEFOURCC('Y', 'U', 'Y', '2'), "YUY2"},
        {MAKEFOURCC('G', 'R', 'G', 'B'), "G8R8_G8B8"},
        {MAKEFOURCC('D', 'X', 'T', '1'), "DXT1"},
        {MAKEFOURCC('D', 'X', 'T', '2'), "DXT2"},
        {MAKEFOURCC('D', 'X', 'T', '3'), "DXT3"},
        {MAKEFOURCC('D', 'X', 'T', '4'), "DXT4"},
        {MAKEFOURCC('D', 'X', 'T', '5'), "DXT5"},
        {70, "D16_LOCKABLE"},
        {71, "D32"},
        {73, "D15S1"},
        {75, "D24S8"},
        {77, "D24X8"},
        {79, "D24X4S4"},
        {80, "D16"},
        {82, "D32F_LOCKABLE"},
        {83, "D24FS8"},
        {81, "L16"},
        {100, "VERTEXDATA"},
        {101, "INDEX16"},
        {102, "INDEX32"},
        {110, "Q16W16V16U16"},
        {111, "R16F"},
        {112, "G16R16F"},
        {113, "A16B16G16R16F"},
        {114, "R32F"},
        {115, "G32R32F"},
        {116, "A32B32G32R32F"},
        {117, "CxV8U8"},
    };
    CHECK(sizeof cases / sizeof cases[0] == 58);
    for (const Case& c : cases) {
        CAPTURE(c.name);
        CHECK(tbm::formatName(D3DFORMAT(c.value)) == c.name);
    }

    auto named = [&](DWORD value) {
        for (const Case& c : cases) {
            if (c.value == value)
                return true;
        }
        return false;
    };
    for (DWORD value = 0; value < 512; ++value) {
        if (!named(value)) {
            CAPTURE(value);
            CHECK(tbm::formatName(D3DFORMAT(value)) == "UNKNOWN");
        }
    }
    CHECK(tbm::formatName(D3DFMT_UNKNOWN) == "UNKNOWN");
    CHECK(tbm::formatName(D3DFMT_MULTI2_ARGB8) == "UNKNOWN");
    CHECK(tbm::formatName(D3DFORMAT(MAKEFOURCC('D', 'X', 'T', '6'))) == "UNKNOWN");
    CHECK(tbm::formatName(D3DFORMAT(0xFFFFFFFF)) == "UNKNOWN");
}

TEST_CASE("a real device follows the view window's client size through reset")
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TBM_TEST_VIEW";
    RegisterClassA(&windowClass);
    HWND view = CreateWindowA("TBM_TEST_VIEW", "view", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    REQUIRE(view);

    LogCapture log;
    D3DDeviceManager& manager = D3DDeviceManager::getInstance();
    REQUIRE(manager.create(view) == 1);
    CHECK(LogCapture::countContaining("Direct3Dデバイスを生成しました。[") == 1);

    auto backBufferSize = [&]() {
        IDirect3DSurface9* backBuffer = nullptr;
        D3DSURFACE_DESC description = {};
        if (SUCCEEDED(manager.getDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) {
            backBuffer->GetDesc(&description);
            backBuffer->Release();
        }
        return std::make_pair(description.Width, description.Height);
    };
    CHECK(backBufferSize() == std::make_pair(200u, 150u));

    SetWindowPos(view, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    std::vector<std::string> events;
    RecordingListener listener(&events);
    manager.setListener(&listener);
    CHECK(manager.reset() == 1);
    CHECK(events == std::vector<std::string>{"OnDeviceLost", "OnDeviceReset"});
    CHECK(backBufferSize() == std::make_pair(320u, 240u));

    manager.release();
    CHECK(manager.getDevice() == nullptr);
    DestroyWindow(view);
}
