#include "platform/FileWatcher.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// An editor's save ends in one of these: a write closed, a file moved over the
// old one (most editors), or one made anew.
constexpr uint32_t kChangeMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

}  // namespace

struct FileWatcher::Native {
    int descriptor = -1;
    std::vector<std::pair<int, std::string>> folders;  // watch, path

    ~Native() {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
};

bool FileWatcher::available() {
    return true;
}

FileWatcher::FileWatcher(const std::string& root) {
    auto watching = std::make_unique<Native>();
    watching->descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watching->descriptor < 0) {
        failure = std::string("cannot start watching files: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> paths{root};
    if (DIR* dir = opendir(root.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_type == DT_DIR && entry->d_name[0] != '.') {
                paths.push_back(root + "/" + entry->d_name);
            }
        }
        closedir(dir);
    }
    for (const std::string& path : paths) {
        const int watch = inotify_add_watch(watching->descriptor, path.c_str(), kChangeMask);
        if (watch < 0) {
            failure = "cannot watch " + path + ": " + std::strerror(errno);
            return;
        }
        watching->folders.emplace_back(watch, path);
    }
    native = std::move(watching);
}

FileWatcher::~FileWatcher() = default;

int FileWatcher::takeChanges(std::vector<std::string>& changed) {
    const size_t before = changed.size();
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = native ? read(native->descriptor, buffer, sizeof buffer) : -1;
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto& folders = native->folders;
            auto folder = std::find_if(folders.begin(), folders.end(),
                                       [event](const auto& entry) { return entry.first == event->wd; });
            if (folder == folders.end() || event->len == 0 || (event->mask & IN_ISDIR) != 0) {
                continue;
            }
            const std::string path = folder->second + "/" + event->name;
            if (std::find(changed.begin() + static_cast<long>(before), changed.end(), path) == changed.end()) {
                changed.push_back(path);
            }
        }
    }
    return static_cast<int>(changed.size() - before);
}
