// Rehearsing on Windows: with --rehearse --watch the Windows build sees the
// photograph change on disk and loads it again, never half-written, and a
// damaged one is kept out without ending the run, as on Linux.
#include "tests/windows/WindowsRelease.h"
#include "tests/support/soundserver/SoundServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST(WindowsWatch, aPhotographChangedOnDiskIsLoadedAgainWholeAndADamagedOneIsKeptOut) {
    const WindowsRelease* release = windowsRelease();
    if (release == nullptr) {
        GTEST_SKIP() << "run by scripts/windows --verify";
    }
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    const std::string folder = releaseCopy("watching", true);
    const std::string photo = folder + "/data/tex/turtle2.jpg";
    const std::string original = release->scratch + "/turtle2-original.jpg";
    std::system(("cp " + shellQuoted(photo) + " " + shellQuoted(original)).c_str());
    const std::string err = release->scratch + "/watching.err";
    int status = -2;
    std::thread demo([&] {
        status = server.runClient("cd " + shellQuoted(folder) + " && " +
                                  wineCommand(folder + "/morvel.exe", "--rehearse --watch --from 36") +
                                  " >/dev/null 2>" + shellQuoted(err) + " </dev/null");
    });
    std::string window;
    const bool started = waitFor(60.0, [&] {
        const std::vector<std::string> found = windowsNamed("^morvel$");
        window = found.empty() ? "" : found.front();
        return !window.empty();
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string loaded = "morvel: loaded data/tex/turtle2.jpg again";
    auto loadedCount = [&] { return countOf(readFile(err), loaded); };

    // Saved as most editors save: a new file renamed over the old one.
    double savedAt = nowSeconds();
    std::system(("cp " + shellQuoted(original) + " " + shellQuoted(photo + ".new") + " && mv -f " +
                 shellQuoted(photo + ".new") + " " + shellQuoted(photo))
                    .c_str());
    const bool renamedSeen = waitFor(10.0, [&] { return loadedCount() == 1; });
    const double renamedSeconds = nowSeconds() - savedAt;

    // Written in place in five pieces 0.05 s apart: Windows reports each write,
    // and only the whole file may be loaded.
    savedAt = nowSeconds();
    std::system(("size=$(stat -c %s " + shellQuoted(original) + "); piece=$((size / 5 + 1)); { for i in 0 1 2 3 4; do " +
                 "dd if=" + shellQuoted(original) + " bs=$piece skip=$i count=1 status=none; sleep 0.05; done; } >" +
                 shellQuoted(photo))
                    .c_str());
    const bool inPlaceSeen = waitFor(10.0, [&] { return loadedCount() == 2; });
    const double inPlaceSeconds = nowSeconds() - savedAt;
    const std::string beforeDamage = readFile(err);

    std::system(("printf 'not a photograph at all' >" + shellQuoted(photo)).c_str());
    const bool damageSeen = waitFor(10.0, [&] { return readFile(err).find("does not load") != std::string::npos; });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool stillRunning = !windowsNamed("^morvel$").empty();
    std::system(("xdotool windowfocus --sync " + window + " key Escape 2>/dev/null").c_str());
    waitFor(10.0, [&] { return windowsNamed("^morvel$").empty(); });
    if (!windowsNamed("^morvel$").empty()) {
        std::system("wineserver -k");
    }
    demo.join();

    ASSERT_TRUE(started) << "no window within 60 s";
    const std::string text = readFile(err);
    std::printf("Watching: a renamed save loaded after %.2f s, an in-place one %.2f s after its first piece\n",
                renamedSeconds, inPlaceSeconds);
    EXPECT_TRUE(renamedSeen) << text;
    EXPECT_LT(renamedSeconds, 1.0);
    EXPECT_TRUE(inPlaceSeen) << text;
    EXPECT_EQ(beforeDamage.find("does not load"), std::string::npos) << "a half-written file was loaded:\n" << text;
    EXPECT_TRUE(damageSeen) << text;
    EXPECT_NE(text.find("morvel: data/tex/turtle2.jpg does not load (Not a JPEG file"), std::string::npos) << text;
    EXPECT_NE(text.find("keeping the one loaded before"), std::string::npos) << text;
    EXPECT_TRUE(stillRunning) << "the damaged file ended the run:\n" << text;
    EXPECT_EQ(status, 1) << text;  // ended by Escape, as on Linux
}
