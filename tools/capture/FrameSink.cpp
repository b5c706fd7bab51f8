#include "tools/capture/FrameSink.h"

#include "tools/capture/OutputFile.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// zlib's fastest level: on the demo's 800 x 600 frames it writes two to three
// and a half times as fast as the default 6, for files a fifth larger.
constexpr int kPngCompressionLevel = 1;

// Row y (top first) of the picture: black, with the frame's matching row in
// the middle where the frame covers it.
void pictureRow(const CapturedFrame& frame, CanvasSize picture, int y, std::vector<uint8_t>& row) {
    std::fill(row.begin(), row.end(), 0);
    const int top = (picture.height - frame.height) / 2;
    const int left = (picture.width - frame.width) / 2;
    const int frameRow = y - top;
    if (frameRow < 0 || frameRow >= frame.height) {
        return;
    }
    // GL rows run bottom first; PNG rows top first.
    const size_t rowBytes = static_cast<size_t>(frame.width) * 3;
    const uint8_t* source = frame.rgb.data() + static_cast<size_t>(frame.height - 1 - frameRow) * rowBytes;
    std::copy(source, source + rowBytes, row.begin() + static_cast<size_t>(left) * 3);
}

// The row buffer comes from the caller: nothing that setjmp could clobber is
// made here.
bool writePngFile(std::FILE* file, const CapturedFrame& frame, CanvasSize picture, std::vector<uint8_t>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, kPngCompressionLevel);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        pictureRow(frame, picture, y, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Writes the PNG into an existing file of ours at path.
bool writePngAt(const std::string& path, const CapturedFrame& frame, CanvasSize picture) {
    if (frame.width > picture.width || frame.height > picture.height ||
        frame.rgb.size() != static_cast<size_t>(frame.width) * frame.height * 3) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 3);
    const bool ok = writePngFile(file, frame, picture, row);
    return std::fclose(file) == 0 && ok;
}

class PngSequenceSink : public FrameSink {
public:
    PngSequenceSink(std::string dir, CanvasSize picture, long first)
        : dir(std::move(dir)), picture(picture), first(first) {}

    // Files are numbered from 0 whatever the first frame's time.
    bool write(const CapturedFrame& frame) override {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05ld.png", frame.number - first);
        return writeRgbPng(dir + "/" + name, frame, picture);
    }
    bool finish(bool success) override { return success; }
    // Each frame is a file of its own, so the frames need no order; compressing
    // them is the slow part.
    int writerCount() const override {
        return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 8u));
    }

private:
    std::string dir;
    CanvasSize picture;
    long first;
};

class StillSink : public FrameSink {
public:
    StillSink(std::string path, std::string temp, CanvasSize picture)
        : path(std::move(path)), temp(std::move(temp)), picture(picture) {}
    ~StillSink() override { removeTemp(temp); }

    bool write(const CapturedFrame& frame) override { return writePngAt(temp, frame, picture); }
    bool finish(bool success) override {
        success = success && publish(temp, path);
        removeTemp(temp);
        return success;
    }

private:
    std::string path;
    std::string temp;
    CanvasSize picture;
};

}  // namespace

bool writeRgbPng(const std::string& path, const CapturedFrame& frame, CanvasSize picture) {
    const std::string temp = createTempFileBeside(path, ".png");
    if (temp.empty()) {
        return false;
    }
    if (!writePngAt(temp, frame, picture)) {
        removeTemp(temp);
        return false;
    }
    return publish(temp, path);
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

std::unique_ptr<FrameSink> makePngSequenceSink(const std::string& dir, CanvasSize picture, long firstFrame,
                                               std::string& error) {
    newFileMode();
#ifdef _WIN32
    // Windows' mkdir takes no permissions.
    const int made = mkdir(dir.c_str());
#else
    const int made = mkdir(dir.c_str(), 0755);
#endif
    if (made != 0 && errno != EEXIST) {
        error = "cannot create the frames folder '" + dir + "': " + std::strerror(errno);
        return nullptr;
    }
    const std::string probe = createTempFileBeside(dir + "/frame", ".png");
    if (probe.empty()) {
        error = "cannot write into the frames folder '" + dir + "'";
        return nullptr;
    }
    removeTemp(probe);
    return std::make_unique<PngSequenceSink>(dir, picture, firstFrame);
}

std::unique_ptr<FrameSink> makeStillSink(const std::string& path, CanvasSize picture, std::string& error) {
    newFileMode();
    if (!checkTarget(path, error)) {
        return nullptr;
    }
    std::string temp = createTempFileBeside(path, ".png");
    if (temp.empty()) {
        error = "cannot write '" + path + "'";
        return nullptr;
    }
    return std::make_unique<StillSink>(path, std::move(temp), picture);
}
