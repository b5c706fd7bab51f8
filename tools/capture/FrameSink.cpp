#include "tools/capture/FrameSink.h"

#include "platform/CanvasSize.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Bilinear sample of the frame at output pixel (x, y), with output row 0 at the top.
void sampleRow(const CapturedFrame& frame, int y, int width, int height, std::vector<uint8_t>& row) {
    const double sy = (y + 0.5) * frame.height / height - 0.5;
    const int y0 = std::max(0, std::min(frame.height - 1, static_cast<int>(std::floor(sy))));
    const int y1 = std::min(frame.height - 1, y0 + 1);
    const double fy = std::max(0.0, std::min(1.0, sy - y0));
    for (int x = 0; x < width; ++x) {
        const double sx = (x + 0.5) * frame.width / width - 0.5;
        const int x0 = std::max(0, std::min(frame.width - 1, static_cast<int>(std::floor(sx))));
        const int x1 = std::min(frame.width - 1, x0 + 1);
        const double fx = std::max(0.0, std::min(1.0, sx - x0));
        for (int c = 0; c < 3; ++c) {
            // GL rows run bottom first; PNG rows top first.
            auto at = [&](int px, int py) {
                return frame.rgb[(static_cast<size_t>(frame.height - 1 - py) * frame.width + px) * 3 + c];
            };
            const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
            const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
            row[static_cast<size_t>(x) * 3 + c] = static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
        }
    }
}

bool writePngFile(std::FILE* file, const CapturedFrame& frame, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        sampleRow(frame, y, width, height, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool canCreate(const std::string& path) {
    std::FILE* probe = std::fopen(path.c_str(), "wb");
    if (probe == nullptr) {
        return false;
    }
    std::fclose(probe);
    return true;
}

class PngSequenceSink : public FrameSink {
public:
    PngSequenceSink(std::string dir, int width, int height) : dir(std::move(dir)), width(width), height(height) {}

    bool write(const CapturedFrame& frame) override {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05ld.png", frame.number - firstNumber(frame.number));
        return writeRgbPng(dir + "/" + name, frame, width, height);
    }
    bool finish(bool success) override { return success; }

private:
    // Files are numbered from 0 whatever the first frame's time.
    long firstNumber(long number) {
        if (first < 0) {
            first = number;
        }
        return first;
    }

    std::string dir;
    int width, height;
    long first = -1;
};

class StillSink : public FrameSink {
public:
    StillSink(std::string path, int width, int height) : path(std::move(path)), width(width), height(height) {}
    bool write(const CapturedFrame& frame) override { return writeRgbPng(path, frame, width, height); }
    bool finish(bool success) override {
        if (!success) {
            std::remove(path.c_str());
        }
        return success;
    }

private:
    std::string path;
    int width, height;
};

class Mp4Sink : public FrameSink {
public:
    Mp4Sink(std::string path, std::string partial, CanvasSize canvas, std::FILE* pipe)
        : path(std::move(path)), partial(std::move(partial)), canvas(canvas), pipe(pipe) {}
    ~Mp4Sink() override {
        if (pipe != nullptr) {
            finish(false);
        }
    }

    // ffmpeg was told the canvas size; a frame of any other size would shear the video.
    bool write(const CapturedFrame& frame) override {
        if (frame.width != canvas.width || frame.height != canvas.height ||
            frame.rgb.size() != static_cast<size_t>(canvas.width) * canvas.height * 3) {
            return false;
        }
        return std::fwrite(frame.rgb.data(), 1, frame.rgb.size(), pipe) == frame.rgb.size();
    }

    bool finish(bool success) override {
        const int status = pclose(pipe);
        pipe = nullptr;
        success = success && status == 0;
        if (success && std::rename(partial.c_str(), path.c_str()) != 0) {
            success = false;
        }
        if (!success) {
            std::remove(partial.c_str());
        }
        return success;
    }

private:
    std::string path;
    std::string partial;
    CanvasSize canvas;
    std::FILE* pipe;
};

}  // namespace

bool writeRgbPng(const std::string& path, const CapturedFrame& frame, int width, int height) {
    // Written under a temporary name and renamed, so a PNG under the final name
    // is always whole.
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = writePngFile(file, frame, width, height);
    ok = std::fclose(file) == 0 && ok;
    ok = ok && std::rename(partial.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(partial.c_str());
    }
    return ok;
}

bool ffmpegAvailable() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        std::string candidate = dirs.substr(start, end - start) + "/ffmpeg";
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::unique_ptr<FrameSink> makePngSequenceSink(const std::string& dir, int width, int height, std::string& error) {
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create the frames folder '" + dir + "': " + std::strerror(errno);
        return nullptr;
    }
    const std::string probe = dir + "/.morvel-capture-probe";
    if (!canCreate(probe)) {
        error = "cannot write into the frames folder '" + dir + "'";
        return nullptr;
    }
    std::remove(probe.c_str());
    return std::make_unique<PngSequenceSink>(dir, width, height);
}

std::unique_ptr<FrameSink> makeStillSink(const std::string& path, int width, int height, std::string& error) {
    if (!canCreate(path)) {
        error = "cannot write '" + path + "'";
        return nullptr;
    }
    std::remove(path.c_str());
    return std::make_unique<StillSink>(path, width, height);
}

std::unique_ptr<FrameSink> makeMp4Sink(const std::string& path, CanvasSize canvas, int fps, int width, int height,
                                       const std::string& audioPath, double fromSeconds, double durationSeconds,
                                       std::string& error) {
    if (!ffmpegAvailable()) {
        error = "ffmpeg was not found on the PATH (scripts/setup installs it)";
        return nullptr;
    }
    const std::string partial = path + ".partial.mp4";
    if (!canCreate(partial)) {
        error = "cannot write '" + path + "'";
        return nullptr;
    }
    // GL rows come bottom first, hence vflip. The audio input starts at the
    // first frame's time; ffmpeg's MP3 decoder drops the encoder's delay.
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, " -r %d -i - -ss %.6f -t %.6f -i ", fps, fromSeconds, durationSeconds);
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " +
                          std::to_string(canvas.width) + "x" + std::to_string(canvas.height);
    command += numbers + shellQuote(audioPath);
    command += " -map 0:v:0 -map 1:a:0? -vf vflip,scale=" + std::to_string(width) + ":" + std::to_string(height) +
               ":flags=bicubic -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -r " + std::to_string(fps) +
               " -c:a aac -b:a 192k -movflags +faststart -f mp4 " + shellQuote(partial);
    // A dead ffmpeg must show up as a failed write, not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    std::FILE* pipe = popen(command.c_str(), "w");
    if (pipe == nullptr) {
        std::remove(partial.c_str());
        error = "cannot start ffmpeg";
        return nullptr;
    }
    return std::make_unique<Mp4Sink>(path, partial, canvas, pipe);
}
