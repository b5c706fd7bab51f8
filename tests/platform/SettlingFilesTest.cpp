// Windows reports each write of a file as it happens; the demo must load the
// file once, after its writer is done, never a half-written one.
#include "platform/win/SettlingFiles.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const auto kNobodyWriting = [](const std::string&) { return false; };

}  // namespace

TEST(SettlingFiles, aFileIsTakenOnceAfterItsLastWriteHasBeenQuietForTheWait) {
    SettlingFiles files(150);
    std::vector<std::string> taken;
    // An editor writes in pieces: a write every 100 ms keeps the file waiting.
    for (long long ms = 0; ms <= 400; ms += 100) {
        files.noteChange("data/tex/turtle2.jpg", ms);
        EXPECT_EQ(files.takeSettled(ms + 99, kNobodyWriting, taken), 0) << ms;
    }
    EXPECT_EQ(files.takeSettled(549, kNobodyWriting, taken), 0);
    EXPECT_EQ(files.takeSettled(550, kNobodyWriting, taken), 1);
    EXPECT_EQ(taken, std::vector<std::string>{"data/tex/turtle2.jpg"});
    EXPECT_EQ(files.takeSettled(5000, kNobodyWriting, taken), 0);
    EXPECT_TRUE(files.empty());
}

TEST(SettlingFiles, aFileStillOpenForWritingWaitsUntilItsWriterLetsGo) {
    SettlingFiles files(150);
    std::set<std::string> open{"data/sound/tamokrelu.mp3"};
    const auto writing = [&](const std::string& path) { return open.count(path) > 0; };
    files.noteChange("data/sound/tamokrelu.mp3", 0);
    files.noteChange("data/tex/turtle1.jpg", 10);
    std::vector<std::string> taken;
    EXPECT_EQ(files.takeSettled(1000, writing, taken), 1);
    EXPECT_EQ(taken, std::vector<std::string>{"data/tex/turtle1.jpg"});
    EXPECT_EQ(files.takeSettled(2000, writing, taken), 0);
    open.clear();
    EXPECT_EQ(files.takeSettled(2001, writing, taken), 1);
    EXPECT_EQ(taken.back(), "data/sound/tamokrelu.mp3");
}

TEST(SettlingFiles, filesSettledTogetherComeInTheOrderTheyWereFirstChanged) {
    SettlingFiles files(150);
    files.noteChange("data/b.jpg", 0);
    files.noteChange("data/a.jpg", 5);
    files.noteChange("data/b.jpg", 20);  // written again: still one entry, still first
    files.noteChange("data/c.ebr", 30);
    std::vector<std::string> taken{"already there"};
    EXPECT_EQ(files.takeSettled(180, kNobodyWriting, taken), 3);
    EXPECT_EQ(taken, (std::vector<std::string>{"already there", "data/b.jpg", "data/a.jpg", "data/c.ebr"}));
}

TEST(SettlingFiles, aChangeHeardWithAnOlderTimeDoesNotShortenTheWait) {
    // Records read in one batch are all stamped at the read; a stamp from an
    // earlier batch arriving late must not make the file look settled sooner.
    SettlingFiles files(150);
    files.noteChange("data/x.png", 100);
    files.noteChange("data/x.png", 40);
    std::vector<std::string> taken;
    EXPECT_EQ(files.takeSettled(200, kNobodyWriting, taken), 0);
    EXPECT_EQ(files.takeSettled(250, kNobodyWriting, taken), 1);
}
