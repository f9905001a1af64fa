#include "modeller/model/LocalWorld.h"
#include "TestDevice.h"

#include <doctest/doctest.h>

#include <cmath>
#include <vector>

namespace {

const float kPi = 3.1415927f;
const float kTwoPi = 6.2831855f;
const float kFov = 0.7853982f;

// A created world framing the given sphere; the axis buffer is released at the end.
struct World {
    explicit World(const D3DXVECTOR3& center = D3DXVECTOR3(0, 0, 0), float radius = 10.0f, float fov = kFov)
    {
        REQUIRE(TestDevice::get() != nullptr);
        REQUIRE(world.create(TestDevice::get()) == 1);
        world.init(center, radius, fov);
    }
    ~World() { world.releaseAxis(); }

    float distance() const
    {
        float d = 0, r = 0;
        world.getDistanceAndRadius(d, r);
        return d;
    }
    float radius() const
    {
        float d = 0, r = 0;
        world.getDistanceAndRadius(d, r);
        return r;
    }
    D3DXVECTOR3 view(const D3DXVECTOR3& p) const
    {
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &p, &world.getWorldMatrix());
        return out;
    }

    LocalWorld world;
};

// Sets the device's viewport for one scope and puts the old one back.
struct ViewportScope {
    ViewportScope(DWORD width, DWORD height)
    {
        REQUIRE(SUCCEEDED(TestDevice::get()->GetViewport(&saved)));
        D3DVIEWPORT9 viewport = saved;
        viewport.X = 0;
        viewport.Y = 0;
        viewport.Width = width;
        viewport.Height = height;
        REQUIRE(SUCCEEDED(TestDevice::get()->SetViewport(&viewport)));
    }
    ~ViewportScope() { TestDevice::get()->SetViewport(&saved); }

    D3DVIEWPORT9 saved;
};

D3DVIEWPORT9 viewportOf(DWORD width, DWORD height)
{
    D3DVIEWPORT9 viewport = {0, 0, width, height, 0.0f, 1.0f};
    return viewport;
}

// Where a model point is seen: moved to the pivot, turned by yaw about Y then
// by pitch about X (row vectors, left-handed), then placed at the pan and depth.
D3DXVECTOR3 expectedView(const D3DXVECTOR3& p, const D3DXVECTOR3& center, double pitch, double yaw, double panX,
                         double panY, double distance)
{
    const double x0 = p.x - center.x, y0 = p.y - center.y, z0 = p.z - center.z;
    const double x1 = x0 * std::cos(yaw) + z0 * std::sin(yaw);
    const double z1 = -x0 * std::sin(yaw) + z0 * std::cos(yaw);
    const double y2 = y0 * std::cos(pitch) - z1 * std::sin(pitch);
    const double z2 = y0 * std::sin(pitch) + z1 * std::cos(pitch);
    return D3DXVECTOR3(float(x1 + panX), float(y2 + panY), float(z2 + distance));
}

void checkNear(const D3DXVECTOR3& got, const D3DXVECTOR3& expected, double epsilon = 1e-4)
{
    CHECK(got.x == doctest::Approx(expected.x).epsilon(epsilon).scale(1.0));
    CHECK(got.y == doctest::Approx(expected.y).epsilon(epsilon).scale(1.0));
    CHECK(got.z == doctest::Approx(expected.z).epsilon(epsilon).scale(1.0));
}

void checkMatrixNear(const D3DXMATRIX& got, const D3DXMATRIX& expected)
{
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            CAPTURE(row);
            CAPTURE(column);
            CHECK(got.m[row][column] == doctest::Approx(expected.m[row][column]).epsilon(1e-5).scale(1.0));
        }
}

bool isFinite(const D3DXMATRIX& m)
{
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            if (!std::isfinite(m.m[row][column]))
                return false;
    return true;
}

D3DXMATRIX translation(float x, float y, float z)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

std::vector<AxisVertex> readVertices(IDirect3DVertexBuffer9* buffer)
{
    std::vector<AxisVertex> out;
    void* data = nullptr;
    REQUIRE(buffer != nullptr);
    REQUIRE(SUCCEEDED(buffer->Lock(0, 0, &data, 0)));
    const AxisVertex* vertices = static_cast<const AxisVertex*>(data);
    out.assign(vertices, vertices + Axis::kVertexCount);
    buffer->Unlock();
    return out;
}

void checkAxisVertices(IDirect3DVertexBuffer9* buffer, float length)
{
    const AxisVertex expected[] = {
        {0, 0, 0, 0xFFFF0000},      {length, 0, 0, 0xFFFF0000}, {0, 0, 0, 0xFF00FF00},
        {0, length, 0, 0xFF00FF00}, {0, 0, 0, 0xFF0080FF},      {0, 0, length, 0xFF0080FF},
    };
    const std::vector<AxisVertex> got = readVertices(buffer);
    REQUIRE(got.size() == 6);
    for (int i = 0; i < 6; ++i) {
        CAPTURE(i);
        CHECK(got[i].x == expected[i].x);
        CHECK(got[i].y == expected[i].y);
        CHECK(got[i].z == expected[i].z);
        CHECK(got[i].color == expected[i].color);
    }
}

// The number of references left once the caller's extra one is dropped.
ULONG referencesAfter(IUnknown* object)
{
    return object->Release();
}

}

TEST_CASE("the default sphere is framed at 10 / sin(pi/8) with axes 15 long")
{
    LocalWorld world;
    REQUIRE(world.create(TestDevice::get()) == 1);
    checkAxisVertices(world.getAxis().getVertexBuffer(), 100.0f);

    world.init(D3DXVECTOR3(0, 0, 0), 10.0f, kFov);
    float distance = 0, radius = 0;
    world.getDistanceAndRadius(distance, radius);
    CHECK(distance == doctest::Approx(10.0 / std::sin(kPi / 8)).epsilon(1e-6));
    CHECK(distance == doctest::Approx(26.131f).epsilon(1e-4));
    CHECK(radius == 10.0f);
    // The controller's fit of the field of view gives the framing angle back.
    CHECK(2.0 * std::asin(radius / distance) == doctest::Approx(kFov).epsilon(1e-6));

    CHECK(world.getAxisLength() == 15.0f);
    CHECK(world.getAxis().getLength() == 15.0f);
    checkAxisVertices(world.getAxis().getVertexBuffer(), 15.0f);

    CHECK(world.getPitch() == 0.0f);
    CHECK(world.getYaw() == 0.0f);
    checkMatrixNear(world.getWorldMatrix(), translation(0, 0, distance));
    checkMatrixNear(world.getAxisMatrix(), translation(0, 0, distance));

    // An off-origin pivot: the world matrix carries it to the origin first, the axis matrix does not.
    world.init(D3DXVECTOR3(1, 2, 3), 10.0f, kFov);
    checkMatrixNear(world.getWorldMatrix(), translation(-1, -2, distance - 3));
    checkMatrixNear(world.getAxisMatrix(), translation(0, 0, distance));
    world.releaseAxis();
}

TEST_CASE("the framing distance follows the viewport's shape")
{
    struct Case {
        const char* name;
        DWORD width, height;
        double halfAngle; // 0: no area, the distance is the radius
    };
    const Case cases[] = {
        {"square", 256, 256, kPi / 8}, {"wide", 200, 100, kPi / 8}, {"tall, half as wide as high", 100, 200, kPi / 16},
        {"no width", 0, 200, 0},       {"no height", 200, 0, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        ViewportScope scope(c.width, c.height);
        World w(D3DXVECTOR3(0, 0, 0), 10.0f, kFov);
        const double expected = c.halfAngle > 0 ? 10.0 / std::sin(c.halfAngle) : 10.0;
        CHECK(w.distance() == doctest::Approx(expected).epsilon(1e-6));
        CHECK(isFinite(w.world.getWorldMatrix()));
        checkMatrixNear(w.world.getWorldMatrix(), translation(0, 0, float(expected)));
    }
}

TEST_CASE("a turning drag turns by one radian per 100 px, wraps yaw once and clamps pitch")
{
    struct Case {
        const char* name;
        int dx, dy;
        float yaw, pitch; // as kept
        double seenYaw;   // the turn the matrices show
    };
    const Case cases[] = {
        {"100 px right", 100, 0, kTwoPi - 1.0f, 0.0f, -1.0},
        {"700 px right stays below zero", 700, 0, -7.0f + kTwoPi, 0.0f, -7.0},
        {"100 px left", -100, 0, 1.0f, 0.0f, 1.0},
        {"700 px left", -700, 0, 7.0f - kTwoPi, 0.0f, 7.0},
        {"400 px up clamps", 0, -400, 0.0f, kPi, 0.0},
        {"400 px down clamps", 0, 400, 0.0f, -kPi, 0.0},
        {"150 px down, 50 px right", 50, 150, kTwoPi - 0.5f, -1.5f, -0.5},
    };
    const D3DXVECTOR3 center(1, -2, 0.5f);
    const D3DXVECTOR3 points[] = {center, D3DXVECTOR3(2, -2, 0.5f), D3DXVECTOR3(1, 0, 0.5f), D3DXVECTOR3(-1, 3, 4)};
    for (const Case& c : cases) {
        CAPTURE(c.name);
        World w(center, 4.0f);
        w.world.beginRotate(40, 70);
        w.world.rotate(40 + c.dx, 70 + c.dy);
        CHECK(w.world.getYaw() == doctest::Approx(c.yaw).epsilon(1e-6).scale(1.0));
        CHECK(w.world.getPitch() == doctest::Approx(c.pitch).epsilon(1e-6).scale(1.0));
        for (const D3DXVECTOR3& p : points)
            checkNear(w.view(p), expectedView(p, center, c.pitch, c.seenYaw, 0, 0, w.distance()));
        checkNear(D3DXVECTOR3(w.world.getAxisMatrix().m[3]), D3DXVECTOR3(0, 0, w.distance()));
    }
}

TEST_CASE("a turning drag follows from the turn at its begin")
{
    World w;
    w.world.beginRotate(10, 10);
    w.world.rotate(60, 30);
    w.world.rotate(-40, 60); // not added to the previous follow
    CHECK(w.world.getYaw() == doctest::Approx(0.5f).epsilon(1e-6));
    CHECK(w.world.getPitch() == doctest::Approx(-0.5f).epsilon(1e-6));

    w.world.beginRotate(200, 200);
    w.world.rotate(200, 180);
    CHECK(w.world.getYaw() == doctest::Approx(0.5f).epsilon(1e-6));
    CHECK(w.world.getPitch() == doctest::Approx(-0.3f).epsilon(1e-6));
}

TEST_CASE("reset shows the pivot unturned in the middle at the kept distance")
{
    const D3DXVECTOR3 center(2, 3, 4);
    World w(center, 5.0f);
    const float distance = w.distance();
    w.world.beginRotate(0, 0);
    w.world.rotate(123, -45);
    w.world.beginMove(0, 0);
    w.world.move(30, 40, viewportOf(256, 256), kFov);
    REQUIRE(w.world.getPanX() != 0.0f);

    w.world.reset();
    CHECK(w.world.getPitch() == 0.0f);
    CHECK(w.world.getYaw() == 0.0f);
    CHECK(w.world.getPanX() == 0.0f);
    CHECK(w.world.getPanY() == 0.0f);
    CHECK(w.distance() == distance);
    CHECK(w.radius() == 5.0f);
    CHECK(w.world.getAxisLength() == 7.5f);
    checkNear(w.view(center), D3DXVECTOR3(0, 0, distance));
    checkNear(w.view(center + D3DXVECTOR3(1, 0, 0)), D3DXVECTOR3(1, 0, distance));
    checkNear(w.view(center + D3DXVECTOR3(0, 1, 0)), D3DXVECTOR3(0, 1, distance));
    checkMatrixNear(w.world.getAxisMatrix(), translation(0, 0, distance));
}

TEST_CASE("setCenter keeps the new pivot's view x and y and moves points only in depth")
{
    World w;
    w.world.beginRotate(0, 0);
    w.world.rotate(37, -52);
    w.world.beginMove(100, 100);
    w.world.move(120, 90, viewportOf(256, 256), kFov);
    const float pitch = w.world.getPitch(), yaw = w.world.getYaw(), distance = w.distance();

    const D3DXVECTOR3 newCenter(3, -2, 5);
    const D3DXVECTOR3 points[] = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(-4, 7, 2)};
    const D3DXVECTOR3 seen = w.view(newCenter);
    std::vector<D3DXVECTOR3> before;
    for (const D3DXVECTOR3& p : points)
        before.push_back(w.view(p));

    w.world.setCenter(newCenter, 4.0f);
    checkNear(w.view(newCenter), D3DXVECTOR3(seen.x, seen.y, distance));
    for (size_t i = 0; i < before.size(); ++i) {
        CAPTURE(i);
        checkNear(w.view(points[i]), before[i] + D3DXVECTOR3(0, 0, distance - seen.z));
    }
    CHECK(w.world.getPitch() == pitch);
    CHECK(w.world.getYaw() == yaw);
    CHECK(w.distance() == distance);
    CHECK(w.radius() == 4.0f);
    CHECK(w.world.getAxisLength() == 15.0f);
    checkAxisVertices(w.world.getAxis().getVertexBuffer(), 15.0f);
    // The axes stand at the new pivot.
    checkNear(D3DXVECTOR3(w.world.getAxisMatrix().m[3]), D3DXVECTOR3(seen.x, seen.y, distance));

    // Later turns happen about the new pivot.
    w.world.beginRotate(0, 0);
    w.world.rotate(-80, 25);
    checkNear(w.view(newCenter), D3DXVECTOR3(seen.x, seen.y, distance));
}

TEST_CASE("a moving drag moves the pivot's depth plane with the cursor")
{
    struct Case {
        const char* name;
        DWORD width, height;
        int dx, dy;
        float fov;
        // Expected change of pan, in units of tan(fov / 2) * distance.
        double unitsX, unitsY;
    };
    const Case cases[] = {
        {"H/2 down", 256, 256, 0, 128, kFov, 0, -1},
        {"W/2 right", 256, 256, 128, 0, kFov, 1, 0},
        {"wide view, W/2 right", 200, 100, 100, 0, kPi / 3, 2, 0},
        {"wide view, H/2 up", 200, 100, 0, -50, kPi / 3, 0, 1},
        {"tall view, W/2 left", 100, 200, -50, 0, kFov, -0.5, 0},
        {"tall view, H/4 down and W/4 right", 100, 200, 25, 50, kFov, 0.25, -0.5},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        World w;
        // A first drag, so the second starts from a pan of its own.
        w.world.beginMove(0, 0);
        w.world.move(17, -9, viewportOf(256, 256), kFov);
        const float startX = w.world.getPanX(), startY = w.world.getPanY();
        REQUIRE(startX != 0.0f);

        w.world.beginMove(50, 60);
        w.world.move(50 + c.dx, 60 + c.dy, viewportOf(c.width, c.height), c.fov);
        const double unit = std::tan(c.fov / 2.0) * w.distance();
        CHECK(w.world.getPanX() - startX == doctest::Approx(c.unitsX * unit).epsilon(1e-4).scale(1.0));
        CHECK(w.world.getPanY() - startY == doctest::Approx(c.unitsY * unit).epsilon(1e-4).scale(1.0));
        checkNear(w.view(D3DXVECTOR3(0, 0, 0)), D3DXVECTOR3(w.world.getPanX(), w.world.getPanY(), w.distance()));
    }
}

TEST_CASE("a moving drag in a viewport with no area leaves the pan alone")
{
    const D3DVIEWPORT9 empty[] = {viewportOf(0, 256), viewportOf(256, 0), viewportOf(0, 0)};
    for (const D3DVIEWPORT9& viewport : empty) {
        CAPTURE(viewport.Width);
        CAPTURE(viewport.Height);
        World w;
        w.world.beginMove(0, 0);
        w.world.move(10, 20, viewportOf(256, 256), kFov);
        const float panX = w.world.getPanX(), panY = w.world.getPanY();
        w.world.beginMove(5, 5);
        w.world.move(40, 90, viewport, kFov);
        CHECK(w.world.getPanX() == panX);
        CHECK(w.world.getPanY() == panY);
        CHECK(isFinite(w.world.getWorldMatrix()));
        CHECK(isFinite(w.world.getAxisMatrix()));
    }
}

TEST_CASE("drawAxis sets the axis matrix, clears the texture and leaves lighting on")
{
    IDirect3DDevice9* device = TestDevice::get();
    World w(D3DXVECTOR3(1, 2, 3), 10.0f);
    w.world.beginRotate(0, 0);
    w.world.rotate(30, 20);

    IDirect3DTexture9* texture = nullptr;
    REQUIRE(SUCCEEDED(D3DXCreateTexture(device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)));
    device->SetTexture(0, texture);
    const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    REQUIRE(SUCCEEDED(device->BeginScene()));
    CHECK(w.world.drawAxis() == 1);
    device->EndScene();

    DWORD lighting = FALSE;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    CHECK(lighting == TRUE);
    D3DXMATRIX world;
    REQUIRE(SUCCEEDED(device->GetTransform(D3DTS_WORLD, &world)));
    checkMatrixNear(world, w.world.getAxisMatrix());
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    device->GetTexture(0, &bound);
    CHECK(bound == nullptr);
    if (bound)
        bound->Release();
    texture->Release();
}

TEST_CASE("the axes are seen unlit in their colours, from the pivot outwards")
{
    IDirect3DDevice9* device = TestDevice::get();
    World w;
    // Lines 5 long at the depth 26.13 end about 59 px from the middle of the view.
    REQUIRE(w.world.setAxis(5.0f) == 1);
    const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kFov, 1.0f, 1.0f, 1000.0f);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);

    REQUIRE(SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0)));
    REQUIRE(SUCCEEDED(device->BeginScene()));
    w.world.drawAxis();
    device->EndScene();

    IDirect3DSurface9* surface = nullptr;
    REQUIRE(SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)));
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    REQUIRE((desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8));
    D3DLOCKED_RECT locked;
    REQUIRE(SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)));
    auto pixel = [&](int x, int y) {
        return static_cast<const DWORD*>(
                   static_cast<const void*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch))[x]
               & 0x00FFFFFF;
    };
    // The lines lie on pixel edges through the middle; look at the pixels on both sides.
    auto rowHas = [&](int x, int y0, DWORD color) {
        for (int y = y0 - 2; y <= y0 + 1; ++y)
            if (pixel(x, y) == color)
                return true;
        return false;
    };
    auto columnHas = [&](int x0, int y, DWORD color) {
        for (int x = x0 - 2; x <= x0 + 1; ++x)
            if (pixel(x, y) == color)
                return true;
        return false;
    };
    const bool redRight = rowHas(170, 128, 0xFF0000);
    const bool redLeft = rowHas(86, 128, 0xFF0000);
    const bool redPastEnd = rowHas(200, 128, 0xFF0000);
    const bool greenUp = columnHas(128, 86, 0x00FF00);
    const bool greenDown = columnHas(128, 170, 0x00FF00);
    const bool greenPastEnd = columnHas(128, 56, 0x00FF00);
    surface->UnlockRect();
    surface->Release();

    CHECK(redRight);
    CHECK_FALSE(redLeft);
    CHECK_FALSE(redPastEnd);
    CHECK(greenUp);
    CHECK_FALSE(greenDown);
    CHECK_FALSE(greenPastEnd);
}

TEST_CASE("Axis fills six coloured corners on create and set, and frees its buffer")
{
    CHECK(sizeof(AxisVertex) == 16);
    CHECK(Axis::kFvf == 0x42);

    Axis axis;
    REQUIRE(axis.create(2.0f, TestDevice::get()) == 1);
    CHECK(axis.getLength() == 2.0f);
    checkAxisVertices(axis.getVertexBuffer(), 2.0f);

    REQUIRE(axis.set(3.5f) == 1);
    CHECK(axis.getLength() == 3.5f);
    checkAxisVertices(axis.getVertexBuffer(), 3.5f);

    // Creating again lets go of the old buffer.
    IDirect3DVertexBuffer9* old = axis.getVertexBuffer();
    old->AddRef();
    REQUIRE(axis.create(1.0f, TestDevice::get()) == 1);
    CHECK(referencesAfter(old) == 0);
    checkAxisVertices(axis.getVertexBuffer(), 1.0f);

    REQUIRE(SUCCEEDED(TestDevice::get()->BeginScene()));
    CHECK(axis.draw() == 1);
    TestDevice::get()->EndScene();

    IDirect3DVertexBuffer9* held = axis.getVertexBuffer();
    held->AddRef();
    axis.release();
    CHECK(axis.getVertexBuffer() == nullptr);
    CHECK(referencesAfter(held) == 0);
    axis.release();
    CHECK(axis.set(4.0f) == 0);
    CHECK(axis.draw() == 0);

    Axis deviceless;
    CHECK(deviceless.create(1.0f, nullptr) == 0);
    CHECK(deviceless.getVertexBuffer() == nullptr);
}

TEST_CASE("setAxis refills the axis lines, create and releaseAxis let go of the buffer")
{
    World w;
    CHECK(w.world.setAxis(7.0f) == 1);
    CHECK(w.world.getAxis().getLength() == 7.0f);
    checkAxisVertices(w.world.getAxis().getVertexBuffer(), 7.0f);

    IDirect3DVertexBuffer9* old = w.world.getAxis().getVertexBuffer();
    old->AddRef();
    REQUIRE(w.world.create(TestDevice::get()) == 1);
    CHECK(referencesAfter(old) == 0);
    checkAxisVertices(w.world.getAxis().getVertexBuffer(), 100.0f);

    IDirect3DVertexBuffer9* held = w.world.getAxis().getVertexBuffer();
    held->AddRef();
    w.world.releaseAxis();
    CHECK(w.world.getAxis().getVertexBuffer() == nullptr);
    CHECK(referencesAfter(held) == 0);
    CHECK(w.world.setAxis(7.0f) == 0);
}
