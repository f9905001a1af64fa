#pragma once

namespace tbm {

// Told by the device manager before and after every device reset.
class IDeviceEventListener {
public:
    virtual void OnDeviceLost() = 0;
    virtual void OnDeviceReset() = 0;

protected:
    ~IDeviceEventListener() = default;
};

}
