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
