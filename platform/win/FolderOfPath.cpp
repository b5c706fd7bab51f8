// Pure string work, without Windows' headers, so that the native tests check
// it too (tests/platform).
#include "platform/win/WindowsStart.h"

std::wstring folderOfPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return path;
    }
    // "C:" alone names the drive's current folder, not its top: keep the slash.
    const bool driveTop = slash > 0 && path[slash - 1] == L':';
    return path.substr(0, driveTop ? slash + 1 : slash);
}
