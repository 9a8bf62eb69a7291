// Small pictures of each format written byte by byte, and hostile ones made
// from them: headers that claim a huge size over a few bytes of data.
#pragma once
#include <SDL.h>
#include <SDL_image.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>
#include <string>

namespace vr::testing {

inline std::string Le(uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
    return s;
}
inline std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

inline std::string PngChunk(const std::string& type, const std::string& data) {
    std::string body = type + data;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    return Be32(uint32_t(data.size())) + body + Be32(uint32_t(crc));
}

inline std::string Deflate(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    out.resize(size);
    return out;
}

// An RGBA PNG; `ancillary` adds the cHRM, tIME and tEXt chunks encoders often write.
inline std::string Png(uint32_t w, uint32_t h, const std::string& idat, bool ancillary = false) {
    std::string ihdr = Be32(w) + Be32(h) + std::string("\x08\x06\0\0\0", 5);
    std::string png = "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", ihdr);
    if (ancillary) {
        std::string chromaticities;  // the white point and the primaries of sRGB
        for (uint32_t v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u}) chromaticities += Be32(v);
        png += PngChunk("cHRM", chromaticities);
        png += PngChunk("tIME", std::string("\x07\xe8\x01\x02\x03\x04\x05", 7));
        png += PngChunk("tEXt", std::string("Comment\0a small test picture", 28));
    }
    return png + PngChunk("IDAT", idat) + PngChunk("IEND", "");
}

// w x h RGBA pixels of a pattern, as filtered scan lines.
inline std::string PngPixels(uint32_t w, uint32_t h) {
    std::string raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw += '\0';
        for (uint32_t x = 0; x < w; ++x) raw += {char(x * 30), char(y * 30), char(x ^ y), '\xff'};
    }
    return Deflate(raw);
}

inline std::string Bmp24(int32_t w, int32_t h, uint32_t pixelBytes) {
    std::string info = Le(40, 4) + Le(uint32_t(w), 4) + Le(uint32_t(h), 4) + Le(1, 2) + Le(24, 2) + std::string(24, '\0');
    std::string pixels;
    for (uint32_t i = 0; i < pixelBytes; ++i) pixels += char(i * 7);
    return "BM" + Le(54 + pixelBytes, 4) + Le(0, 4) + Le(54, 4) + info + pixels;
}
inline uint32_t Bmp24RowBytes(int32_t w) { return (uint32_t(w) * 24 + 31) / 32 * 4; }

// An 8 x 8 RLE8 BMP of four colours: runs, a literal run, line ends and the end mark.
inline std::string BmpRle8() {
    std::string palette = Le(0x000000, 4) + Le(0xFF0000, 4) + Le(0x00FF00, 4) + Le(0x0000FF, 4);
    std::string codes;
    for (int y = 0; y < 8; ++y) {
        codes += std::string("\x04", 1) + char(y % 4) + std::string("\0\x04\x01\x02\x03\x01", 6);  // 4 + literal 4
        codes += std::string("\0\0", 2);                                                          // end of line
    }
    codes += std::string("\0\x01", 2);  // end of bitmap
    std::string info = Le(40, 4) + Le(8, 4) + Le(8, 4) + Le(1, 2) + Le(8, 2) + Le(1, 4) + Le(uint32_t(codes.size()), 4) +
                       Le(0, 8) + Le(4, 4) + Le(0, 4);
    uint32_t at = 14 + 40 + uint32_t(palette.size());
    return "BM" + Le(at + uint32_t(codes.size()), 4) + Le(0, 4) + Le(at, 4) + info + palette + codes;
}

// A 24-bit TGA, uncompressed or run-length coded, whose data covers `pixels` pixels.
inline std::string Tga(uint16_t w, uint16_t h, bool rle, uint32_t pixels) {
    std::string header = std::string(1, '\0') + '\0' + char(rle ? 10 : 2) + std::string(9, '\0') + Le(w, 2) + Le(h, 2) +
                         char(24) + char(0x20);
    std::string data;
    for (uint32_t done = 0, i = 0; done < pixels; ++i) {
        uint32_t n = std::min<uint32_t>(4, pixels - done);
        if (!rle) data += std::string(3 * n, char(i * 5));
        else if (i % 2) data += char(n - 1) + std::string(3 * n, char(i));  // n literal pixels
        else data += char(0x80 | (n - 1)) + std::string("\x10\x20\x30", 3);  // one pixel n times
        done += n;
    }
    return header + data;
}

// A JPEG of the pattern, through SDL_image's encoder.
inline std::string Jpeg(int w, int h, int quality = 90) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 30) << 8;
    std::string out(size_t(64 * 1024 + w * h * 4), '\0');
    SDL_RWops* rw = SDL_RWFromMem(out.data(), int(out.size()));
    IMG_SaveJPG_RW(s, rw, 0, quality);
    out.resize(size_t(SDL_RWtell(rw)));
    SDL_RWclose(rw);
    SDL_FreeSurface(s);
    return out;
}

// The JPEG with its frame header claiming w x h.
inline std::string JpegClaiming(std::string jpeg, uint16_t w, uint16_t h) {
    size_t sof = jpeg.find("\xff\xc0");
    if (sof != std::string::npos) {
        jpeg[sof + 5] = char(h >> 8), jpeg[sof + 6] = char(h);
        jpeg[sof + 7] = char(w >> 8), jpeg[sof + 8] = char(w);
    }
    return jpeg;
}

// Header bombs: each format's header claiming side x side over a few bytes of data.
struct NamedBytes {
    std::string name, bytes;
};
inline std::vector<NamedBytes> PictureBombs(uint16_t side, const std::string& smallJpeg) {
    std::string tag = std::to_string(side);
    return {
        {"bomb" + tag + ".png", Png(side, side, Deflate(std::string(64, '\0')))},
        {"bomb" + tag + ".bmp", Bmp24(side, side, 64)},
        {"bomb" + tag + ".jpg", JpegClaiming(smallJpeg, side, side)},
        {"bomb" + tag + ".tga", Tga(side, side, false, 20)},
        {"bomb" + tag + "rle.tga", Tga(side, side, true, 20)},
    };
}

}  // namespace vr::testing
