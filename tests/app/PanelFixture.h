#pragma once

// The editor's two panels in a test frame with the modelling menu, the real
// controller started on the test device, and a model of separate quads opened
// through the panel's "新規" command with the file dialog answered here.

#include "modeller/app/IWindowEventListener.h"
#include "modeller/app/Modering.h"
#include "modeller/app/ModeringPanel.h"
#include "modeller/app/PartsListPanel.h"
#include "modeller/app/UserInterface.h"
#include "modeller/app/resource.h"

#include "TempDir.h"
#include "TestDevice.h"
#include "XFileWriter.h"

#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace panels {

// Commands the frame received, as the main window would see them.
inline std::vector<int>& frameCommands()
{
    static std::vector<int> commands;
    return commands;
}

inline LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        frameCommands().push_back(LOWORD(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

inline void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Counts the view's paints: each redraw request ends in one.
struct PaintCounter : tbm::IWindowEventListener {
    void OnPaint() override { ++paints; }
    int paints = 0;
};

// Answers of the controller's person-facing side.
struct Answers {
    static std::string& plugInPath()
    {
        static std::string path;
        return path;
    }
    static std::vector<std::string>& messages()
    {
        static std::vector<std::string> shown;
        return shown;
    }
    static BOOL openPlugIn(HWND, std::string& path)
    {
        path = plugInPath();
        return !path.empty();
    }
    static BOOL refuse(HWND, std::string&) { return FALSE; }
    static int show(HWND, const char* text, UINT)
    {
        messages().push_back(text);
        return IDOK;
    }
    static void silent(HINSTANCE) {}
};

// n unit squares side by side, each two triangles: n parts.
inline std::string quadsFile(unsigned n)
{
    xfile::Mesh mesh;
    mesh.name = "quads";
    for (unsigned i = 0; i < n; ++i) {
        const xfile::Mesh square = xfile::quad("", 2.0f * i, 0.0f);
        const unsigned base = unsigned(mesh.positions.size());
        for (size_t k = 0; k < square.positions.size(); ++k) {
            mesh.positions.push_back(square.positions[k]);
            mesh.normals.push_back(square.normals[k]);
            mesh.uvs.push_back(square.uvs[k]);
        }
        for (const auto& face : square.faces)
            mesh.faces.push_back({base + face[0], base + face[1], base + face[2]});
        mesh.faceMaterials.push_back(0);
        mesh.faceMaterials.push_back(0);
    }
    mesh.materials.resize(1);
    return xfile::writeText({xfile::Node::meshNode(mesh)});
}

// Built once per test program: the child-window classes register once per process.
class Editor {
public:
    static constexpr unsigned kParts = 3;

    static Editor& get()
    {
        static Editor editor;
        return editor;
    }

    HWND frame() const { return frame_; }
    tbm::ModeringPanel& modering() { return tbm::ModeringPanel::getInstance(); }
    tbm::PartsListPanel& partsList() { return tbm::PartsListPanel::getInstance(); }
    tbm::Modering& controller() { return *tbm::Modering::getInstance(); }
    Model& model() { return controller().getModel(); }
    HWND list() const { return GetDlgItem(tbm::PartsListPanel::getInstance().getHandle(), 103); }
    HWND view() { return modering().getD3DWindow().getHandle(); }
    const std::string& modelPath() const { return modelPath_; }

    // Opens the quads through command 1000 as the person would.
    void open()
    {
        Answers::plugInPath() = modelPath_;
        REQUIRE(modering().onCommand(frame_, IDM_NEW) == 1);
        REQUIRE(model().isLoaded());
        pump();
    }

    // Rows as the list shows them.
    int rowCount() const { return int(SendMessageA(list(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string rowText(int row) const
    {
        char text[256] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int rowChecked(int row) const
    {
        const UINT state = UINT(SendMessageA(list(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        return (state >> 12) == 2 ? 1 : 0;
    }
    int focusedRow() const { return int(SendMessageA(list(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }

    // Whether the view was asked to redraw since the last forgetRedraws.
    bool redrawn()
    {
        pump();
        return paints_.paints > 0;
    }
    void forgetRedraws()
    {
        pump();
        paints_.paints = 0;
    }

    bool menuChecked(int command) const
    {
        return (GetMenuState(GetMenu(frame_), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool buttonChecked(int command)
    {
        return SendMessageA(GetDlgItem(modering().getHandle(), 107), TB_ISBUTTONCHECKED, command, 0) != 0;
    }

private:
    Editor()
    {
        InitCommonControls();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &frameProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = "PanelTestFrame";
        RegisterClassA(&windowClass);

        HMENU modelling = CreatePopupMenu();
        AppendMenuA(modelling, MF_STRING, IDM_DELETE_FACE, "面を削除(&D)");
        AppendMenuA(modelling, MF_STRING, IDM_ROTATE_ABOUT_PARTS, "モデルの中心で回転(&P)");
        AppendMenuA(modelling, MF_STRING, IDM_RESET_VIEW, "位置大きさの調整(&I)");
        AppendMenuA(modelling, MF_STRING, IDM_BROWSE_MODE, "閲覧モード(&V)");
        HMENU bar = CreateMenu();
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(modelling), "モデリング(&M)");

        frame_ = CreateWindowExA(0, "PanelTestFrame", "panels", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                                 0, 640, 480, nullptr, bar, GetModuleHandleA(nullptr), nullptr);
        REQUIRE(frame_ != nullptr);
        REQUIRE(partsList().create("PARTSLIST_CLASS", frame_, 102));
        REQUIRE(modering().create("MODERING_CLASS", frame_, 105));
        partsList().setRect({0, 0, 200, 400});
        modering().setRect({204, 0, 600, 400});
        modering().setWindowEventListener(&paints_);

        tbm::UserInterface answers = {&Answers::openPlugIn, &Answers::refuse, &Answers::refuse,
                                      &Answers::show,       &Answers::silent, &Answers::silent};
        controller().setUserInterface(answers);
        controller().setPartsList(&partsList());
        REQUIRE(controller().start(TestDevice::get()) == 1);

        modelPath_ = folder_.file("quads.x");
        FILE* file = std::fopen(modelPath_.c_str(), "wb");
        REQUIRE(file != nullptr);
        const std::string text = quadsFile(kParts);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        pump();
    }
    ~Editor()
    {
        controller().end();
        DestroyWindow(frame_);
    }

    TempDir folder_;
    std::string modelPath_;
    HWND frame_ = nullptr;
    PaintCounter paints_;
};

}
