#include "modeller/model/Ray.h"
#include "TestDevice.h"

#include <doctest/doctest.h>

TEST_CASE("ray meets both windings at one distance and facing flips")
{
    const Ray ray(D3DXVECTOR3(0.2f, 0.2f, -5.0f), D3DXVECTOR3(0.2f, 0.2f, 5.0f));
    CHECK(ray.length == doctest::Approx(10.0f));
    CHECK(ray.direction.z == doctest::Approx(1.0f));

    const D3DXVECTOR3 a(0, 0, 0), b(0, 1, 0), c(1, 0, 0);
    float front = 0, back = 0;
    REQUIRE(ray.intersectTriangle(a, b, c, &front));
    REQUIRE(ray.intersectTriangle(a, c, b, &back));
    CHECK(front == doctest::Approx(5.0f));
    CHECK(back == doctest::Approx(front));
    CHECK(ray.isFrontFace(a, b, c) == 1);
    CHECK(ray.isFrontFace(a, c, b) == 0);

    // Seen exactly edge-on: not front-facing.
    CHECK(ray.facing(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0)) == 0.0f);
    CHECK(ray.isFrontFace(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0)) == 0);

    float distance = -1;
    CHECK_FALSE(ray.intersectTriangle(D3DXVECTOR3(5, 5, 0), D3DXVECTOR3(5, 6, 0), D3DXVECTOR3(6, 5, 0), &distance));
}

TEST_CASE("the test device exists")
{
    REQUIRE(TestDevice::get() != nullptr);
    D3DVIEWPORT9 viewport;
    REQUIRE(SUCCEEDED(TestDevice::get()->GetViewport(&viewport)));
    CHECK(viewport.Width == DWORD(TestDevice::kWidth));
    CHECK(viewport.Height == DWORD(TestDevice::kHeight));
}
