#pragma once
// Runs one of the project's executables in a folder, headless, and collects
// what it printed and its exit status.
#include <string>

struct ProcessResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs command (a shell command line) with folder as its working directory.
ProcessResult runIn(const std::string& folder, const std::string& command);

// Copies the generated content tree into a fresh temporary folder and returns it.
std::string freshContentCopy();
