// Picture files (PNG, BMP, JPEG, TGA) read without trusting them: the file is
// read whole (a regular file only, never blocking on a FIFO), its structure is
// checked against its own length before any decoder sees it (every PNG chunk
// and its CRC up to IEND, and the image data inflated to the size the header
// needs; BMP rows or run-length codes; every JPEG segment up to EOI and enough
// scan data for its blocks; TGA pixels or run-length packets), and a size
// over the limit is refused from the header, before anything is decoded.
#pragma once
#include <string>
#include <string_view>

#include "platform/gdi.h"

namespace vr {

// The largest width or height of a picture, in pixels.
inline constexpr int kMaxPictureSide = 16384;
// The largest picture file read (a 16384 x 16384 picture of 32-bit pixels, uncompressed, and some).
inline constexpr uint64_t kMaxPictureFileBytes = (uint64_t(1) << 30) + (uint64_t(1) << 24);

// Why a picture was refused.
enum class PictureFault {
    kNone,
    kMissing,      // no such file
    kNotAFile,     // a folder, FIFO, device or socket, or a file that cannot be read
    kDamaged,      // not a picture of the four formats, or cut short or damaged
    kTooLarge,     // wider or higher than the limit
    kOutOfMemory,  // no memory for its pixels
};

// What the header of a checked picture says.
struct PictureHeader {
    const char* format = "";  // "PNG", "BMP", "JPEG" or "TGA"
    int width = 0, height = 0;
};

// Checks that `bytes` hold one whole picture whose sides are at most maxSide.
// TGA has no signature: a file that is none of the other three is read as TGA
// only when `namedTga`. kNone, or the fault with its reason in words.
PictureFault CheckPictureBytes(std::string_view bytes, bool namedTga, int maxSide, PictureHeader& header,
                               std::string& reason);

// Reads and decodes a picture file (path with "\" or "/"; the user's copy when
// there is one) into 0xAARRGGBB pixels. kNone, or the fault and its reason.
PictureFault ReadPicture(const std::string& path, Surface& argb, std::string& reason, int maxSide = kMaxPictureSide);

}  // namespace vr
