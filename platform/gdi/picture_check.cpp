// The structural checks of picture files: everything a decoder will read must
// lie inside the file, and the size must be within the limit, before any
// decoder sees the bytes. The system's decoders trust their input (a short
// read can leave libpng looping on CRC warnings, and the TGA reader writes a
// whole claimed picture), so nothing reaches them unchecked.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/picture_file.h"

namespace vr {

namespace {

using Bytes = std::string_view;

uint32_t Be16(Bytes b, size_t at) { return uint32_t(uint8_t(b[at])) << 8 | uint8_t(b[at + 1]); }
uint32_t Be32(Bytes b, size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }
uint32_t Le16(Bytes b, size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8; }
uint32_t Le32(Bytes b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::string N(uint64_t n) { return std::to_string(n); }
std::string Hex(uint8_t marker) {
    char text[8];
    std::snprintf(text, sizeof text, "FF%02X", marker);
    return text;
}

// The outcome of one check, with its reason.
struct Verdict {
    PictureFault fault;
    std::string reason;
};
Verdict Ok() { return {PictureFault::kNone, ""}; }
Verdict Damaged(const std::string& why) { return {PictureFault::kDamaged, why}; }
Verdict Cut(Bytes b, const std::string& where) {
    return Damaged("the file is cut short: it ends at byte " + N(b.size()) + ", " + where);
}
Verdict SizeCheck(uint64_t w, uint64_t h, int maxSide) {
    if (w == 0 || h == 0) return Damaged("its header gives a size of " + N(w) + " x " + N(h) + " pixels");
    if (w > uint64_t(maxSide) || h > uint64_t(maxSide))
        return {PictureFault::kTooLarge, "the picture is " + N(w) + " x " + N(h) + " pixels, more than the " +
                                             N(uint64_t(maxSide)) + " a side that is allowed"};
    return Ok();
}

// ---- PNG ----

// Inflates the image data as it comes, only to count the bytes it gives.
class Inflater {
public:
    Inflater() : scratch_(65536) { ok_ = inflateInit(&z_) == Z_OK; }
    ~Inflater() { inflateEnd(&z_); }
    // False when the compressed data is damaged.
    bool Feed(Bytes data, uint64_t enough) {
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z_.avail_in = uInt(data.size());
        while (ok_ && !ended_ && produced_ < enough && z_.avail_in > 0) {
            z_.next_out = scratch_.data();
            z_.avail_out = uInt(scratch_.size());
            int r = inflate(&z_, Z_NO_FLUSH);
            produced_ += scratch_.size() - z_.avail_out;
            if (r == Z_STREAM_END) ended_ = true;
            else if (r != Z_OK && r != Z_BUF_ERROR) ok_ = false;
        }
        return ok_;
    }
    uint64_t Produced() const { return produced_; }

private:
    z_stream z_{};
    std::vector<Bytef> scratch_;
    uint64_t produced_ = 0;
    bool ok_ = false, ended_ = false;
};

// Bytes of filtered scan lines a PNG image of this shape inflates to.
uint64_t PngRawBytes(uint64_t w, uint64_t h, uint64_t bitsPerPixel, bool interlaced) {
    auto lines = [&](uint64_t pw, uint64_t ph) { return pw && ph ? ph * (1 + (pw * bitsPerPixel + 7) / 8) : 0; };
    if (!interlaced) return lines(w, h);
    static const int pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                   {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};  // x0, y0, dx, dy
    uint64_t total = 0;
    for (const auto& p : pass)
        total += lines(w > uint64_t(p[0]) ? (w - p[0] + p[2] - 1) / p[2] : 0,
                       h > uint64_t(p[1]) ? (h - p[1] + p[3] - 1) / p[3] : 0);
    return total;
}

// The bits of one pixel for a valid bit depth and colour type, 0 for an invalid pair.
uint64_t PngBitsPerPixel(unsigned depth, unsigned colourType) {
    auto depthIn = [&](std::initializer_list<unsigned> allowed) {
        for (unsigned d : allowed)
            if (d == depth) return true;
        return false;
    };
    switch (colourType) {
        case 0: return depthIn({1, 2, 4, 8, 16}) ? depth : 0;
        case 2: return depthIn({8, 16}) ? 3 * depth : 0;
        case 3: return depthIn({1, 2, 4, 8}) ? depth : 0;
        case 4: return depthIn({8, 16}) ? 2 * depth : 0;
        case 6: return depthIn({8, 16}) ? 4 * depth : 0;
        default: return 0;
    }
}

Verdict CheckPng(Bytes b, int maxSide, PictureHeader& header) {
    header.format = "PNG";
    Inflater inflater;
    uint64_t needed = 0;
    bool sawHeader = false, sawData = false;
    for (size_t pos = 8;;) {
        if (b.size() - pos < 8) return Cut(b, "before its IEND chunk");
        uint32_t length = Be32(b, pos);
        std::string type(b.substr(pos + 4, 4));
        for (char c : type)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                return Damaged("the chunk at byte " + N(pos) + " has no valid type");
        if (length > 0x7FFFFFFFu) return Damaged("the " + type + " chunk at byte " + N(pos) + " has an impossible length");
        if (b.size() - pos - 8 < uint64_t(length) + 4)
            return Cut(b, "inside the " + type + " chunk that starts at byte " + N(pos));
        Bytes data = b.substr(pos + 8, length);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(b.data() + pos + 4), uInt(length) + 4);
        if (crc != Be32(b, pos + 8 + length))
            return Damaged("the " + type + " chunk at byte " + N(pos) + " fails its CRC check");
        if (!sawHeader) {
            if (type != "IHDR" || length != 13) return Damaged("its first chunk is not a 13-byte IHDR");
            uint32_t w = Be32(data, 0), h = Be32(data, 4);
            Verdict size = SizeCheck(w, h, maxSide);
            if (size.fault != PictureFault::kNone) return size;
            uint64_t bits = PngBitsPerPixel(uint8_t(data[8]), uint8_t(data[9]));
            if (!bits || data[10] != 0 || data[11] != 0 || uint8_t(data[12]) > 1)
                return Damaged("its IHDR chunk holds an invalid bit depth, colour type or method");
            header.width = int(w);
            header.height = int(h);
            needed = PngRawBytes(w, h, bits, data[12] == 1);
            sawHeader = true;
        } else if (type == "IDAT") {
            sawData = true;
            if (!inflater.Feed(data, needed))
                return Damaged("the compressed image data in the IDAT chunk at byte " + N(pos) + " is damaged");
        } else if (type == "IEND") {
            break;
        }
        pos += 12 + size_t(length);
    }
    if (!sawData) return Damaged("it holds no image data (no IDAT chunk)");
    if (inflater.Produced() < needed)
        return Damaged("its image data gives " + N(inflater.Produced()) + " of the " + N(needed) +
                       " bytes its size needs");
    return Ok();
}

// ---- BMP ----

// Walks the run-length codes of an RLE8 or RLE4 bitmap up to its end mark.
Verdict CheckBmpRunLengths(Bytes b, size_t pos, bool fourBit) {
    for (;;) {
        if (b.size() - pos < 2) return Cut(b, "inside its run-length codes, before their end mark");
        uint8_t count = uint8_t(b[pos]), code = uint8_t(b[pos + 1]);
        pos += 2;
        if (count > 0 || code == 0) continue;  // a run, or the end of a line
        if (code == 1) return Ok();            // the end of the bitmap
        size_t extra = 2;  // a move
        if (code > 2) {    // literal pixels, filling whole words
            extra = fourBit ? (code + 1) / 2 : code;
            extra += extra & 1;
        }
        if (b.size() - pos < extra) return Cut(b, "inside its run-length codes, before their end mark");
        pos += extra;
    }
}

Verdict CheckBmp(Bytes b, int maxSide, PictureHeader& header) {
    header.format = "BMP";
    if (b.size() < 18) return Cut(b, "inside its file header");
    uint32_t dataAt = Le32(b, 10), infoSize = Le32(b, 14);
    if (infoSize != 12 && (infoSize < 16 || infoSize > 124))
        return Damaged("its information header has a size of " + N(infoSize) + " bytes, which BMP does not know");
    if (b.size() - 14 < infoSize) return Cut(b, "inside its information header");
    int64_t w, h;
    uint32_t bits, compression = 0, coloursUsed = 0;
    if (infoSize == 12) {
        w = Le16(b, 18);
        h = Le16(b, 20);
        bits = Le16(b, 24);
    } else {
        w = int32_t(Le32(b, 18));
        h = int32_t(Le32(b, 22));
        bits = Le16(b, 28);
        if (infoSize >= 20) compression = Le32(b, 30);
        if (infoSize >= 36) coloursUsed = Le32(b, 46);
    }
    if (w < 0) return Damaged("its header gives a negative width");
    Verdict size = SizeCheck(uint64_t(w), uint64_t(h < 0 ? -h : h), maxSide);
    if (size.fault != PictureFault::kNone) return size;
    header.width = int(w);
    header.height = int(h < 0 ? -h : h);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Damaged("its pixels have " + N(bits) + " bits, which BMP does not know");
    if (bits <= 8) {
        uint64_t colours = coloursUsed ? coloursUsed : uint64_t(1) << bits;
        if (colours > 256) return Damaged("its colour table claims " + N(colours) + " colours");
        if (b.size() - 14 - infoSize < colours * (infoSize == 12 ? 3 : 4)) return Cut(b, "inside its colour table");
    }
    if (dataAt > b.size()) return Cut(b, "before its pixels, which start at byte " + N(dataAt));
    if (dataAt < 14 + infoSize) return Damaged("its pixels would start inside its header, at byte " + N(dataAt));
    if (compression == 1 || compression == 2) {
        if (bits != (compression == 1 ? 8u : 4u)) return Damaged("its run-length coding does not fit its pixel size");
        return CheckBmpRunLengths(b, dataAt, compression == 2);
    }
    if (compression != 0 && compression != 3 && compression != 6)
        return Damaged("its compression " + N(compression) + " is not one the loader reads");
    uint64_t rows = uint64_t(header.height) * ((uint64_t(w) * bits + 31) / 32 * 4);
    if (b.size() - dataAt < rows)
        return Cut(b, "after " + N(b.size() - dataAt) + " of the " + N(rows) + " bytes of pixel rows it needs");
    return Ok();
}

// ---- JPEG ----

bool IsFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

Verdict CheckJpeg(Bytes b, int maxSide, PictureHeader& header) {
    header.format = "JPEG";
    bool sawFrame = false, sawScan = false, huffman = false;
    uint64_t blocks = 0, scanBytes = 0;
    for (size_t pos = 2;;) {
        if (pos >= b.size()) return Cut(b, "before its end-of-image marker");
        if (uint8_t(b[pos]) != 0xFF) return Damaged("byte " + N(pos) + " should begin a marker and does not");
        while (pos < b.size() && uint8_t(b[pos]) == 0xFF) ++pos;  // fill bytes
        if (pos >= b.size()) return Cut(b, "before its end-of-image marker");
        uint8_t marker = uint8_t(b[pos++]);
        if (marker == 0xD9) break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // markers without a segment
        if (marker == 0x00 || marker == 0xD8) return Damaged("it holds a stray marker at byte " + N(pos - 2));
        if (b.size() - pos < 2) return Cut(b, "inside the segment of marker " + Hex(marker));
        uint32_t length = Be16(b, pos);
        if (length < 2) return Damaged("the segment at byte " + N(pos - 2) + " has an impossible length");
        if (b.size() - pos < length) return Cut(b, "inside the segment that starts at byte " + N(pos - 2));
        Bytes seg = b.substr(pos + 2, length - 2);
        if (IsFrameMarker(marker)) {
            if (sawFrame) return Damaged("it holds a second frame header at byte " + N(pos - 2));
            if (seg.size() < 6 || seg.size() != 6 + 3 * size_t(uint8_t(seg[5])) || seg[5] == 0)
                return Damaged("its frame header at byte " + N(pos - 2) + " is malformed");
            uint32_t h = Be16(seg, 1), w = Be16(seg, 3), components = uint8_t(seg[5]);
            if (h == 0) return Damaged("its height is only given after the image data, which is not supported");
            Verdict size = SizeCheck(w, h, maxSide);
            if (size.fault != PictureFault::kNone) return size;
            header.width = int(w);
            header.height = int(h);
            uint32_t hMax = 1, vMax = 1;
            for (uint32_t c = 0; c < components; ++c) {
                uint32_t hv = uint8_t(seg[6 + 3 * c + 1]);
                if ((hv >> 4) < 1 || (hv >> 4) > 4 || (hv & 15) < 1 || (hv & 15) > 4)
                    return Damaged("its frame header gives a component an invalid sampling factor");
                hMax = std::max(hMax, hv >> 4);
                vMax = std::max(vMax, hv & 15);
            }
            // Every 8 x 8 block of every component codes at least its DC difference, one bit or more.
            for (uint32_t c = 0; c < components; ++c) {
                uint32_t hv = uint8_t(seg[6 + 3 * c + 1]);
                uint64_t cw = (uint64_t(w) * (hv >> 4) + hMax - 1) / hMax, ch = (uint64_t(h) * (hv & 15) + vMax - 1) / vMax;
                blocks += ((cw + 7) / 8) * ((ch + 7) / 8);
            }
            huffman = marker <= 0xC2;  // baseline, extended and progressive with Huffman codes
            sawFrame = true;
        }
        pos += length;
        if (marker != 0xDA) continue;
        if (!sawFrame) return Damaged("a scan comes before the frame header");
        sawScan = true;
        // The coded data runs to the next marker that is neither a stuffed 0xFF nor a restart marker.
        for (size_t start = pos;;) {
            const void* ff = std::memchr(b.data() + pos, 0xFF, b.size() - pos);
            if (!ff) return Cut(b, "inside the coded data of a scan");
            size_t at = size_t(static_cast<const char*>(ff) - b.data());
            if (at + 1 >= b.size()) return Cut(b, "inside the coded data of a scan");
            uint8_t next = uint8_t(b[at + 1]);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos = at + 2;
                continue;
            }
            scanBytes += at - start;
            pos = at;
            break;
        }
    }
    if (!sawFrame || !sawScan) return Damaged("it holds no frame header or no scan");
    if (huffman && scanBytes * 8 < blocks)
        return Damaged("its scans hold " + N(scanBytes) + " bytes, too few for the " + N(blocks) + " blocks of " +
                       N(uint64_t(header.width)) + " x " + N(uint64_t(header.height)) + " pixels");
    return Ok();
}

// ---- TGA ----

Verdict CheckTga(Bytes b, int maxSide, PictureHeader& header) {
    header.format = "TGA";
    if (b.size() < 18) return Damaged("it is not a PNG, BMP, JPEG or TGA picture (too short for a TGA header)");
    uint32_t idLength = uint8_t(b[0]), mapType = uint8_t(b[1]), type = uint8_t(b[2]);
    uint32_t mapLength = Le16(b, 5), mapBits = uint8_t(b[7]);
    uint32_t w = Le16(b, 12), h = Le16(b, 14), bits = uint8_t(b[16]);
    bool rle = type >= 9;
    uint32_t base = rle ? type - 8 : type;
    if (mapType > 1 || base < 1 || base > 3 || (base == 1) != (mapType == 1))
        return Damaged("it is not a PNG, BMP, JPEG or TGA picture (the TGA header names no known image type)");
    if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return Damaged("its pixels have " + N(bits) + " bits, which TGA does not know");
    Verdict size = SizeCheck(w, h, maxSide);
    if (size.fault != PictureFault::kNone) return size;
    header.width = int(w);
    header.height = int(h);
    uint64_t pos = 18 + uint64_t(idLength) + (mapType ? uint64_t(mapLength) * ((mapBits + 7) / 8) : 0);
    if (pos > b.size()) return Cut(b, "inside its identification field or colour map");
    uint64_t pixelBytes = (bits + 7) / 8, pixels = uint64_t(w) * h;
    if (!rle) {
        if (b.size() - pos < pixels * pixelBytes)
            return Cut(b, "after " + N(b.size() - pos) + " of the " + N(pixels * pixelBytes) + " bytes of pixels it needs");
        return Ok();
    }
    for (uint64_t done = 0; done < pixels;) {
        if (pos >= b.size()) return Cut(b, "inside its run-length packets, after " + N(done) + " of " + N(pixels) + " pixels");
        uint8_t packet = uint8_t(b[pos++]);
        uint64_t count = (packet & 0x7F) + 1, bytes = (packet & 0x80) ? pixelBytes : count * pixelBytes;
        if (b.size() - pos < bytes)
            return Cut(b, "inside its run-length packets, after " + N(done) + " of " + N(pixels) + " pixels");
        pos += bytes;
        done += count;
    }
    return Ok();
}

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

}  // namespace

PictureFault CheckPictureBytes(std::string_view bytes, bool namedTga, int maxSide, PictureHeader& header,
                               std::string& reason) {
    header = PictureHeader{};
    Verdict v;
    if (bytes.empty()) {
        v = Damaged("the file is empty");
    } else if (bytes.size() >= 8 && bytes.substr(0, 8) == Bytes(kPngSignature, 8)) {
        v = CheckPng(bytes, maxSide, header);
    } else if (bytes.size() < 8 && bytes == Bytes(kPngSignature, bytes.size())) {
        v = Cut(bytes, "inside its PNG signature");
    } else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        v = CheckBmp(bytes, maxSide, header);
    } else if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8) {
        v = CheckJpeg(bytes, maxSide, header);
    } else if (namedTga) {
        v = CheckTga(bytes, maxSide, header);
    } else {
        v = Damaged("it is not a PNG, BMP, JPEG or TGA picture");
    }
    reason = v.reason;
    return v.fault;
}

}  // namespace vr
