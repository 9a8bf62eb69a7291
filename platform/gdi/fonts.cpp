#include "gdi/fonts.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <tuple>

#include "platform/runtime_error.h"

namespace vr {

namespace {
struct FontKey {
    std::string face;
    int size;
    bool bold, italic;
    bool operator<(const FontKey& o) const {
        return std::tie(face, size, bold, italic) < std::tie(o.face, o.size, o.bold, o.italic);
    }
};
std::map<FontKey, TTF_Font*>& Cache() {
    static std::map<FontKey, TTF_Font*> cache;
    return cache;
}
std::map<std::tuple<std::string, bool, bool>, std::string>& FileCache() {
    static std::map<std::tuple<std::string, bool, bool>, std::string> cache;
    return cache;
}
}  // namespace

int PointsToPixels(double points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

std::string FontFileFor(const std::string& face, bool bold, bool italic) {
    auto key = std::make_tuple(face, bold, italic);
    auto it = FileCache().find(key);
    if (it != FileCache().end()) return it->second;
    std::string result;
    if (FcInit()) {
        FcPattern* pat = FcPatternCreate();
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
        FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult res;
        FcPattern* match = FcFontMatch(nullptr, pat, &res);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                result = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pat);
    }
    FileCache()[key] = result;
    return result;
}

TTF_Font* GetFont(const std::string& face, int pixelSize, bool bold, bool italic) {
    if (pixelSize < 1) pixelSize = 1;
    FontKey key{face, pixelSize, bold, italic};
    auto it = Cache().find(key);
    if (it != Cache().end()) return it->second;
    if (!TTF_WasInit() && TTF_Init() != 0)
        throw RuntimeError(kErrInvalidCall, std::string("Cannot start the font renderer: ") + TTF_GetError());
    std::string file = FontFileFor(face, bold, italic);
    if (file.empty()) throw RuntimeError(kErrFileNotFound, "No font file found for the face \"" + face + "\"");
    TTF_Font* font = TTF_OpenFont(file.c_str(), pixelSize);
    if (!font) throw RuntimeError(kErrFileNotFound, "Cannot open the font " + file + ": " + TTF_GetError());
    // Emulate a bold weight when the matched file has none of its own.
    if (bold && !(TTF_GetFontStyle(font) & TTF_STYLE_BOLD) && file.find("Bold") == std::string::npos)
        TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    Cache()[key] = font;
    return font;
}

}  // namespace vr
