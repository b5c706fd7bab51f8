// morvel-assetgen: writes the demo's data/ tree (images, meshes, soundtrack)
// under a root folder, the same bytes every run; optionally a contact sheet.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/assetgen/AssetGen.h"
#include "tools/assetgen/ContactSheet.h"

namespace {

void printUsage() {
    std::printf("usage: morvel-assetgen [--root DIR] [--contact-sheet FILE.png]\n"
                "  writes DIR/data/tex, DIR/data/obj and DIR/data/sound (DIR defaults to .)\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = ".";
    std::string sheet;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root = argv[++i];
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else {
            printUsage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    auto start = std::chrono::steady_clock::now();
    std::vector<std::string> failed = generateAssets(root, true, 2);
    for (const std::string& path : failed) {
        std::fprintf(stderr, "morvel-assetgen: could not write %s/%s\n", root.c_str(), path.c_str());
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("morvel-assetgen: wrote %zu files under %s/data in %.1f s\n",
                assetFiles(true).size() - failed.size(), root.c_str(), seconds);
    if (!sheet.empty() && !writeContactSheet(root, sheet)) {
        std::fprintf(stderr, "morvel-assetgen: could not write the contact sheet %s\n", sheet.c_str());
        return 1;
    }
    return failed.empty() ? 0 : 1;
}
