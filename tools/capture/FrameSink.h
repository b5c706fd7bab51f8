#pragma once
// Where captured frames go: numbered PNGs, one PNG, or an H.264 MP4 made by
// Debian's ffmpeg with the soundtrack muxed in. Every output is written under
// a unique temporary name beside its target and renamed when whole. A sink's
// write is called from the writer threads it asks for (writerCount), its
// other operations from the capture's thread; it makes no GL calls.
#include "platform/CanvasSize.h"
#include "tools/capture/Mp4Encoding.h"

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
    // nothing is left behind that looks complete, and the temporary files are gone.
    virtual bool finish(bool success) = 0;
    // How many threads may call write at once: 1 where frames must arrive in order.
    virtual int writerCount() const { return 1; }
};

// PNGs named frame_00000.png ... in dir, numbered from firstFrame, each the
// render centred in a frame-sized picture, written by several threads.
std::unique_ptr<FrameSink> makePngSequenceSink(const std::string& dir, CanvasSize frame, long firstFrame,
                                               std::string& error);
// One PNG at path, the render centred in a frame-sized picture. A path that
// is a link or not a regular file is refused.
std::unique_ptr<FrameSink> makeStillSink(const std::string& path, CanvasSize frame, std::string& error);
// An MP4 at path through ffmpeg, as the encoding says; it takes frames of the
// render size only (the size ffmpeg is told up front) and fails a write of any
// other size. A path that is a link or not a regular file is refused.
std::unique_ptr<FrameSink> makeMp4Sink(const std::string& path, const Mp4Encoding& encoding, std::string& error);

// True when an executable named ffmpeg is on the PATH.
bool ffmpegAvailable();

// Writes a frame (bottom row first, as GL reads it) to a PNG at path, centred
// in a picture of the frame size on black, under a temporary name renamed
// when whole; false when it cannot be written.
bool writeRgbPng(const std::string& path, const CapturedFrame& frame, CanvasSize picture);
