// The members of the Engine's second interface, through the call layer: key
// names, presses and releases within a frame, texture sizes, freeing keys and
// the frame time.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>

#include "core/dx8/direct_input8.h"
#include "engine_fixture.h"
#include "extra/extra_object.h"
#include "korva2d/keys.h"
#include "platform/kernel.h"
#include "platform_testing/manual_clock.h"
#include "platform_testing/synthetic_input.h"
#include "wave_writer.h"

using namespace korva2d;
using namespace korva2d::calls;

namespace {

// The process's resident memory now, in kilobytes.
long ResidentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void WritePicture(const std::string& path, int width, int height) {
    vr::Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) s.At(x, y) = uint32_t(x * 7 + y * 3) & 0xFFFFFF;
    vr::SaveSurface(s, path);
}

class EngineAdditions : public ::testing::Test {
protected:
    void SetUp() override {
        fx_ = std::make_unique<korva2d_test::EngineFixture>("engine-additions", 200, 120);
        ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 200, 120), -1) << fx_->LogText();
    }
    _Engine& E() { return *fx_->engine; }
    std::unique_ptr<korva2d_test::EngineFixture> fx_;
};

}  // namespace

TEST(KeyNames, NameEveryKeyTheKeyboardReportsOnce) {
    std::set<int32_t> reported, named;
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
        if (int code = dx8::KeyCodeOfScancode(scancode)) reported.insert(code);
    std::set<std::string> names;
    for (const KeyName& k : kKeyNames) {
        EXPECT_TRUE(named.insert(k.code).second) << k.name;
        EXPECT_TRUE(names.insert(k.name).second) << k.name;
    }
    EXPECT_EQ(named, reported);
    const std::pair<int32_t, int32_t> known[] = {
        {DIK_ESCAPE, 1},  {DIK_1, 2},          {DIK_0, 11},       {DIK_RETURN, 28},  {DIK_A, 30},
        {DIK_SPACE, 57},  {DIK_F1, 59},        {DIK_F12, 88},     {DIK_UP, 200},     {DIK_LEFT, 203},
        {DIK_RIGHT, 205}, {DIK_DOWN, 208},     {DIK_UPARROW, 200}, {DIK_BACKSPACE, 14}, {DIK_LALT, 56},
        {DIK_PGDN, 209},  {DIK_NUMPADENTER, 156}, {DIK_MEDIASELECT, 237},
    };
    for (const auto& [constant, code] : known) EXPECT_EQ(constant, code);
}

TEST_F(EngineAdditions, KeyPressedAndReleasedSeeEveryChangeOfTheFrameOnce) {
    // Each row: the keys that go down and up before a RenderAll, then what the frame shows of the space bar.
    struct Frame {
        const char* events;  // 'd' space down, 'u' space up, in order
        bool down, pressed, released;
    } frames[] = {
        {"", false, false, false},
        {"du", false, true, true},   // a 5 ms tap between two frames
        {"", false, false, false},   // seen once
        {"d", true, true, false},
        {"", true, false, false},    // held: pressed only in its first frame
        {"ud", true, true, true},    // up and down again within one frame
        {"u", false, false, true},
        {"", false, false, false},
    };
    for (const Frame& f : frames) {
        for (const char* c = f.events; *c; ++c) {
            vr::PostKey(*fx_->form, 32, *c == 'd');
            if (c[1]) vr::Sleep(5);
        }
        RenderAll(E());
        EXPECT_EQ(GetKeyState(E(), DIK_SPACE), f.down) << "after \"" << f.events << "\"";
        EXPECT_EQ(KeyPressed(E(), DIK_SPACE), f.pressed) << "after \"" << f.events << "\"";
        EXPECT_EQ(KeyReleased(E(), DIK_SPACE), f.released) << "after \"" << f.events << "\"";
    }
    VBool r = 0;
    vr::com::ComPtr<_Engine2> second;
    ASSERT_EQ(E().QueryInterface(IID__Engine2, second.Put()), 0);
    EXPECT_EQ(uint32_t(second->KeyPressed(256, &r)), 0x800A0009u);
    EXPECT_EQ(uint32_t(second->KeyReleased(-1, &r)), 0x800A0009u);
}

TEST_F(EngineAdditions, TextureSizeIsThePicturesOwnSize) {
    WritePicture(fx_->dir + "/odd.png", 37, 21);
    vr::testing::WriteBytes(fx_->dir + "/cut.png", vr::testing::ReadBytes(fx_->dir + "/odd.png").substr(0, 40));
    CreateTexture(E(), "Odd", "odd.png");
    CreateTexture(E(), "cut", "cut.png");
    CreateTexture(E(), "quad", "quad.png");
    struct {
        const char* key;
        int32_t width, height;
    } cases[] = {{"odd", 37, 21}, {"QUAD", 32, 32}, {"cut", 0, 0}};  // a picture that failed to load: 0 x 0
    for (const auto& c : cases) {
        TextureExtent size = TextureSize(E(), c.key);
        EXPECT_EQ(size.width, c.width) << c.key;
        EXPECT_EQ(size.height, c.height) << c.key;
    }
    try {
        TextureSize(E(), "nothing");
        ADD_FAILURE() << "an unknown key is an error";
    } catch (const vr::RuntimeError& e) {
        EXPECT_EQ(e.number(), 9);
    }
}

TEST_F(EngineAdditions, AFreedKeyCanBeRegisteredAgainAndTheOthersKeepWorking) {
    vr::testing::WriteWave16(fx_->dir + "/beep.wav", 22050, 1, vr::testing::Tone(22050, 440, 0.2));
    struct Kind {
        const char* name;
        std::function<void(const char* key)> create;
        std::function<bool(const char* key)> free;
        std::function<void(const char* key)> use;  // must not fail for a live key
    } kinds[] = {
        {"texture", [&](const char* k) { CreateTexture(E(), k, "quad.png"); },
         [&](const char* k) { return FreeTexture(E(), k); },
         [&](const char* k) { Draw(E(), k, 0, 0, 32, 32); }},
        {"sound", [&](const char* k) { CreateSound(E(), k, "beep.wav"); },
         [&](const char* k) { return FreeSound(E(), k); }, [&](const char* k) { SoundPlay(E(), k); }},
        {"font", [&](const char* k) { CreateFont(E(), k, "Arial", 12); },
         [&](const char* k) { return FreeFont(E(), k); },
         [&](const char* k) { DrawFont(E(), k, 0, 0, 100, 20, "Hi"); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        auto shown = vr::testing::ShownDialogs([&] {
            kind.create("first");
            kind.create("second");
            EXPECT_TRUE(kind.free("FIRST"));
            EXPECT_FALSE(kind.free("first")) << "already free";
            kind.use("first");  // a freed key is an unknown one: nothing happens
            kind.create("third");
            kind.create("first");
            kind.use("first");
            kind.use("second");
            kind.use("third");
        });
        EXPECT_TRUE(shown.empty()) << "no key was refused as taken";
    }
    SoundStop(E());  // stopping every sound passes over freed entries
    EXPECT_EQ(fx_->LogText().find("Error"), std::string::npos) << fx_->LogText();
}

TEST_F(EngineAdditions, CreatingAndFreeingATextureTenThousandTimesKeepsMemoryFlat) {
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            CreateTexture(E(), "sprite", "quad.png");  // 4 KB of texels
            ASSERT_TRUE(FreeTexture(E(), "sprite"));
        }
    };
    cycle(200);  // the allocator settles
    long before = ResidentKb();
    cycle(10000);
    long grown = ResidentKb() - before;
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed blocks back in its quarantine (256 MB), so
    // the resident size says nothing here; its own checks watch the frees.
    (void)grown;
#else
    EXPECT_LT(grown, 8 * 1024) << "a leak would keep over 40 MB; grew by " << grown << " KB";
#endif
    EXPECT_LE(fx_->Object().Textures().Entries.Count(), 2) << "the freed entry is taken again";
}

TEST_F(EngineAdditions, FrameTimeIsTheLastFramesLengthUnderTheLimiter) {
    EXPECT_EQ(FrameTime(E()), 0.0) << "before any frame";
    vr::UseManualClock(true, 4'000'000'000);
    vr::SetClockAutoStep(20'000);  // each counter read advances 20 us
    void* p = nullptr;
    vr::com::DispatchObject<_Extra>::CreateAs<ExtraObject>(IID__Extra, &p);
    vr::com::ComPtr<_Extra> extra;
    *extra.Put() = p;
    std::vector<double> times;
    for (int frame = 0; frame < 8; ++frame) {
        ClearScreen(E());
        vr::AdvanceManualClock(7'000'000);  // the client draws for 7 ms
        RenderAll(E());
        LimitFPS(*extra, 26);
        times.push_back(FrameTime(E()));
    }
    vr::UseManualClock(false);
    EXPECT_EQ(times[0], 0.0) << "one RenderAll is no frame yet";
    for (size_t i = 2; i < times.size(); ++i) EXPECT_NEAR(times[i], 1.0 / 26, 0.0005) << "frame " << i;
}
