#include "tests/assets/AssetTestFiles.h"

#include "platform/MessageBox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sys/stat.h>

namespace assettest {

std::string scratchPath(const std::string& suffix) {
    static int serial = 0;
    std::string dir = ::testing::TempDir() + "morvel-assets-" + std::to_string(getpid()) + "-" +
                      std::to_string(serial++) + "/";
    mkdir(dir.c_str(), 0755);
    std::string path = dir + suffix;
    // Suffixes may hold folders of their own ("some.dir/a.png").
    for (size_t slash = path.find('/', dir.size()); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0755);
    }
    return path;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

MessageRecorder::MessageRecorder() {
    setMessageSink([this](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
}

MessageRecorder::~MessageRecorder() {
    setMessageSink(nullptr);
}

}  // namespace assettest
