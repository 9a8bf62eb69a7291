// The media framework's filter graph, as far as the music player uses it: a
// file rendered into a streamed voice of the platform's mixer, run and
// stopped, with volume, balance, position and rate. The four views below are
// faces of one graph object, which lives while any view of it is held.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/com.h"

namespace korva2d::media {

using vr::com::HRESULT;

inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265);

// The graph itself: building it for a file, running and stopping it.
struct MediaControl {
    // Builds the decoding chain for a sound file (native or "\"-separated path); one file per graph.
    virtual HRESULT RenderFile(const std::string& path) = 0;
    // Why the last RenderFile failed, in words (empty after a success).
    virtual std::string RenderFailure() const = 0;
    // Plays from the current position; without a sound device the graph runs silently (S_FALSE),
    // its position following the clock (the platform's performance counter).
    virtual HRESULT Run() = 0;
    // Stops playing; the position stays.
    virtual HRESULT Stop() = 0;
    // Whether playing goes back to the start at each end of the file (false when built).
    virtual HRESULT SetLooping(bool loop) = 0;

protected:
    ~MediaControl() = default;
};

// Volume in hundredths of a decibel (-10000 silent .. 0 full) and balance
// (-10000 left only .. 10000 right only), as DirectSound pans.
struct BasicAudio {
    virtual HRESULT put_Volume(int32_t mb) = 0;
    virtual HRESULT put_Balance(int32_t mb) = 0;

protected:
    ~BasicAudio() = default;
};

// The graph's event queue: held by its clients, posts nothing.
struct MediaEvent {
protected:
    ~MediaEvent() = default;
};

// Length, position and playback rate, in seconds and as a factor.
struct MediaPosition {
    virtual HRESULT get_Duration(double* seconds) = 0;
    // What has been played so far; it stays at the end when the file has played out.
    virtual HRESULT get_CurrentPosition(double* seconds) = 0;
    virtual HRESULT put_CurrentPosition(double seconds) = 0;
    // 1 plays as recorded; the mixer's resampler changes the speed.
    virtual HRESULT put_Rate(double rate) = 0;

protected:
    ~MediaPosition() = default;
};

// A new, empty graph, held through its control view.
std::shared_ptr<MediaControl> CreateFilterGraph();
// The graph's other views; each keeps the graph alive (null for a null graph).
std::shared_ptr<BasicAudio> QueryBasicAudio(const std::shared_ptr<MediaControl>& graph);
std::shared_ptr<MediaEvent> QueryMediaEvent(const std::shared_ptr<MediaControl>& graph);
std::shared_ptr<MediaPosition> QueryMediaPosition(const std::shared_ptr<MediaControl>& graph);

}  // namespace korva2d::media
