// Capture throughput: the whole pipeline of morvel-capture (render, read back,
// encode through ffmpeg on the writer thread, and for a preset the second
// pass) over a stretch of the timeline, as frames per second and as a fraction
// of real time (1.0 captures a second of the demo in a second). Needs data/ in
// the working directory. Arguments: [preset|WxH] [from-seconds] [to-seconds];
// the default is the party preset over the whole timeline.
#include "bench/support/BenchSupport.h"
#include "tools/capture/Capture.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// CPU seconds of this process and its finished children (ffmpeg): on a shared
// machine they say more than the wall clock.
double cpuSeconds() {
    double seconds = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        seconds += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                   (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string shape = argc > 1 ? argv[1] : "party";
    const std::string from = argc > 2 ? argv[2] : "0";
    const std::string to = argc > 3 ? argv[3] : "60";
    std::vector<std::string> args = {"--from", from, "--to", to, "--out", "/tmp/morvel-capture-bench.mp4"};
    if (shape.find('x') != std::string::npos) {
        args.insert(args.end(), {"--size", shape, "--fps", "30"});
    } else {
        args.insert(args.end(), {"--preset", shape});
    }
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(args, options, error)) {
        std::fprintf(stderr, "capture_bench: %s\n", error.c_str());
        return 2;
    }
    long first = 0, end = 0;
    frameRange(options, first, end);

    const double start = bench::nowMs();
    const double cpuStart = cpuSeconds();
    const int status = runCapture(options);
    const double seconds = (bench::nowMs() - start) / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    std::remove(options.outFile.c_str());

    const double timeline = options.toSeconds - options.fromSeconds;
    double load[1] = {0};
    getloadavg(load, 1);
    bench::JsonObject json;
    json.add("benchmark", "capture")
        .add("shape", shape)
        .add("status", status)
        .add("from_seconds", options.fromSeconds)
        .add("to_seconds", options.toSeconds)
        .add("frames", static_cast<int64_t>(end - first))
        .add("render", std::to_string(options.render.width) + "x" + std::to_string(options.render.height))
        .add("frame", std::to_string(options.frame.width) + "x" + std::to_string(options.frame.height))
        .add("seconds", seconds)
        .add("cpu_seconds", cpu)
        .add("load_average", load[0])
        .add("frames_per_second", (end - first) / seconds)
        .add("real_time_fraction", timeline / seconds);
    json.print();
    return status;
}
