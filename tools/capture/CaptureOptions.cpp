#include "tools/capture/CaptureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0' && std::isfinite(value);
}

bool parseSize(const std::string& text, int& width, int& height) {
    size_t x = text.find('x');
    double w = 0, h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), w) || !parseNumber(text.substr(x + 1), h)) {
        return false;
    }
    if (w < 2 || h < 2 || w > 7680 || h > 4320 || w != std::floor(w) || h != std::floor(h)) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

const char* captureUsage() {
    return "usage: morvel-capture [--fps N] [--from S] [--to S] [--size WxH] (--out FILE.mp4 | --frames DIR)\n"
           "       morvel-capture --at SECONDS --png FILE [--size WxH]\n";
}

namespace {

// Stores one option's value; false, with error set, when the value is bad.
bool applyOption(const std::string& name, const std::string& value, CaptureOptions& options, std::string& error) {
    double number = 0;
    if (name == "--frames") {
        options.framesDir = value;
    } else if (name == "--out") {
        options.outFile = value;
    } else if (name == "--png") {
        options.stillFile = value;
    } else if (name == "--size") {
        if (!parseSize(value, options.outWidth, options.outHeight)) {
            error = "--size wants WIDTHxHEIGHT, such as 1280x960, not '" + value + "'";
            return false;
        }
    } else if (!parseNumber(value, number)) {
        error = "option " + name + " wants a number, not '" + value + "'";
        return false;
    } else if (name == "--fps") {
        if (number <= 0 || number > 1000 || number != std::floor(number)) {
            error = "--fps must be a whole number from 1 to 1000, not '" + value + "'";
            return false;
        }
        options.fps = static_cast<int>(number);
    } else if (name == "--from") {
        options.fromSeconds = number;
    } else if (name == "--to") {
        options.toSeconds = number;
    } else {
        options.atSeconds = number;
        options.hasAt = true;
    }
    return true;
}

// Checks the options taken together: one output, a sane time range, an .mp4 name.
bool checkCombination(const CaptureOptions& options, std::string& error) {
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
    if (options.fromSeconds < 0 || options.toSeconds < 0) {
        error = "--from and --to must not be negative";
        return false;
    }
    if (options.fromSeconds > options.toSeconds) {
        error = "--from must not be after --to";
        return false;
    }
    if (!options.outFile.empty() && !endsWith(options.outFile, ".mp4")) {
        error = "--out must name an .mp4 file, not '" + options.outFile + "'";
        return false;
    }
    return true;
}

}  // namespace

bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const bool known = name == "--fps" || name == "--from" || name == "--to" || name == "--frames" ||
                           name == "--out" || name == "--size" || name == "--at" || name == "--png";
        if (!known) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return false;
        }
        if (!applyOption(name, args[++i], options, error)) {
            return false;
        }
    }
    return checkCombination(options, error);
}

void frameRange(const CaptureOptions& options, long& first, long& end) {
    first = static_cast<long>(std::ceil(options.fromSeconds * options.fps - 1e-9));
    end = static_cast<long>(std::ceil(options.toSeconds * options.fps - 1e-9));
}

float frameTime(long frame, int fps) {
    return static_cast<float>(static_cast<double>(frame) / static_cast<double>(fps));
}
