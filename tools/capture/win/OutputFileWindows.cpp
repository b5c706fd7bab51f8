// The capture's output files on Windows: the same contract through Windows'
// calls. Paths are UTF-8, which the narrow calls read as such under the
// program's manifest (UTF-8 code page); std::filesystem is given them as UTF-8
// explicitly.
#include "tools/capture/OutputFile.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace {

// ".NAME.N-TICKS" beside path, unique among this process's and (by the tick
// count and the process id) other processes' names; creation with CREATE_NEW
// or CreateDirectory fails on a name taken anyway, and the next is tried.
std::string candidateBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + std::to_string(GetTickCount64());
}

constexpr int kAttempts = 100;

}  // namespace

bool checkTarget(const std::string& path, std::string& error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        error = "'" + path + "' is a symbolic link; give the path of a regular file or a new one";
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = "'" + path + "' is not a regular file; give the path of a regular file or a new one";
        return false;
    }
    return true;
}

std::string createTempFileBeside(const std::string& path, const std::string& suffix) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = candidateBeside(path) + suffix;
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return "";
        }
    }
    return "";
}

std::string createTempFolderBeside(const std::string& path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = candidateBeside(path);
        if (CreateDirectoryA(name.c_str(), nullptr)) {
            return name;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return "";
        }
    }
    return "";
}

bool publish(const std::string& temp, const std::string& path) {
    // std::rename does not replace an existing file on Windows.
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    DeleteFileA(temp.c_str());
    return false;
}

void removeTemp(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(path), ignored);
}

unsigned int newFileMode() {
    // Windows has no umask: a new file is readable by whoever may read its folder.
    return 0666u;
}
