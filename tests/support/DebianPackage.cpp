#include "tests/support/DebianPackage.h"

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

// One cache entry per package and pattern, so a narrower fetch never hides files.
std::string entryName(const std::string& package, const std::string& pattern) {
    if (pattern == "*") {
        return package;
    }
    return package + "-" + std::to_string(std::hash<std::string>()(pattern) % 1000000007);
}

}  // namespace

std::string debianPackageFolder(const std::string& package, const std::string& pattern) {
    const std::string cache = MORVEL_DEBIAN_CACHE;
    const std::string entry = entryName(package, pattern);
    const std::string done = cache + "/" + entry + ".done";
    if (!std::filesystem::exists(done)) {
        // The lock makes one process fetch while the others wait for it; the
        // .done mark is written last, so nobody sees half a package.
        const std::string command = "mkdir -p '" + cache + "' && cd '" + cache + "' && flock " + entry +
            ".lock sh -c 'test -f " + entry + ".done || (rm -rf " + entry + " && mkdir -p " + entry +
            "/download && cd " + entry + "/download && timeout 120 apt-get download -q " + package +
            " && dpkg-deb --fsys-tarfile ./*.deb | tar -x -C .. --wildcards \"" + pattern +
            "\" && cd .. && rm -rf download && touch ../" + entry + ".done)' >/dev/null 2>&1";
        std::system(command.c_str());
    }
    return std::filesystem::exists(done) ? cache + "/" + entry : "";
}
