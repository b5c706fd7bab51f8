// morvel-assetgen: writes the demo's data/ tree (images, meshes, soundtrack)
// under a root folder, the same bytes every run; optionally a contact sheet.
#include "tools/assetgen/AssetGen.h"
#include "tools/assetgen/ContactSheet.h"
#include "tools/assetgen/Icon.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void printUsage() {
    std::printf("usage: morvel-assetgen [--root DIR] [--contact-sheet FILE.png] [--timings] [--icon FILE.png]\n"
                "  writes DIR/data/tex, DIR/data/obj and DIR/data/sound (DIR defaults to .);\n"
                "  --timings prints one JSON object with the seconds each file took\n");
}

// One JSON object: each file's seconds and the wall-clock total with two threads.
void printTimings(const std::vector<double>& seconds, double wallSeconds) {
    const std::vector<AssetFile> files = assetFiles(true);
    std::printf("{\"threads\": 2, \"wall_s\": %.3f, \"files_s\": {", wallSeconds);
    for (size_t i = 0; i < files.size() && i < seconds.size(); ++i) {
        std::printf("%s\"%s\": %.3f", i == 0 ? "" : ", ", files[i].relativePath.c_str(), seconds[i]);
    }
    std::printf("}}\n");
}

// One line per missing font and per file not written, then that data/ is unchanged.
void printFailures(const GenerationReport& report, const std::string& root) {
    for (const std::string& font : report.missingFonts) {
        std::fprintf(stderr, "morvel-assetgen: cannot open the font %s (package fonts-dejavu)\n", font.c_str());
    }
    for (const std::string& path : report.failedFiles) {
        std::fprintf(stderr, "morvel-assetgen: could not write %s/%s\n", root.c_str(), path.c_str());
    }
    std::fprintf(stderr, "morvel-assetgen: %s/data was left as it was\n", root.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = ".";
    std::string sheet;
    bool timings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root = argv[++i];
        } else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc) {  // writes only the desktop icon
            return writeIcon(argv[i + 1]) ? 0 : 1;
        } else if (std::strcmp(argv[i], "--timings") == 0) {
            timings = true;
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else {
            printUsage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    auto start = std::chrono::steady_clock::now();
    std::vector<double> seconds;
    const GenerationReport report = generateAssets(root, true, 2, &seconds);
    if (!report.ok()) {
        printFailures(report, root);
        return 1;
    }
    double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("morvel-assetgen: wrote %zu files under %s/data in %.1f s\n", assetFiles(true).size(), root.c_str(),
                wallSeconds);
    if (timings) {
        printTimings(seconds, wallSeconds);
    }
    if (!sheet.empty() && !writeContactSheet(root, sheet)) {
        std::fprintf(stderr, "morvel-assetgen: could not write the contact sheet %s\n", sheet.c_str());
        return 1;
    }
    return 0;
}
