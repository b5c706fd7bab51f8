#pragma once
// What the capture tool's end-to-end tests share: running morvel-capture on the
// generated content, reading its PNGs, asking ffprobe about its MP4s and
// decoding their pictures and sound with ffmpeg. Header only, since the e2e
// runner is built from the *RunTest.cpp files alone.
#include "tests/e2e/RunProcess.h"
#include "tests/support/PngImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace capture_test {

using png_test::Image;
using png_test::readPng;

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names in a folder, sorted, hidden ones included.
inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A fresh temporary folder, removed by the destructor.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvel-capture-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    // Takes over a folder made elsewhere (a content copy).
    explicit TempFolder(std::string adopted) : path(std::move(adopted)) {}
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> names() const { return namesIn(path); }
    std::string path;
};

// morvel-capture with the given arguments, run where data/ is.
inline ProcessResult capture(const std::string& arguments, const std::string& folder = MORVEL_E2E_ROOT) {
    return runIn(folder, std::string(MORVEL_CAPTURE_BINARY) + " " + arguments);
}

// The value of key= in ffprobe's default output, or "" when it is absent.
inline std::string probeValue(const std::string& probed, const std::string& key) {
    size_t at = 0;
    while ((at = probed.find(key + "=", at)) != std::string::npos) {
        if (at == 0 || probed[at - 1] == '\n') {
            const size_t start = at + key.size() + 1;
            return probed.substr(start, probed.find('\n', start) - start);
        }
        at += key.size();
    }
    return "";
}

// ffprobe's entries for one stream ("v:0", "a:0") of a file.
inline std::string probeStream(const std::string& file, const std::string& stream, const std::string& entries) {
    return runIn(".", "ffprobe -v error -select_streams " + stream + " -show_entries stream=" + entries +
                          " -of default=nw=1 '" + file + "'")
        .out;
}

// The first video frame of an MP4 as RGB, converted with the given matrix
// from limited range, as a player that reads that matrix shows it.
inline Image decodeFirstFrame(const std::string& file, int width, int height, const std::string& matrix) {
    TempFolder scratch;
    runIn(".", "ffmpeg -v error -i '" + file + "' -frames:v 1 -vf scale=in_color_matrix=" + matrix +
                   ":in_range=tv -f rawvideo -pix_fmt rgb24 '" + (scratch / "frame.rgb") + "'");
    Image image;
    image.rgb.clear();
    const std::string bytes = readFile(scratch / "frame.rgb");
    if (bytes.size() == static_cast<size_t>(width) * height * 3) {
        image.width = width;
        image.height = height;
        image.rgb.assign(bytes.begin(), bytes.end());
    }
    return image;
}

// The sound of an MP4 as mono 16-bit samples at rateHz.
inline std::vector<int16_t> decodeMonoSound(const std::string& file, int rateHz) {
    TempFolder scratch;
    runIn(".", "ffmpeg -v error -i '" + file + "' -vn -ac 1 -ar " + std::to_string(rateHz) + " -f s16le '" +
                   (scratch / "sound.raw") + "'");
    const std::string bytes = readFile(scratch / "sound.raw");
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

}  // namespace capture_test
