// Images nobody here wrote, from Debian packages fetched at test time (skipped
// when they cannot be had): the PngSuite conformance set, Go's JPEG test matrix
// with its reference PNGs, EXIF samples and known-damaged JPEGs.
#include "assets/JpegImage.h"
#include "assets/PngBind.h"
#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"

#include <filesystem>

TEST(PngSuite, validImagesLoadWithLibpngsOwnPixelsAndCorruptOnesFailCleanly) {
    const std::string folder =
        packageFolder("libsixel-examples", "usr/share/doc/libsixel-examples/examples/images/pngsuite");
    if (folder.empty()) GTEST_SKIP() << "libsixel-examples could not be fetched";
    freshGl();
    int validCount = 0, corruptCount = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string(), file = entry.path().filename().string();
        if (entry.path().extension() != ".png") continue;
        SCOPED_TRACE(path);
        PngInfo info;
        GLuint name = pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR);
        const bool corrupt = path.find("/corrupted/") != std::string::npos;
        ++(corrupt ? corruptCount : validCount);
        EXPECT_EQ(name != 0, !corrupt);
        if (corrupt || name == 0) continue;
        // libpng's simplified reader gets some interlaced 16-bit files wrong, so those are
        // checked against the non-interlaced image of the same content ("basi0g16" against "basn0g16").
        const bool interlaced16 = file.size() == 12 && file[3] == 'i' && file.compare(6, 6, "16.png") == 0;
        int width = 0, height = 0, w = 0, h = 0;
        const std::vector<uint32_t> reference = referenceTexels(
            interlaced16 ? entry.path().parent_path().parent_path().string() + "/basic/basn" + file.substr(4) : path,
            width, height);
        ASSERT_FALSE(reference.empty());
        EXPECT_EQ(std::make_pair(info.width, info.height), std::make_pair(unsigned(width), unsigned(height)));
        const std::vector<uint32_t> texels = boundTexels(&w, &h);
        int wrong = 0;  // sampling the reference the way the upload scales it
        for (int t = 0; t < w * h; ++t) wrong += texels[t] != reference[t / w * height / h * width + t % w * width / w];
        EXPECT_EQ(wrong, 0);
        glDeleteTextures(1, &name);
    }
    EXPECT_EQ(std::make_pair(validCount, corruptCount), std::make_pair(160, 14));
}

TEST(GoJpegMatrix, everySubsamplingAndScanOrderMatchesItsReference) {
    const std::string folder =
        packageFolder("golang-1.19-src", "usr/share/go-1.19/src/image/testdata/", "*/src/image/testdata/*");
    if (folder.empty()) GTEST_SKIP() << "golang-1.19-src could not be fetched";
    // Each file, its reference, the largest mean difference, and whether it decodes as the one before.
    using Case = std::tuple<std::string, std::string, double, bool>;
    std::vector<Case> cases = {
        {"video-001.jpeg", "video-001.png", 2.5, false}, {"video-001.progressive.jpeg", "video-001.png", 2.5, false},
        {"video-001.221212.jpeg", "video-001.221212.png", 2.5, false},
        {"video-001.rgb.jpeg", "video-001.rgb.png", 5, false},
        {"video-001.cmyk.jpeg", "video-001.cmyk.png", 2.5, false},
        {"video-001.separate.dc.progression.jpeg", "video-001.png", 2.5, false},
        {"video-001.separate.dc.progression.progressive.jpeg", "video-001.png", 2.5, false},
        {"video-005.gray.jpeg", "video-005.gray.png", 2.5, false},
        {"video-005.gray.q50.jpeg", "video-005.gray.png", 6, false},
        {"video-005.gray.q50.2x2.jpeg", "video-005.gray.png", 6, false},
    };
    // Each chroma subsampling at quality 50, baseline then progressive, against the original.
    for (const char* sampling : {"410", "411", "420", "422", "440", "444"}) {
        for (const char* scan : {"", ".progressive"}) {
            cases.emplace_back(std::string("video-001.q50.") + sampling + scan + ".jpeg", "video-001.png", 8, *scan);
        }
    }
    std::vector<uint8_t> previous;
    for (const auto& [jpeg, referencePng, meanTolerance, sameAsPrevious] : cases) {
        SCOPED_TRACE(jpeg);
        JpegImage* image = loadJpeg((folder + jpeg).c_str());
        ASSERT_NE(image, nullptr);
        int width = 0, height = 0;
        const std::vector<uint32_t> reference = referenceTexels(folder + referencePng, width, height);
        ASSERT_EQ(std::make_pair(image->width, image->height), std::make_pair(width, height));
        ASSERT_EQ(image->rowStride, 3 * width);
        const std::vector<uint8_t> pixels(image->pixels, image->pixels + size_t(image->rowStride) * height);
        freeJpeg(image);
        double sum = 0;  // mean absolute difference over all RGB samples
        for (size_t s = 0; s < pixels.size(); ++s) {
            sum += std::abs(int(pixels[s]) - int(reference[s / 3] >> (24 - 8 * (s % 3)) & 0xff));
        }
        EXPECT_LE(sum / pixels.size(), meanTolerance);
        EXPECT_TRUE(!sameAsPrevious || pixels == previous);
        previous = pixels;
    }
}

TEST(RealJpegsDeathTest, restartMarkersAndAnEarlyEndDecodeWhileNoImageOrBrokenTablesEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string exif = packageFolder("golang-github-rwcarlsen-goexif-dev",
                                           "usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/");
    const std::string gdk = packageFolder("gdk-pixbuf-tests", "usr/libexec/installed-tests/gdk-pixbuf/");
    if (exif.empty() || gdk.empty()) GTEST_SKIP() << "goexif or gdk-pixbuf-tests could not be fetched";
    freshGl();
    Texture texture((exif + "sample1.jpg").c_str());
    EXPECT_NE(texture.textureName, 0u);
    EXPECT_EQ(std::make_pair(texture.width, texture.height), std::make_pair(500, 375));
    JpegImage* image = loadJpeg((gdk + "premature-end.jpg").c_str());  // warns, then decodes
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rowStride, 3 * image->width);
    freeJpeg(image);
    const std::pair<std::string, const char*> cases[] = {
        {exif + "corrupt/max_uint32_exif.jpg", "JPEG datastream contains no image"},
        {gdk + "bug775218.jpg", "Quantization table 0x00 was not defined"},
        {gdk + "test-images/fail/CVE-2017-2862.jpg", "Unsupported marker type"},
        {gdk + "issue205.jpg", "Maximum supported image dimension is 16384 pixels"},  // claims 64250 x 64250
    };
    for (const auto& [path, message] : cases) EXPECT_EXIT(loadJpeg(path.c_str()), testing::ExitedWithCode(1), message);
}
