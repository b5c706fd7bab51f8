#include "app/DemoOptions.h"

#include <cmath>
#include <cstdlib>

const char* demoUsage() {
    return "usage: morvel [--size WIDTHxHEIGHT | --native] [--window | --full-screen]\n"
           "              [--from S] [--to S] [--loop] [--rehearse [--watch]]\n"
           "  (no option)   full screen, drawn at 800x600 and scaled to fit\n"
           "  --size WxH    draw at WxH pixels (4:3 keeps the picture's shape), scaled to fit\n"
           "  --native      draw at the largest 4:3 size the display holds, 1:1 with black bars:\n"
           "                1440x1080 on a 1080p screen, 2880x2160 on 4K; the choice for a big screen\n"
           "  --window      play in a window of the drawing size instead of full screen\n"
           "  --full-screen play full screen (the default, except with --rehearse)\n"
           "  --from S      start the timeline (and the music) at S seconds, 0 to 60\n"
           "  --to S        end it at S seconds, after --from\n"
           "  --loop        play from --from to --to again and again until stopped\n"
           "  --rehearse    in a window, with keys: Space pause/resume, Left/Right 1 s back/on,\n"
           "                Shift+Left/Right 5 s, Home to the start of the range, [ and ] start\n"
           "                and end a loop range at the current time, F time/frame/spectrum overlay\n"
           "  --watch       with --rehearse: load a file under data/ again when it changes\n"
           "  --help        print this and exit\n"
           "Escape, closing the window, SIGINT or SIGTERM end the run.\n";
}

namespace {

// A time on the timeline: a plain decimal number of seconds from 0 to 60.
bool parseSeconds(const std::string& text, float& seconds) {
    if (text.empty() || text.size() > 32) {
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0 || value > 60.0) {
        return false;
    }
    seconds = static_cast<float>(value);
    return true;
}

bool takeSeconds(const std::vector<std::string>& args, size_t& i, float& seconds, std::string& error) {
    const std::string& name = args[i];
    if (i + 1 >= args.size()) {
        error = name + " needs a time in seconds, such as 28";
        return false;
    }
    const std::string& value = args[++i];
    if (!parseSeconds(value, seconds)) {
        error = name + " wants seconds from 0 to 60, such as 28 or 42.5, not '" + value + "'";
        return false;
    }
    return true;
}

// What the options ask for together.
bool checkCombination(DemoOptions& options, bool sizeGiven, std::string& error) {
    if (sizeGiven && options.native) {
        error = "give --size or --native, not both";
        return false;
    }
    if (options.windowed && options.fullscreen) {
        error = "give --window or --full-screen, not both";
        return false;
    }
    if (options.fromSeconds >= options.toSeconds) {
        error = "--from must come before --to";
        return false;
    }
    if (options.watch && !options.rehearse) {
        error = "--watch works with --rehearse only";
        return false;
    }
    // A maker rehearses beside an editor.
    if (options.rehearse && !options.fullscreen) {
        options.windowed = true;
    }
    return true;
}

}  // namespace

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
        } else if (name == "--full-screen") {
            options.fullscreen = true;
        } else if (name == "--loop") {
            options.loop = true;
        } else if (name == "--rehearse") {
            options.rehearse = true;
        } else if (name == "--watch") {
            options.watch = true;
        } else if (name == "--from" || name == "--to") {
            if (!takeSeconds(args, i, name == "--from" ? options.fromSeconds : options.toSeconds, error)) {
                return false;
            }
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
    return checkCombination(options, sizeGiven, error);
}
