#pragma once

// A controller started on the test device, with a recording frame, parts list
// and person, for the controller's tests.

#include "ModelFixtures.h"
#include "StandInFrame.h"
#include "TempDir.h"
#include "TestDevice.h"
#include "XFileWriter.h"
#include "archive/MessageBox.h"
#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/Modering.h"
#include "modeller/app/StatusBar.h"

#include <d3dx9.h>
#include <doctest/doctest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace fixture {

// The frame window with the status bar, and a shown view window whose update
// region tells whether the controller asked for a frame.
struct Windows {
    HWND frame = nullptr;
    HWND view = nullptr;

    static Windows& get()
    {
        static Windows windows;
        return windows;
    }

private:
    Windows()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TBM_TEST_FRAME";
        RegisterClassA(&windowClass);
        frame = CreateWindowA("TBM_TEST_FRAME", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
        view = CreateWindowA("TBM_TEST_FRAME", "view", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
        tbm::StatusBar::getInstance().create(frame, 100);
    }
};

inline std::string statusText()
{
    char text[256] = {};
    SendMessageA(tbm::StatusBar::getInstance().getHandle(), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// Whether a redraw was asked for since the last call.
inline bool takeRedraw()
{
    HWND view = Windows::get().view;
    const bool invalid = GetUpdateRect(view, nullptr, FALSE) != FALSE;
    ValidateRect(view, nullptr);
    return invalid;
}

// Removes the WM_CLOSE messages posted to the frame; how many there were.
inline int takeCloseMessages()
{
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, Windows::get().frame, WM_CLOSE, WM_CLOSE, PM_REMOVE))
        ++count;
    return count;
}

class RecordingFrame : public StandInFrame {
public:
    RecordingFrame()
    {
        window = Windows::get().frame;
        view = Windows::get().view;
    }
    void setTitle(const std::string& name) override { title = name + " - とぶれモデラー"; }
    void resetTitle() override { title = "とぶれモデラー"; }

    std::string title = "とぶれモデラー";
};

// The list as the panels hand it on: the selection of a row makes its part
// current, turning about it.
class SelectingPartsList : public RecordingPartsList {
public:
    explicit SelectingPartsList(tbm::Modering& controller) : controller_(controller) {}
    void selectItem(int row) override
    {
        RecordingPartsList::selectItem(row);
        controller_.setCurrentParts(row, 1);
    }

private:
    tbm::Modering& controller_;
};

// The person: scripted dialog answers (an empty path is a cancel), the
// message boxes seen, and the sounds played and stopped.
struct Person {
    struct Message {
        std::string text;
        UINT type;
    };
    std::deque<std::string> plugInAnswers, openAnswers, saveAsAnswers;
    int messageAnswer = IDNO;
    std::vector<Message> messages;
    int dialogs = 0;
    int soundsPlayed = 0;
    int soundsStopped = 0;

    static Person& get()
    {
        static Person person;
        return person;
    }
    static void reset() { get() = Person(); }

    static BOOL answer(std::deque<std::string>& answers, std::string& path)
    {
        ++get().dialogs;
        if (answers.empty() || answers.front().empty()) {
            if (!answers.empty())
                answers.pop_front();
            return FALSE;
        }
        path = answers.front();
        answers.pop_front();
        return TRUE;
    }

    static tbm::UserInterface userInterface()
    {
        return tbm::UserInterface{
            [](HWND, std::string& path) { return answer(get().plugInAnswers, path); },
            [](HWND, std::string& path) { return answer(get().openAnswers, path); },
            [](HWND, std::string& path) { return answer(get().saveAsAnswers, path); },
            [](HWND, const char* text, UINT type) {
                get().messages.push_back(Message{text, type});
                return get().messageAnswer;
            },
            [](HINSTANCE) { ++get().soundsPlayed; },
            [](HINSTANCE) { ++get().soundsStopped; },
        };
    }
};

inline void ignoreMessage(const char*, const char*) {}

// Two squares side by side, each two faces facing -z: two parts.
inline std::string twoSquaresText()
{
    xfile::Mesh mesh = xfile::quad("Squares", -2.0f, -0.5f);
    const xfile::Mesh right = xfile::quad("R", 1.0f, -0.5f);
    for (const xfile::Vec3& p : right.positions)
        mesh.positions.push_back(p);
    for (const xfile::Vec3& n : right.normals)
        mesh.normals.push_back(n);
    for (const xfile::Vec2& uv : right.uvs)
        mesh.uvs.push_back(uv);
    mesh.faces.push_back({4, 5, 6});
    mesh.faces.push_back({4, 6, 7});
    mesh.faceMaterials = {0, 0, 0, 0};
    return xfile::writeText({xfile::Node::meshNode(mesh)});
}

// A controller started on the test device with the recording frame, list and person.
struct Controller {
    tbm::Modering controller;
    RecordingFrame frame;
    SelectingPartsList list{controller};
    TempDir dir;

    Controller()
    {
        REQUIRE(TestDevice::get() != nullptr);
        setMessageFunction(ignoreMessage);
        Person::reset();
        setKeys(false, false, false);
        controller.setFrame(&frame);
        controller.setPartsList(&list);
        controller.setUserInterface(Person::userInterface());
        controller.start(TestDevice::get());
        takeRedraw();
    }
    ~Controller()
    {
        controller.end();
        setKeys(false, false, false);
        tbm::D3DDeviceManager::getInstance().setListener(nullptr);
    }

    // Writes the two squares as a plug-in in the temporary folder; its path.
    std::string plugIn(const std::string& name = "squares") { return packModel(dir, name, twoSquaresText()); }

    int open(const std::string& path)
    {
        const int opened = controller.loadFile(frame.getWindow(), path);
        takeRedraw();
        return opened;
    }

    static void setKeys(bool left, bool right, bool shift)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = left ? 0x80 : 0;
        keys[VK_RBUTTON] = right ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    int solidFaces()
    {
        int solid = -1;
        controller.getModel().getSolidFaceCount(solid);
        return solid;
    }

    // The pixel at which a point of the mesh is seen through the device's transforms.
    POINT pixelOf(const D3DXVECTOR3& point)
    {
        IDirect3DDevice9* device = TestDevice::get();
        D3DVIEWPORT9 viewport;
        D3DXMATRIX projection, view, world;
        device->GetViewport(&viewport);
        device->GetTransform(D3DTS_PROJECTION, &projection);
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_WORLD, &world);
        D3DXVECTOR3 seen;
        D3DXVec3Project(&seen, &point, &viewport, &projection, &view, &world);
        return POINT{LONG(seen.x + 0.5f), LONG(seen.y + 0.5f)};
    }

    // The centres of the two faces of the current part's square, in mesh coordinates.
    std::vector<D3DXVECTOR3> currentFaceCentres()
    {
        Model& model = controller.getModel();
        const float left = model.getParts(model.getCurrentParts()).getCenter().x < 0.0f ? -2.0f : 1.0f;
        return {D3DXVECTOR3(left + 1.0f / 3, 1.0f / 6, 0.0f), D3DXVECTOR3(left + 2.0f / 3, -1.0f / 6, 0.0f)};
    }

    void click(const D3DXVECTOR3& point)
    {
        controller.OnPaint();
        const POINT pixel = pixelOf(point);
        controller.OnMouseDown(1, pixel.x, pixel.y, MK_LBUTTON);
        controller.OnMouseUp(1, pixel.x, pixel.y, 0);
    }
};

}
