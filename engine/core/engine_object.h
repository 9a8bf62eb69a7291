// The Engine class: the members of its interface over the parts it owns
// (engine_parts.h, the bitmap font). The members live in the files of their
// rooms: core (start-up, shutdown, cursor, version), input, sound and graphics
// (textures, frame control, the bitmap font, system fonts). Each follows the
// error rule of platform/error_rules.h that it is given.
#pragma once
#include <string_view>

#include "core/engine_parts.h"
#include "graphics/bitmap_font.h"
#include "platform/error_rules.h"

namespace korva2d {

class EngineObject final : public vr::com::DispatchObject<_Engine>, public _Engine2, public _EngineErrors {
public:
    EngineObject();

    // IUnknown of every interface: one object, one reference count.
    HRESULT QueryInterface(const vr::com::GUID& iid, void** object) override;
    uint32_t AddRef() override { return DispatchObject::AddRef(); }
    uint32_t Release() override { return DispatchObject::Release(); }
    // ---- _EngineErrors ----
    HRESULT put_ErrorsToStandardError(VBool value) override;
    HRESULT get_ErrorsToStandardError(VBool* result) override;

    HRESULT Korva2D_Start(int32_t& hWnd, Text& pAppPath, float& oResWidth, float& oResHeight, VBool& oFullScreen,
                          int16_t& UseDevice_Number, VBool* result) override;
    HRESULT Korva2D_Start_OnlySound(int32_t& hWnd, Text& pAppPath, VBool* result) override;
    HRESULT GetKeyState(int32_t& Key, VBool* result) override;
    HRESULT GetMouseState(int32_t& ret_X, int32_t& ret_Y, VBool& ret_B1, VBool& ret_B2, VBool& ret_B3,
                          int32_t& ret_Wheel, VBool* result) override;
    HRESULT SetMousePos(int32_t& posX, int32_t& posY) override;
    HRESULT CreateSound(Text& sndName, Text& pFilename) override;
    HRESULT SoundPlay(Text& sndName, VBool& sndLoop, int32_t& sndVolume, int32_t& sndPan,
                      int32_t& sndFrequency) override;
    HRESULT SoundStop(Text& sndName, VBool& sndPause) override;
    HRESULT CreateTexture(Text& KeyName, Text& FileName, int32_t& transpColor) override;
    HRESULT CreateTextureEx(TextureObject& DXTexture, Text& FileName, int32_t& transpColor) override;
    HRESULT Draw(Text& KeyName, float& X, float& Y, float& Width, float& Height, float& RotationAng,
                 int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth, float& scaleHeight) override;
    HRESULT DrawText(Text& TextureKeyName, Text& varText, float& X, float& Y, float& ScaleSize, float& RotationAng,
                     int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) override;
    HRESULT DrawEx(TextureObject& DXTexture, float& X, float& Y, float& Width, float& Height, float& RotationAng,
                   int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth, float& scaleHeight) override;
    HRESULT DrawTextEx(TextureObject& DXTexture, Text& varText, float& X, float& Y, float& ScaleSize,
                       float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) override;
    HRESULT ClearScreen(int16_t& vRed, int16_t& vGreen, int16_t& vBlue) override;
    HRESULT AmbientColor(Variant& cRed, Variant& cGreen, Variant& cBlue) override;
    HRESULT SaveScreenshot() override;
    HRESULT RenderAll() override;
    HRESULT CreateFont(Text& KeyName, Text& FontName, int16_t& FontSize, VBool& Boldovane, VBool& Italic) override;
    HRESULT DrawFont(Text& KeyName, int16_t& X, int16_t& Y, int16_t& rectWidth, int16_t& rectHeight, Text& fntText,
                     int32_t& fntColor, int32_t& txtPosition) override;
    HRESULT ShowCursorWin(VBool& cShow) override;
    HRESULT get_Version(Variant* result) override;
    HRESULT Korva2D_Unload() override;

    // ---- _Engine2 ----
    HRESULT KeyPressed(int32_t Key, VBool* result) override;
    HRESULT KeyReleased(int32_t Key, VBool* result) override;
    HRESULT TextureSize(const Text& KeyName, int32_t* ret_Width, int32_t* ret_Height) override;
    HRESULT FreeTexture(const Text& KeyName, VBool* result) override;
    HRESULT FreeSound(const Text& KeyName, VBool* result) override;
    HRESULT FreeFont(const Text& KeyName, VBool* result) override;
    HRESULT get_FrameTime(double* result) override;

    // ---- the parts, for reading (tests) ----
    const DeviceObjects& Devices() const { return dx_; }
    const DisplaySettings& Display() const { return display_; }
    const InputSnapshot& Input() const { return input_; }
    const TextureStore& Textures() const { return textures_; }
    const FontStore& Fonts() const { return fonts_; }
    const BitmapFont& Letters() const { return letters_; }
    const FrameClock& Frames() const { return frames_; }

private:
    void CenterWindow(int16_t width, int16_t height, VBool fullScreen);
    // The DirectX root, the Direct3D object and D3DX, each a step of phase one.
    void CreateRootObjects(vr::Steps& phaseOne);
    // The end of both starts: the install box when phase one failed, then phase
    // two, whose first failure is logged as `operation`, and the start's result.
    template <class PhaseTwo>
    void FinishStart(const vr::Steps& phaseOne, std::string_view operation, VBool* result, PhaseTwo&& phaseTwo);
    // The full start's device: its display mode and presentation, the device, its render states, the sprite.
    void CreateDeviceAndSprite(int16_t adapter);
    void Initilize_Soundcard();
    void Initilize_DxInput();
    // The input poll of RenderAll: both snapshots, and the devices acquired
    // again when a read failed.
    void PollInput();
    // Loads AppPath\fileName with or without a colour key (0 = none).
    vr::com::ComPtr<dx8::Direct3DTexture8> LoadTexture(const Text& fileName, int32_t transpColor);
    // DrawText and DrawTextEx: one sprite per character, each statement a step under `rule`.
    void DrawLetters(dx8::Direct3DTexture8* texture, const Text& text, float X, float Y, float ScaleSize,
                     float RotationAng, int16_t AlphaTransp, float cRed, float cGreen, float cBlue, vr::OnError rule);
    // Builds the sprite's values of a Draw or DrawEx and draws it.
    void DrawSprite(dx8::Direct3DTexture8* texture, float X, float Y, float Width, float Height, float RotationAng,
                    int16_t AlphaTransp, float SrcX, float SrcY, float scaleWidth, float scaleHeight);

    // Log and go on: a failure of `body` is logged as one line, "<operation> : "
    // + the D3DX text of its error (+ " (file: why)"); true when the body ran to its end.
    template <class Body>
    bool LogAndGoOn(std::string_view operation, Body&& body) {
        return vr::LogAndGoOn(body, [&](const vr::Failure& f) { LogError(operation, f); });
    }
    // Writes that line. Without D3DX it fails itself (error 91), back to the member's caller.
    void LogError(std::string_view operation, const vr::Failure& failure);

    DeviceObjects dx_;
    DisplaySettings display_;
    InputSnapshot input_;
    SoundStore sounds_;
    TextureStore textures_;
    FontStore fonts_;
    BitmapFont letters_;
    FrameClock frames_;
};

}  // namespace korva2d
