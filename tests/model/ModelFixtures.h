#pragma once

// Writing fixture models to disk and packing them, for the model's tests.

#include "TempDir.h"
#include "TestDevice.h"
#include "XFileWriter.h"
#include "archive/MessageBox.h"
#include "archive/PlugInMaker.h"
#include "modeller/model/IPartsList.h"
#include "modeller/model/Model.h"

#include <doctest/doctest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

inline void writeTextFile(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// Writes folder\name\name.x and packs it; gives the archive's path, or empty.
// The maker's message boxes are answered silently.
inline std::string packModel(const TempDir& dir, const std::string& name, const std::string& xText)
{
    setMessageFunction([](const char*, const char*) {});
    const std::string folder = dir.file(name);
    CreateDirectoryA(folder.c_str(), nullptr);
    writeTextFile(folder + "\\" + name + ".x", xText);
    return makePlugIn(folder.c_str()) ? dir.file(name + ".pin") : std::string();
}

// Everything the model asks of the parts list, in order.
class RecordingPartsList : public IPartsList {
public:
    struct Row {
        std::string name;
        int data;
        int check;
    };

    void clear() override
    {
        rows.clear();
        ++clears;
    }
    void addParts(int partIndex, const std::string& name) override { rows.push_back(Row{name, partIndex, -1}); }
    void setPartsCheck(int partIndex, int checked, int redraw) override
    {
        if (partIndex >= 0 && unsigned(partIndex) < rows.size())
            rows[partIndex].check = checked;
        lastRedraw = redraw;
    }
    void selectItem(int row) override { selected.push_back(row); }

    std::vector<Row> rows;
    std::vector<int> selected;
    int clears = 0;
    int lastRedraw = -1;
};

// A strip folded twice: panels at z = 2 and z = 5 face -z, the slanted middle
// panel faces away. One connected part of six faces; faces 1, 2 and 5 lie
// under the point (0.8, 0.3).
inline xfile::Mesh zFold()
{
    xfile::Mesh mesh;
    mesh.name = "Fold";
    const float x[] = {0.0f, 1.0f, 0.0f, 1.0f};
    const float z[] = {2.0f, 2.0f, 5.0f, 5.0f};
    for (int u = 0; u < 4; ++u)
        for (int v = 0; v < 2; ++v)
            mesh.positions.push_back({x[u], float(v), z[u]});
    for (unsigned u = 0; u < 3; ++u) {
        const unsigned a = u * 2, b = u * 2 + 1, c = u * 2 + 3, d = u * 2 + 2;
        mesh.faces.push_back({a, b, c});
        mesh.faces.push_back({a, c, d});
    }
    return mesh;
}

// A model on the test device with a recording parts list, destroyed at the end.
struct OpenModel {
    Model model;
    RecordingPartsList list;
    OpenModel()
    {
        REQUIRE(model.create(TestDevice::get()) == 1);
        model.setPartsList(&list);
    }
    ~OpenModel() { model.destroy(); }
};
