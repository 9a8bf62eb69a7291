// A fixture for the game's logic: Form1 with the real art, recording doubles
// for the library objects, a fixed random sequence and a manual clock.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/game_state.h"
#include "korva2d/korva2d.h"
#include "platform/kernel.h"
#include "platform/random.h"
#include "window/form1.h"

namespace game::testing {

// The IUnknown and dispatch slots of a double that lives on the stack.
template <class Interface>
class StackDouble : public Interface {
public:
    vr::com::HRESULT QueryInterface(const vr::com::GUID&, void**) override { return vr::com::E_NOINTERFACE; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    vr::com::HRESULT GetTypeInfoCount(uint32_t*) override { return vr::com::E_NOTIMPL; }
    vr::com::HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return vr::com::E_NOTIMPL; }
    vr::com::HRESULT GetIDsOfNames(const vr::com::GUID&, const char**, uint32_t, uint32_t, int32_t*) override {
        return vr::com::E_NOTIMPL;
    }
    vr::com::HRESULT Invoke(int32_t, const vr::com::GUID&, uint32_t, uint16_t, void*, void*, void*,
                            uint32_t*) override {
        return vr::com::E_NOTIMPL;
    }
};

struct Call {
    std::string member, name, file;
    int loop = 0, volume = 0, pan = 0, frequency = 0;
};

// Records the sound calls the game makes; everything else answers S_OK.
class RecordingEngine final : public StackDouble<korva2d::_Engine> {
public:
    std::vector<Call> calls;
    std::vector<std::string> Played() const {
        std::vector<std::string> keys;
        for (const auto& c : calls)
            if (c.member == "SoundPlay") keys.push_back(c.name);
        return keys;
    }
    int CountPlayed(const std::string& key) const {
        int n = 0;
        for (const auto& c : calls) n += c.member == "SoundPlay" && c.name == key;
        return n;
    }
    using HRESULT = vr::com::HRESULT;
    using Text = korva2d::Text;
    using VBool = korva2d::VBool;
    HRESULT Korva2D_Start(int32_t&, Text&, float&, float&, VBool&, int16_t&, VBool* r) override {
        if (r) *r = -1;
        return 0;
    }
    HRESULT Korva2D_Start_OnlySound(int32_t&, Text& path, VBool* r) override {
        calls.push_back({"Korva2D_Start_OnlySound", "", path});
        if (r) *r = -1;
        return 0;
    }
    HRESULT GetKeyState(int32_t&, VBool*) override { return 0; }
    HRESULT GetMouseState(int32_t&, int32_t&, VBool&, VBool&, VBool&, int32_t&, VBool*) override { return 0; }
    HRESULT SetMousePos(int32_t&, int32_t&) override { return 0; }
    HRESULT CreateSound(Text& name, Text& file) override {
        calls.push_back({"CreateSound", name, file});
        return 0;
    }
    HRESULT SoundPlay(Text& name, VBool& loop, int32_t& volume, int32_t& pan, int32_t& frequency) override {
        calls.push_back({"SoundPlay", name, "", loop, volume, pan, frequency});
        return 0;
    }
    HRESULT SoundStop(Text&, VBool&) override { return 0; }
    HRESULT CreateTexture(Text&, Text&, int32_t&) override { return 0; }
    HRESULT CreateTextureEx(korva2d::TextureObject&, Text&, int32_t&) override { return 0; }
    HRESULT Draw(Text&, float&, float&, float&, float&, float&, int16_t&, float&, float&, float&, float&) override { return 0; }
    HRESULT DrawText(Text&, Text&, float&, float&, float&, float&, int16_t&, float&, float&, float&) override { return 0; }
    HRESULT DrawEx(korva2d::TextureObject&, float&, float&, float&, float&, float&, int16_t&, float&, float&, float&,
                   float&) override {
        return 0;
    }
    HRESULT DrawTextEx(korva2d::TextureObject&, Text&, float&, float&, float&, float&, int16_t&, float&, float&,
                       float&) override {
        return 0;
    }
    HRESULT ClearScreen(int16_t&, int16_t&, int16_t&) override { return 0; }
    HRESULT AmbientColor(korva2d::Variant&, korva2d::Variant&, korva2d::Variant&) override { return 0; }
    HRESULT SaveScreenshot() override { return 0; }
    HRESULT RenderAll() override { return 0; }
    HRESULT CreateFont(Text&, Text&, int16_t&, VBool&, VBool&) override { return 0; }
    HRESULT DrawFont(Text&, int16_t&, int16_t&, int16_t&, int16_t&, Text&, int32_t&, int32_t&) override { return 0; }
    HRESULT ShowCursorWin(VBool&) override { return 0; }
    HRESULT get_Version(korva2d::Variant*) override { return 0; }
    HRESULT Korva2D_Unload() override { return 0; }
};

// An Extra that does not wait and reports 26 frames per second.
class QuietExtra : public StackDouble<korva2d::_Extra> {
public:
    int limitCalls = 0;
    using HRESULT = vr::com::HRESULT;
    using Text = korva2d::Text;
    using Variant = korva2d::Variant;
    HRESULT LimitFPS(int16_t) override {
        ++limitCalls;
        return 0;
    }
    HRESULT get_GetFpsTooMuch(Variant* r) override {
        if (r) *r = Variant(int32_t(1));
        return 0;
    }
    HRESULT get_GetFps(Variant* r) override {
        if (r) *r = Variant(int32_t(26));
        return 0;
    }
    HRESULT Sleep(int32_t&) override { return 0; }
    HRESULT INIRead(Text&, Text&, Text&, Text*) override { return 0; }
    HRESULT INIWrite(Text&, Text&, Text&, Variant&, int16_t*) override { return 0; }
    HRESULT SaveLog(Text&, Text&) override { return 0; }
    HRESULT get_Pi(float*) override { return 0; }
    HRESULT get_Rad(float*) override { return 0; }
    HRESULT FileExists(Text&, korva2d::VBool*) override { return 0; }
    HRESULT RndNum(int32_t&, int32_t&, int32_t*) override { return 0; }
    HRESULT IsRectInRect(korva2d::Rect&, korva2d::Rect&, korva2d::VBool*) override { return 0; }
    HRESULT IsPointInRect(Variant&, Variant&, korva2d::Rect&, korva2d::VBool*) override { return 0; }
};

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh run as the start handlers make it.
    void StartRun();
    // A shot placed directly into a slot.
    ShotRecord& PutShot(int slot, int kind, int x, int y, int speed, int dir, int arming = 0, bool drift = false);
    // Removes the enemies from the field (inactive, far away).
    void ClearEnemies();
    uint32_t FieldPixel(int x, int y) { return Field().Image().At(x, y); }

    RecordingEngine engine;
    QuietExtra extra;
    std::string scoreDir;
};

}  // namespace game::testing
