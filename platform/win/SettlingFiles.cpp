#include "platform/win/SettlingFiles.h"

#include <algorithm>

void SettlingFiles::noteChange(const std::string& path, long long nowMs) {
    auto known = std::find_if(waiting.begin(), waiting.end(), [&](const Waiting& w) { return w.path == path; });
    if (known == waiting.end()) {
        waiting.push_back({path, nowMs});
    } else {
        known->lastChangeMs = std::max(known->lastChangeMs, nowMs);
    }
}

int SettlingFiles::takeSettled(long long nowMs, const std::function<bool(const std::string&)>& busy,
                               std::vector<std::string>& settled) {
    int taken = 0;
    std::vector<Waiting> still;
    for (Waiting& w : waiting) {
        if (nowMs - w.lastChangeMs < quietMs || busy(w.path)) {
            still.push_back(std::move(w));
        } else {
            settled.push_back(std::move(w.path));
            ++taken;
        }
    }
    waiting = std::move(still);
    return taken;
}
