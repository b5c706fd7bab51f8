// morvel: a self-running audiovisual demo. Reads its assets from data/ under
// the working directory (on Windows, the folder that holds the program); its
// options choose the size it draws at, whether it plays full screen, the part of
// the timeline played and looped, and the rehearsal keys and file watching.
#include "app/Demo.h"
#include "app/DemoOptions.h"
#include "platform/FileWatcher.h"
#ifdef _WIN32
#include "platform/win/WindowsStart.h"
#endif

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
#ifdef _WIN32
    // Where Linux has its launcher and terminal: the console, and data/ beside the program.
    attachParentConsole();
    enterExecutableFolder();
#endif
    DemoOptions options;
    std::string error;
    if (!parseDemoOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "morvel: %s\n%s", error.c_str(), demoUsage());
        return 2;
    }
    if (options.watch && !FileWatcher::available()) {
        std::fprintf(stderr, "morvel: --watch is not available on this platform\n%s", demoUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(demoUsage(), stdout);
        return 0;
    }
    Demo demo(options);
    return demo.run();
}
