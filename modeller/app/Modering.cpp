#include "modeller/app/Modering.h"

#include "modeller/app/D3DDeviceManager.h"
#include "modeller/app/FrameDump.h"
#include "modeller/app/IFrameWindow.h"
#include "modeller/app/StatusBar.h"
#include "modeller/app/resource.h"

#include "gfl/Logger.h"
#include "gfl/Path.h"

#include <shlwapi.h>

#include <cmath>

namespace tbm {

namespace {

constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;
constexpr D3DCOLOR kBackground = 0xFF1E3C5A;
constexpr D3DCOLOR kTextColour = 0xFFFFFFFF;
constexpr int kFontHeight = 20;
constexpr float kWheelStep = 0.005f;
constexpr float kShiftWheelStep = 0.015f;

enum Button { kLeft = 1, kRight = 2 };
enum DragMode { kNoDrag = 0, kRotate = 1, kMove = 2 };

const char kCompleteText[] = "★★★ 完成！！★★★";
const char kWorkFileExtension[] = ".tbs";

// The unprojection of a click and the pan of a two-button move need a projection
// that is neither flat nor turned inside out.
bool isProperFieldOfView(float fieldOfView)
{
    return fieldOfView > 0.0f && fieldOfView < D3DX_PI;
}

D3DXMATRIX zeroMatrix()
{
    D3DXMATRIX matrix;
    static_cast<D3DMATRIX&>(matrix) = D3DMATRIX{};
    return matrix;
}

}

bool isKeyDown(int virtualKey)
{
    return GetKeyState(virtualKey) < 0;
}

int formatProgress(char (&text)[Modering::kProgressTextSize], int modelSolid, int modelFaces, int partSolid,
                   int partFaces)
{
    return wnsprintfA(text, Modering::kProgressTextSize, "Total %d / %d : Part %d / %d", modelSolid, modelFaces,
                      partSolid, partFaces);
}

Modering* Modering::getInstance()
{
    static Modering controller;
    return &controller;
}

Modering::Modering()
    : projection_(zeroMatrix()), view_(zeroMatrix()), world_(zeroMatrix()), userInterface_(systemUserInterface())
{
}

int Modering::start()
{
    return start(D3DDeviceManager::getInstance().getDevice());
}

int Modering::start(IDirect3DDevice9* device)
{
    D3DDeviceManager::getInstance().setListener(this);
    device_ = device;
    const bool started = device && light_.create(device) && model_.create(device)
                         && SUCCEEDED(font_.create(device, kFontHeight, 0, "ＭＳ ゴシック"));
    if (!started) {
        close();
        return 0;
    }
    resetState();
    redraw();
    return 1;
}

void Modering::end()
{
    light_.release();
    model_.destroy();
    font_.release();
}

BOOL Modering::onCommand(HWND owner, UINT id)
{
    switch (id) {
    case IDM_DELETE_FACE_OFF: pickMode_ = 1; break;
    case IDM_DELETE_FACE: pickMode_ = 0; break;
    case IDM_ROTATE_ABOUT_PARTS:
        model_.resetView(1);
        redraw();
        break;
    case IDM_ROTATE_ABOUT_MODEL:
        model_.resetView(0);
        redraw();
        break;
    case IDM_RESET_VIEW:
        resetView();
        model_.getLocalWorld().reset();
        fitFieldOfView();
        redraw();
        break;
    case IDM_BROWSE_MODE:
        pickingEnabled_ = 0;
        redraw();
        break;
    case IDM_BROWSE_MODE_OFF:
        pickingEnabled_ = 1;
        redraw();
        break;
    case IDM_NEW: newFile(owner); break;
    case IDM_OPEN: openFile(owner); break;
    case IDM_SAVE: saveFile(owner, 0); break;
    case IDM_SAVE_AS: saveFile(owner, 1); break;
    default: return FALSE;
    }
    return TRUE;
}

void Modering::setCurrentParts(int partIndex, int focus)
{
    model_.setCurrentParts(unsigned(partIndex), focus);
}

void Modering::setPartsName(int partIndex, const char* name)
{
    model_.setPartsName(unsigned(partIndex), name);
}

void Modering::setPartsVisible(int partIndex, int visible)
{
    model_.setPartsVisible(unsigned(partIndex), visible);
}

void Modering::OnDeviceLost()
{
    font_.onLostDevice();
}

void Modering::OnDeviceReset()
{
    setRenderState();
    light_.reset();
    font_.onResetDevice();
    redraw();
}

void Modering::OnMouseDown(int button, int x, int y, WPARAM)
{
    if (button == kLeft) {
        if (isKeyDown(VK_RBUTTON)) {
            dragMode_ = kMove;
            model_.beginMove(x, y);
            return;
        }
        dragMode_ = kNoDrag;
        if (complete_ || !pickingEnabled_ || !isProperFieldOfView(fieldOfView_))
            return;
        if (model_.pick(x, y, pickMode_)) {
            if (checkComplete() == 1)
                playCompleteSound();
            redraw();
        }
    } else if (button == kRight) {
        if (isKeyDown(VK_LBUTTON)) {
            dragMode_ = kMove;
            model_.beginMove(x, y);
        } else {
            dragMode_ = kRotate;
            model_.beginRotate(x, y);
        }
    }
}

void Modering::OnMouseUp(int button, int x, int y, WPARAM)
{
    if (button == kLeft) {
        if (isKeyDown(VK_RBUTTON)) {
            dragMode_ = kRotate;
            model_.beginRotate(x, y);
        } else {
            dragMode_ = kNoDrag;
        }
    } else if (button == kRight) {
        dragMode_ = kNoDrag;
    }
}

void Modering::OnMouseMove(int x, int y, WPARAM)
{
    if (dragMode_ == kRotate) {
        model_.rotate(x, y);
        redraw();
    } else if (dragMode_ == kMove && isProperFieldOfView(fieldOfView_)) {
        model_.move(x, y, viewport_, fieldOfView_);
        redraw();
    }
}

void Modering::OnMouseWheel(int delta, int, int)
{
    const float step = isKeyDown(VK_SHIFT) ? kShiftWheelStep : kWheelStep;
    float s = std::sin(fieldOfView_ * 0.5f);
    if (delta < 0) {
        s += step;
        if (s > 1.0f)
            s = 1.0f;
    } else {
        s -= step;
        if (s < 0.0f)
            s = 0.0f;
    }
    fieldOfView_ = 2.0f * std::asin(s);
    setProjection();
    redraw();
}

void Modering::OnPaint()
{
    // A lost device fails the Clear as well as the Present.
    if (FAILED(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0))) {
        D3DDeviceManager::getInstance().checkDeviceLost();
        return;
    }
    if (SUCCEEDED(device_->BeginScene())) {
        model_.draw(pickingEnabled_);
        drawStatus();
        device_->EndScene();
    }
    // Read before Present: a discarded swap leaves the back buffer undefined after it.
    dumpFrame(device_);
    if (FAILED(device_->Present(nullptr, nullptr, nullptr, nullptr)))
        D3DDeviceManager::getInstance().checkDeviceLost();
}

void Modering::OnKeyUp(WPARAM) {}

void Modering::OnKeyDown(WPARAM) {}

void Modering::drawStatus()
{
    int solid = 0;
    if (!model_.getSolidFaceCount(solid))
        return;
    const int faces = int(model_.getFaceCount());
    int partSolid = 0;
    int partFaces = 0;
    if (model_.getCurrentPartsFaceCounts(partSolid, partFaces)) {
        char text[kProgressTextSize];
        formatProgress(text, solid, faces, partSolid, partFaces);
        font_.drawText(4, 4, text, kTextColour);
    }
    if (solid == faces)
        StatusBar::getInstance().setText(kCompleteText);
}

int Modering::isComplete() const
{
    int solid = 0;
    return model_.getSolidFaceCount(solid) && solid == int(model_.getFaceCount()) ? 1 : 0;
}

int Modering::checkComplete()
{
    complete_ = isComplete();
    return complete_;
}

void Modering::resetState()
{
    resetView();
    dragMode_ = kNoDrag;
    workFileName_.clear();
    complete_ = 0;
    StatusBar::getInstance().setText("");
}

void Modering::resetView()
{
    fieldOfView_ = kDefaultFieldOfView;
    nearPlane_ = kNearPlane;
    farPlane_ = kFarPlane;
    D3DXMatrixIdentity(&projection_);
    D3DXMatrixIdentity(&view_);
    D3DXMatrixIdentity(&world_);
    setRenderState();
}

void Modering::setRenderState()
{
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    setProjection();
    device_->SetTransform(D3DTS_VIEW, &view_);
    device_->SetTransform(D3DTS_WORLD, &world_);
}

BOOL Modering::setProjection()
{
    if (FAILED(device_->GetViewport(&viewport_))) {
        Logger::getInstance().print(1, "デバイスリセット用ビューポートの取得に失敗しました。");
        return FALSE;
    }
    const float aspect = float(viewport_.Width) / float(viewport_.Height);
    D3DXMatrixPerspectiveFovLH(&projection_, fieldOfView_, aspect, nearPlane_, farPlane_);
    device_->SetTransform(D3DTS_PROJECTION, &projection_);
    return TRUE;
}

void Modering::fitFieldOfView()
{
    float distance = 0.0f;
    float radius = 0.0f;
    if (!model_.getDistanceAndRadius(distance, radius))
        return;
    // A sphere that reaches the eye fills the whole half turn.
    float ratio = radius / distance;
    if (!(ratio < 1.0f))
        ratio = 1.0f;
    fieldOfView_ = 2.0f * std::asin(ratio);
    setProjection();
}

void Modering::redraw()
{
    if (frame_)
        InvalidateRect(frame_->getViewWindow(), nullptr, TRUE);
}

void Modering::close()
{
    if (HWND window = mainWindow())
        PostMessageA(window, WM_CLOSE, 0, 0);
}

HWND Modering::mainWindow() const
{
    return frame_ ? frame_->getWindow() : nullptr;
}

HINSTANCE Modering::instance() const
{
    HWND window = mainWindow();
    return window ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) : GetModuleHandleA(nullptr);
}

int Modering::showMessage(HWND owner, const char* text, UINT type)
{
    return userInterface_.showMessage(owner, text, type);
}

void Modering::playCompleteSound()
{
    userInterface_.playCompleteSound(instance());
}

void Modering::stopSound()
{
    userInterface_.stopSound(instance());
}

BOOL Modering::newFile(HWND owner)
{
    std::string path;
    if (!userInterface_.openPlugInFile(owner, path))
        return FALSE;
    return loadFile(owner, path);
}

BOOL Modering::openFile(HWND owner)
{
    std::string path;
    if (!userInterface_.openSaveFile(owner, path))
        return FALSE;
    return loadFile(owner, path);
}

BOOL Modering::loadFile(HWND owner, const std::string& path)
{
    stopSound();
    const gfl::Path file(path);
    if (!file.exists()) {
        showMessage(owner, "エラー！ファイルが存在しません。");
        return FALSE;
    }
    if (!model_.open(path, kDefaultFieldOfView)) {
        workFileName_.clear();
        if (frame_)
            frame_->resetTitle();
        showMessage(owner, "エラー！読み込みに失敗しました。");
        return FALSE;
    }
    resetState();
    std::string extension;
    file.getExtension(extension);
    if (extension == kWorkFileExtension) {
        workFileName_ = path;
        if (frame_)
            frame_->setTitle(workFileName_);
    } else if (frame_) {
        frame_->setTitle("新規");
    }
    checkComplete();
    redraw();
    return TRUE;
}

BOOL Modering::saveFile(HWND owner, int saveAs)
{
    if (!model_.isLoaded()) {
        showMessage(owner, "エラー！ファイルが開かれていません。");
        return FALSE;
    }
    const std::string previous = workFileName_;
    const bool dialogShown = workFileName_.empty() || saveAs;
    if (dialogShown && !userInterface_.saveAsFile(owner, workFileName_)) {
        workFileName_ = previous;
        return FALSE;
    }
    gfl::Path fullName(workFileName_);
    if (FAILED(fullName.renameExtension(kWorkFileExtension))) {
        workFileName_ = previous;
        showMessage(owner, "エラー！セーブに失敗しました。");
        return FALSE;
    }
    if (dialogShown && fullName.exists()) {
        const std::string question =
            std::string(fullName.c_str()) + "\nこのファイルは既に存在します。\n\n上書きしますか？";
        if (showMessage(owner, question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            workFileName_ = previous;
            return FALSE;
        }
    }
    workFileName_ = fullName.c_str();
    if (!model_.save(workFileName_)) {
        // The model leaves the previous file as it was; the work keeps its name and title.
        workFileName_ = previous;
        showMessage(owner, "エラー！セーブに失敗しました。");
        return FALSE;
    }
    if (frame_)
        frame_->setTitle(workFileName_);
    Logger::getInstance().print(3, "セーブしました。%s", workFileName_.c_str());
    return TRUE;
}

}
