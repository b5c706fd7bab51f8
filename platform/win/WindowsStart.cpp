#include "platform/win/WindowsStart.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <direct.h>

#include <cstdio>

namespace {

// A handle the caller passed in for a stream: a redirection to a file or a
// pipe (from cmd, a script or a test) is kept as it is.
bool hasGivenHandle(DWORD stream) {
    HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool attachParentConsole() {
    const bool outputGiven = hasGivenHandle(STD_OUTPUT_HANDLE);
    const bool errorGiven = hasGivenHandle(STD_ERROR_HANDLE);
    if ((outputGiven && errorGiven) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;
    }
    if (!outputGiven) {
        std::freopen("CONOUT$", "w", stdout);
    }
    if (!errorGiven) {
        std::freopen("CONOUT$", "w", stderr);
    }
    return true;
}

bool enterExecutableFolder() {
    // The path may be longer than MAX_PATH (a long-path-aware system); grow the
    // buffer until it fits rather than work on a cut-off name.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return false;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return _wchdir(folderOfPath(path).c_str()) == 0;
}
