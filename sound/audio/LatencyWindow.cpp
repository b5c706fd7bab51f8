#include "sound/audio/LatencyWindow.h"

#include <algorithm>

void LatencyWindow::add(long long latencyUs) {
    if (latencyUs <= 0) {
        return;
    }
    if (skipped < kSkippedReadings) {
        ++skipped;
        return;
    }
    recent.push_back(latencyUs);
    if (recent.size() > static_cast<size_t>(kKeptReadings)) {
        recent.pop_front();
    }
}

long long LatencyWindow::latencyUs() const {
    return recent.empty() ? -1 : *std::max_element(recent.begin(), recent.end());
}
