#include "assets/PngBind.h"
#include "tests/assets/AssetTestFiles.h"

#include <cstdlib>

TEST(PngBind, uploadTakesTheRequestedParametersAndMipmapsAndAFailedOneLeavesNoTexture) {
    freshGl();
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    const std::string path = savePng({4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(48, 200)});
    const unsigned int name = pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, nullptr, GL_CLAMP, GL_NEAREST, GL_LINEAR);
    ASSERT_NE(name, 0u);
    expectGl({{GL_PACK_ALIGNMENT, 8}, {GL_UNPACK_ALIGNMENT, 2}, {GL_TEXTURE_BINDING_2D, int(name)}});
    expectGl({{GL_TEXTURE_WRAP_S, GL_CLAMP}, {GL_TEXTURE_WRAP_T, GL_CLAMP}, {GL_TEXTURE_MIN_FILTER, GL_NEAREST},
              {GL_TEXTURE_MAG_FILTER, GL_LINEAR}}, true);
    ASSERT_NE(pngBind(path.c_str(), PNG_BUILDMIPMAPS, PNG_ALPHA, nullptr, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
    GLint smallest = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &smallest);
    EXPECT_EQ(smallest, 1);
    // A filter GL refuses makes the upload fail: the name made for it is deleted,
    // which puts the default texture back in the binding.
    EXPECT_EQ(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, nullptr, GL_REPEAT, 12345, GL_LINEAR), 0u);
    expectGl({{GL_TEXTURE_BINDING_2D, 0}});
}

TEST(PngBind, everyColourTypeArrivesAsRgbOrRgbaTopRowFirstScaledToPowersOfTwo) {
    freshGl();
    const std::vector<uint8_t> palette = {255, 0, 0, 0, 128, 0, 9, 8, 7}, rgba = {1, 2, 3, 4, 200, 100, 50, 255};
    // Odd sides scale to powers of two by nearest neighbour: texel (x, y) takes pixel (x * 3 / 4, y * 5 / 8).
    TestPng odd{3, 5};
    std::vector<uint32_t> oddScaled;
    const int columns[4] = {0, 0, 1, 2}, rows[8] = {0, 0, 1, 1, 2, 3, 3, 4};
    for (int p = 0; p < 15; ++p) odd.samples.insert(odd.samples.end(), {uint8_t(p % 3 * 60), uint8_t(p / 3 * 50), 7});
    for (int t = 0; t < 32; ++t) oddScaled.push_back(columns[t % 4] * 60u << 24 | rows[t / 4] * 50u << 16 | 0x07ffu);
    // What, the file, trans, the internal format (a component count, as the original library uploads), the texels.
    const std::tuple<const char*, TestPng, int, GLint, std::vector<uint32_t>> cases[] = {
        {"rgb", {2, 2, PNG_COLOR_TYPE_RGB, 8, {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30}}, PNG_ALPHA, 3,
         {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0x0a141eff}},
        {"rgba kept", {2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba}, PNG_ALPHA, 4, {0x01020304, 0xc86432ff}},
        {"rgba dropped", {2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba}, PNG_SOLID, 3, {0x010203ff, 0xc86432ff}},
        {"grey", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 77}}, PNG_ALPHA, 3, {0x000000ff, 0x4d4d4dff}},
        {"2-bit grey 3, 1", {2, 1, PNG_COLOR_TYPE_GRAY, 2, {0xd0}}, PNG_ALPHA, 3, {0xffffffff, 0x555555ff}},
        {"grey alpha", {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 20, 30, 40}}, PNG_ALPHA, 4, {0x0a0a0a14, 0x1e1e1e28}},
        {"16-bit", {1, 1, PNG_COLOR_TYPE_RGB, 16, {0xff, 0xff, 0x80, 0x80, 0, 0}}, PNG_ALPHA, 3, {0xff8000ff}},
        // 3 wide scaled to 4: texels 0 and 1 both take pixel 0. Entry 2 has no tRNS byte: opaque.
        {"palette", {3, 1, PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1}, palette}, PNG_ALPHA, 3,
         {0x090807ff, 0x090807ff, 0xff0000ff, 0x008000ff}},
        {"palette with tRNS", {3, 1, PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1}, palette, {0, 128}}, PNG_ALPHA, 4,
         {0x090807ff, 0x090807ff, 0xff000000, 0x00800080}},
        {"3 x 5 rgb", odd, PNG_ALPHA, 3, oddScaled},
    };
    for (const auto& [what, png, trans, expectedFormat, texels] : cases) {
        SCOPED_TRACE(what);
        PngInfo info;
        ASSERT_NE(pngBind(savePng(png).c_str(), PNG_NOMIPMAP, trans, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(format, expectedFormat);
        EXPECT_EQ(boundTexels(), texels);
        EXPECT_EQ(std::make_pair(int(info.width), int(info.height)), std::make_pair(png.width, png.height));
        EXPECT_EQ(std::make_pair(info.depth, info.alpha), std::make_pair(png.bitDepth, format == 4 ? 8 : 0));
    }
}

TEST(PngBind, gammaIsCorrectedOnlyWhenFileAndScreenDoNotCancel) {
    freshGl();
    const std::tuple<double, const char*, int> cases[] = {  // file gamma (0: no gAMA chunk), VIEWING_GAMMA, result
        {0.0, nullptr, 128},  // no gAMA: taken as 1/2.2, which cancels the screen's 2.2
        {1.0 / 2.2, nullptr, 128},
        {0.44, nullptr, 128},  // 0.968: within 0.05 of 1
        {1.0, nullptr, 186},   // 255 * (128/255)^(1/2.2)
        {0.0, "1.7", 79},      // screen 2.2/1.7: 255 * (128/255)^1.7
    };
    for (auto [fileGamma, viewing, expected] : cases) {
        SCOPED_TRACE(fileGamma);
        if (viewing) setenv("VIEWING_GAMMA", viewing, 1);
        const std::string path = savePng({1, 1, PNG_COLOR_TYPE_GRAY, 8, {128}, {}, {}, fileGamma});
        ASSERT_NE(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, nullptr, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
        EXPECT_NEAR(int(boundTexels()[0] >> 24), expected, 1);
    }
    unsetenv("VIEWING_GAMMA");
}

TEST(PngBind, damagedOrMissingFilesReturnZeroAndReportNoSize) {
    freshGl();
    const std::vector<uint8_t> bytes = readBytes(savePng({8, 8, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(192, 99)}));
    std::vector<uint8_t> badCrc = bytes;
    badCrc[30] ^= 0xff;  // inside IHDR
    const std::string paths[] = {saveBytes("cut.png", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40)),
                                 saveBytes("text.png", {'n', 'o', 't', ' ', 'p', 'n', 'g', '\n'}),
                                 saveBytes("crc.png", badCrc), savePng({40000, 40000}) /* header only */,
                                 scratchPath("absent.png")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        PngInfo info{5, 5};
        EXPECT_EQ(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
        EXPECT_EQ(std::make_pair(info.width, info.height), std::make_pair(0u, 0u));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
