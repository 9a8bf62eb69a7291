// The Engine class: its fields in the class's order, and the members of its
// interface. The members live in the files of their rooms: core (start-up,
// shutdown, cursor, version), input, sound, graphics (textures, frame control,
// the bitmap font) and, answering E_NOTIMPL in this version, text drawing.
#pragma once
#include <array>
#include <memory>
#include <vector>

#include "core/dx8/dx8.h"
#include "graphics/std_font.h"
#include "korva2d/korva2d.h"

namespace korva2d {

class EngineObject final : public vr::com::DispatchObject<_Engine> {
public:
    EngineObject();

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

    // ---- fields, in the class's order ----
    std::shared_ptr<dx8::DirectX8> DX;
    std::shared_ptr<dx8::Direct3D8> D3D;
    std::shared_ptr<dx8::Direct3DDevice8> D3DDevice;
    std::shared_ptr<dx8::D3DX8> D3DX;
    std::shared_ptr<dx8::D3DXSprite> Sprite;
    std::shared_ptr<dx8::DirectInput8> DI;
    std::shared_ptr<dx8::DirectInputDevice8> DIKeyboard;
    std::array<uint8_t, 256> KeyState{};
    std::shared_ptr<dx8::DirectInputDevice8> DIMouse;
    dx8::DIMOUSESTATE MouseState;
    vr::POINT CursorPos;
    std::shared_ptr<dx8::DirectSound8> DS;
    std::shared_ptr<dx8::DirectSoundEnum8> DSEnum;
    VBool SoundAvailable = 0;
    std::vector<std::shared_ptr<dx8::DirectSoundSecondaryBuffer8>> SoundBuffers{nullptr};  // slot 0 empty
    std::vector<Text> SoundNames{Text()};
    int32_t SoundCount = 0;
    // graphics stores (slot 0 of each stays empty)
    std::vector<vr::com::ComPtr<dx8::Direct3DTexture8>> Textures{1};
    std::vector<Text> TextureKeys{Text()};
    int32_t TextureCount = 0;
    int32_t AmbientRed = 0, AmbientGreen = 0, AmbientBlue = 0;
    // A registered system font: the D3DX font and the description it came from.
    struct FontEntry {
        std::shared_ptr<dx8::D3DXFont> Info;
        std::shared_ptr<StdFont> InfoDesc;
    };
    std::vector<FontEntry> Fonts{1};
    // The fonts' keys, parallel to Fonts; Korva2D_Unload empties Fonts and keeps these.
    std::vector<Text> FontKeys{Text()};
    int32_t FontCount = 0;
    vr::RECT TextRect;  // the rectangle of the last DrawFont
    std::shared_ptr<StdFont> FontDesc;
    std::array<Text, 121> Signs;
    std::array<LetterSpecs, 121> LetterPos{};
    int16_t LetterWidth = 0, LetterHeight = 0;
    int16_t WinWidth = 0, WinHeight = 0;
    int16_t ResWidth = 0, ResHeight = 0;
    VBool FullScreen = 0;
    int32_t hWnd = 0;

private:
    void CenterWindow(int16_t width, int16_t height, VBool fullScreen);
    void Initilize_Soundcard();
    void Initilize_DxInput();
    // The input poll of RenderAll: both snapshots, and the devices acquired
    // again when a read failed.
    void PollInput();
    void LoadFontIni();
    // The store's texture of a registered index; raises 9 when the store was
    // emptied by Korva2D_Unload.
    dx8::Direct3DTexture8* TextureAt(int32_t index) const;
    // The index of the first key equal to the lower-cased key, 0 for none.
    int32_t FindTexture(const Text& key) const;
    // The index of the first font key equal to the lower-cased key, 0 for none.
    int32_t FindFont(const Text& key) const;
    // Loads AppPath\fileName with or without a colour key (0 = none).
    vr::com::ComPtr<dx8::Direct3DTexture8> LoadTexture(const Text& fileName, int32_t transpColor);
    // The cell of the bitmap font showing a character (0 when none does).
    int16_t GetLetterIndex(const Text& character) const;
    // DrawText and DrawTextEx: `skipErrors` skips each failing step instead of failing.
    void DrawLetters(dx8::Direct3DTexture8* texture, const Text& text, float X, float Y, float ScaleSize,
                     float RotationAng, int16_t AlphaTransp, float cRed, float cGreen, float cBlue, bool skipErrors);
    // Builds the sprite's values of a Draw or DrawEx and draws (steps 2 to 4).
    void DrawSprite(dx8::Direct3DTexture8* texture, float X, float Y, float Width, float Height, float RotationAng,
                    int16_t AlphaTransp, float SrcX, float SrcY, float scaleWidth, float scaleHeight);
    // The DirectX root, the Direct3D object and D3DX; a failure is remembered in `failed`.
    void CreateRootObjects(bool& failed);
    // The error path shared by the members: logs "<operation> : " + the D3DX
    // text of the error in flight (out of memory is run-time error 7), and the
    // file and reason of a detailed failure. Without D3DX it fails itself (error 91).
    void LogError(const std::string& operation);
};

// An object field a step needs: run-time error 91 ("Object variable or With
// block variable not set") when it is empty, as a call on Nothing raises.
template <class T>
T& Need(const std::shared_ptr<T>& object) {
    if (!object) throw vr::RuntimeError(91);
    return *object;
}

}  // namespace korva2d
