#include "tools/assetgen/AssetGen.h"

#include "assets/EbrWriter.h"
#include "tools/assetgen/Images.h"
#include "tools/assetgen/Meshes.h"
#include "tools/assetgen/Soundtrack.h"
#include "tools/assetgen/Text.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

AssetFile png(const std::string& name, Canvas (*make)(), bool withAlpha) {
    return AssetFile{"data/tex/" + name, [make, withAlpha](const std::string& path) {
                         return make().writePng(path, withAlpha);
                     }};
}

AssetFile ebr(const std::string& name, std::function<std::vector<EbrSubMesh>()> make) {
    return AssetFile{"data/obj/" + name,
                     [make](const std::string& path) { return writeEbr(path.c_str(), make()); }};
}

}  // namespace

std::vector<AssetFile> assetFiles(bool withSoundtrack) {
    std::vector<AssetFile> files;
    if (withSoundtrack) {
        files.push_back({"data/sound/tamokrelu.mp3", writeSoundtrack});
    }
    files.push_back({"data/tex/turtle2.jpg",
                     [](const std::string& path) { return makeTurtlePhoto().writeJpeg(path, 92); }});
    files.push_back(png("bakgrunn.png", makeBakgrunn, true));
    files.push_back(png("blue.png", makeBlueSphereMap, false));
    files.push_back(png("green.png", makeGreenScutes, false));
    files.push_back(png("greets.png", makeGreets, true));
    files.push_back(png("vostrumlogo.png", makeVostrumLogo, true));
    files.push_back(png("quenbar06.png", makeQuenBar, true));
    files.push_back(png("lol.png", makeLolDoodle, false));
    files.push_back(png("grid.png", makeGrid, false));
    files.push_back(png("kuletex.png", makeBallTexture, false));
    files.push_back(ebr("hisphere.ebr", [] { return makeGeodesicSphere(50.0f, 5); }));
    files.push_back(ebr("turtleskall.ebr", makeTurtleShell));
    files.push_back(ebr("squid01.ebr", makeSquid));
    files.push_back(ebr("chamferbox.ebr", [] { return makeChamferBox(60.0f, 8.0f); }));
    files.push_back(ebr("test.ebr", makeTestMesh));
    return files;
}

const char* const kStagingFolderName = ".morvel-assetgen-partial";

namespace {

namespace fs = std::filesystem;

// Writes every file below staging, threadCount at a time; false entries failed.
std::vector<char> writeFiles(const std::vector<AssetFile>& files, const fs::path& staging, int threadCount,
                             std::vector<double>& seconds) {
    std::atomic<size_t> next{0};
    std::vector<char> ok(files.size(), 0);
    seconds.assign(files.size(), 0.0);
    auto worker = [&] {
        for (size_t i = next++; i < files.size(); i = next++) {
            auto start = std::chrono::steady_clock::now();
            ok[i] = files[i].write((staging / files[i].relativePath).string()) ? 1 : 0;
            seconds[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threadCount; ++t) {
        helpers.emplace_back(worker);
    }
    worker();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return ok;
}

// Puts staging/data in place of root/data; false when the swap failed.
bool replaceData(const fs::path& root, const fs::path& staging) {
    std::error_code error;
    const fs::path data = root / "data";
    const fs::path old = staging / "old-data";
    if (fs::exists(data, error)) {
        fs::rename(data, old, error);
        if (error) {
            return false;
        }
    }
    fs::rename(staging / "data", data, error);
    if (error) {
        std::error_code ignored;
        fs::rename(old, data, ignored);
        return false;
    }
    return true;
}

}  // namespace

GenerationReport generateAssets(const std::string& root, bool withSoundtrack, int threadCount,
                                std::vector<double>* secondsPerFile) {
    GenerationReport report;
    report.missingFonts = Font::missingFiles();
    if (!report.missingFonts.empty()) {
        return report;
    }
    const std::vector<AssetFile> files = assetFiles(withSoundtrack);
    const fs::path staging = fs::path(root) / kStagingFolderName;
    std::error_code error;
    fs::remove_all(staging, error);
    for (const char* dir : {"data/tex", "data/obj", "data/sound"}) {
        fs::create_directories(staging / dir, error);
    }
    std::vector<double> seconds;
    const std::vector<char> ok = writeFiles(files, staging, threadCount, seconds);
    for (size_t i = 0; i < files.size(); ++i) {
        if (!ok[i]) {
            report.failedFiles.push_back(files[i].relativePath);
        }
    }
    if (report.failedFiles.empty() && !replaceData(root, staging)) {
        report.failedFiles.push_back("data");
    }
    fs::remove_all(staging, error);
    if (secondsPerFile != nullptr) {
        *secondsPerFile = seconds;
    }
    return report;
}
