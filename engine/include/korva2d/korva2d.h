// Korva2D_VR: the engine library's classes, interfaces and records, as a
// client sees them (the type library). Clients include this header, create
// the classes through vr::com::CoCreateInstance by class identity and call
// the members by their position in these interfaces.
//
// Every member returns an HRESULT; results come back through the last
// pointer argument. Parameters are passed by reference, as in the original
// interfaces; a member writes one back only where its comment says so.
// A failure that the member lets "fail back to the caller" is a failed
// HRESULT; a run-time error keeps its number (0x800A0000 | number), and
// vr::com::ThrowIfFailed raises it again in the caller. The helpers in
// korva2d_calls.h supply the optional arguments' defaults and do that.
#pragma once
#include <cstdint>
#include <string>

#include "platform/com.h"
#include "platform/variant.h"

namespace korva2d {

using vr::com::HRESULT;
using Text = std::string;  // Windows-1252 bytes
using VBool = int16_t;     // true = -1, false = 0
using vr::Variant;

inline constexpr vr::com::GUID LIBID_Korva2D_VR = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x01}};
inline constexpr vr::com::GUID CLSID_Engine = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x02}};
inline constexpr vr::com::GUID IID__Engine = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x03}};
inline constexpr vr::com::GUID CLSID_Extra = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x04}};
inline constexpr vr::com::GUID IID__Extra = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x05}};
inline constexpr vr::com::GUID CLSID_MP3Player = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x06}};
inline constexpr vr::com::GUID IID__MP3Player = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x07}};

// ---- records ----

struct Vector2 {
    float x = 0, y = 0;
};
struct SrcRectangle {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
// The parameters of one sprite draw.
struct SpriteVars {
    Vector2 Translation;
    SrcRectangle SrcRect;
    Vector2 Center;
    float Rotation = 0;
    Vector2 Scaling;
};
// The top-left corner of a bitmap-font cell, in texels.
struct LetterSpecs {
    int16_t X = 0, Y = 0;
};
// A registered system font: the D3DX font, the description it came from, its key.
struct DXFonts {
    vr::com::IUnknown* Info = nullptr;
    vr::com::IUnknown* InfoDesc = nullptr;
    Text Name;
};
// The rectangle record of the rectangle tests: left, top, right, bottom.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A texture object handed to a client (CreateTextureEx) or drawn from it (DrawEx).
using TextureObject = vr::com::IUnknown*;

// ---- interfaces (members after the four standard dispatch slots) ----

struct _Engine : vr::com::IDispatch {
    // 1. Full start: window placement, device, sprite, input, sound, bitmap font.
    virtual HRESULT Korva2D_Start(int32_t& hWnd, Text& pAppPath, float& oResWidth, float& oResHeight,
                                  VBool& oFullScreen, int16_t& UseDevice_Number, VBool* result) = 0;
    // 2. Sound-only start.
    virtual HRESULT Korva2D_Start_OnlySound(int32_t& hWnd, Text& pAppPath, VBool* result) = 0;
    // 3. Whether a DirectInput key was down at the last RenderAll.
    virtual HRESULT GetKeyState(int32_t& Key, VBool* result) = 0;
    // 4. Writes the pointer position, buttons and wheel count into its arguments.
    virtual HRESULT GetMouseState(int32_t& ret_X, int32_t& ret_Y, VBool& ret_B1, VBool& ret_B2, VBool& ret_B3,
                                  int32_t& ret_Wheel, VBool* result) = 0;
    // 5. Moves the system pointer to a screen position.
    virtual HRESULT SetMousePos(int32_t& posX, int32_t& posY) = 0;
    // 6. Registers a sound file (relative to AppPath) under a key.
    virtual HRESULT CreateSound(Text& sndName, Text& pFilename) = 0;
    // 7. Plays the sound of a key: volume 0..100, pan -100..100, frequency in kHz (0 = own rate).
    virtual HRESULT SoundPlay(Text& sndName, VBool& sndLoop, int32_t& sndVolume, int32_t& sndPan,
                              int32_t& sndFrequency) = 0;
    // 8. Stops the sound of a key, or every sound for an empty key; rewinds unless sndPause.
    virtual HRESULT SoundStop(Text& sndName, VBool& sndPause) = 0;
    // 9. Loads a texture into the store under a key.
    virtual HRESULT CreateTexture(Text& KeyName, Text& FileName, int32_t& transpColor) = 0;
    // 10. Loads a texture and writes it back into DXTexture.
    virtual HRESULT CreateTextureEx(TextureObject& DXTexture, Text& FileName, int32_t& transpColor) = 0;
    // 11. Draws a stored texture by key.
    virtual HRESULT Draw(Text& KeyName, float& X, float& Y, float& Width, float& Height, float& RotationAng,
                         int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth, float& scaleHeight) = 0;
    // 12. Draws a text with the bitmap font of a stored texture.
    virtual HRESULT DrawText(Text& TextureKeyName, Text& varText, float& X, float& Y, float& ScaleSize,
                             float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen, float& cBlue) = 0;
    // 13. Draws a texture object held by the caller.
    virtual HRESULT DrawEx(TextureObject& DXTexture, float& X, float& Y, float& Width, float& Height,
                           float& RotationAng, int16_t& AlphaTransp, float& SrcX, float& SrcY, float& scaleWidth,
                           float& scaleHeight) = 0;
    // 14. Draws a text with the bitmap font of a texture object held by the caller.
    virtual HRESULT DrawTextEx(TextureObject& DXTexture, Text& varText, float& X, float& Y, float& ScaleSize,
                               float& RotationAng, int16_t& AlphaTransp, float& cRed, float& cGreen,
                               float& cBlue) = 0;
    // 15. Fills the back buffer with one opaque colour.
    virtual HRESULT ClearScreen(int16_t& vRed, int16_t& vGreen, int16_t& vBlue) = 0;
    // 16. Sets the tint of Draw and DrawEx (numbers or numeric text).
    virtual HRESULT AmbientColor(Variant& cRed, Variant& cGreen, Variant& cBlue) = 0;
    // 17. Writes the window's area of the screen to the next free screenshotNNN.bmp.
    virtual HRESULT SaveScreenshot() = 0;
    // 18. Polls input, ends the sprite batch, presents, begins the next batch.
    virtual HRESULT RenderAll() = 0;
    // 19. Registers a system font under a key.
    virtual HRESULT CreateFont(Text& KeyName, Text& FontName, int16_t& FontSize, VBool& Boldovane,
                               VBool& Italic) = 0;
    // 20. Draws word-wrapped text with a registered system font inside a rectangle.
    virtual HRESULT DrawFont(Text& KeyName, int16_t& X, int16_t& Y, int16_t& rectWidth, int16_t& rectHeight,
                             Text& fntText, int32_t& fntColor, int32_t& txtPosition) = 0;
    // 21. Shows (true) or hides the system pointer by one step of its display counter.
    virtual HRESULT ShowCursorWin(VBool& cShow) = 0;
    // 22. Read-only property: "Korva2D Engine v0.8.71".
    virtual HRESULT get_Version(Variant* result) = 0;
    // 23. Logs the end and releases every DirectX object in a fixed order.
    virtual HRESULT Korva2D_Unload() = 0;

protected:
    ~_Engine() = default;
};

struct _Extra : vr::com::IDispatch {
    // 1. Waits out the rest of the frame at iFPS frames per second, processing window messages.
    virtual HRESULT LimitFPS(int16_t iFPS) = 0;
    // 2. Read-only: passes of the wait loop in the last LimitFPS call (a 32-bit integer).
    virtual HRESULT get_GetFpsTooMuch(Variant* result) = 0;
    // 3. Read-only: LimitFPS calls counted in the last completed second (a 32-bit integer).
    virtual HRESULT get_GetFps(Variant* result) = 0;
    // 4. Suspends the thread.
    virtual HRESULT Sleep(int32_t& Milliseconds) = 0;
    // 5. One INI value of AppPath\FileName (empty when missing).
    virtual HRESULT INIRead(Text& Section, Text& KeyName, Text& FileName, Text* result) = 0;
    // 6. Writes one INI value; answers non-zero on success.
    virtual HRESULT INIWrite(Text& Section, Text& KeyName, Text& NewString, Variant& FileName,
                             int16_t* result) = 0;
    // 7. Appends a time-stamped line to AppPath\log.txt or AppPath\logFile; writes back the
    //    whole line into vText and the full path into logFile.
    virtual HRESULT SaveLog(Text& vText, Text& logFile) = 0;
    // 8. Read-only: pi as set by the engine's start.
    virtual HRESULT get_Pi(float* result) = 0;
    // 9. Read-only: pi / 180.
    virtual HRESULT get_Rad(float* result) = 0;
    // 10. Whether AppPath\FilePath exists (logs "File is missing : ..." when not).
    virtual HRESULT FileExists(Text& FilePath, VBool* result) = 0;
    // 11. A random integer from MinNum to MaxNum.
    virtual HRESULT RndNum(int32_t& MinNum, int32_t& MaxNum, int32_t* result) = 0;
    // 12. Whether a corner of Rect1 lies in Rect2.
    virtual HRESULT IsRectInRect(Rect& Rect1, Rect& Rect2, VBool* result) = 0;
    // 13. Whether a point lies in a rectangle, edges included.
    virtual HRESULT IsPointInRect(Variant& XPosition, Variant& YPosition, Rect& CRect, VBool* result) = 0;

protected:
    ~_Extra() = default;
};

struct _MP3Player : vr::com::IDispatch {
    // 1. Builds a new playback graph for AppPath\FileName; true on success.
    virtual HRESULT LoadMP3(Text& FileName, VBool* result) = 0;
    // 2. Read-only: the position in whole seconds.
    virtual HRESULT get_GetCurrentPosition(int32_t* result) = 0;
    // 3. Read-only: the length in whole seconds.
    virtual HRESULT get_GetDuration(int32_t* result) = 0;
    // 4. 1..100 sets the volume (above 100 is written back as 100); 0 or less stops.
    virtual HRESULT SetVolume(int32_t& sndVolume) = 0;
    // 5. Plays from the beginning.
    virtual HRESULT PlayMP3() = 0;
    // 6. Stops; rewinds unless sndPause.
    virtual HRESULT StopMP3(VBool& sndPause) = 0;

protected:
    ~_MP3Player() = default;
};

// ---- second interfaces ----
// Members added after the classes' interfaces were fixed, as COM objects grow:
// each object also answers its second interface through QueryInterface. The
// helpers of korva2d_calls.h ask for it on every call.

inline constexpr vr::com::GUID IID__Engine2 = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x08}};
inline constexpr vr::com::GUID IID__Extra2 = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x09}};
inline constexpr vr::com::GUID IID__MP3Player2 = {0x4B2D0A10, 0x7C31, 0x4E5A, {0x9F, 0x20, 0x5A, 0x1B, 0x3C, 0x8D, 0x00, 0x0A}};

struct _Engine2 : vr::com::IUnknown {
    // 1. Whether the key (0..255) went down at least once in the frame the last RenderAll ended.
    virtual HRESULT KeyPressed(int32_t Key, VBool* result) = 0;
    // 2. Whether the key (0..255) went up at least once in that frame.
    virtual HRESULT KeyReleased(int32_t Key, VBool* result) = 0;
    // 3. The size in texels of a stored texture (0 x 0 when its loading failed).
    virtual HRESULT TextureSize(const Text& KeyName, int32_t* ret_Width, int32_t* ret_Height) = 0;
    // 4-6. Release what a key holds and free the key; true when the key was registered.
    virtual HRESULT FreeTexture(const Text& KeyName, VBool* result) = 0;
    virtual HRESULT FreeSound(const Text& KeyName, VBool* result) = 0;
    virtual HRESULT FreeFont(const Text& KeyName, VBool* result) = 0;
    // 7. Seconds from the RenderAll before the last one to the last one (0 before the second).
    virtual HRESULT get_FrameTime(double* result) = 0;

protected:
    ~_Engine2() = default;
};

struct _Extra2 : vr::com::IUnknown {
    // 1. Waits out the rest of the frame at iFPS frames per second as LimitFPS does,
    //    sleeping the bulk of the wait and spinning only its last fraction.
    virtual HRESULT WaitFrame(int16_t iFPS) = 0;

protected:
    ~_Extra2() = default;
};

struct _MP3Player2 : vr::com::IUnknown {
    // 1. Plays from the beginning and starts again at each end, until StopMP3 or a new load.
    virtual HRESULT LoopMP3() = 0;

protected:
    ~_MP3Player2() = default;
};

}  // namespace korva2d
