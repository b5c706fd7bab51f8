#pragma once
// Where captured frames go: numbered PNGs, one PNG, or an H.264 MP4 made by
// Debian's ffmpeg with the soundtrack muxed in. A sink is used by one thread
// at a time (FrameWriterThread's); it makes no GL calls.
#include "platform/CanvasSize.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One frame as read back from GL: RGB bytes, bottom row first.
struct CapturedFrame {
    long number = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Writes one frame; false when writing failed.
    virtual bool write(const CapturedFrame& frame) = 0;
    // Completes the output; false when it is not complete. After a false result
    // nothing is left behind that looks complete.
    virtual bool finish(bool success) = 0;
};

// PNGs named frame_00000.png ... in dir, each scaled to width x height.
std::unique_ptr<FrameSink> makePngSequenceSink(const std::string& dir, int width, int height, std::string& error);
// One PNG at path.
std::unique_ptr<FrameSink> makeStillSink(const std::string& path, int width, int height, std::string& error);
// An MP4 at path through ffmpeg: H.264, yuv420p, constant fps, the audio file
// from fromSeconds muxed as AAC and aligned so that its first sample is frame 0.
// It takes frames of the canvas size only (the size ffmpeg is told up front)
// and scales them to width x height; a write of any other size fails.
std::unique_ptr<FrameSink> makeMp4Sink(const std::string& path, CanvasSize canvas, int fps, int width, int height,
                                       const std::string& audioPath, double fromSeconds, double durationSeconds,
                                       std::string& error);

// True when an executable named ffmpeg is on the PATH.
bool ffmpegAvailable();

// Writes RGB rows (bottom row first, as GL reads them) to a PNG, scaled to
// width x height with bilinear filtering; false when it cannot be written.
bool writeRgbPng(const std::string& path, const CapturedFrame& frame, int width, int height);
