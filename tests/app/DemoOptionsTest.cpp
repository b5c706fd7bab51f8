// The demo's command line: nothing given is the classic run; each option and
// each bad input as a person would type it.
#include "app/DemoOptions.h"

#include <gtest/gtest.h>

namespace {

std::string errorFor(const std::vector<std::string>& args) {
    DemoOptions options;
    std::string error;
    EXPECT_FALSE(parseDemoOptions(args, options, error));
    return error;
}

}  // namespace

TEST(DemoOptions, noneIsTheClassicFullScreenRunAt800x600) {
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(parseDemoOptions({}, options, error));
    EXPECT_EQ(options.size, kDefaultCanvasSize);
    EXPECT_FALSE(options.native || options.windowed || options.help);
}

TEST(DemoOptions, sizeNativeAndWindowCombineAsDocumented) {
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(parseDemoOptions({"--window", "--size", "1440x1080"}, options, error)) << error;
    EXPECT_EQ(options.size, (CanvasSize{1440, 1080}));
    EXPECT_TRUE(options.windowed);
    EXPECT_FALSE(options.native);

    DemoOptions native;
    ASSERT_TRUE(parseDemoOptions({"--native", "--window"}, native, error)) << error;
    EXPECT_TRUE(native.native && native.windowed);

    DemoOptions help;
    ASSERT_TRUE(parseDemoOptions({"--help"}, help, error));
    EXPECT_TRUE(help.help);
}

TEST(DemoOptions, badInputNamesWhatIsWrong) {
    EXPECT_EQ(errorFor({"--size"}), "--size needs a value, such as 1440x1080");
    EXPECT_EQ(errorFor({"--size", "1440"}),
              "--size wants WIDTHxHEIGHT with sides from 128 to 16384, such as 1440x1080, not '1440'");
    EXPECT_EQ(errorFor({"--size", "64x48"}),
              "--size wants WIDTHxHEIGHT with sides from 128 to 16384, such as 1440x1080, not '64x48'");
    EXPECT_EQ(errorFor({"--native", "--size", "800x600"}), "give --size or --native, not both");
    EXPECT_EQ(errorFor({"--fullscreen"}), "unknown option '--fullscreen'");
    EXPECT_EQ(errorFor({"1440x1080"}), "unknown option '1440x1080'");
}

TEST(DemoOptions, rangeLoopAndRehearsalCombineAsDocumented) {
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(parseDemoOptions({"--from", "28", "--to", "42.5", "--loop"}, options, error)) << error;
    EXPECT_EQ(options.fromSeconds, 28.0f);
    EXPECT_EQ(options.toSeconds, 42.5f);
    EXPECT_TRUE(options.loop);
    EXPECT_FALSE(options.windowed || options.rehearse || options.watch);

    DemoOptions rehearse;
    ASSERT_TRUE(parseDemoOptions({"--rehearse", "--watch", "--to", "60"}, rehearse, error)) << error;
    EXPECT_TRUE(rehearse.rehearse && rehearse.watch);
    EXPECT_TRUE(rehearse.windowed);  // beside an editor
    EXPECT_EQ(rehearse.fromSeconds, 0.0f);

    DemoOptions big;
    ASSERT_TRUE(parseDemoOptions({"--full-screen", "--rehearse", "--from", "0"}, big, error)) << error;
    EXPECT_FALSE(big.windowed);
}

TEST(DemoOptions, badTimesAndCombinationsNameWhatIsWrong) {
    EXPECT_EQ(errorFor({"--from"}), "--from needs a time in seconds, such as 28");
    for (const char* bad : {"-1", "60.5", "abc", "12s", "", "nan", "inf", "1e400"}) {
        EXPECT_EQ(errorFor({"--to", bad}),
                  std::string("--to wants seconds from 0 to 60, such as 28 or 42.5, not '") + bad + "'");
    }
    EXPECT_EQ(errorFor({"--from", "43", "--to", "28"}), "--from must come before --to");
    EXPECT_EQ(errorFor({"--from", "60"}), "--from must come before --to");
    EXPECT_EQ(errorFor({"--to", "0"}), "--from must come before --to");
    EXPECT_EQ(errorFor({"--watch"}), "--watch works with --rehearse only");
    EXPECT_EQ(errorFor({"--window", "--full-screen"}), "give --window or --full-screen, not both");
}
