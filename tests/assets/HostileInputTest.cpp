// Inputs that cost a loader more than they are worth, or a machine that fails
// it: each load ends as a plain failure (name 0, size 0 x 0, the documented box
// where there is one), with nothing thrown and nothing left open.
#include "assets/Mesh.h"
#include "assets/PngBind.h"
#include "assets/PngImage.h"
#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/assets/FaultInjection.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace {

std::vector<uint8_t> be32(uint32_t value) {
    return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

uint32_t chunkCrc(const std::string& typeAndData) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char byte : typeAndData) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

// A 32 x 32 RGB header, then a chunk of the given type that declares nearly
// 2 GB and holds a few bytes: 57 bytes in all.
std::vector<uint8_t> hugeChunkPng(const char* type) {
    const std::vector<uint8_t> header = readBytes(savePng({32, 32}));  // signature and IHDR
    std::vector<uint8_t> bytes(header.begin(), header.begin() + 33);
    for (uint8_t b : be32(0x7ffffff0)) bytes.push_back(b);
    bytes.insert(bytes.end(), type, type + 4);
    const char text[] = "Title\0xxxxxxxxxx";
    bytes.insert(bytes.end(), text, text + sizeof text - 1);
    return bytes;
}

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

TEST(HostileImagesDeathTest, chunksDeclaringGigabytesAreRefusedWithoutTheMemory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Measured in a child of its own, whose peak memory is this decode's alone.
    EXPECT_EXIT(
        {
            const long before = peakResidentKb();
            bool anyLoaded = false;
            for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
                const std::vector<uint8_t> bytes = hugeChunkPng(type);
                if (bytes.size() != 57) std::exit(3);
                PngPixels pixels;
                anyLoaded |= decodePng(saveBytes(std::string(type) + ".png", bytes).c_str(), true, pixels);
            }
            std::exit(anyLoaded ? 2 : peakResidentKb() - before < 64 * 1024 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostileImages, unusedChunksAreSkippedWhileTheOnesThatChangePixelsStillApply) {
    // A valid image whose text chunk is larger than any chunk the decoder keeps.
    TestPng png{2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {255, 0, 0, 0, 0, 255}, {255, 0}};
    const std::string plain = savePng(png);
    std::vector<uint8_t> bytes = readBytes(plain);
    const std::string words(200000, 'w');
    std::vector<uint8_t> text = be32(uint32_t(words.size() + 8));
    const std::string body = std::string("tEXt") + "Comment" + '\0' + words;
    text.insert(text.end(), body.begin(), body.end());
    for (uint8_t b : be32(chunkCrc(body))) text.push_back(b);
    bytes.insert(bytes.begin() + 33, text.begin(), text.end());
    PngPixels withText, without;
    ASSERT_TRUE(decodePng(saveBytes("text.png", bytes).c_str(), true, withText));
    ASSERT_TRUE(decodePng(plain.c_str(), true, without));
    EXPECT_EQ(withText.channelCount, 4);  // tRNS still turns the palette into RGBA
    EXPECT_EQ(withText.bytes, without.bytes);
    EXPECT_EQ(withText.bytes, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 0}));
}

TEST(HostileImages, aMachineOutOfMemoryGivesFailedLoadsNotExceptionsAndLeavesNothingOpen) {
    freshGl();
    MessageRecorder messages;
    const std::string bigPng = savePng({1024, 1024, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(1024 * 1024 * 3, 80)});
    // 600 x 600 decodes in about 1 MB; its scaled copy for GL (1024 x 1024) needs 3 MB.
    const std::string oddPng = savePng({600, 600, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(600 * 600 * 3, 80)});
    const std::string bigJpeg = saveJpeg(1024, 1024, 3, std::vector<uint8_t>(1024 * 1024 * 3, 80));
    const struct {
        const std::string& path;
        size_t refusedFrom;
    } cases[] = {{bigPng, 1 << 20}, {oddPng, 2 << 20}, {bigJpeg, 1 << 20}, {bigJpeg, 16} /* even the record */};
    const int filesBefore = openFileCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " refusing from " + std::to_string(c.refusedFrom));
        alignas(Texture) unsigned char storage[sizeof(Texture)];  // nothing to allocate under the refusal
        const Texture* texture = nullptr;
        bool threw = false;
        {
            RefuseAllocations shortOfMemory(c.refusedFrom);
            try {
                texture = new (storage) Texture(c.path.c_str());
            } catch (...) {
                threw = true;
            }
        }
        ASSERT_FALSE(threw);
        EXPECT_EQ(texture->textureName, 0u);
        EXPECT_EQ(std::make_pair(texture->width, texture->height), std::make_pair(0, 0));
        EXPECT_EQ(openFileCount(), filesBefore);
    }
    EXPECT_TRUE(messages.boxes.empty());
    // With memory back, the same files load.
    for (const std::string* path : {&bigPng, &oddPng, &bigJpeg}) EXPECT_NE(Texture(path->c_str()).textureName, 0u);
}

TEST(HostileImages, aGlThatNeverStopsReportingAnErrorFailsTheUploadInsteadOfHanging) {
    freshGl();
    const std::string path = savePng({4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(48, 7)});
    PngInfo info;
    unsigned int name = 1;
    {
        StuckGlError stuck;
        name = pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR);
        EXPECT_LT(StuckGlError::calls(), 1000);
    }
    EXPECT_EQ(name, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_NE(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
}

TEST(HostileFiles, aFolderWhereAFileBelongsCountsAsAFileThatCannotBeOpened) {
    freshGl();
    const std::string folder = scratchPath("look");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string png = folder + "/tex.png", jpeg = folder + "/turtle2.jpg", ebr = folder + "/hisphere.ebr";
    for (const std::string& path : {png, jpeg, ebr}) ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    MessageRecorder messages;
    const Texture pngTexture(png.c_str()), jpegTexture(jpeg.c_str());
    const Mesh mesh(ebr.c_str());
    EXPECT_EQ(pngTexture.textureName + jpegTexture.textureName, 0u);
    EXPECT_EQ(std::make_pair(jpegTexture.width, jpegTexture.height), std::make_pair(0, 0));
    EXPECT_EQ(mesh.subMeshCount, 0);
    EXPECT_EQ(messages.boxes, (decltype(messages.boxes){{jpeg, "Unable to load JPG File!"},
                                                        {ebr, "Error: .ebr file not found"}}));
}
