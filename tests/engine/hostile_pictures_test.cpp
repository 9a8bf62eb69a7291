// Damaged, cut, huge and non-file pictures handed to CreateTexture and
// CreateTextureEx: every call returns within a second and under 64 MB of
// extra memory, and a refused file is logged with its path and the reason.
#include <sys/stat.h>

#include <random>

#include "bounded_call.h"
#include "engine_fixture.h"
#include "hostile_pictures.h"

using namespace korva2d;
using namespace korva2d::calls;
using namespace vr::testing;

namespace {

const std::string kRefused = "Error in CreateTexture() : D3DXERR_INVALIDDATA";
const std::string kTooLarge = "Error in CreateTexture() : D3DERR_NOTAVAILABLE";

class HostilePictures : public ::testing::Test {
protected:
    void SetUp() override {
        fx_ = std::make_unique<korva2d_test::EngineFixture>("hostile-pictures", 64, 64);
        ASSERT_EQ(Korva2D_Start(*fx_->engine, fx_->form->hWnd(), fx_->dir, 64.0f, 64.0f), -1);
        log_ = std::make_unique<LogTail>(fx_->dir + "/log.txt");
    }
    // Writes the file and loads it (through CreateTexture when keyed); answers
    // the log lines the call added, without their time stamps.
    std::string Load(const std::string& name, const std::string& bytes, bool keyed = false) {
        OverwriteBytes(fx_->dir + "/" + name, bytes);
        return LoadFile(name, keyed);
    }
    std::string LoadFile(const std::string& name, bool keyed) {
        TextureObject texture = nullptr;
        RunWatched("loading " + name, [&] {
            if (keyed) CreateTexture(*fx_->engine, "key" + std::to_string(++keys_), name);
            else CreateTextureEx(*fx_->engine, texture, name);
        });
        loaded_ = texture != nullptr || (keyed && fx_->LastTexture());
        if (texture) texture->Release();
        return log_->NewText();
    }
    // True when `line` is one refusal of `name` that begins as `start` and gives a reason.
    bool Refused(const std::string& line, const std::string& name, const std::string& start = kRefused) {
        std::string file = "(" + fx_->dir + "\\" + name + ": ";
        size_t at = line.find(file);
        return !loaded_ && line.rfind(start, 0) == 0 && at != std::string::npos &&
               line.find('\n') == line.size() - 1 && line.size() > at + file.size() + 10;
    }

    std::unique_ptr<korva2d_test::EngineFixture> fx_;
    std::unique_ptr<LogTail> log_;
    int keys_ = 0;
    bool loaded_ = false;
};

std::vector<NamedBytes> SmallPictures() {
    return {
        {"small.png", Png(8, 8, PngPixels(8, 8), true)},
        {"small.bmp", Bmp24(8, 8, 8 * Bmp24RowBytes(8))},
        {"rle8.bmp", BmpRle8()},
        {"small.jpg", Jpeg(8, 8)},
        {"small.tga", Tga(8, 8, false, 64)},
        {"rle.tga", Tga(8, 8, true, 64)},
    };
}

}  // namespace

TEST_F(HostilePictures, EveryCutOfSmallPicturesIsRefusedWithTheFileAndTheReason) {
    for (const NamedBytes& p : SmallPictures()) {
        SCOPED_TRACE(p.name);
        ASSERT_EQ(Load(p.name, p.bytes), "") << "the whole picture loads";
        ASSERT_TRUE(loaded_);
        int wrong = 0;
        for (size_t size = 0; size < p.bytes.size(); ++size) {
            std::string line = Load(p.name, p.bytes.substr(0, size));
            if (!Refused(line, p.name) && ++wrong <= 3) ADD_FAILURE() << "cut at " << size << ": " << line;
        }
        EXPECT_EQ(wrong, 0) << "of " << p.bytes.size() << " cuts";
    }
}

TEST_F(HostilePictures, HeaderBombsAndFifosAreRefusedBeforeDecoding) {
    std::string jpeg = Jpeg(16, 16);
    for (const auto& bomb : PictureBombs(30000, jpeg)) {
        std::string line = Load(bomb.name, bomb.bytes, true);
        EXPECT_TRUE(Refused(line, bomb.name, kTooLarge)) << line;
        EXPECT_NE(line.find("30000 x 30000 pixels, more than the 16384"), std::string::npos) << line;
    }
    for (const auto& bomb : PictureBombs(16000, jpeg)) {
        std::string line = Load(bomb.name, bomb.bytes, true);
        EXPECT_TRUE(Refused(line, bomb.name)) << "the data its size needs is not there: " << line;
    }
    EXPECT_EQ(fx_->Object().Textures().Entries.Count(), keys_) << "each refused key stays taken";
    for (const char* name : {"pipe.png", "pipe.tga"}) {
        ASSERT_EQ(mkfifo((fx_->dir + "/" + name).c_str(), 0600), 0);
        for (bool keyed : {true, false}) {
            std::string line = LoadFile(name, keyed);
            EXPECT_TRUE(Refused(line, name)) << line;
            EXPECT_NE(line.find("it is a FIFO, device or socket, not a file"), std::string::npos) << line;
        }
    }
}

TEST_F(HostilePictures, SeededCutsAndDamageNeverHangAndNeverLoadACutFile) {
    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<NamedBytes> pictures = {
        {"big.png", Png(96, 64, PngPixels(96, 64), true)},
        {"big.jpg", Jpeg(96, 64, 75)},
        {"big.bmp", Bmp24(96, 64, 64 * Bmp24RowBytes(96))},
        {"big.tga", Tga(96, 64, true, 96 * 64)},
    };
    for (const NamedBytes& p : pictures) {
        SCOPED_TRACE(p.name);
        ASSERT_EQ(Load(p.name, p.bytes), "");
        for (int i = 0; i < 40; ++i) {
            size_t size = random() % p.bytes.size();
            std::string line = Load(p.name, p.bytes.substr(0, size));
            EXPECT_TRUE(Refused(line, p.name)) << "cut at " << size << ": " << line;
        }
        for (int i = 0; i < 40; ++i) {
            std::string damaged = p.bytes;
            for (int n = 1 + int(random() % 4); n > 0; --n) damaged[random() % damaged.size()] = char(random());
            std::string line = Load(p.name, damaged);
            // Damaged pixels may still decode; anything else is refused with its reason.
            EXPECT_TRUE(line.empty() ? loaded_ : Refused(line, p.name, "Error in CreateTexture() : ")) << line;
        }
    }
}
