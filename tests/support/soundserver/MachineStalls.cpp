#include "tests/support/soundserver/MachineStalls.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>

MachineStalls::MachineStalls() {
    watcher = std::thread([this] {
        // Real-time where the system allows it, so that only the machine, not the
        // demo's own threads, can keep it waiting; where it does not, the stalls seen
        // include ordinary scheduling and are an upper bound.
        sched_param priority{};
        priority.sched_priority = sched_get_priority_max(SCHED_FIFO);
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
        auto last = std::chrono::steady_clock::now();
        while (!stopping) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            auto now = std::chrono::steady_clock::now();
            long long lateUs = std::chrono::duration_cast<std::chrono::microseconds>(now - last).count() - 1000;
            longestUs = std::max(longestUs.load(), lateUs);
            last = now;
        }
    });
}

MachineStalls::~MachineStalls() {
    stopping = true;
    watcher.join();
}
