#include "tests/fuzz/FuzzSupport.h"

#include <cstdlib>

namespace fuzz {

std::FILE* openBytes(const uint8_t* data, size_t size) {
    static uint8_t none = 0;
    std::FILE* file = fmemopen(size > 0 ? const_cast<uint8_t*>(data) : &none, size > 0 ? size : 1, "rb");
    if (file != nullptr && size == 0) {
        std::fgetc(file);  // an empty stream: position at its end
    }
    return file;
}

std::string seedFolder(const char* variable) {
    const char* folder = std::getenv(variable);
    return folder != nullptr ? folder : "";
}

void writeSeed(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    if (std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

}  // namespace fuzz
