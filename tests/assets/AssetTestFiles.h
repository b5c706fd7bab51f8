#pragma once
// Helpers shared by the asset tests: unique scratch paths, raw file writes and
// a recorder for message boxes.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace assettest {

// A fresh path in the test temp folder ending in the given suffix (e.g. "a.ebr").
std::string scratchPath(const std::string& suffix);

// Writes bytes to path; false when that fails.
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Records every message box shown while it lives, instead of showing it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
};

}  // namespace assettest
