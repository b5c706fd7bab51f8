#include "tools/capture/Mp4Encoding.h"

namespace {

using Args = std::vector<std::string>;

void append(Args& args, const Args& more) {
    args.insert(args.end(), more.begin(), more.end());
}

std::string rateText(FrameRate fps) {
    return std::to_string(fps.num) + "/" + std::to_string(fps.den);
}

std::string sizeText(CanvasSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

Args commandHead() {
    return {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
}

Args rawFramesInput(const Mp4Encoding& encoding) {
    return {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s", sizeText(encoding.render), "-framerate",
            rateText(encoding.fps), "-i", "-"};
}

// Upright frames padded to the video's size, then converted to 4:2:0 with the
// matrix the colour tags name. The render sits in the middle, rounded down.
std::string videoChain(const Mp4Encoding& encoding) {
    const CanvasSize& frame = encoding.frame;
    const int x = (frame.width - encoding.render.width) / 2;
    const int y = (frame.height - encoding.render.height) / 2;
    return "pad=" + std::to_string(frame.width) + ":" + std::to_string(frame.height) + ":" + std::to_string(x) + ":" +
           std::to_string(y) + ":black,scale=out_color_matrix=" + (usesBt709(frame) ? "bt709" : "bt601") +
           ":out_range=tv:flags=bicubic+accurate_rnd+full_chroma_int,format=yuv420p";
}

// The soundtrack from the first frame's time to the end of the last frame, to
// the sample: numbered from its first decoded sample, resampled, then cut by
// sample numbers worked out from the frame numbers.
std::string audioChain(const Mp4Encoding& encoding) {
    const long long start = frameStartSample(encoding.firstFrame, encoding.fps, kAudioRateHz);
    const long long end = frameStartSample(encoding.endFrame, encoding.fps, kAudioRateHz);
    return "asetpts=N/SR/TB,aresample=" + std::to_string(kAudioRateHz) + ",atrim=start_sample=" +
           std::to_string(start) + ":end_sample=" + std::to_string(end) + ",asetpts=N/SR/TB";
}

Args videoCodec(const Mp4Encoding& encoding) {
    Args args = {"-c:v", "libx264", "-preset", encoding.speed, "-pix_fmt", "yuv420p"};
    if (encoding.twoPass) {
        append(args, {"-b:v", std::to_string(encoding.bitRateKbps) + "k", "-maxrate",
                      std::to_string(encoding.maxRateKbps) + "k", "-bufsize", std::to_string(encoding.bufferKbits) + "k"});
    } else {
        append(args, {"-crf", std::to_string(encoding.crf)});
    }
    if (!encoding.profile.empty()) {
        append(args, {"-profile:v", encoding.profile});
    }
    if (!encoding.level.empty()) {
        append(args, {"-level:v", encoding.level});
    }
    // The source is sRGB, whose primaries are BT.709's; only the matrix follows the size.
    append(args, {"-g", std::to_string(keyframeInterval(encoding.fps)), "-colorspace",
                  usesBt709(encoding.frame) ? "bt709" : "smpte170m", "-color_primaries", "bt709", "-color_trc",
                  "bt709", "-color_range", "tv"});
    return args;
}

Args audioCodecAndMuxer(const std::string& outFile) {
    return {"-c:a", "aac", "-b:a", std::to_string(kAudioBitRateKbps) + "k", "-ac", "2", "-ar",
            std::to_string(kAudioRateHz), "-movflags", "+faststart", "-f", "mp4", outFile};
}

void applyPreset(CapturePreset preset, Mp4Encoding& encoding) {
    struct PresetRate {
        CapturePreset preset;
        int bitRateKbps;
        const char* level;
    };
    // Levels: 4.1 holds 1080p30 (and is what party rules allow at most), 3.1
    // holds 720p30, and 2160p60 needs 5.2 (5.1 stops at 2160p30).
    static const PresetRate kRates[] = {
        {CapturePreset::party, 8000, "4.1"},
        {CapturePreset::party720, 5000, "3.1"},
        {CapturePreset::uhd4k, 40000, "5.2"},
    };
    for (const PresetRate& rate : kRates) {
        if (rate.preset == preset) {
            encoding.twoPass = true;
            encoding.bitRateKbps = rate.bitRateKbps;
            encoding.maxRateKbps = 2 * rate.bitRateKbps;
            encoding.bufferKbits = 2 * rate.bitRateKbps;
            encoding.profile = "high";
            encoding.level = rate.level;
            encoding.speed = "medium";
        }
    }
}

}  // namespace

Mp4Encoding mp4EncodingFor(const CaptureOptions& options, const std::string& audioPath) {
    Mp4Encoding encoding;
    encoding.render = options.render;
    encoding.frame = options.frame;
    encoding.fps = options.fps;
    frameRange(options, encoding.firstFrame, encoding.endFrame);
    encoding.audioPath = audioPath;
    applyPreset(options.preset, encoding);
    return encoding;
}

bool usesBt709(CanvasSize frame) {
    return frame.width >= 1280 || frame.height >= 720;
}

int keyframeInterval(FrameRate fps) {
    return static_cast<int>(2LL * fps.num / fps.den);
}

std::vector<std::string> singlePassCommand(const Mp4Encoding& encoding, const std::string& outFile) {
    Args args = commandHead();
    append(args, rawFramesInput(encoding));
    append(args, {"-i", encoding.audioPath, "-map", "0:v:0", "-map", "1:a:0", "-filter:v",
                  "vflip," + videoChain(encoding), "-filter:a", audioChain(encoding)});
    append(args, videoCodec(encoding));
    append(args, audioCodecAndMuxer(outFile));
    return args;
}

std::vector<std::string> firstPassCommand(const Mp4Encoding& encoding, const std::string& intermediate,
                                          const std::string& passLog) {
    Args args = commandHead();
    append(args, rawFramesInput(encoding));
    // The analysed stream comes first: ffmpeg numbers the pass log by the
    // output stream, and the second pass has it as its first stream.
    append(args, {"-filter_complex", "[0:v]vflip,split=2[keep][encode];[encode]" + videoChain(encoding) + "[video]",
                  "-map", "[video]"});
    append(args, videoCodec(encoding));
    append(args, {"-pass", "1", "-passlogfile", passLog, "-an", "-f", "null", "/dev/null", "-map", "[keep]", "-c:v",
                  "libx264rgb", "-qp", "0", "-preset", "ultrafast", "-f", "matroska", intermediate});
    return args;
}

std::vector<std::string> secondPassCommand(const Mp4Encoding& encoding, const std::string& intermediate,
                                           const std::string& passLog, const std::string& outFile) {
    Args args = commandHead();
    // The rate is given again: the intermediate's container rounds timestamps
    // to milliseconds, which 30000/1001 does not survive.
    append(args, {"-r", rateText(encoding.fps), "-i", intermediate, "-i", encoding.audioPath, "-map", "0:v:0", "-map",
                  "1:a:0", "-filter:v", videoChain(encoding), "-filter:a", audioChain(encoding)});
    append(args, videoCodec(encoding));
    append(args, {"-pass", "2", "-passlogfile", passLog});
    append(args, audioCodecAndMuxer(outFile));
    return args;
}
