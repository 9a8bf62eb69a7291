// Random and mutated INI files through the profile functions (fixed seed):
// nothing crashes, every answer stays inside its buffer, and the parse kept
// after a write answers exactly like a fresh parse of the bytes on disk.
#include <unistd.h>

#include <random>

#include "profile_fixture.h"

using namespace vr;
using vr::testing::Profile;

namespace {

const std::vector<std::string> kPieces = {"[", "]", "=", ";", "\r", "\n", "\r\n", " ", "\t", "\v", "\"", "'",
                                          std::string(1, '\0'), "a", "B", "sec", "key", "%", "\xff", "x=1",
                                          "[sec]", "key=", "\nkey=v\r"};
const std::vector<std::string> kNames = {"sec", "SEC", "key", "", " a ", "a\tb", "x]y", "k=v", ";c", "[s", "n\r\nm",
                                         "\nkey"};

class Fuzz {
public:
    explicit Fuzz(uint32_t seed) : random_(seed) {}
    size_t Below(size_t n) { return n ? random_() % n : 0; }
    const std::string& Piece() { return kPieces[Below(kPieces.size())]; }
    const char* NameOrNull() { return Below(6) == 0 ? nullptr : kNames[Below(kNames.size())].c_str(); }

    std::string RandomFile() {
        std::string s;
        for (size_t n = Below(80); n > 0; --n) s += Piece();
        return s;
    }
    // Flips, inserts or deletes a few bytes of a file.
    std::string Mutate(std::string s) {
        for (size_t n = 1 + Below(4); n > 0; --n) {
            size_t at = Below(s.size() + 1);
            switch (Below(3)) {
                case 0: if (at < s.size()) s[at] = char(random_()); break;
                case 1: s.insert(at, Piece()); break;
                default: s.erase(at, Below(8)); break;
            }
        }
        return s;
    }

private:
    std::mt19937 random_;
};

// Every section, key and value as the profile functions answer them.
std::string Everything(const std::string& file) {
    auto list = [&](const char* sec) {
        std::string buf(1 << 16, '\0');
        uint32_t n = GetPrivateProfileStringA(sec, nullptr, "", buf.data(), uint32_t(buf.size()), file.c_str());
        std::vector<std::string> names;
        for (size_t i = 0; i < n; i += names.back().size() + 1) names.emplace_back(buf.data() + i);
        return names;
    };
    std::string out;
    for (const auto& sec : list(nullptr)) {
        out += "[" + sec + "]";
        for (const auto& key : list(sec.c_str())) {
            char value[300];
            uint32_t n = GetPrivateProfileStringA(sec.c_str(), key.c_str(), "", value, sizeof value, file.c_str());
            out += key + "=" + std::string(value, n) + "|";
        }
    }
    return out;
}

}  // namespace

TEST_F(Profile, RandomAndMutatedFilesAreReadAndWrittenSafely) {
    Fuzz fuzz(20240611);
    // In memory where there is one: the disk's flushes would only slow the rounds down.
    if (std::filesystem::is_directory("/dev/shm")) {
        dir_ = "/dev/shm/vr-profile-fuzz-" + std::to_string(::getpid());
        std::filesystem::create_directories(dir_);
        file_ = dir_ + "/t.ini";
    }
    // The link is another path to the same file, so it has its own parse.
    std::string mirror = dir_ + "/mirror.ini";
    std::filesystem::create_symlink("t.ini", mirror);
    std::string bytes;
    for (int round = 0; round < 4000; ++round) {
        bytes = fuzz.Below(2) ? fuzz.RandomFile() : fuzz.Mutate(bytes);
        File(bytes);
        for (int op = 0; op < 3; ++op) {
            uint32_t size = uint32_t(fuzz.Below(40));
            std::string buf(size + 8, '\x7f');
            uint32_t n = GetPrivateProfileStringA(fuzz.NameOrNull(), fuzz.NameOrNull(), fuzz.NameOrNull(), buf.data(),
                                                  size, file_.c_str());
            ASSERT_LE(n, size ? size - 1 : 0) << round;
            ASSERT_EQ(buf.substr(size), std::string(8, '\x7f')) << round;
            if (size) {
                ASSERT_EQ(buf[n], '\0') << round;
            }
        }
        const char* section = fuzz.NameOrNull();
        const char* key = fuzz.NameOrNull();
        const char* value = fuzz.Below(3) ? fuzz.Piece().c_str() : nullptr;
        WritePrivateProfileStringA(section, key, value, file_.c_str());
        ASSERT_EQ(Everything(file_), Everything(mirror)) << "round " << round;
        bytes = Bytes();
    }
    std::filesystem::remove_all(dir_);
}
