#include "tests/tools/GeneratedTree.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/assetgen/AssetGen.h"

namespace {

// A fresh folder under the system's temporary directory.
std::string makeTempRoot(const char* tag) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string("morvel-") + tag + "-XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    return made != nullptr ? std::string(made) : std::string();
}

// A generated tree that removes itself when the test binary exits.
struct Tree {
    std::string root;
    std::vector<std::string> failed;
    Tree(const char* tag, int threads) : root(makeTempRoot(tag)), failed(generateAssets(root, false, threads)) {
        if (!failed.empty()) std::fprintf(stderr, "generation failed for %zu files\n", failed.size());
    }
    ~Tree() {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
};

}  // namespace

const std::string& generatedRoot() {
    static Tree tree("assets", 2);
    return tree.root;
}

const std::string& secondGeneratedRoot() {
    static Tree tree("assets-again", 1);
    return tree.root;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
