#pragma once

#include "modeller/app/Font.h"
#include "modeller/app/IDeviceEventListener.h"
#include "modeller/app/IKeyEventListener.h"
#include "modeller/app/IWindowEventListener.h"
#include "modeller/app/Light.h"
#include "modeller/app/UserInterface.h"
#include "modeller/model/Model.h"

#include <d3dx9.h>

#include <string>

class IPartsList;

namespace tbm {

class IFrameWindow;

// The editor's controller: owns the model, the light and the font, turns the
// view's mouse events into face toggles and camera moves, draws each frame
// and carries the file commands.
class Modering : public IDeviceEventListener, public IWindowEventListener, public IKeyEventListener {
public:
    static constexpr int kProgressTextSize = 64;

    static Modering* getInstance();

    Modering();
    Modering(const Modering&) = delete;
    Modering& operator=(const Modering&) = delete;

    // The frame, the parts list and the person's side are given before start.
    void setFrame(IFrameWindow* frame) { frame_ = frame; }
    void setPartsList(IPartsList* list) { model_.setPartsList(list); }
    void setUserInterface(const UserInterface& userInterface) { userInterface_ = userInterface; }

    // Starts on the device manager's device, or on the one given; 1 / 0.
    int start();
    int start(IDirect3DDevice9* device);
    void end();

    BOOL onCommand(HWND owner, UINT id);
    void setCurrentParts(int partIndex, int focus);
    void setPartsName(int partIndex, const char* name);
    void setPartsVisible(int partIndex, int visible);

    void OnDeviceLost() override;
    void OnDeviceReset() override;
    void OnMouseUp(int button, int x, int y, WPARAM keys) override;
    void OnMouseDown(int button, int x, int y, WPARAM keys) override;
    void OnMouseMove(int x, int y, WPARAM keys) override;
    void OnMouseWheel(int delta, int x, int y) override;
    void OnPaint() override;
    void OnKeyUp(WPARAM virtualKey) override;
    void OnKeyDown(WPARAM virtualKey) override;

    // File commands.
    BOOL newFile(HWND owner);
    BOOL openFile(HWND owner);
    BOOL loadFile(HWND owner, const std::string& path);
    BOOL saveFile(HWND owner, int saveAs);

    int checkComplete();
    int isComplete() const;
    void resetState();
    void resetView();
    void setRenderState();
    BOOL setProjection();
    void fitFieldOfView();
    void drawStatus();
    void redraw();
    void close();

    Model& getModel() { return model_; }
    const std::string& getWorkFileName() const { return workFileName_; }
    const D3DXMATRIX& getProjection() const { return projection_; }
    float getFieldOfView() const { return fieldOfView_; }
    int getDragMode() const { return dragMode_; }
    int getPickMode() const { return pickMode_; }
    int isPickingEnabled() const { return pickingEnabled_; }
    int getCompleteFlag() const { return complete_; }

private:
    HWND mainWindow() const;
    HINSTANCE instance() const;
    int showMessage(HWND owner, const char* text, UINT type = MB_OK);
    void playCompleteSound();
    void stopSound();

    std::string workFileName_;
    Model model_;
    Light light_;
    Font font_;
    D3DVIEWPORT9 viewport_ = {};
    D3DXMATRIX projection_;
    D3DXMATRIX view_;
    D3DXMATRIX world_;
    float fieldOfView_ = 0.0f;
    float nearPlane_ = 0.0f;
    float farPlane_ = 0.0f;
    int dragMode_ = 0;
    int pickMode_ = 1;
    int pickingEnabled_ = 1;
    int complete_ = 0;
    IDirect3DDevice9* device_ = nullptr;
    IFrameWindow* frame_ = nullptr;
    UserInterface userInterface_;
};

// GetKeyState of the key is negative.
bool isKeyDown(int virtualKey);

// "Total %d / %d : Part %d / %d", cut to the buffer; the length written.
int formatProgress(char (&text)[Modering::kProgressTextSize], int modelSolid, int modelFaces, int partSolid,
                   int partFaces);

}
