// Opening a sound file for libsndfile without trusting it: only a regular
// file is opened (never blocking on a FIFO), and its container is checked
// against the file's length first, since libsndfile quietly shortens a WAV
// whose data chunk was cut off.
#pragma once
#include <sndfile.h>
#include <unistd.h>

#include <string>

#include "platform/audio.h"

namespace vr::audio {

// A sound file open in libsndfile; closing it closes the file.
struct OpenedSound {
    int fd = -1;
    SNDFILE* file = nullptr;
    SF_INFO info{};
    bool mpeg = false;         // an MP3 file
    bool mpegChecked = false;  // an MP3 whose Xing or Info header's byte count the file was found to hold
    OpenedSound() = default;
    OpenedSound(const OpenedSound&) = delete;
    OpenedSound& operator=(const OpenedSound&) = delete;
    ~OpenedSound() {
        if (file) sf_close(file);
        if (fd >= 0) ::close(fd);
    }
};

// Opens the file (path with "\" or "/"; the user's copy when there is one) as a
// sound of 1 or 2 channels and a known length. kNone, or the fault with its reason.
SoundFault OpenSound(const std::string& path, OpenedSound& out, std::string& reason);

}  // namespace vr::audio
