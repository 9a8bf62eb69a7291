#include "audio/sound_file_open.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/regular_file.h"
#include "platform/virtual_store.h"

namespace vr::audio {

namespace {

std::string N(uint64_t n) { return std::to_string(n); }

bool ReadAt(int fd, uint64_t at, void* out, size_t n) {
    return ::pread(fd, out, n, off_t(at)) == ssize_t(n);
}
uint32_t Le32(const unsigned char* p) { return uint32_t(p[0]) | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A WAV file (RIFF, RIFX or RF64) must hold the whole data chunk its header
// announces; libsndfile would read a shorter one without a word.
SoundFault CheckWaveData(int fd, uint64_t size, std::string& reason) {
    unsigned char head[12];
    if (!ReadAt(fd, 0, head, 12) || std::memcmp(head + 8, "WAVE", 4) != 0) return SoundFault::kNone;
    bool rifx = std::memcmp(head, "RIFX", 4) == 0, rf64 = std::memcmp(head, "RF64", 4) == 0;
    if (!rifx && !rf64 && std::memcmp(head, "RIFF", 4) != 0) return SoundFault::kNone;
    uint64_t longDataSize = 0;  // RF64 keeps the real size in its ds64 chunk
    uint64_t at = 12;
    for (int chunks = 0; chunks < 4096; ++chunks) {
        unsigned char chunk[16];
        if (at > size || size - at < 8 || !ReadAt(fd, at, chunk, 8)) break;
        uint32_t declared = rifx ? Be32(chunk + 4) : Le32(chunk + 4);
        if (rf64 && std::memcmp(chunk, "ds64", 4) == 0 && size - at >= 24 && ReadAt(fd, at + 16, chunk + 8, 8))
            longDataSize = uint64_t(Le32(chunk + 8)) | uint64_t(Le32(chunk + 12)) << 32;
        if (std::memcmp(chunk, "data", 4) == 0) {
            uint64_t promised = rf64 && declared == 0xFFFFFFFFu ? longDataSize : declared;
            uint64_t held = size - at - 8;
            if (declared == 0xFFFFFFFFu && !rf64) return SoundFault::kNone;  // written while recording: length open
            if (held >= promised) return SoundFault::kNone;
            reason = "the file is cut short: its data chunk holds " + N(held) + " of the " + N(promised) +
                     " bytes its header promises";
            return SoundFault::kCut;
        }
        at += 8 + uint64_t(declared) + (declared & 1);
    }
    reason = "the file is cut short or damaged: no data chunk follows its WAV header";
    return SoundFault::kCut;
}

// The CRC of an Ogg page (polynomial 0x04C11DB7, most significant bit first).
uint32_t OggCrc(const unsigned char* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

// An Ogg file ends with a whole page that closes its stream; a file cut short
// ends inside a page or after one that does not.
SoundFault CheckOggEnd(int fd, uint64_t size, std::string& reason) {
    unsigned char magic[4];
    if (!ReadAt(fd, 0, magic, 4) || std::memcmp(magic, "OggS", 4) != 0) return SoundFault::kNone;
    // A page holds at most 65307 bytes, so the last whole page starts in the last two page lengths.
    uint64_t from = size > 2 * 65307 ? size - 2 * 65307 : 0;
    std::vector<unsigned char> tail(size - from);
    if (!ReadAt(fd, from, tail.data(), tail.size())) return SoundFault::kNotAFile;
    for (size_t at = tail.size() < 27 ? 0 : tail.size() - 27 + 1; at-- > 0;) {
        if (std::memcmp(&tail[at], "OggS", 4) != 0 || tail.size() - at < 27) continue;
        size_t segments = tail[at + 26], length = 27 + segments;
        if (tail.size() - at < length) continue;
        for (size_t s = 0; s < segments; ++s) length += tail[at + 27 + s];
        if (tail.size() - at < length) continue;
        std::vector<unsigned char> page(tail.begin() + long(at), tail.begin() + long(at + length));
        uint32_t stored = uint32_t(page[22]) | page[23] << 8 | page[24] << 16 | uint32_t(page[25]) << 24;
        std::memset(&page[22], 0, 4);
        if (OggCrc(page.data(), page.size()) != stored) continue;
        if (tail[at + 5] & 4) return SoundFault::kNone;  // the end-of-stream page
        reason = "the file is cut short: its last whole Ogg page, at byte " + N(from + at) + ", does not end the stream";
        return SoundFault::kCut;
    }
    reason = "the file is cut short or damaged: no whole Ogg page lies at its end";
    return SoundFault::kCut;
}

// For an MP3 file with a Xing or Info header in its first frame (as encoders
// write it): the bytes that header promises for the stream, and the bytes the
// file holds from that frame on. Reading the end of an MP3 to see whether it
// is all there means scanning every frame before it, which takes a quarter of a
// second for an hour of music; comparing the sizes takes nothing.
bool MpegStreamBytes(int fd, uint64_t size, uint64_t& promised, uint64_t& held) {
    unsigned char head[10] = {}, frame[64] = {};
    if (!ReadAt(fd, 0, head, sizeof head)) return false;
    uint64_t start = 0;
    if (std::memcmp(head, "ID3", 3) == 0)  // an ID3v2 tag before the first frame
        start = 10 + ((head[5] & 0x10) ? 10 : 0) +
                (uint64_t(head[6] & 0x7f) << 21 | (head[7] & 0x7f) << 14 | (head[8] & 0x7f) << 7 | (head[9] & 0x7f));
    if (start >= size || !ReadAt(fd, start, frame, sizeof frame) || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0)
        return false;
    bool mpeg1 = ((frame[1] >> 3) & 3) == 3, mono = ((frame[3] >> 6) & 3) == 3, crc = !(frame[1] & 1);
    size_t at = 4 + (crc ? 2 : 0) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));  // past the side information
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0) return false;
    uint32_t flags = Be32(frame + at + 4);
    if (!(flags & 2)) return false;  // no byte count
    promised = Be32(frame + at + 8 + ((flags & 1) ? 4 : 0));
    held = size - start;
    return true;
}

}  // namespace

SoundFault OpenSound(const std::string& path, OpenedSound& out, std::string& reason) {
    int fd = OpenRegularFileForReading(PathForReading(path), reason);
    if (fd < 0) return errno == ENOENT ? SoundFault::kMissing : SoundFault::kNotAFile;
    out.fd = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
        return SoundFault::kNotAFile;
    }
    uint64_t size = uint64_t(st.st_size);
    if (size == 0) {
        reason = "the file is empty";
        return SoundFault::kNotASound;
    }
    SoundFault fault = CheckWaveData(fd, size, reason);
    if (fault == SoundFault::kNone) fault = CheckOggEnd(fd, size, reason);
    if (fault != SoundFault::kNone) return fault;
    out.file = sf_open_fd(fd, SFM_READ, &out.info, SF_FALSE);
    if (!out.file) {
        reason = std::string("it is not a sound libsndfile reads: ") + sf_strerror(nullptr);
        return SoundFault::kNotASound;
    }
    const SF_INFO& info = out.info;
    if (info.channels < 1 || info.channels > 2 || info.samplerate < 1 || info.frames < 0) {
        reason = "it has " + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) +
                 " Hz; a sound has 1 or 2";
        return SoundFault::kNotASound;
    }
    // libsndfile answers SF_COUNT_MAX when it cannot tell the length (a cut-off Ogg file).
    if (info.frames >= int64_t(1) << 40) {
        reason = "its length cannot be told: it is cut short or damaged";
        return SoundFault::kCut;
    }
    out.mpeg = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    uint64_t promised = 0, held = 0;
    if (out.mpeg && MpegStreamBytes(fd, size, promised, held)) {
        if (held < promised) {
            reason = "the file is cut short: its MP3 frames hold " + N(held) + " of the " + N(promised) +
                     " bytes its Xing header promises";
            return SoundFault::kCut;
        }
        out.mpegChecked = true;
    }
    return SoundFault::kNone;
}

}  // namespace vr::audio
