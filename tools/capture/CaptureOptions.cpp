#include "tools/capture/CaptureOptions.h"

#include "app/Timeline.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The sizes and rate each preset fixes; its encoding is the MP4 sink's.
struct PresetShape {
    const char* name;
    CapturePreset preset;
    CanvasSize frame;
    CanvasSize render;
    FrameRate fps;
};

constexpr PresetShape kPresetShapes[] = {
    {"party", CapturePreset::party, {1920, 1080}, {1440, 1080}, {30, 1}},
    {"party-720", CapturePreset::party720, {1280, 720}, {960, 720}, {30, 1}},
    {"4k", CapturePreset::uhd4k, {3840, 2160}, {2880, 2160}, {60, 1}},
};

// Which options the command line gave, for the checks that look at them together.
struct GivenOptions {
    bool from = false, to = false, size = false, frame = false, fps = false;
};

bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0' && std::isfinite(value);
}

bool parseWhole(const std::string& text, long low, long high, long& value) {
    double number = 0;
    if (!parseNumber(text, number) || number != std::floor(number) || number < low || number > high) {
        return false;
    }
    value = static_cast<long>(number);
    return true;
}

// A whole number of frames per second, N/1 or N/1001, or a decimal spelling of
// N/1001 to two places or more (29.97, 59.94, 23.976).
bool parseFrameRate(const std::string& text, FrameRate& rate) {
    const size_t slash = text.find('/');
    long num = 0, den = 0;
    if (slash != std::string::npos) {
        if (!parseWhole(text.substr(0, slash), 1, 1001000, num) || !parseWhole(text.substr(slash + 1), 1, 1001, den) ||
            (den != 1 && den != 1001)) {
            return false;
        }
    } else if (parseWhole(text, 1, 1000, num)) {
        den = 1;
    } else {
        double number = 0;
        if (!parseNumber(text, number) || number <= 0 || number > 1000) {
            return false;
        }
        num = std::lround(number * 1001.0 / 1000.0) * 1000;
        den = 1001;
        if (std::fabs(number - num / 1001.0) >= 0.005) {
            return false;
        }
    }
    if (num <= 0 || static_cast<double>(num) / den > 1000.0) {
        return false;
    }
    rate = {static_cast<int>(num), static_cast<int>(den)};
    return true;
}

bool parseTime(const std::string& name, const std::string& text, double& seconds, std::string& error) {
    if (!parseNumber(text, seconds)) {
        error = "option " + name + " wants a number, not '" + text + "'";
        return false;
    }
    if (seconds < 0 || seconds > kTimelineEndSeconds) {
        error = name + " must be a time from 0 to 60 seconds, not '" + text + "'";
        return false;
    }
    return true;
}

bool parsePreset(const std::string& text, CaptureOptions& options) {
    for (const PresetShape& shape : kPresetShapes) {
        if (text == shape.name) {
            options.preset = shape.preset;
            options.frame = shape.frame;
            options.render = shape.render;
            options.fps = shape.fps;
            return true;
        }
    }
    return false;
}

bool endsWithMp4(const std::string& text) {
    if (text.size() < 4) {
        return false;
    }
    std::string suffix = text.substr(text.size() - 4);
    for (char& c : suffix) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return suffix == ".mp4";
}

std::string sizeText(CanvasSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Stores one option's value; false, with error set, when the value is bad.
bool applyOption(const std::string& name, const std::string& value, CaptureOptions& options, GivenOptions& given,
                 std::string& error) {
    if (name == "--frames") {
        options.framesDir = value;
    } else if (name == "--out") {
        options.outFile = value;
    } else if (name == "--png") {
        options.stillFile = value;
    } else if (name == "--size" || name == "--frame") {
        CanvasSize& size = name == "--size" ? options.render : options.frame;
        (name == "--size" ? given.size : given.frame) = true;
        // The demo's own rule: the glow's 128 x 128 target must fit in the canvas.
        if (!parseCanvasSize(value.c_str(), size)) {
            error = name + " wants WIDTHxHEIGHT with sides from " + std::to_string(kMinCanvasSide) + " to " +
                    std::to_string(kMaxCanvasSide) + ", such as 1440x1080, not '" + value + "'";
            return false;
        }
    } else if (name == "--preset") {
        if (!parsePreset(value, options)) {
            error = "--preset is party, party-720 or 4k, not '" + value + "'";
            return false;
        }
    } else if (name == "--fps") {
        given.fps = true;
        if (!parseFrameRate(value, options.fps)) {
            error = "--fps must be a whole number from 1 to 1000, or N/1001 such as 30000/1001 (29.97), not '" +
                    value + "'";
            return false;
        }
    } else if (name == "--from") {
        given.from = true;
        return parseTime(name, value, options.fromSeconds, error);
    } else if (name == "--to") {
        given.to = true;
        return parseTime(name, value, options.toSeconds, error);
    } else {
        options.hasAt = true;
        return parseTime(name, value, options.atSeconds, error);
    }
    return true;
}

// One output, and options that belong to it.
bool checkOutputs(const CaptureOptions& options, const GivenOptions& given, std::string& error) {
    if (options.hasAt != !options.stillFile.empty()) {
        error = "--at and --png go together";
        return false;
    }
    const int outputs = !options.framesDir.empty() + !options.outFile.empty() + options.hasAt;
    if (outputs != 1) {
        error = outputs == 0 ? "say where to write: --out FILE.mp4, --frames DIR or --at SECONDS --png FILE"
                             : "give only one of --out, --frames and --at/--png";
        return false;
    }
    if (options.hasAt && (given.from || given.to || given.fps)) {
        error = "--at draws one still at one time; --from, --to and --fps are for --out and --frames";
        return false;
    }
    if (!options.outFile.empty() && !endsWithMp4(options.outFile)) {
        error = "--out must name an .mp4 file, not '" + options.outFile + "'";
        return false;
    }
    if (options.preset != CapturePreset::none && (options.outFile.empty() || given.size || given.frame || given.fps)) {
        error = "--preset makes an MP4 of its own size and rate: give it with --out, without --size, --frame or --fps";
        return false;
    }
    return true;
}

// A range that holds at least one frame.
bool checkRange(const CaptureOptions& options, std::string& error) {
    if (options.hasAt) {
        return true;
    }
    if (options.fromSeconds > options.toSeconds) {
        error = "--from must not be after --to";
        return false;
    }
    long first = 0, end = 0;
    frameRange(options, first, end);
    if (first >= end) {
        char text[160];
        std::snprintf(text, sizeof text, "no frame falls from --from %g up to --to %g at %g frames per second",
                      options.fromSeconds, options.toSeconds, options.fps.perSecond());
        error = text;
        return false;
    }
    return true;
}

// A frame that holds the render, and sizes an H.264 encoder takes.
bool checkSizes(const CaptureOptions& options, std::string& error) {
    if (options.frame.width < options.render.width || options.frame.height < options.render.height) {
        error = "--frame " + sizeText(options.frame) + " must hold the render size " + sizeText(options.render);
        return false;
    }
    if (!options.outFile.empty() && (options.frame.width % 2 != 0 || options.frame.height % 2 != 0)) {
        error = "an MP4's frame must have an even width and height (4:2:0 colour), not " + sizeText(options.frame);
        return false;
    }
    return true;
}

}  // namespace

const char* captureUsage() {
    return "usage: morvel-capture [--fps N] [--from S] [--to S] [--size WxH] [--frame WxH] (--out FILE.mp4 | --frames DIR)\n"
           "       morvel-capture --preset party|party-720|4k [--from S] [--to S] --out FILE.mp4\n"
           "       morvel-capture --at SECONDS --png FILE [--size WxH] [--frame WxH]\n"
           "Run it from the folder that holds data/. Times are seconds of the 60 s timeline.\n"
           "  --size WxH    the pixel size the demo is drawn at, sides 128 to 16384 (default 800x600);\n"
           "                4:3 keeps its shape\n"
           "  --frame WxH   the picture's size, the drawing centred in it on black (default: --size)\n"
           "  --fps N       1 to 1000 frames per second (default 60), or 30000/1001 (29.97), 60000/1001 (59.94)\n"
           "  --from/--to   the stretch to capture (default 0 to 60)\n"
           "  --preset party      the video a party asks for: 1920x1080 of a 1440x1080 drawing, 30 fps,\n"
           "                      H.264 High 4.1 two-pass at 8 Mb/s, AAC stereo 192 kb/s at 48 kHz\n"
           "  --preset party-720  1280x720 of 960x720, 30 fps, H.264 High 3.1 two-pass at 5 Mb/s\n"
           "  --preset 4k         3840x2160 of 2880x2160, 60 fps, H.264 High 5.2 two-pass at 40 Mb/s\n"
           "Every MP4 has a keyframe at least every 2 s and BT.709 colour from 1280x720 up (BT.601 below).\n";
}

bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error) {
    GivenOptions given;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const bool known = name == "--fps" || name == "--from" || name == "--to" || name == "--frames" ||
                           name == "--out" || name == "--size" || name == "--frame" || name == "--preset" ||
                           name == "--at" || name == "--png";
        if (!known) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return false;
        }
        if (!applyOption(name, args[++i], options, given, error)) {
            return false;
        }
    }
    if (options.preset == CapturePreset::none && !given.frame) {
        options.frame = options.render;
    }
    return checkOutputs(options, given, error) && checkRange(options, error) && checkSizes(options, error);
}

void frameRange(const CaptureOptions& options, long& first, long& end) {
    const double rate = options.fps.perSecond();
    first = static_cast<long>(std::ceil(options.fromSeconds * rate - 1e-9));
    end = static_cast<long>(std::ceil(options.toSeconds * rate - 1e-9));
}

float frameTime(long frame, FrameRate fps) {
    return static_cast<float>(static_cast<double>(frame) * fps.den / fps.num);
}

long long frameStartSample(long frame, FrameRate fps, int rateHz) {
    const long long scaled = static_cast<long long>(frame) * fps.den * rateHz;
    return (2 * scaled + fps.num) / (2LL * fps.num);
}
