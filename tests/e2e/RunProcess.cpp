#include "tests/e2e/RunProcess.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProcessResult runIn(const std::string& folder, const std::string& command) {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-e2e-XXXXXX").string();
    const std::string scratch = mkdtemp(pattern.data());
    const std::string line = "cd '" + folder + "' && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy " +
                             command + " >'" + scratch + "/out' 2>'" + scratch + "/err' </dev/null";
    const int raw = std::system(line.c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(scratch + "/out");
    result.err = readFile(scratch + "/err");
    std::system(("rm -rf '" + scratch + "'").c_str());
    return result;
}

std::string freshContentCopy() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-content-XXXXXX").string();
    const std::string folder = mkdtemp(pattern.data());
    std::system(("cp -r '" MORVEL_E2E_ROOT "/data' '" + folder + "/'").c_str());
    return folder;
}
