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

// What a generation run did not manage.
struct GenerationReport {
    // Font files FreeType could not open; then nothing was written at all.
    std::vector<std::string> missingFonts;
    // Relative paths of the files that could not be written.
    std::vector<std::string> failedFiles;

    bool ok() const { return missingFonts.empty() && failedFiles.empty(); }
};

// The folder below root that a run writes into before it becomes root/data.
extern const char* const kStagingFolderName;

// Writes the tree with threadCount threads (1 or 2) into a staging folder under
// root, which replaces root/data only once every file is written: a failed run
// leaves no partial data/ (an earlier complete one stays). Checks the fonts
// first and writes nothing without them. secondsPerFile, when given, receives
// each file's time in assetFiles order.
GenerationReport generateAssets(const std::string& root, bool withSoundtrack, int threadCount,
                                std::vector<double>* secondsPerFile = nullptr);
