#include "ControllerFixture.h"
#include "modeller/app/resource.h"

#include <doctest/doctest.h>

#include <climits>
#include <cmath>
#include <cstring>

using fixture::Controller;
using fixture::Person;
using fixture::takeRedraw;

namespace {

constexpr float kQuarterPi = 0.7853982f;
constexpr D3DCOLOR kBackground = 0x1E3C5A;

DWORD renderState(D3DRENDERSTATETYPE state)
{
    DWORD value = 0;
    TestDevice::get()->GetRenderState(state, &value);
    return value;
}

// A paint of the controller into a lockable target of the view's size, read
// back as 0xRRGGBB row by row (the back buffer is gone once presented).
std::vector<DWORD> paintedPixels(tbm::Modering& controller)
{
    std::vector<DWORD> pixels;
    IDirect3DDevice9* device = TestDevice::get();
    IDirect3DSurface9* shown = nullptr;
    IDirect3DSurface9* target = nullptr;
    device->GetRenderTarget(0, &shown);
    if (FAILED(device->CreateRenderTarget(TestDevice::kWidth, TestDevice::kHeight, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE,
                                          0, TRUE, &target, nullptr))) {
        shown->Release();
        return pixels;
    }
    device->SetRenderTarget(0, target);
    controller.OnPaint();
    device->SetRenderTarget(0, shown);
    shown->Release();
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(target->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (int y = 0; y < TestDevice::kHeight; ++y) {
            const DWORD* row =
                reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < TestDevice::kWidth; ++x)
                pixels.push_back(row[x] & 0xFFFFFF);
        }
        target->UnlockRect();
    }
    target->Release();
    return pixels;
}

// A turn as the camera keeps it, in [0, 2 pi).
float turned(float yaw)
{
    return yaw < 0.0f ? yaw + 2.0f * D3DX_PI : yaw;
}

DWORD pixelAt(const std::vector<DWORD>& pixels, POINT point)
{
    return pixels[size_t(point.y) * TestDevice::kWidth + size_t(point.x)];
}

// Light grey to white pixels where the progress line goes; the text is smoothed.
int lightInTextLine(const std::vector<DWORD>& pixels)
{
    int light = 0;
    for (int y = 4; y < 28; ++y)
        for (int x = 4; x < 250; ++x) {
            const DWORD c = pixelAt(pixels, POINT{x, y});
            light += (c & 0xFF) >= 0x80 && ((c >> 8) & 0xFF) >= 0x80 && (c >> 16) >= 0x80;
        }
    return light;
}

void expectPerspective(const D3DXMATRIX& actual, float fov)
{
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, fov, 1.0f, 1.0f, 1000.0f);
    for (int i = 0; i < 16; ++i)
        CHECK(actual[i] == doctest::Approx(expected[i]));
}

}

TEST_CASE("start sets the render states the light and the view and a failed start closes the frame")
{
    IDirect3DDevice9* device = TestDevice::get();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    tbm::StatusBar::getInstance().setText("old");
    fixture::takeCloseMessages();
    {
        Controller c;
        CHECK(renderState(D3DRS_CULLMODE) == D3DCULL_CCW);
        CHECK(renderState(D3DRS_FILLMODE) == D3DFILL_SOLID);
        CHECK(renderState(D3DRS_ZENABLE) == D3DZB_TRUE);
        CHECK(renderState(D3DRS_SHADEMODE) == D3DSHADE_GOURAUD);
        CHECK(renderState(D3DRS_AMBIENT) == 0xFF323232);
        BOOL lightOn = FALSE;
        device->GetLightEnable(0, &lightOn);
        CHECK(lightOn);
        CHECK(c.controller.getFieldOfView() == kQuarterPi);
        D3DXMATRIX projection;
        device->GetTransform(D3DTS_PROJECTION, &projection);
        expectPerspective(projection, kQuarterPi);
        CHECK(c.controller.getPickMode() == 1);
        CHECK(c.controller.isPickingEnabled() == 1);
        CHECK(fixture::statusText().empty());
        CHECK(fixture::takeCloseMessages() == 0);
        CHECK(c.controller.getWorkFileName().empty());
    }

    tbm::Modering noDevice;
    fixture::RecordingFrame frame;
    noDevice.setFrame(&frame);
    CHECK(noDevice.start(nullptr) == 0);
    CHECK(fixture::takeCloseMessages() == 1);
}

TEST_CASE("a plain left click makes the face under it solid and redraws only with a model")
{
    Controller c;
    const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    c.click(centre); // no model: nothing to pick, no frame asked for
    CHECK_FALSE(takeRedraw());

    REQUIRE(c.open(c.plugIn()) == 1);
    const std::vector<D3DXVECTOR3> faces = c.currentFaceCentres();
    c.click(faces[0]);
    CHECK(c.solidFaces() == 1);
    CHECK(takeRedraw());

    c.controller.OnPaint();
    c.controller.OnMouseDown(1, 1, 1, MK_LBUTTON); // the background
    CHECK(c.solidFaces() == 1);
    CHECK(takeRedraw());
    CHECK(c.controller.getCompleteFlag() == 0);
    CHECK(Person::get().soundsPlayed == 0);

    c.click(faces[0]); // solid already, and in front of nothing else
    CHECK(c.solidFaces() == 1);
}

TEST_CASE("the click that completes the model plays the sound once and shows the completion text")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    for (int part : {0, 1}) {
        c.controller.setCurrentParts(part, 1);
        for (const D3DXVECTOR3& face : c.currentFaceCentres())
            c.click(face);
        c.controller.OnPaint();
        if (part == 0) {
            CHECK(c.solidFaces() == 2);
            CHECK(c.controller.getCompleteFlag() == 0);
            CHECK(fixture::statusText().empty());
        }
    }
    CHECK(c.solidFaces() == 4);
    CHECK(c.controller.getCompleteFlag() == 1);
    CHECK(Person::get().soundsPlayed == 1);
    CHECK(fixture::statusText() == "★★★ 完成！！★★★");

    // Complete: no click changes a face, in either mode or with Shift.
    const D3DXVECTOR3 face = c.currentFaceCentres()[0];
    c.click(face);
    Controller::setKeys(false, false, true);
    c.click(face);
    Controller::setKeys(false, false, false);
    c.controller.onCommand(nullptr, IDM_DELETE_FACE);
    c.click(face);
    CHECK(c.solidFaces() == 4);
    CHECK(Person::get().soundsPlayed == 1);

    tbm::StatusBar::getInstance().setText("");
    c.controller.OnPaint();
    CHECK(fixture::statusText() == "★★★ 完成！！★★★");
}

TEST_CASE("delete-face mode or Shift makes a solid face of the current part unfilled")
{
    struct Case {
        UINT modeCommand;
        bool shift;
        int solidAfter;
    };
    const Case cases[] = {
        {IDM_DELETE_FACE, false, 0},
        {IDM_DELETE_FACE_OFF, true, 0},
        {IDM_DELETE_FACE, true, 0},
        {IDM_DELETE_FACE_OFF, false, 1},
    };
    for (const Case& test : cases) {
        CAPTURE(test.modeCommand);
        CAPTURE(test.shift);
        Controller c;
        REQUIRE(c.open(c.plugIn()) == 1);
        const D3DXVECTOR3 face = c.currentFaceCentres()[1];
        c.click(face);
        REQUIRE(c.solidFaces() == 1);
        CHECK(c.controller.onCommand(nullptr, test.modeCommand) == TRUE);
        CHECK(c.controller.getPickMode() == (test.modeCommand == IDM_DELETE_FACE ? 0 : 1));
        Controller::setKeys(false, false, test.shift);
        c.click(face);
        CHECK(c.solidFaces() == test.solidAfter);
    }
}

TEST_CASE("browse mode and a flat or inside-out view skip picking")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    const D3DXVECTOR3 face = c.currentFaceCentres()[0];

    CHECK(c.controller.onCommand(nullptr, IDM_BROWSE_MODE) == TRUE);
    CHECK(takeRedraw());
    c.click(face);
    CHECK(c.solidFaces() == 0);
    CHECK_FALSE(takeRedraw());
    CHECK(c.controller.onCommand(nullptr, IDM_BROWSE_MODE_OFF) == TRUE);
    CHECK(takeRedraw());

    struct Zoom {
        int delta;
        float fov;
    };
    for (const Zoom& zoom : {Zoom{120, 0.0f}, Zoom{-120, D3DX_PI}}) {
        CAPTURE(zoom.delta);
        c.controller.onCommand(nullptr, IDM_RESET_VIEW);
        const POINT pixel = [&] {
            c.controller.OnPaint();
            return c.pixelOf(face);
        }();
        for (int i = 0; i < 300; ++i)
            c.controller.OnMouseWheel(zoom.delta, 0, 0);
        REQUIRE(c.controller.getFieldOfView() == zoom.fov);
        c.controller.OnPaint();
        takeRedraw();
        c.controller.OnMouseDown(1, pixel.x, pixel.y, MK_LBUTTON);
        CHECK(c.solidFaces() == 0);
        CHECK_FALSE(takeRedraw());
    }
}

TEST_CASE("the right button turns and both buttons move whichever went down first")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    LocalWorld& camera = c.controller.getModel().getLocalWorld();
    tbm::Modering& m = c.controller;

    m.OnMouseMove(50, 50, 0); // no drag: nothing, no frame
    CHECK_FALSE(takeRedraw());

    m.OnMouseDown(2, 100, 100, MK_RBUTTON);
    CHECK(m.getDragMode() == 1);
    Controller::setKeys(false, true, false);
    m.OnMouseMove(200, 100, MK_RBUTTON);
    CHECK(camera.getYaw() == doctest::Approx(turned(-1.0f)));
    CHECK(takeRedraw());

    m.OnMouseDown(1, 200, 100, MK_RBUTTON | MK_LBUTTON);
    CHECK(m.getDragMode() == 2);
    const float panX = camera.getPanX();
    Controller::setKeys(true, true, false);
    m.OnMouseMove(230, 100, MK_RBUTTON | MK_LBUTTON);
    CHECK(camera.getPanX() > panX);
    CHECK(camera.getYaw() == doctest::Approx(turned(-1.0f)));
    CHECK(c.solidFaces() == 0);

    Controller::setKeys(false, true, false);
    m.OnMouseUp(1, 230, 100, MK_RBUTTON);
    CHECK(m.getDragMode() == 1);
    m.OnMouseMove(330, 100, MK_RBUTTON); // turns on from the release point
    CHECK(camera.getYaw() == doctest::Approx(turned(-2.0f)));

    Controller::setKeys(false, false, false);
    m.OnMouseUp(2, 330, 100, 0);
    CHECK(m.getDragMode() == 0);

    // Left first, then right: a move; the right's release ends it with the left still held.
    Controller::setKeys(true, false, false);
    m.OnMouseDown(2, 10, 10, MK_LBUTTON | MK_RBUTTON);
    CHECK(m.getDragMode() == 2);
    m.OnMouseUp(2, 10, 10, MK_LBUTTON);
    CHECK(m.getDragMode() == 0);

    // The middle button changes nothing.
    Controller::setKeys(false, false, false);
    m.OnMouseDown(2, 10, 10, MK_RBUTTON);
    m.OnMouseDown(4, 10, 10, MK_MBUTTON);
    m.OnMouseUp(4, 10, 10, 0);
    CHECK(m.getDragMode() == 1);
    m.OnMouseUp(2, 10, 10, 0);

    // Browse mode and a completed work still let both buttons move.
    m.onCommand(nullptr, IDM_BROWSE_MODE);
    Controller::setKeys(false, true, false);
    m.OnMouseDown(1, 10, 10, MK_LBUTTON | MK_RBUTTON);
    CHECK(m.getDragMode() == 2);
}

TEST_CASE("a move with both buttons is skipped where the view angle refuses picking")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    LocalWorld& camera = c.controller.getModel().getLocalWorld();
    tbm::Modering& m = c.controller;
    // Turned towards the user until the view is a half turn wide.
    for (int i = 0; i < 300; ++i)
        m.OnMouseWheel(-120, 0, 0);
    REQUIRE(m.getFieldOfView() == D3DX_PI);
    takeRedraw();

    const float panX = camera.getPanX();
    const float panY = camera.getPanY();
    Controller::setKeys(false, true, false);
    m.OnMouseDown(1, 100, 100, MK_RBUTTON | MK_LBUTTON);
    REQUIRE(m.getDragMode() == 2);
    Controller::setKeys(true, true, false);
    m.OnMouseMove(101, 101, MK_RBUTTON | MK_LBUTTON);
    CHECK(camera.getPanX() == panX);
    CHECK(camera.getPanY() == panY);
    CHECK_FALSE(takeRedraw());

    // Back inside the range the same move pans a little.
    m.onCommand(nullptr, IDM_RESET_VIEW);
    m.OnMouseMove(101, 101, MK_RBUTTON | MK_LBUTTON);
    CHECK(camera.getPanX() > panX);
    CHECK(camera.getPanX() < panX + 1.0f);
    CHECK(takeRedraw());
    Controller::setKeys(false, false, false);
}

TEST_CASE("each wheel notch moves the sine of half the view angle by a fixed step")
{
    struct Case {
        bool shift;
        int delta;
        int notchesBeforeLimit;
        float limit;
    };
    const Case cases[] = {
        {false, 120, 76, 0.0f},    {false, -120, 123, D3DX_PI}, {true, 120, 25, 0.0f},
        {true, -120, 41, D3DX_PI}, {false, 1, 76, 0.0f}, // one step whatever the size
    };
    Controller c;
    for (const Case& test : cases) {
        CAPTURE(test.shift);
        CAPTURE(test.delta);
        c.controller.onCommand(nullptr, IDM_RESET_VIEW);
        REQUIRE(c.controller.getFieldOfView() == kQuarterPi);
        Controller::setKeys(false, false, test.shift);
        const float step = test.shift ? 0.015f : 0.005f;
        c.controller.OnMouseWheel(test.delta, 0, 0);
        const float expected = 2.0f * std::asin(std::sin(kQuarterPi / 2) + (test.delta < 0 ? step : -step));
        CHECK(c.controller.getFieldOfView() == doctest::Approx(expected));
        CHECK(takeRedraw());
        for (int i = 1; i < test.notchesBeforeLimit; ++i)
            c.controller.OnMouseWheel(test.delta, 0, 0);
        CHECK(c.controller.getFieldOfView() != test.limit);
        for (int i = 0; i < 3; ++i) {
            c.controller.OnMouseWheel(test.delta, 0, 0);
            CHECK(c.controller.getFieldOfView() == test.limit);
        }
        D3DXMATRIX projection;
        TestDevice::get()->GetTransform(D3DTS_PROJECTION, &projection);
        CHECK(std::memcmp(&projection, &c.controller.getProjection(), sizeof projection) == 0);
    }
    Controller::setKeys(false, false, false);
}

TEST_CASE("command 204 fits the view angle to the model and a sphere around the eye gives a half turn")
{
    Controller c;
    for (int i = 0; i < 10; ++i)
        c.controller.OnMouseWheel(120, 0, 0);
    CHECK(c.controller.onCommand(nullptr, IDM_RESET_VIEW) == TRUE);
    CHECK(c.controller.getFieldOfView() == kQuarterPi); // no model
    CHECK(takeRedraw());

    REQUIRE(c.open(c.plugIn()) == 1);
    LocalWorld& camera = c.controller.getModel().getLocalWorld();
    camera.beginRotate(0, 0);
    camera.rotate(40, 40);
    c.controller.onCommand(nullptr, IDM_RESET_VIEW);
    CHECK(camera.getYaw() == 0.0f);
    CHECK(camera.getPitch() == 0.0f);
    float distance = 0.0f, radius = 0.0f;
    c.controller.getModel().getDistanceAndRadius(distance, radius);
    CHECK(c.controller.getFieldOfView() == doctest::Approx(2.0f * std::asin(radius / distance)));
    D3DXMATRIX projection;
    TestDevice::get()->GetTransform(D3DTS_PROJECTION, &projection);
    expectPerspective(projection, c.controller.getFieldOfView());

    camera.setCenter(D3DXVECTOR3(0, 0, 0), distance * 4);
    c.controller.onCommand(nullptr, IDM_RESET_VIEW);
    CHECK(c.controller.getFieldOfView() == D3DX_PI);
}

TEST_CASE("the orbit commands centre on the model or the current part")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    LocalWorld& camera = c.controller.getModel().getLocalWorld();
    const Model& model = c.controller.getModel();
    CHECK(c.controller.onCommand(nullptr, IDM_ROTATE_ABOUT_MODEL) == TRUE);
    CHECK(takeRedraw());
    CHECK(camera.getCenter().x == doctest::Approx(model.getCenter().x));
    CHECK(c.controller.onCommand(nullptr, IDM_ROTATE_ABOUT_PARTS) == TRUE);
    CHECK(takeRedraw());
    CHECK(camera.getCenter().x == doctest::Approx(c.controller.getModel().getParts(0).getCenter().x));
}

TEST_CASE("paint clears draws the solid faces and writes the progress line")
{
    Controller c;
    std::vector<DWORD> pixels = paintedPixels(c.controller);
    REQUIRE(pixels.size() == size_t(TestDevice::kWidth) * TestDevice::kHeight);
    CHECK(pixelAt(pixels, POINT{250, 250}) == kBackground);
    CHECK(lightInTextLine(pixels) == 0); // no model, no line

    REQUIRE(c.open(c.plugIn()) == 1);
    const D3DXVECTOR3 face = c.currentFaceCentres()[0];
    pixels = paintedPixels(c.controller);
    const POINT pixel = c.pixelOf(face);
    CHECK(pixelAt(pixels, pixel) == kBackground); // unfilled: only its edges are drawn
    CHECK(lightInTextLine(pixels) > 20);

    c.click(face);
    CHECK(pixelAt(paintedPixels(c.controller), pixel) != kBackground);

    // Browse mode draws solid faces only.
    c.controller.onCommand(nullptr, IDM_BROWSE_MODE);
    pixels = paintedPixels(c.controller);
    CHECK(c.controller.getModel().getDrawOptions().browse == 1);
    CHECK(pixelAt(pixels, pixel) != kBackground);
}

TEST_CASE("the progress line is cut to its 64-byte buffer")
{
    struct Case {
        int values[4];
        const char* text;
    };
    const Case cases[] = {
        {{3, 4, 1, 2}, "Total 3 / 4 : Part 1 / 2"},
        {{0, 0, 0, 0}, "Total 0 / 0 : Part 0 / 0"},
        {{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, "Total -2147483648 / -2147483648 : Part -2147483648 / -214748364"},
    };
    for (const Case& test : cases) {
        char text[tbm::Modering::kProgressTextSize + 8];
        std::memset(text, 'x', sizeof text);
        auto& line = *reinterpret_cast<char(*)[tbm::Modering::kProgressTextSize]>(text);
        tbm::formatProgress(line, test.values[0], test.values[1], test.values[2], test.values[3]);
        CHECK(std::string(text) == test.text);
        CHECK(text[tbm::Modering::kProgressTextSize] == 'x');
    }
}

TEST_CASE("a device reset is survived by the font and puts the states and the light back")
{
    Controller c;
    REQUIRE(c.open(c.plugIn()) == 1);
    IDirect3DDevice9* device = TestDevice::get();
    IDirect3DSwapChain9* swapChain = nullptr;
    REQUIRE(SUCCEEDED(device->GetSwapChain(0, &swapChain)));
    D3DPRESENT_PARAMETERS parameters;
    swapChain->GetPresentParameters(&parameters);
    swapChain->Release();

    c.controller.OnDeviceLost();
    CHECK(SUCCEEDED(device->Reset(&parameters)));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    takeRedraw();
    c.controller.OnDeviceReset();
    CHECK(takeRedraw());
    CHECK(renderState(D3DRS_CULLMODE) == D3DCULL_CCW);
    CHECK(renderState(D3DRS_FILLMODE) == D3DFILL_SOLID);
    CHECK(renderState(D3DRS_AMBIENT) == 0xFF323232);
    CHECK(renderState(D3DRS_LIGHTING) == TRUE);
    BOOL lightOn = FALSE;
    device->GetLightEnable(0, &lightOn);
    CHECK(lightOn);
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    expectPerspective(projection, kQuarterPi);

    // The font and the model still draw, and clicks still pick.
    const D3DXVECTOR3 face = c.currentFaceCentres()[0];
    c.click(face);
    CHECK(c.solidFaces() == 1);
    CHECK(lightInTextLine(paintedPixels(c.controller)) > 20);
}

TEST_CASE("the controller takes its own command ids only and forwards the part operations")
{
    Controller c;
    for (UINT id : {200u, 201u, 202u, 203u, 204u, 205u, 206u, 1000u, 1001u, 1002u, 1003u}) {
        CAPTURE(id);
        CHECK(c.controller.onCommand(nullptr, id) == TRUE);
    }
    for (UINT id : {0u, 207u, 300u, 301u, 302u, 1004u, 1010u, 1011u}) {
        CAPTURE(id);
        CHECK(c.controller.onCommand(nullptr, id) == FALSE);
    }

    REQUIRE(c.open(c.plugIn()) == 1);
    Model& model = c.controller.getModel();
    c.controller.setPartsName(1, "右");
    c.controller.setPartsVisible(1, 0);
    CHECK(model.getParts(1).getName() == "右");
    CHECK(model.getParts(1).isVisible() == 0);
    c.controller.setCurrentParts(1, 0);
    CHECK(model.getCurrentParts() == 1);

    // Indexes past the two parts, the first of them and one that wraps, change nothing.
    REQUIRE(model.getPartsCount() == 2);
    for (int past : {2, -1}) {
        CAPTURE(past);
        c.controller.setPartsName(past, "none");
        c.controller.setPartsVisible(past, 0);
        c.controller.setCurrentParts(past, 0);
        CHECK(model.getParts(0).getName() != "none");
        CHECK(model.getParts(1).getName() == "右");
        CHECK(model.getParts(0).isVisible() == 1);
        CHECK(model.getCurrentParts() == 1);
    }
}
