#pragma once
// Windows reports a file as changed at each write, while its writer may still
// be writing it, where inotify waits for the close. SettlingFiles holds each
// changed path back until nothing has been heard of it for a moment and its
// writer no longer holds it open, so that the demo loads a file once, whole.
// Pure bookkeeping, without Windows' headers, so that the native tests check
// it too (tests/platform).
#include <functional>
#include <string>
#include <vector>

class SettlingFiles {
public:
    explicit SettlingFiles(long long quietMs) : quietMs(quietMs) {}

    // path changed at nowMs (any clock in milliseconds, the same for every call).
    void noteChange(const std::string& path, long long nowMs);

    // Appends to settled, each once and in the order first heard of, the paths
    // quiet since quietMs before nowMs that busy does not claim (a file still
    // open for writing); the rest wait. Returns how many were appended.
    int takeSettled(long long nowMs, const std::function<bool(const std::string&)>& busy,
                    std::vector<std::string>& settled);

    bool empty() const { return waiting.empty(); }

private:
    struct Waiting {
        std::string path;
        long long lastChangeMs;
    };

    long long quietMs;
    std::vector<Waiting> waiting;
};
