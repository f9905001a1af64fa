#pragma once

// The start of a benchmark that draws: message boxes silenced, the test device,
// and a scratch folder under the temporary folder.

#include "TestDevice.h"
#include "archive/MessageBox.h"

#include <windows.h>

#include <cstdio>
#include <string>

// The device, or null (said on the console) when none can be made.
inline IDirect3DDevice9* startDrawingBench()
{
    setMessageFunction([](const char*, const char*) {});
    IDirect3DDevice9* device = TestDevice::get();
    if (!device)
        std::printf("no Direct3D device\n");
    return device;
}

// The folder name under the temporary folder, made if it is not there.
inline std::string benchFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
