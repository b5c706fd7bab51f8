#include "tests/tools/GeneratedTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "tools/assetgen/AssetGen.h"

namespace {

// The process's temporary folder, removed when the test binary exits.
struct TempRoot {
    std::string path;
    TempRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvel-tools-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        path = made != nullptr ? std::string(made) : std::string();
    }
    ~TempRoot() {
        std::error_code error;
        if (!path.empty()) std::filesystem::remove_all(path, error);
    }
};

const std::string& tempRoot() {
    static TempRoot root;
    return root.path;
}

}  // namespace

std::string scratchFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::path(tempRoot()) / name;
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    std::filesystem::create_directories(folder, error);
    return folder.string();
}

std::string generatedFile(const std::string& relativePath) {
    static std::set<std::string> made;
    const std::filesystem::path path = std::filesystem::path(tempRoot()) / "tree" / relativePath;
    if (made.count(relativePath) != 0) return path.string();
    for (const AssetFile& file : assetFiles(false)) {
        if (file.relativePath != relativePath) continue;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        file.write(path.string());
        made.insert(relativePath);
        return path.string();
    }
    return std::string();
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
