// The bitmap font: font.ini, read at the full start or written with the
// default 11 x 11 grid, and the cell of a character.
#include "graphics/bitmap_font.h"

#include <unistd.h>

#include <string_view>
#include <vector>

#include "core/dx8/dx8_errors.h"
#include "extra/mod_extra.h"
#include "graphics/default_font.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "platform/virtual_store.h"
#include "platform/variant.h"

namespace korva2d {

namespace {

// The default table.
std::array<Text, 121> DefaultSigns() {
    std::array<Text, 121> signs;
    for (size_t i = 0; i < signs.size(); ++i) signs[i] = Text(1, kDefaultSigns[i]);
    return signs;
}

// The pieces of a text split at every small letter x.
std::vector<Text> SplitAtX(const Text& value) {
    std::vector<Text> pieces(1);
    for (char c : value) {
        if (c == 'x') pieces.emplace_back();
        else pieces.back() += c;
    }
    return pieces;
}

std::string_view TrimSpaces(std::string_view s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

}  // namespace

int16_t BitmapFont::GetLetterIndex(const Text& character) const {
    std::string_view c = TrimSpaces(character);
    for (int16_t i = 0; i <= 120; ++i)
        if (TrimSpaces(Signs[size_t(i)]) == c) return i;
    return 0;
}

void BitmapFont::LoadFontIni() {
    const Text file = "font.ini";
    if (AppFileExists(file)) {
        // A failure names font.ini and what in it is wrong.
        auto explain = [&](const std::string& what, auto&& step) {
            try {
                step();
            } catch (const vr::RuntimeError& e) {
                dx8::Fail(e.number(), AppFile(file) + ": " + what);
            }
        };
        std::string reason;
        int fd = vr::OpenRegularFileForReading(vr::PathForReading(AppFile(file)), reason);
        if (fd < 0) dx8::Fail(vr::kErrFileAccess, AppFile(file) + ": " + reason);
        ::close(fd);
        for (int i = 0; i <= 120; ++i) Signs[size_t(i)] = ReadIniValue("Signs value", std::to_string(i), file);
        for (int i = 0; i <= 120; ++i) {
            Text value = ReadIniValue("Signs position", std::to_string(i), file);
            if (value.empty()) continue;
            explain("[Signs position] " + std::to_string(i) + " = \"" + value +
                        "\" is not two whole numbers joined by a small x",
                    [&] {
                        std::vector<Text> pieces = SplitAtX(value);
                        LetterPos[size_t(i)].X = Variant(pieces[0]).ToInt16();
                        if (pieces.size() < 2) throw vr::RuntimeError(vr::kErrSubscript);
                        LetterPos[size_t(i)].Y = Variant(pieces[1]).ToInt16();
                    });
        }
        for (auto [key, field] : {std::pair{"Width", &LetterWidth}, std::pair{"Height", &LetterHeight}}) {
            Text value = ReadIniValue("Letter sizes", key, file);
            explain("[Letter sizes] " + std::string(key) + " = \"" + value + "\" is not a whole number",
                    [&] { *field = Variant(value).ToInt16(); });
        }
        return;
    }
    Signs = DefaultSigns();
    // The 244 values reach the disk as one file, not 244 rewrites of it.
    vr::ProfileWriteGroup oneWrite;
    for (int i = 0; i <= 120; ++i) WriteIniValue("Signs value", std::to_string(i), Signs[size_t(i)], Variant(file));
    int k = 0;
    for (int row = 0; row < kDefaultGrid; ++row) {
        for (int column = 0; column < kDefaultGrid; ++column, ++k) {
            LetterPos[size_t(k)].X = int16_t(kDefaultPitch * column + 1);
            LetterPos[size_t(k)].Y = int16_t(kDefaultPitch * row + 1);
            WriteIniValue("Signs position", std::to_string(k),
                          std::to_string(LetterPos[size_t(k)].X) + "x" + std::to_string(LetterPos[size_t(k)].Y),
                          Variant(file));
        }
    }
    LetterWidth = kDefaultCell;
    LetterHeight = kDefaultCell;
    WriteIniValue("Letter sizes", "Width", std::to_string(kDefaultCell), Variant(file));
    WriteIniValue("Letter sizes", "Height", std::to_string(kDefaultCell), Variant(file));
}

}  // namespace korva2d
