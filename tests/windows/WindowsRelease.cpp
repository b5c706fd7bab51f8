#include "tests/windows/WindowsRelease.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

const WindowsRelease* windowsRelease() {
    static const WindowsRelease* release = []() -> const WindowsRelease* {
        const char* folder = std::getenv("MORVEL_WINDOWS_FOLDER");
        const char* capture = std::getenv("MORVEL_WINDOWS_CAPTURE");
        const char* scratch = std::getenv("MORVEL_WINDOWS_SCRATCH");
        if (folder == nullptr || capture == nullptr || scratch == nullptr || std::getenv("WINEPREFIX") == nullptr) {
            return nullptr;
        }
        return new WindowsRelease{folder, capture, scratch};
    }();
    return release;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string wineCommand(const std::string& program, const std::string& arguments) {
    // Wine's own diagnostics off, so that what the program prints is all there is.
    // The test runner's SDL drivers (offscreen, dummy) are for the native code:
    // Windows has no offscreen GL, and the sound is what is checked.
    // A program that waits on a message box nobody dismisses, or hangs, is
    // ended after 3 minutes, so that a fault fails its test instead of the run.
    return "env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER WINEDEBUG=-all timeout -s KILL 180 wine " +
           shellQuoted(program) +
           (arguments.empty() ? "" : " " + arguments);
}

std::string releaseCopy(const std::string& name, bool withData) {
    const WindowsRelease& release = *windowsRelease();
    const std::string folder = release.scratch + "/" + name;
    std::system(("rm -rf " + shellQuoted(folder) + " && mkdir -p " + shellQuoted(folder) + " && cp " +
                 shellQuoted(release.folder + "/morvel.exe") + " " + shellQuoted(folder) + "/")
                    .c_str());
    if (withData) {
        std::system(("cp -r " + shellQuoted(release.folder + "/data") + " " + shellQuoted(folder) + "/").c_str());
    }
    return folder;
}

std::string windowsPath(const std::string& path) {
    return "Z:" + path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> windowsNamed(const std::string& pattern) {
    std::vector<std::string> ids;
    std::FILE* pipe =
        popen(("xdotool search --onlyvisible --name " + shellQuoted(pattern) + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return ids;
    }
    char line[64];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string id(line);
        while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) {
            id.pop_back();
        }
        if (!id.empty()) {
            ids.push_back(id);
        }
    }
    pclose(pipe);
    return ids;
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool waitFor(double timeoutSeconds, const std::function<bool()>& condition) {
    const double end = nowSeconds() + timeoutSeconds;
    while (!condition()) {
        if (nowSeconds() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
