// Capture throughput: the whole pipeline of morvel-capture (render, read back,
// encode H.264 + AAC through ffmpeg on a second thread) over a stretch of the
// timeline, in frames per second and as a multiple of real time. Needs data/
// in the working directory. Arguments: [from-seconds] [to-seconds] [fps].
#include "bench/support/BenchSupport.h"
#include "tools/capture/Capture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    CaptureOptions options;
    options.fromSeconds = argc > 1 ? std::atof(argv[1]) : 0.0;
    options.toSeconds = argc > 2 ? std::atof(argv[2]) : 60.0;
    options.fps = argc > 3 ? std::atoi(argv[3]) : 60;
    options.outFile = "/tmp/morvel-capture-bench.mp4";
    long first = 0, end = 0;
    frameRange(options, first, end);

    const double start = bench::nowMs();
    const int status = runCapture(options);
    const double seconds = (bench::nowMs() - start) / 1000.0;
    std::remove(options.outFile.c_str());

    const double frames = static_cast<double>(end - first);
    bench::JsonObject json;
    json.add("benchmark", "capture")
        .add("status", status)
        .add("frames", static_cast<int64_t>(end - first))
        .add("fps_target", options.fps)
        .add("seconds", seconds)
        .add("frames_per_second", frames / seconds)
        .add("real_time_factor", (options.toSeconds - options.fromSeconds) / seconds);
    json.print();
    return status;
}
