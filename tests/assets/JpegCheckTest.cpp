// A JPEG looked at before it is loaded again while rehearsing: a whole file passes,
// and a cut-short, garbled or missing one fails with libjpeg's reason instead of
// ending the process as the texture loader would.
#include "assets/JpegCheck.h"
#include "tests/assets/AssetTestFiles.h"

#include <fstream>

TEST(JpegCheck, aWholeFilePassesAndACutShortGarbledOrMissingOneSaysWhy) {
    std::vector<uint8_t> samples(48 * 32 * 3);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint8_t>(i * 7);
    }
    const std::string whole = saveJpeg(48, 32, 3, samples, "whole.jpg");
    std::string why;
    EXPECT_TRUE(jpegDecodesWhole(whole.c_str(), why)) << why;

    // Half written, as while an editor still saves it: libjpeg only warns.
    std::vector<uint8_t> bytes = readBytes(whole);
    bytes.resize(bytes.size() / 2);
    const std::string half = saveBytes("half.jpg", bytes);
    EXPECT_FALSE(jpegDecodesWhole(half.c_str(), why));
    EXPECT_NE(why.find("Premature end of JPEG file"), std::string::npos) << why;

    const std::string garbled = saveBytes("garbled.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'});
    EXPECT_FALSE(jpegDecodesWhole(garbled.c_str(), why));
    EXPECT_NE(why.find("Not a JPEG file"), std::string::npos) << why;

    EXPECT_FALSE(jpegDecodesWhole(scratchPath("missing.jpg").c_str(), why));
    EXPECT_EQ(why, "cannot be opened");
}
