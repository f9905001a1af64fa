#include "modeller/app/IDeviceEventListener.h"
#include "modeller/app/IKeyEventListener.h"
#include "modeller/app/IWindowEventListener.h"

#include <doctest/doctest.h>

#include <type_traits>

namespace {
// Only the operations without a default.
struct PaintingListener : tbm::IDeviceEventListener, tbm::IWindowEventListener, tbm::IKeyEventListener {
    int lost = 0;
    int reset = 0;
    int paints = 0;
    void OnDeviceLost() override { ++lost; }
    void OnDeviceReset() override { ++reset; }
    void OnPaint() override { ++paints; }
};

// The interfaces carry nothing but their table and are never deleted through.
static_assert(sizeof(tbm::IDeviceEventListener) == sizeof(void*), "no data");
static_assert(sizeof(tbm::IWindowEventListener) == sizeof(void*), "no data");
static_assert(sizeof(tbm::IKeyEventListener) == sizeof(void*), "no data");
static_assert(!std::has_virtual_destructor<tbm::IWindowEventListener>::value, "plain destructor");
static_assert(std::is_abstract<tbm::IDeviceEventListener>::value, "both device events are pure");
static_assert(std::is_abstract<tbm::IWindowEventListener>::value, "paint is pure");
static_assert(!std::is_abstract<tbm::IKeyEventListener>::value, "every key event has a default");
}

TEST_CASE("a listener with only the pure operations takes mouse and key events silently")
{
    PaintingListener listener;
    tbm::IWindowEventListener& window = listener;
    tbm::IKeyEventListener& keys = listener;
    tbm::IDeviceEventListener& device = listener;

    window.OnMouseDown(1, 10, 20, MK_LBUTTON);
    window.OnMouseMove(-5, 70000, MK_LBUTTON | MK_SHIFT);
    window.OnMouseUp(1, 10, 20, 0);
    window.OnMouseDoubleClick(4, 0, 0, MK_MBUTTON);
    window.OnMouseWheel(-WHEEL_DELTA, 3, 4);
    keys.OnKeyDown(VK_SHIFT);
    keys.OnKeyRepeat(VK_SHIFT);
    keys.OnKeyUp(VK_F4);
    CHECK(listener.paints == 0);
    CHECK(listener.lost == 0);
    CHECK(listener.reset == 0);

    window.OnPaint();
    device.OnDeviceLost();
    device.OnDeviceReset();
    CHECK(listener.paints == 1);
    CHECK(listener.lost == 1);
    CHECK(listener.reset == 1);
}
