// Loads images from Debian packages: the PngSuite conformance set, Go's JPEG
// test matrix with its reference PNGs, EXIF samples and known-damaged JPEGs.
#include "assets/PngBind.h"
#include "assets/Texture.h"
#include "tests/assets/RealFiles.h"
#include "tests/assets/TestImages.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace assettest;

namespace {

std::string pngSuiteFolder() {
    std::string root = unpackedPackage("libsixel-examples");
    return root.empty() ? root : root + "/usr/share/doc/libsixel-examples/examples/images/pngsuite";
}

std::string goImageFolder() {
    std::string root = unpackedPackage("golang-1.19-src", "*/src/image/testdata/*");
    return root.empty() ? root : root + "/usr/share/go-1.19/src/image/testdata/";
}

std::string gdkPixbufFolder() {
    std::string root = unpackedPackage("gdk-pixbuf-tests");
    return root.empty() ? root : root + "/usr/libexec/installed-tests/gdk-pixbuf/";
}

std::string goexifFolder() {
    std::string root = unpackedPackage("golang-github-rwcarlsen-goexif-dev");
    return root.empty() ? root : root + "/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/";
}

bool isCorrupt(const std::string& path) {
    return path.find("/corrupted/") != std::string::npos;
}

// The file to decode as the reference. libpng's simplified reader gets some
// interlaced 16-bit files wrong, so those are checked against the suite's
// non-interlaced image of the same content ("basi0g16" against "basn0g16").
std::string referenceFor(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    const bool interlaced16 = name.size() == 12 && name[3] == 'i' && name.compare(6, 6, "16.png") == 0;
    return interlaced16 ? path.substr(0, path.rfind('/', slash - 1)) + "/basic/basn" + name.substr(4) : path;
}

// Largest per-channel difference between the bound texture and libpng's own
// decode, sampling the reference the way the upload scales it.
int largestDifference(const std::string& path, const PngInfo& info) {
    int width = 0, height = 0, textureWidth = 0, textureHeight = 0;
    std::vector<uint8_t> reference;
    EXPECT_TRUE(referencePngRgba(referenceFor(path), width, height, reference));
    EXPECT_EQ(unsigned(width), info.width);
    EXPECT_EQ(unsigned(height), info.height);
    std::vector<uint8_t> texture = boundTextureRgba(&textureWidth, &textureHeight);
    int largest = 0;
    for (int y = 0; y < textureHeight; ++y) {
        for (int x = 0; x < textureWidth; ++x) {
            const uint8_t* t = &texture[(size_t(y) * textureWidth + x) * 4];
            const uint8_t* r = &reference[(size_t(y * height / textureHeight) * width + x * width / textureWidth) * 4];
            for (int c = 0; c < 4; ++c) largest = std::max(largest, std::abs(int(t[c]) - int(r[c])));
        }
    }
    return largest;
}

// Mean absolute difference over all RGB samples of two images of one size.
double meanDifference(const JpegImage& image, const std::vector<uint8_t>& rgba) {
    double sum = 0;
    const size_t pixelCount = size_t(image.width) * image.height;
    for (size_t p = 0; p < pixelCount; ++p) {
        for (int c = 0; c < 3; ++c) sum += std::abs(int(image.pixels[p * 3 + c]) - int(rgba[p * 4 + c]));
    }
    return sum / (pixelCount * 3);
}

}  // namespace

TEST(PngSuite, everyValidImageLoadsWithLibpngsOwnPixels) {
    const std::string folder = pngSuiteFolder();
    if (folder.empty()) GTEST_SKIP() << "libsixel-examples could not be fetched";
    testgl::ensureContext();
    unsetenv("VIEWING_GAMMA");
    int validCount = 0;
    for (const std::string& path : filesBelow(folder, ".png")) {
        if (isCorrupt(path)) continue;
        SCOPED_TRACE(path);
        ++validCount;
        PngInfo info;
        GLuint name = pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR);
        ASSERT_NE(name, 0u);
        EXPECT_EQ(largestDifference(path, info), 0);
        glDeleteTextures(1, &name);
    }
    EXPECT_EQ(validCount, 160);
}

TEST(PngSuite, everyCorruptImageFailsCleanly) {
    const std::string folder = pngSuiteFolder();
    if (folder.empty()) GTEST_SKIP() << "libsixel-examples could not be fetched";
    testgl::ensureContext();
    int corruptCount = 0;
    for (const std::string& path : filesBelow(folder, ".png")) {
        if (!isCorrupt(path)) continue;
        SCOPED_TRACE(path);
        ++corruptCount;
        Texture texture(path.c_str());
        EXPECT_EQ(texture.textureName, 0u);
    }
    EXPECT_EQ(corruptCount, 14);
}

TEST(GoJpegMatrix, everySubsamplingAndScanOrderMatchesItsReference) {
    const std::string folder = goImageFolder();
    if (folder.empty()) GTEST_SKIP() << "golang-1.19-src could not be fetched";
    struct Case {
        const char* jpeg;
        const char* reference;
        double meanTolerance;
    } cases[] = {
        {"video-001.jpeg", "video-001.png", 2.5},
        {"video-001.progressive.jpeg", "video-001.png", 2.5},
        {"video-001.221212.jpeg", "video-001.221212.png", 2.5},
        {"video-001.rgb.jpeg", "video-001.rgb.png", 5},
        {"video-001.cmyk.jpeg", "video-001.cmyk.png", 2.5},
        {"video-001.separate.dc.progression.jpeg", "video-001.png", 2.5},
        {"video-001.separate.dc.progression.progressive.jpeg", "video-001.png", 2.5},
        {"video-005.gray.jpeg", "video-005.gray.png", 2.5},
        {"video-005.gray.q50.jpeg", "video-005.gray.png", 6},
        {"video-005.gray.q50.2x2.jpeg", "video-005.gray.png", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jpeg);
        JpegImage* image = loadJpeg((folder + c.jpeg).c_str());
        ASSERT_NE(image, nullptr);
        int width = 0, height = 0;
        std::vector<uint8_t> reference;
        ASSERT_TRUE(referencePngRgba(folder + c.reference, width, height, reference));
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, height);
        EXPECT_EQ(image->rowStride, 3 * width);
        EXPECT_LE(meanDifference(*image, reference), c.meanTolerance);
        freeJpeg(image);
    }
}

TEST(GoJpegMatrix, baselineAndProgressiveOfEachSubsamplingDecodeAlike) {
    const std::string folder = goImageFolder();
    if (folder.empty()) GTEST_SKIP() << "golang-1.19-src could not be fetched";
    int width = 0, height = 0;
    std::vector<uint8_t> original;
    ASSERT_TRUE(referencePngRgba(folder + "video-001.png", width, height, original));
    for (const char* sampling : {"410", "411", "420", "422", "440", "444"}) {
        SCOPED_TRACE(sampling);
        const std::string stem = folder + "video-001.q50." + sampling;
        JpegImage* baseline = loadJpeg((stem + ".jpeg").c_str());
        JpegImage* progressive = loadJpeg((stem + ".progressive.jpeg").c_str());
        ASSERT_NE(baseline, nullptr);
        ASSERT_NE(progressive, nullptr);
        EXPECT_EQ(baseline->width, 150);
        EXPECT_EQ(baseline->rowStride, 450);
        ASSERT_EQ(baseline->height, progressive->height);
        EXPECT_EQ(std::memcmp(baseline->pixels, progressive->pixels, size_t(450) * baseline->height), 0);
        EXPECT_LE(meanDifference(*baseline, original), 8.0);
        freeJpeg(baseline);
        freeJpeg(progressive);
    }
}

TEST(ExifSamples, restartMarkersDecodeAndUploadAsATexture) {
    const std::string folder = goexifFolder();
    if (folder.empty()) GTEST_SKIP() << "goexif could not be fetched";
    testgl::ensureContext();
    Texture texture((folder + "sample1.jpg").c_str());
    EXPECT_NE(texture.textureName, 0u);
    EXPECT_EQ(texture.width, 500);
    EXPECT_EQ(texture.height, 375);
}

TEST(ExifSamplesDeathTest, aFileWithOnlyExifAndNoImageEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string folder = goexifFolder();
    if (folder.empty()) GTEST_SKIP() << "goexif could not be fetched";
    const std::string path = folder + "corrupt/max_uint32_exif.jpg";
    EXPECT_EXIT(loadJpeg(path.c_str()), ::testing::ExitedWithCode(1), "JPEG datastream contains no image");
}

TEST(DamagedJpegs, aFileEndingEarlyWarnsAndStillDecodes) {
    const std::string folder = gdkPixbufFolder();
    if (folder.empty()) GTEST_SKIP() << "gdk-pixbuf-tests could not be fetched";
    JpegImage* image = loadJpeg((folder + "premature-end.jpg").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rowStride, 3 * image->width);
    freeJpeg(image);
}

TEST(DamagedJpegsDeathTest, brokenTablesMarkersAndAbsurdSizesEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string folder = gdkPixbufFolder();
    if (folder.empty()) GTEST_SKIP() << "gdk-pixbuf-tests could not be fetched";
    EXPECT_EXIT(loadJpeg((folder + "bug775218.jpg").c_str()), ::testing::ExitedWithCode(1),
                "Quantization table 0x00 was not defined");
    EXPECT_EXIT(loadJpeg((folder + "test-images/fail/CVE-2017-2862.jpg").c_str()), ::testing::ExitedWithCode(1),
                "Unsupported marker type");
    EXPECT_EXIT(loadJpeg((folder + "issue205.jpg").c_str()), ::testing::ExitedWithCode(1),
                "Maximum supported image dimension is 16384 pixels");
}
