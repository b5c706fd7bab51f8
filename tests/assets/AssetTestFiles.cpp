#include "tests/assets/AssetTestFiles.h"

#include "platform/MessageBox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace assettest {

namespace {

// One folder per process, removed when the process exits. The path is never
// destroyed, so the exit handler can still read it.
const std::string* processFolderPath = nullptr;

void removeProcessFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(*processFolderPath, ignored);
}

const std::string& processFolder() {
    if (processFolderPath == nullptr) {
        processFolderPath = new std::string(::testing::TempDir() + "morvel-assets-" + std::to_string(getpid()));
        std::filesystem::create_directories(*processFolderPath);
        std::atexit(removeProcessFolder);
    }
    return *processFolderPath;
}

}  // namespace

std::string scratchPath(const std::string& suffix) {
    static int serial = 0;
    std::string dir = processFolder() + "/" + std::to_string(serial++) + "/";
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
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

MessageRecorder::MessageRecorder() {
    setMessageSink([this](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
}

MessageRecorder::~MessageRecorder() {
    setMessageSink(nullptr);
}

}  // namespace assettest
