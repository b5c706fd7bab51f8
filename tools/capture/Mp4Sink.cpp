// The MP4 sink: frames piped to ffmpeg, in one pass or in two over a lossless
// intermediate, every file of the job in one temporary folder beside the
// target, and the finished video renamed onto the target.
#include "tools/capture/FrameSink.h"

#include "platform/StopRequests.h"
#include "tools/capture/ChildProcess.h"
#include "tools/capture/OutputFile.h"

#include <csignal>
#include <cstdio>

namespace {

class Mp4Sink : public FrameSink {
public:
    Mp4Sink(std::string path, std::string folder, Mp4Encoding encoding)
        : path(std::move(path)), folder(std::move(folder)), encoding(std::move(encoding)) {}
    ~Mp4Sink() override {
        encoder.stop();
        removeTemp(folder);
    }

    // Starts the first (or only) pass reading frames from a pipe.
    bool start(std::string& error) {
        const std::vector<std::string> command = encoding.twoPass
                                                     ? firstPassCommand(encoding, intermediate(), passLog())
                                                     : singlePassCommand(encoding, video());
        return encoder.start(command, true, error);
    }

    // ffmpeg was told the render size; a frame of any other size would shear the video.
    bool write(const CapturedFrame& frame) override {
        const CanvasSize& render = encoding.render;
        if (frame.width != render.width || frame.height != render.height ||
            frame.rgb.size() != static_cast<size_t>(render.width) * render.height * 3) {
            return false;
        }
        return encoder.write(frame.rgb.data(), frame.rgb.size());
    }

    bool finish(bool success) override {
        success = encoder.finish() && success;
        if (success && encoding.twoPass) {
            success = runSecondPass();
        }
        // A stop that came as ffmpeg finished still means no output.
        success = success && stopSignal() == 0 && publish(video(), path);
        removeTemp(folder);
        return success;
    }

private:
    std::string intermediate() const { return folder + "/frames.mkv"; }
    std::string passLog() const { return folder + "/pass"; }
    std::string video() const { return folder + "/video.mp4"; }

    bool runSecondPass() {
        std::fprintf(stderr, "morvel-capture: second pass\n");
        ChildProcess secondPass;
        std::string error;
        if (!secondPass.start(secondPassCommand(encoding, intermediate(), passLog(), video()), false, error)) {
            std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
            return false;
        }
        return secondPass.finish();
    }

    std::string path;
    std::string folder;
    Mp4Encoding encoding;
    ChildProcess encoder;
};

}  // namespace

std::unique_ptr<FrameSink> makeMp4Sink(const std::string& path, const Mp4Encoding& encoding, std::string& error) {
    if (!ffmpegAvailable()) {
        error = "ffmpeg was not found on the PATH (scripts/setup installs it)";
        return nullptr;
    }
    if (!checkTarget(path, error)) {
        return nullptr;
    }
    std::string folder = createTempFolderBeside(path);
    if (folder.empty()) {
        error = "cannot write '" + path + "'";
        return nullptr;
    }
    // A dead ffmpeg must show up as a failed write, not end the capture (Windows
    // has no such signal).
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    auto sink = std::make_unique<Mp4Sink>(path, std::move(folder), encoding);
    if (!sink->start(error)) {
        return nullptr;
    }
    return sink;
}
