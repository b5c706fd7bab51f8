// Watches for the whole machine stopping: a thread of the highest real-time priority
// the system grants wakes every millisecond and notes the longest it was kept from
// running. A virtual machine whose host holds it back (for a CPU quota, every 100 ms
// while it is busy) stops every thread on it, the sound server's included, and a
// server stopped for longer than its buffer plays a gap that no client could have
// filled. A stall seen here says that of the machine, not of the player.
#pragma once

#include <atomic>
#include <thread>

class MachineStalls {
public:
    MachineStalls();
    MachineStalls(const MachineStalls&) = delete;
    MachineStalls& operator=(const MachineStalls&) = delete;
    ~MachineStalls();

    // The longest time, in milliseconds, the watcher woke late since it started.
    double longestMs() const { return longestUs.load() / 1000.0; }

private:
    std::atomic<bool> stopping{false};
    std::atomic<long long> longestUs{0};
    std::thread watcher;
};

// A stall this long empties a sound server's buffer of a few blocks.
constexpr double kMachineStallMs = 40.0;
