#pragma once
// The whole data/ tree the demo loads: ten images, five mesh files and the
// soundtrack, written under a root folder. Files are independent, so they may
// be written by two threads without changing any byte.
#include <functional>
#include <string>
#include <vector>

// One file of the tree: its path below the root and how to write it.
struct AssetFile {
    std::string relativePath;
    std::function<bool(const std::string& path)> write;
};

// Every file in the tree, the slowest first; the soundtrack only when asked.
std::vector<AssetFile> assetFiles(bool withSoundtrack);

// Creates root/data/{tex,obj,sound} and writes the files with threadCount
// threads (1 or 2). Returns the relative paths that failed; empty on success.
// secondsPerFile, when given, receives each file's time in assetFiles order.
std::vector<std::string> generateAssets(const std::string& root, bool withSoundtrack, int threadCount,
                                        std::vector<double>* secondsPerFile = nullptr);
