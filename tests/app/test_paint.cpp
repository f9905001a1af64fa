#include "ControllerFixture.h"
#include "FakeDirect3D.h"
#include "ForwardingDevice.h"
#include "LogCapture.h"
#include "StandInFrame.h"
#include "modeller/app/D3DWindow.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace {

// The test device with scripted answers for the calls of a paint and of the
// lost-device check, each call recorded by name ("Draw" once for a run of draw
// calls). A list holds one answer per call; calls beyond it go to the real device,
// except Reset and the cooperative-level test, which then answer D3D_OK.
class ScriptedDevice : public ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    std::vector<std::string> calls;
    std::deque<HRESULT> clearResults, beginSceneResults, presentResults, cooperativeLevels, resetResults;

    STDMETHOD_(HRESULT, Clear)
    (DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override
    {
        return answer("Clear", clearResults, [&] { return inner->Clear(count, rects, flags, colour, z, stencil); });
    }
    STDMETHOD_(HRESULT, BeginScene)() override
    {
        return answer("BeginScene", beginSceneResults, [&] { return inner->BeginScene(); });
    }
    STDMETHOD_(HRESULT, EndScene)() override
    {
        calls.push_back("EndScene");
        return inner->EndScene();
    }
    STDMETHOD_(HRESULT, Present)(const RECT* source, const RECT* target, HWND window, const RGNDATA* dirty) override
    {
        return answer("Present", presentResults, [&] { return inner->Present(source, target, window, dirty); });
    }
    STDMETHOD_(HRESULT, TestCooperativeLevel)() override
    {
        return answer("TestCooperativeLevel", cooperativeLevels, [] { return D3D_OK; });
    }
    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS*) override
    {
        return answer("Reset", resetResults, [] { return D3D_OK; });
    }
    STDMETHOD_(HRESULT, DrawPrimitive)(D3DPRIMITIVETYPE type, UINT start, UINT count) override
    {
        draw();
        return inner->DrawPrimitive(type, start, count);
    }
    STDMETHOD_(HRESULT, DrawIndexedPrimitive)
    (D3DPRIMITIVETYPE type, INT base, UINT low, UINT vertices, UINT start, UINT count) override
    {
        draw();
        return inner->DrawIndexedPrimitive(type, base, low, vertices, start, count);
    }
    STDMETHOD_(HRESULT, DrawPrimitiveUP)(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override
    {
        draw();
        return inner->DrawPrimitiveUP(type, count, data, stride);
    }
    STDMETHOD_(HRESULT, DrawIndexedPrimitiveUP)
    (D3DPRIMITIVETYPE type, UINT low, UINT vertices, UINT count, const void* indices, D3DFORMAT format,
     const void* data, UINT stride) override
    {
        draw();
        return inner->DrawIndexedPrimitiveUP(type, low, vertices, count, indices, format, data, stride);
    }

    // The calls so far, separated by spaces, and forgotten.
    std::string takeCalls()
    {
        std::string taken;
        for (const std::string& call : calls)
            taken += (taken.empty() ? "" : " ") + call;
        calls.clear();
        return taken;
    }

private:
    template <class Call>
    HRESULT answer(const char* name, std::deque<HRESULT>& results, Call call)
    {
        calls.push_back(name);
        if (results.empty())
            return call();
        const HRESULT result = results.front();
        results.pop_front();
        return result;
    }
    void draw()
    {
        if (calls.empty() || calls.back() != "Draw")
            calls.push_back("Draw");
    }
};

FakeDirect3D* g_direct3D = nullptr;

IDirect3D9* WINAPI createFakeDirect3D(UINT)
{
    return g_direct3D;
}

void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// The program's view window on a shown frame, its device made by the device
// manager and handed out as the scripted device, and a controller started on it
// that paints the view. Each test makes its own and leaves no window class behind.
struct PaintedView {
    FakeDirect3D direct3D;
    ScriptedDevice device{TestDevice::get()};
    HWND frame = nullptr;
    tbm::D3DWindow view;
    StandInFrame mainWindow;
    tbm::Modering controller;

    PaintedView()
    {
        REQUIRE(TestDevice::get() != nullptr);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = frameProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TBM_PAINT_FRAME";
        RegisterClassA(&windowClass);
        frame = CreateWindowA("TBM_PAINT_FRAME", "paint", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 320,
                              240, nullptr, nullptr, windowClass.hInstance, nullptr);
        REQUIRE(frame != nullptr);
        REQUIRE(view.create("D3DWINDOW", frame, 106));
        view.setRect({0, 0, 200, 150});

        direct3D.handedOut = &device;
        g_direct3D = &direct3D;
        tbm::D3DDeviceManager& devices = tbm::D3DDeviceManager::getInstance();
        devices.setDirect3DFactory(createFakeDirect3D);
        REQUIRE(view.initDirect3D());
        REQUIRE(devices.getDevice() == &device);

        mainWindow.window = frame;
        mainWindow.view = view.getHandle();
        controller.setFrame(&mainWindow);
        controller.setUserInterface(fixture::Person::userInterface());
        REQUIRE(controller.start() == 1);
        view.setWindowEventListener(&controller);
        pump();
        device.takeCalls();
    }
    ~PaintedView()
    {
        controller.end();
        DestroyWindow(frame); // the view's WM_DESTROY releases the device
        UnregisterClassA("D3DWINDOW", GetModuleHandleA(nullptr));
        tbm::D3DDeviceManager::getInstance().setDirect3DFactory(Direct3DCreate9);
        g_direct3D = nullptr;
    }

    // Asks for one frame and handles every message that follows.
    std::string paint()
    {
        InvalidateRect(view.getHandle(), nullptr, TRUE);
        pump();
        return device.takeCalls();
    }
    bool waitsForPaint() const { return GetUpdateRect(view.getHandle(), nullptr, FALSE) != FALSE; }
};

}

TEST_CASE("a device lost at Present and then ready for a reset is reset and painted again")
{
    PaintedView painted;
    LogCapture log;
    painted.device.presentResults = {D3DERR_DEVICELOST};
    painted.device.cooperativeLevels = {D3DERR_DEVICENOTRESET};

    CHECK(
        painted.paint()
        == "Clear BeginScene Draw EndScene Present TestCooperativeLevel Reset Clear BeginScene Draw EndScene Present");
    CHECK(LogCapture::countContaining("デバイスをリセットしました。") == 1);
    CHECK_FALSE(painted.waitsForPaint());
}

TEST_CASE("a paint whose Clear BeginScene or Present fails")
{
    struct Case {
        std::string name;
        std::deque<HRESULT> clear, beginScene, present;
        std::string calls;
        bool checked;
    };
    const Case cases[] = {
        {"nothing fails", {}, {}, {}, "Clear BeginScene Draw EndScene Present", false},
        // The frame is dropped, and the device is looked at as after a failed Present.
        {"Clear", {D3DERR_DEVICELOST}, {}, {}, "Clear TestCooperativeLevel", true},
        // Nothing is drawn, and what there is is still presented.
        {"BeginScene", {}, {D3DERR_INVALIDCALL}, {}, "Clear BeginScene Present", false},
        {"Present", {}, {}, {D3DERR_DEVICELOST}, "Clear BeginScene Draw EndScene Present TestCooperativeLevel", true},
    };
    PaintedView painted;
    for (const Case& test : cases) {
        CAPTURE(test.name);
        LogCapture log;
        painted.device.clearResults = test.clear;
        painted.device.beginSceneResults = test.beginScene;
        painted.device.presentResults = test.present;
        // Lost and not yet to be reset: the check waits and asks for no frame.
        painted.device.cooperativeLevels = {D3DERR_DEVICELOST};

        CHECK(painted.paint() == test.calls);
        CHECK_FALSE(painted.waitsForPaint());
        CHECK(LogCapture::countContaining("デバイスがロストしていますが、現在リセットできません。")
              == (test.checked ? 1 : 0));
        painted.device.cooperativeLevels.clear();
    }
}

TEST_CASE("a reset that fails during a paint asks for no new frame")
{
    PaintedView painted;
    painted.device.clearResults = {D3DERR_DEVICELOST};
    painted.device.cooperativeLevels = {D3DERR_DEVICENOTRESET};
    painted.device.resetResults = {D3DERR_DEVICELOST};

    CHECK(painted.paint() == "Clear TestCooperativeLevel Reset");
    CHECK_FALSE(painted.waitsForPaint());

    // The next frame asked for finds the device ready, resets it and paints.
    painted.device.clearResults = {D3DERR_DEVICELOST};
    painted.device.cooperativeLevels = {D3DERR_DEVICENOTRESET};
    CHECK(painted.paint() == "Clear TestCooperativeLevel Reset Clear BeginScene Draw EndScene Present");
}
