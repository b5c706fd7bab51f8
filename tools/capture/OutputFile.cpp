#include "tools/capture/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

// The unique-name pattern beside path: the folder, then ".NAME.XXXXXX", hidden
// so that a half-made file is not taken for a result.
std::string patternBeside(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

}  // namespace

bool checkTarget(const std::string& path, std::string& error) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return true;
    }
    if (S_ISLNK(info.st_mode)) {
        error = "'" + path + "' is a symbolic link; give the path of a regular file or a new one";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "'" + path + "' is not a regular file; give the path of a regular file or a new one";
        return false;
    }
    return true;
}

std::string createTempFileBeside(const std::string& path, const std::string& suffix) {
    const std::string pattern = patternBeside(path) + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) {
        return "";
    }
    const bool ok = fchmod(fd, newFileMode()) == 0;
    close(fd);
    if (!ok) {
        std::remove(name.data());
        return "";
    }
    return name.data();
}

std::string createTempFolderBeside(const std::string& path) {
    const std::string pattern = patternBeside(path);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) != nullptr ? std::string(name.data()) : std::string();
}

bool publish(const std::string& temp, const std::string& path) {
    if (std::rename(temp.c_str(), path.c_str()) == 0) {
        return true;
    }
    std::remove(temp.c_str());
    return false;
}

void removeTemp(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

unsigned int newFileMode() {
    // umask can only be read by setting it, so it is read once, before any
    // writer thread creates files.
    static const unsigned int mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return 0666u & ~static_cast<unsigned int>(mask);
    }();
    return mode;
}
