// Windows has no watcher here yet: --watch is refused before the run starts.
#include "platform/FileWatcher.h"

bool FileWatcher::available() {
    return false;
}

FileWatcher::FileWatcher(const std::string& root) : failure("--watch is not available on this platform (" + root + ")") {}

FileWatcher::~FileWatcher() {}

int FileWatcher::takeChanges(std::vector<std::string>&) {
    return 0;
}
