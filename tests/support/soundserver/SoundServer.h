// A private sound server for tests and benchmarks: PulseAudio, or PipeWire with
// its PulseAudio service and WirePlumber, started in a fresh temporary folder
// (its own runtime folder, home and session bus; no hardware, no autospawn) with
// one null sink at 32000 Hz float stereo as the default sink, whose monitor can
// be recorded. Everything it starts is stopped, and the folder removed, when it
// goes. Main thread only.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class SoundServer {
public:
    enum class Kind { pulseAudio, pipeWire };

    SoundServer() = default;
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server and waits (up to 10 s) until its null sink is the default.
    // False, with why() saying what failed, when it cannot run here. A silent stream
    // asking for keeperLatencyMs (0: usualKeeperLatencyMs) keeps the sink running;
    // PipeWire's graph runs at the smallest latency its streams ask for, so that also
    // sets its quantum.
    bool start(Kind kind, int keeperLatencyMs = 0);
    // Stops everything started, the recorder included; the folder stays until destruction.
    void stop();
    // Ends the server at once with SIGKILL, as a crash would (its helpers stay).
    void killServer();
    // Starts the server again on the same folder after killServer.
    bool restart();

    // "KEY=value" lines a client needs to reach this server and no other.
    std::vector<std::string> clientEnvironment() const;
    // Sets clientEnvironment() in this process, for code that plays in-process.
    void applyToThisProcess() const;

    // Records the null sink's monitor as raw 32000 Hz float stereo until stopRecording.
    bool startRecording();
    // Ends the recording; the interleaved stereo frames recorded.
    std::vector<float> stopRecording();

    // Runs a command line (through sh) with the client environment; its exit status.
    int runClient(const std::string& command) const;

    const std::string& folder() const { return root; }
    const std::string& why() const { return failure; }
    const char* name() const { return kind == Kind::pulseAudio ? "pulseaudio" : "pipewire"; }

    static constexpr const char* kSinkName = "morvel_out";
    static constexpr int kRateHz = 32000;
    // A sink that reports less latency than this has played out what it rendered while idle.
    static constexpr long long kSettledSinkLatencyUs = 50000;
    // What the keeper asks for unless told otherwise: a short latency for PulseAudio,
    // where it sets nothing else, and for PipeWire more than SDL's stream asks for, so
    // that the demo's own stream sets the graph's quantum (44 ms with 4096-frame blocks
    // at 32 kHz), as on a desktop where nothing else plays. At the 4-ms quantum a
    // 10-ms keeper set, the stalls of 5 to 15 ms that this kind of virtual machine
    // imposes on every thread now and then made the graph miss a cycle: a CI run heard
    // a quantum of silence in two plays in a row.
    static int usualKeeperLatencyMs(Kind kind) { return kind == Kind::pipeWire ? 200 : 10; }
    int keeperLatency() const { return keeperLatencyMs; }

private:
    bool startProcesses();
    bool waitUntilReady();
    void keepSinkRunning();
    pid_t spawn(const std::vector<std::string>& argv, const std::string& logName,
                const std::string& stdoutPath = "");

    Kind kind = Kind::pulseAudio;
    int keeperLatencyMs = usualKeeperLatencyMs(Kind::pulseAudio);
    std::string root;
    std::string failure;
    pid_t busPid = -1;
    pid_t serverPid = -1;
    std::vector<pid_t> helperPids;
    pid_t recorderPid = -1;
    std::string recordingPath;
};

// Stops a child: signal, then SIGKILL after timeoutMs; reaps it. Its exit status or -1.
int stopChild(pid_t pid, int signal, int timeoutMs);

// The one-minute load average for each core. Above kCrowdedLoadPerCore other work
// can hold a sound server itself back: its dropouts say more about the machine
// than about the player.
double loadPerCore();
constexpr double kCrowdedLoadPerCore = 2.0;
