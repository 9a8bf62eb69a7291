// An Engine object made in-process (so tests can read its fields and back
// buffer), a form to draw into, and a fresh folder as its AppPath.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "core/engine_object.h"
#include "korva2d/korva2d_calls.h"
#include "log_lines.h"
#include "platform/form.h"
#include "test_files.h"

namespace korva2d_test {
using namespace korva2d;

// 32 x 32: red, green / blue, yellow quadrants with a magenta 8 x 8 middle.
inline void WriteQuadrants(const std::string& path) {
    vr::Surface s(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            s.At(x, y) = y < 16 ? (x < 16 ? 0xFF0000 : 0x00FF00) : (x < 16 ? 0x0000FF : 0xFFFF00);
    for (int y = 12; y < 20; ++y)
        for (int x = 12; x < 20; ++x) s.At(x, y) = 0xFF00FF;
    vr::SaveSurface(s, path);
}

class EngineFixture {
public:
    EngineFixture(const std::string& folderName, int formWidth, int formHeight) {
        dir = vr::testing::FreshFolder(folderName);
        WriteQuadrants(dir + "/quad.png");
        form = std::make_unique<vr::Form>("Engine test", formWidth, formHeight, vr::RGB(0, 0, 0));
        void* p = nullptr;
        vr::com::DispatchObject<_Engine>::CreateAs<EngineObject>(IID__Engine, &p);
        *engine.Put() = p;
    }
    EngineObject& Object() { return *static_cast<EngineObject*>(engine.Get()); }
    dx8::Direct3DDevice8& Device() { return *Object().Devices().D3DDevice; }
    std::vector<uint32_t> BackBuffer() {
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(Device().ReadBackBuffer(pixels));
        return pixels;
    }
    // The texture registered last.
    dx8::Direct3DTexture8* LastTexture() {
        const auto& store = Object().Textures().Entries;
        return store.At(store.Count()).Get();
    }
    std::vector<std::string> Log() const { return vr::testing::LogMessages(dir + "/log.txt"); }
    std::string LogText() const {
        std::string all;
        for (const auto& l : Log()) all += l + "\n";
        return all;
    }

    std::string dir;
    std::unique_ptr<vr::Form> form;
    vr::com::ComPtr<_Engine> engine;
};

}  // namespace korva2d_test
