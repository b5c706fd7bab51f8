#include "tools/capture/ChildProcess.h"

#include "platform/StopRequests.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace {

// The signals a child gets back at their defaults: the capture ignores
// SIGPIPE and catches SIGINT and SIGTERM, and the child should not inherit that.
bool setChildSignals(posix_spawnattr_t& attributes) {
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigemptyset(&none);
    return posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
           posix_spawnattr_setsigmask(&attributes, &none) == 0 && posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
           posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                     POSIX_SPAWN_SETPGROUP) == 0;
}

void sleepBriefly() {
    const timespec pause{0, 20 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

}  // namespace

ChildProcess::~ChildProcess() {
    stop();
}

void ChildProcess::stop() {
    closeInput();
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
    }
}

bool ChildProcess::start(const std::vector<std::string>& argv, bool feedInput, std::string& error) {
    int pipeFds[2] = {-1, -1};
    if (feedInput && pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe for ") + argv[0] + ": " + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (feedInput) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    int result = setChildSignals(attributes) ? 0 : EINVAL;
    if (result == 0) {
        result = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (feedInput) {
        close(pipeFds[0]);
        inputFd = pipeFds[1];
    }
    if (result != 0) {
        pid = -1;
        closeInput();
        error = std::string("cannot start ") + argv[0] + ": " + std::strerror(result);
        return false;
    }
    return true;
}

bool ChildProcess::write(const void* bytes, size_t byteCount) {
    const char* next = static_cast<const char*>(bytes);
    while (byteCount > 0 && inputFd >= 0) {
        const ssize_t written = ::write(inputFd, next, byteCount);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        byteCount -= static_cast<size_t>(written);
    }
    return byteCount == 0;
}

bool ChildProcess::finish() {
    closeInput();
    if (pid <= 0) {
        return false;
    }
    int status = 0;
    bool terminated = false;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (!terminated && stopSignal() != 0) {
            kill(pid, SIGTERM);
            terminated = true;
        }
        sleepBriefly();
    }
    pid = -1;
    return !terminated && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ChildProcess::closeInput() {
    if (inputFd >= 0) {
        close(inputFd);
        inputFd = -1;
    }
}
