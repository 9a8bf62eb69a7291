// Calls on the library's interfaces as a client writes them: optional
// arguments take their declared defaults, results come back as values, and a
// failed call raises its run-time error (vr::RuntimeError).
#pragma once
#include "korva2d/keys.h"
#include "korva2d/korva2d.h"
#include "platform/runtime_error.h"

namespace korva2d::calls {

inline void Check(HRESULT hr) { vr::com::ThrowIfFailed(hr); }

// Creates an object of a class by identity; raises 429 when it cannot be created.
template <class Interface>
vr::com::ComPtr<Interface> Create(const vr::com::GUID& clsid, const vr::com::GUID& iid) {
    vr::com::ComPtr<Interface> p;
    Check(vr::com::CoCreateInstance(clsid, nullptr, vr::com::CLSCTX_INPROC_SERVER, iid, p.Put()));
    return p;
}

// ---- _Engine ----
inline VBool Korva2D_Start_OnlySound(_Engine& e, int32_t hWnd, Text pAppPath) {
    VBool r = 0;
    Check(e.Korva2D_Start_OnlySound(hWnd, pAppPath, &r));
    return r;
}
inline VBool Korva2D_Start(_Engine& e, int32_t hWnd, Text pAppPath, float oResWidth = 800.0f,
                           float oResHeight = 600.0f, VBool oFullScreen = 0, int16_t UseDevice_Number = 0) {
    VBool r = 0;
    Check(e.Korva2D_Start(hWnd, pAppPath, oResWidth, oResHeight, oFullScreen, UseDevice_Number, &r));
    return r;
}
inline void CreateSound(_Engine& e, Text sndName, Text pFilename) { Check(e.CreateSound(sndName, pFilename)); }
inline void SoundPlay(_Engine& e, Text sndName, VBool sndLoop = 0, int32_t sndVolume = 100, int32_t sndPan = 0,
                      int32_t sndFrequency = 0) {
    Check(e.SoundPlay(sndName, sndLoop, sndVolume, sndPan, sndFrequency));
}
inline void SoundStop(_Engine& e, Text sndName = Text(), VBool sndPause = 0) { Check(e.SoundStop(sndName, sndPause)); }
inline void CreateTexture(_Engine& e, Text KeyName, Text FileName, int32_t transpColor = 0) {
    Check(e.CreateTexture(KeyName, FileName, transpColor));
}
// Loads a texture into `texture`, which keeps its old value when loading fails.
inline void CreateTextureEx(_Engine& e, TextureObject& texture, Text FileName, int32_t transpColor = 0) {
    Check(e.CreateTextureEx(texture, FileName, transpColor));
}
inline void Draw(_Engine& e, Text KeyName, float X, float Y, float Width, float Height, float RotationAng = 0,
                 int16_t AlphaTransp = 100, float SrcX = 0, float SrcY = 0, float scaleWidth = 0,
                 float scaleHeight = 0) {
    Check(e.Draw(KeyName, X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY, scaleWidth, scaleHeight));
}
inline void DrawEx(_Engine& e, TextureObject texture, float X, float Y, float Width, float Height,
                   float RotationAng = 0, int16_t AlphaTransp = 100, float SrcX = 0, float SrcY = 0,
                   float scaleWidth = 0, float scaleHeight = 0) {
    Check(e.DrawEx(texture, X, Y, Width, Height, RotationAng, AlphaTransp, SrcX, SrcY, scaleWidth, scaleHeight));
}
inline void DrawText(_Engine& e, Text TextureKeyName, Text varText, float X, float Y, float ScaleSize = 1.0f,
                     float RotationAng = 0, int16_t AlphaTransp = 100, float cRed = 255.0f, float cGreen = 255.0f,
                     float cBlue = 255.0f) {
    Check(e.DrawText(TextureKeyName, varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed, cGreen, cBlue));
}
inline void DrawTextEx(_Engine& e, TextureObject texture, Text varText, float X, float Y, float ScaleSize = 1.0f,
                       float RotationAng = 0, int16_t AlphaTransp = 100, float cRed = 255.0f, float cGreen = 255.0f,
                       float cBlue = 255.0f) {
    Check(e.DrawTextEx(texture, varText, X, Y, ScaleSize, RotationAng, AlphaTransp, cRed, cGreen, cBlue));
}
inline void ClearScreen(_Engine& e, int16_t vRed = 0, int16_t vGreen = 0, int16_t vBlue = 0) {
    Check(e.ClearScreen(vRed, vGreen, vBlue));
}
inline void AmbientColor(_Engine& e, Variant cRed = int16_t(255), Variant cGreen = int16_t(255),
                         Variant cBlue = int16_t(255)) {
    Check(e.AmbientColor(cRed, cGreen, cBlue));
}
inline void SaveScreenshot(_Engine& e) { Check(e.SaveScreenshot()); }
inline void RenderAll(_Engine& e) { Check(e.RenderAll()); }
inline void CreateFont(_Engine& e, Text KeyName, Text FontName, int16_t FontSize = 10, VBool Boldovane = 0,
                       VBool Italic = 0) {
    Check(e.CreateFont(KeyName, FontName, FontSize, Boldovane, Italic));
}
// fntColor -1 is opaque white; txtPosition takes the DT_ flags (1 centre, 2 right, 4 + 32 middle, 8 + 32 bottom,
// 256 no clipping, 1024 measure only).
inline void DrawFont(_Engine& e, Text KeyName, int16_t X, int16_t Y, int16_t rectWidth, int16_t rectHeight,
                     Text fntText, int32_t fntColor = -1, int32_t txtPosition = 0) {
    Check(e.DrawFont(KeyName, X, Y, rectWidth, rectHeight, fntText, fntColor, txtPosition));
}
inline bool GetKeyState(_Engine& e, int32_t Key) {
    VBool r = 0;
    Check(e.GetKeyState(Key, &r));
    return r != 0;
}
// The pointer in the window, the buttons and the wheel count, as the engine reports them.
struct MouseValues {
    int32_t x = 0, y = 0, wheel = 0;
    bool left = false, right = false, middle = false;
};
inline MouseValues GetMouseState(_Engine& e) {
    MouseValues m;
    VBool b1 = 0, b2 = 0, b3 = 0, r = 0;
    Check(e.GetMouseState(m.x, m.y, b1, b2, b3, m.wheel, &r));
    m.left = b1 != 0;
    m.right = b2 != 0;
    m.middle = b3 != 0;
    return m;
}
inline void SetMousePos(_Engine& e, int32_t posX, int32_t posY) { Check(e.SetMousePos(posX, posY)); }
inline void ShowCursorWin(_Engine& e, VBool cShow = -1) { Check(e.ShowCursorWin(cShow)); }
inline Variant Version(_Engine& e) {
    Variant v;
    Check(e.get_Version(&v));
    return v;
}
inline void Korva2D_Unload(_Engine& e) { Check(e.Korva2D_Unload()); }

// ---- _Extra ----
inline void LimitFPS(_Extra& x, int16_t iFPS) { Check(x.LimitFPS(iFPS)); }
inline Variant GetFps(_Extra& x) {
    Variant v;
    Check(x.get_GetFps(&v));
    return v;
}
inline Variant GetFpsTooMuch(_Extra& x) {
    Variant v;
    Check(x.get_GetFpsTooMuch(&v));
    return v;
}
inline void SaveLog(_Extra& x, Text& vText, Text& logFile) { Check(x.SaveLog(vText, logFile)); }
inline void SaveLog(_Extra& x, Text& vText) {
    Text logFile;
    Check(x.SaveLog(vText, logFile));
}
inline Text INIRead(_Extra& x, Text Section, Text KeyName, Text FileName) {
    Text r;
    Check(x.INIRead(Section, KeyName, FileName, &r));
    return r;
}
inline int16_t INIWrite(_Extra& x, Text Section, Text KeyName, Text NewString, Variant FileName) {
    int16_t r = 0;
    Check(x.INIWrite(Section, KeyName, NewString, FileName, &r));
    return r;
}
inline VBool FileExists(_Extra& x, Text FilePath) {
    VBool r = 0;
    Check(x.FileExists(FilePath, &r));
    return r;
}
inline int32_t RndNum(_Extra& x, int32_t MinNum, int32_t MaxNum) {
    int32_t r = 0;
    Check(x.RndNum(MinNum, MaxNum, &r));
    return r;
}
inline void Sleep(_Extra& x, int32_t Milliseconds) { Check(x.Sleep(Milliseconds)); }
inline bool IsRectInRect(_Extra& x, Rect Rect1, Rect Rect2) {
    VBool r = 0;
    Check(x.IsRectInRect(Rect1, Rect2, &r));
    return r != 0;
}
inline bool IsPointInRect(_Extra& x, Variant XPosition, Variant YPosition, Rect CRect) {
    VBool r = 0;
    Check(x.IsPointInRect(XPosition, YPosition, CRect, &r));
    return r != 0;
}
inline float Pi(_Extra& x) {
    float r = 0;
    Check(x.get_Pi(&r));
    return r;
}
inline float Rad(_Extra& x) {
    float r = 0;
    Check(x.get_Rad(&r));
    return r;
}

// ---- _MP3Player ----
inline VBool LoadMP3(_MP3Player& m, Text FileName) {
    VBool r = 0;
    Check(m.LoadMP3(FileName, &r));
    return r;
}
inline int32_t GetCurrentPosition(_MP3Player& m) {
    int32_t r = 0;
    Check(m.get_GetCurrentPosition(&r));
    return r;
}
inline int32_t GetDuration(_MP3Player& m) {
    int32_t r = 0;
    Check(m.get_GetDuration(&r));
    return r;
}
inline void SetVolume(_MP3Player& m, int32_t& sndVolume) { Check(m.SetVolume(sndVolume)); }
inline void SetVolume(_MP3Player& m) {
    int32_t v = 100;
    SetVolume(m, v);
}
inline void PlayMP3(_MP3Player& m) { Check(m.PlayMP3()); }
inline void StopMP3(_MP3Player& m, VBool sndPause = 0) { Check(m.StopMP3(sndPause)); }

// ---- second interfaces (korva2d.h): each call asks the object for it ----

// The object's second interface `Interface`; run-time error 438 ("Object doesn't
// support this property or method") when the object has none.
template <class Interface, class Object>
vr::com::ComPtr<Interface> Second(Object& object, const vr::com::GUID& iid) {
    vr::com::ComPtr<Interface> p;
    if (vr::com::Failed(object.QueryInterface(iid, p.Put())) || !p)
        throw vr::RuntimeError(438, "Object doesn't support this property or method");
    return p;
}

// Whether the key went down (KeyPressed) or up (KeyReleased) at least once in
// the frame the last RenderAll ended, however short the press (keys.h names the keys).
inline bool KeyPressed(_Engine& e, int32_t Key) {
    VBool r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->KeyPressed(Key, &r));
    return r != 0;
}
inline bool KeyReleased(_Engine& e, int32_t Key) {
    VBool r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->KeyReleased(Key, &r));
    return r != 0;
}
// A stored texture's size in texels (0 x 0 when its loading failed); an unknown key is run-time error 9.
struct TextureExtent {
    int32_t width = 0, height = 0;
};
inline TextureExtent TextureSize(_Engine& e, const Text& KeyName) {
    TextureExtent size;
    Check(Second<_Engine2>(e, IID__Engine2)->TextureSize(KeyName, &size.width, &size.height));
    return size;
}
// Release what the key holds and free the key for a new registration; false for an unknown key.
inline bool FreeTexture(_Engine& e, const Text& KeyName) {
    VBool r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->FreeTexture(KeyName, &r));
    return r != 0;
}
inline bool FreeSound(_Engine& e, const Text& KeyName) {
    VBool r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->FreeSound(KeyName, &r));
    return r != 0;
}
inline bool FreeFont(_Engine& e, const Text& KeyName) {
    VBool r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->FreeFont(KeyName, &r));
    return r != 0;
}
// Seconds from the RenderAll before the last one to the last one: the length of
// the frame just shown (0 until two have run).
inline double FrameTime(_Engine& e) {
    double r = 0;
    Check(Second<_Engine2>(e, IID__Engine2)->get_FrameTime(&r));
    return r;
}
// Waits out the rest of the frame as LimitFPS does, sleeping most of the wait.
inline void WaitFrame(_Extra& x, int16_t iFPS) { Check(Second<_Extra2>(x, IID__Extra2)->WaitFrame(iFPS)); }
// Plays the music from its beginning, again and again, until StopMP3 or a new load.
inline void LoopMP3(_MP3Player& m) { Check(Second<_MP3Player2>(m, IID__MP3Player2)->LoopMP3()); }

}  // namespace korva2d::calls
