#include "tests/support/soundserver/SoundServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

std::string sinkArguments() {
    return std::string("sink_name=") + SoundServer::kSinkName + " rate=" +
           std::to_string(SoundServer::kRateHz) + " format=float32le channels=2 channel_map=front-left,front-right";
}

// text in single quotes for sh, with its own single quotes kept.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

}  // namespace

int stopChild(pid_t pid, int signal, int timeoutMs) {
    if (pid <= 0) {
        return -1;
    }
    kill(pid, signal);
    int status = 0;
    for (int waitedMs = 0; waitedMs < timeoutMs; waitedMs += 10) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

SoundServer::~SoundServer() {
    stop();
    if (!root.empty()) {
        std::system(("rm -rf '" + root + "'").c_str());
    }
}

std::vector<std::string> SoundServer::clientEnvironment() const {
    return {
        "HOME=" + root + "/home",
        "XDG_RUNTIME_DIR=" + root + "/run",
        "PULSE_RUNTIME_PATH=" + root + "/run/pulse",
        "PULSE_SERVER=unix:" + root + "/run/pulse/native",
        "PULSE_CLIENTCONFIG=" + root + "/client.conf",
        "PIPEWIRE_RUNTIME_DIR=" + root + "/run",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + root + "/run/bus",
    };
}

void SoundServer::applyToThisProcess() const {
    for (const std::string& line : clientEnvironment()) {
        size_t equals = line.find('=');
        setenv(line.substr(0, equals).c_str(), line.substr(equals + 1).c_str(), 1);
    }
}

pid_t SoundServer::spawn(const std::vector<std::string>& command, const std::string& logName,
                         const std::string& stdoutPath) {
    // A desktop's server runs its audio at real-time priority; ours too where the system
    // lets it, since the tests share the machine with renderers that keep it busy.
    std::vector<std::string> argv = {"sh", "-c", "if chrt -r 20 true 2>/dev/null; then exec chrt -r 20 \"$@\"; else exec \"$@\"; fi", "sh"};
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<std::string> environment = clientEnvironment();
    const char* path = std::getenv("PATH");
    environment.push_back(std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin"));
    pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    // Child: its own process group, and it ends with the test or benchmark that made
    // it, even one killed before its destructors ran.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int log = open((root + "/" + logName).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int out = stdoutPath.empty() ? log : open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int none = open("/dev/null", O_RDONLY);
    dup2(none, 0);
    dup2(out, 1);
    dup2(log, 2);
    std::vector<char*> args, env;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    for (const std::string& line : environment) {
        env.push_back(const_cast<char*>(line.c_str()));
    }
    args.push_back(nullptr);
    env.push_back(nullptr);
    execvpe(args[0], args.data(), env.data());
    _exit(127);
}

bool SoundServer::start(Kind serverKind, int keeperLatency) {
    kind = serverKind;
    keeperLatencyMs = keeperLatency > 0 ? keeperLatency : usualKeeperLatencyMs(serverKind);
    char pattern[] = "/tmp/morvel-soundserver-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        failure = "no temporary folder";
        return false;
    }
    root = pattern;
    mkdir((root + "/run").c_str(), 0700);
    mkdir((root + "/home").c_str(), 0700);
    writeText(root + "/client.conf", "autospawn = no\n");
    // PipeWire's graph runs at the sink's rate, so nothing on the way is resampled.
    std::system(("mkdir -p '" + root + "/home/.config/pipewire/pipewire.conf.d'").c_str());
    writeText(root + "/home/.config/pipewire/pipewire.conf.d/rate.conf",
              "context.properties = { default.clock.rate = 32000 default.clock.allowed-rates = [ 32000 ] }\n");
    return startProcesses() && waitUntilReady();
}

bool SoundServer::startProcesses() {
    if (kind == Kind::pulseAudio) {
        // As root PulseAudio warns but runs a per-user server when told --system=false.
        serverPid = spawn({"pulseaudio", "--system=false", "--daemonize=no", "-n", "--exit-idle-time=-1",
                           "--disallow-exit", "--disallow-module-loading=no", "--use-pid-file=no",
                           "--high-priority=yes", "--realtime=yes", "--log-target=stderr",
                           "--load=module-null-sink " + sinkArguments(),
                           "--load=module-native-protocol-unix", "--load=module-default-device-restore"},
                          "server.log");
        return serverPid > 0;
    }
    // PipeWire's session manager and PulseAudio service talk over a session bus.
    busPid = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + root + "/run/bus"},
                   "bus.log");
    for (int i = 0; i < 200 && access((root + "/run/bus").c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    serverPid = spawn({"pipewire"}, "server.log");
    for (int i = 0; i < 200 && access((root + "/run/pipewire-0").c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    helperPids.push_back(spawn({"wireplumber"}, "wireplumber.log"));
    helperPids.push_back(spawn({"pipewire-pulse"}, "pipewire-pulse.log"));
    return serverPid > 0;
}

bool SoundServer::waitUntilReady() {
    bool sinkLoaded = kind == Kind::pulseAudio;
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (runClient("pactl info >/dev/null 2>&1") != 0) {
            continue;
        }
        if (!sinkLoaded) {
            sinkLoaded = runClient("pactl load-module module-null-sink " + sinkArguments() + " >/dev/null") == 0;
            continue;
        }
        runClient(std::string("pactl set-default-sink ") + kSinkName + " >/dev/null 2>&1");
        if (runClient(std::string("pactl info | grep -q '^Default Sink: ") + kSinkName + "$'") == 0) {
            keepSinkRunning();
            return true;
        }
    }
    failure = std::string(name()) + " did not come up; see " + root + "/server.log";
    return false;
}

// A null sink with nothing to play renders seconds ahead and makes the first stream
// wait that long; a desktop's sound card runs all the time. A silent stream at a
// short latency keeps the sink running as one would (it adds zeros to the mix).
// What the idle sink rendered ahead is not taken back, so the fixture waits until
// it has played out and the sink runs at the keeper's latency.
void SoundServer::keepSinkRunning() {
    helperPids.push_back(spawn({"pacat", "--raw", "--playback", "--format=float32le", "--rate=32000", "--channels=2",
                                "--latency-msec=" + std::to_string(keeperLatencyMs), "--stream-name=keep-running",
                                "/dev/zero"},
                               "keeper.log"));
    const std::string sinkLatencyIsShort =
        std::string("pactl list sinks | awk '/^[ \\t]*Latency:/ { found = 1; short = $2 < ") +
        std::to_string(kSettledSinkLatencyUs) + " } END { exit !(found && short) }'";
    for (int i = 0; i < 100 && runClient(sinkLatencyIsShort) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int SoundServer::runClient(const std::string& command) const {
    std::string line = "env";
    for (const std::string& assignment : clientEnvironment()) {
        line += " " + shellQuoted(assignment);
    }
    line += " sh -c " + shellQuoted(command);
    int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

bool SoundServer::startRecording() {
    recordingPath = root + "/monitor.raw";
    recorderPid = spawn({"parec", "--raw", "--device=" + std::string(kSinkName) + ".monitor", "--format=float32le",
                         "--rate=32000", "--channels=2", "--latency-msec=20"},
                        "parec.log", recordingPath);
    // The recorder is ready once its stream exists on the server.
    for (int i = 0; i < 100; ++i) {
        if (runClient("pactl list short source-outputs | grep -q .") == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::vector<float> SoundServer::stopRecording() {
    stopChild(recorderPid, SIGINT, 2000);
    recorderPid = -1;
    std::vector<float> frames;
    std::FILE* file = std::fopen(recordingPath.c_str(), "rb");
    if (file == nullptr) {
        return frames;
    }
    std::fseek(file, 0, SEEK_END);
    long bytes = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    frames.resize(static_cast<size_t>(bytes) / (2 * sizeof(float)) * 2);
    size_t got = std::fread(frames.data(), sizeof(float), frames.size(), file);
    frames.resize(got - got % 2);
    std::fclose(file);
    return frames;
}

void SoundServer::killServer() {
    if (serverPid > 0) {
        kill(serverPid, SIGKILL);
        waitpid(serverPid, nullptr, 0);
        serverPid = -1;
    }
}

bool SoundServer::restart() {
    killServer();
    for (pid_t helper : helperPids) {
        stopChild(helper, SIGTERM, 2000);
    }
    helperPids.clear();
    stopChild(busPid, SIGTERM, 2000);
    busPid = -1;
    std::system(("rm -rf '" + root + "/run/pulse' '" + root + "/run/pipewire-0' '" + root + "/run/bus'").c_str());
    return startProcesses() && waitUntilReady();
}

void SoundServer::stop() {
    stopChild(recorderPid, SIGINT, 2000);
    recorderPid = -1;
    for (pid_t helper : helperPids) {
        stopChild(helper, SIGTERM, 2000);
    }
    helperPids.clear();
    stopChild(serverPid, SIGTERM, 3000);
    serverPid = -1;
    stopChild(busPid, SIGTERM, 2000);
    busPid = -1;
}

double loadPerCore() {
    double load = 0.0;
    std::ifstream("/proc/loadavg") >> load;
    return load / std::max(1u, std::thread::hardware_concurrency());
}
