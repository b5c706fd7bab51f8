#include "app/DemoOptions.h"

const char* demoUsage() {
    return "usage: morvel [--size WIDTHxHEIGHT | --native] [--window]\n"
           "  (no option)   full screen, drawn at 800x600 and scaled to fit\n"
           "  --size WxH    draw at WxH pixels (4:3 keeps the picture's shape), scaled to fit\n"
           "  --native      draw at the largest 4:3 size the display holds, 1:1 with black bars:\n"
           "                1440x1080 on a 1080p screen, 2880x2160 on 4K; the choice for a big screen\n"
           "  --window      play in a window of the drawing size instead of full screen\n"
           "  --help        print this and exit\n"
           "Escape, closing the window, SIGINT or SIGTERM end the run.\n";
}

bool parseDemoOptions(const std::vector<std::string>& args, DemoOptions& options, std::string& error) {
    bool sizeGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--native") {
            options.native = true;
        } else if (name == "--window") {
            options.windowed = true;
        } else if (name == "--size") {
            if (i + 1 >= args.size()) {
                error = "--size needs a value, such as 1440x1080";
                return false;
            }
            const std::string& value = args[++i];
            if (!parseCanvasSize(value.c_str(), options.size)) {
                error = "--size wants WIDTHxHEIGHT with sides from " + std::to_string(kMinCanvasSide) + " to " +
                        std::to_string(kMaxCanvasSide) + ", such as 1440x1080, not '" + value + "'";
                return false;
            }
            sizeGiven = true;
        } else {
            error = "unknown option '" + name + "'";
            return false;
        }
    }
    if (sizeGiven && options.native) {
        error = "give --size or --native, not both";
        return false;
    }
    return true;
}
