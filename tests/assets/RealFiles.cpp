#include "tests/assets/RealFiles.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace assettest {

namespace {

std::string cacheFolder() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::temp_directory_path() : exe.parent_path()).string() + "/real-image-cache";
}

}  // namespace

std::string unpackedPackage(const std::string& package, const std::string& pattern) {
    const std::string cache = cacheFolder();
    const std::string target = cache + "/" + package;
    std::filesystem::create_directories(cache);
    // One fetch per package even when test processes run side by side.
    const std::string download = package + ".download";
    const std::string extract = pattern.empty()
        ? "dpkg-deb -x " + download + "/*.deb " + package
        : "dpkg-deb --fsys-tarfile " + download + "/*.deb | tar -x -C " + package + " --wildcards \"" + pattern + "\"";
    const std::string command = "cd '" + cache + "' && flock " + package + ".lock sh -c '"
        "test -f " + package + ".done || (rm -rf " + package + " " + download + " && mkdir -p " + package + " " +
        download + " && cd " + download + " && apt-get download " + package + " >/dev/null 2>&1 && cd .. && " +
        extract + " && rm -rf " + download + " && touch " + package + ".done)' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(cache + "/" + package + ".done")) {
        return "";
    }
    return target;
}

std::vector<std::string> filesBelow(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> paths;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string path = it->path().string();
        if (it->is_regular_file() && path.size() >= suffix.size() &&
            path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0) {
            paths.push_back(path);
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool referencePngRgba(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = int(image.width);
    height = int(image.height);
    return true;
}

}  // namespace assettest
