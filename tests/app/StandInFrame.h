#pragma once

#include "modeller/app/IFrameWindow.h"

#include <windows.h>

#include <climits>
#include <string>

// The main window as a test gives it to the split bar, the view and the controller:
// fixed windows and split limits, titles dropped and device resets counted.
struct StandInFrame : tbm::IFrameWindow {
    HWND getWindow() const override { return window; }
    HWND getViewWindow() const override { return view; }
    void setTitle(const std::string&) override {}
    void resetTitle() override {}
    int getSplitMin() const override { return splitMin; }
    int getSplitMax() const override { return splitMax; }
    void resetDevice() override { ++resets; }

    HWND window = nullptr;
    HWND view = nullptr;
    int splitMin = INT_MIN;
    int splitMax = INT_MAX;
    int resets = 0;
};
