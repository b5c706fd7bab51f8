#pragma once
// Notices files that change under a folder and its subfolders, through the
// operating system's change notification (inotify on Linux,
// ReadDirectoryChangesW on Windows). Polled without blocking from the main
// thread between frames. Where the platform has no watcher, available() is
// false and nothing is ever reported.
#include <memory>
#include <string>
#include <vector>

class FileWatcher {
public:
    // Whether this platform can watch folders at all.
    static bool available();

    // Watches root and the folders in it (one level down, as data/ is laid out).
    // On failure ready() is false and error() says why.
    explicit FileWatcher(const std::string& root);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    bool ready() const { return native != nullptr; }
    const std::string& error() const { return failure; }

    // Appends to changed the paths (root/sub/name) of the files written, replaced
    // or moved in since the last call, each once, once their writer is done with
    // them; returns how many were added.
    int takeChanges(std::vector<std::string>& changed);

private:
    struct Native;  // the platform's own handles
    std::unique_ptr<Native> native;
    std::string failure;
};
