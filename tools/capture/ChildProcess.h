#pragma once
// One helper program (ffmpeg) run from an argument list, with no shell in
// between, optionally fed through a pipe on its standard input. It runs in a
// process group of its own, so that a terminal's Ctrl-C reaches only the
// capture, which then ends it. Used from one thread at a time.
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    // A child still running is terminated and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0], found on the PATH; with feedInput its standard input is a
    // pipe that write() fills, else /dev/null. False with error set when it
    // cannot be started.
    bool start(const std::vector<std::string>& argv, bool feedInput, std::string& error);
    // Writes all of the bytes to the child's input; false when the child has
    // gone (a broken pipe shows up as false, not as a signal).
    bool write(const void* bytes, size_t byteCount);
    // Closes the input and waits for the child to end. A stop request
    // (SIGINT or SIGTERM) arriving meanwhile terminates it. True when it
    // exited with status 0 and no stop request came.
    bool finish();
    // Terminates a child still running and reaps it; nothing when none runs.
    void stop();

private:
    void closeInput();

    pid_t pid = -1;
    int inputFd = -1;
};
