// morvel-capture: renders the demo offline to numbered PNGs, one still, or an
// MP4 with its soundtrack. Run from the folder that holds data/.
#include "tools/capture/Capture.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CaptureOptions options;
    std::string error;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s", captureUsage());
        return 0;
    }
    if (args.empty()) {
        std::fprintf(stderr, "%s", captureUsage());
        return 2;
    }
    if (!parseCaptureOptions(args, options, error)) {
        std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
        return 2;
    }
    return runCapture(options);
}
