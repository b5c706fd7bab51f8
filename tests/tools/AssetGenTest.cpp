// The generator as a whole: its file list, determinism and failure reports,
// and the drawing pieces that the images are built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/tools/GeneratedTree.h"
#include "tools/assetgen/AssetGen.h"
#include "tools/assetgen/ContactSheet.h"
#include "tools/assetgen/ImageFiles.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/ScuteLayout.h"
#include "tools/assetgen/Text.h"

TEST(AssetGen, listsEveryFileTheDemoLoadsOnce) {
    std::set<std::string> paths;
    for (const AssetFile& file : assetFiles(true)) paths.insert(file.relativePath);
    const std::set<std::string> expected = {
        "data/tex/bakgrunn.png", "data/tex/blue.png",      "data/tex/vostrumlogo.png", "data/tex/quenbar06.png",
        "data/tex/lol.png",      "data/tex/grid.png",      "data/tex/kuletex.png",     "data/tex/turtle2.jpg",
        "data/tex/green.png",    "data/tex/greets.png",    "data/obj/squid01.ebr",     "data/obj/chamferbox.ebr",
        "data/obj/test.ebr",     "data/obj/hisphere.ebr",  "data/obj/turtleskall.ebr", "data/sound/tamokrelu.mp3"};
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(assetFiles(false).size(), expected.size() - 1);
}

TEST(AssetGen, writesTheSameBytesWithOneThreadAsWithTwo) {
    const std::string twoThreads = scratchFolder("two-threads"), oneThread = scratchFolder("one-thread");
    EXPECT_TRUE(generateAssets(twoThreads, false, 2).ok());
    EXPECT_TRUE(generateAssets(oneThread, false, 1).ok());
    for (const AssetFile& file : assetFiles(false)) {
        SCOPED_TRACE(file.relativePath);
        std::vector<unsigned char> first = fileBytes(twoThreads + "/" + file.relativePath);
        std::vector<unsigned char> second = fileBytes(oneThread + "/" + file.relativePath);
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(first == second);
    }
    EXPECT_FALSE(std::filesystem::exists(twoThreads + "/" + kStagingFolderName));
}

TEST(AssetGen, reportsEveryFileItCannotWriteAndLeavesNoTree) {
    for (const AssetFile& file : assetFiles(false)) {
        if (file.relativePath != "data/obj/test.ebr") continue;
        EXPECT_FALSE(file.write("/nonexistent-folder-for-morvel/test.ebr"));
    }
    // A root that is a plain file cannot hold the tree: every file is reported.
    const std::string blocker = scratchFolder("blocked") + "/blocker";
    std::FILE* f = std::fopen(blocker.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const GenerationReport report = generateAssets(blocker, false, 2);
    EXPECT_TRUE(report.missingFonts.empty());
    std::set<std::string> expected;
    for (const AssetFile& file : assetFiles(false)) expected.insert(file.relativePath);
    EXPECT_EQ(std::set<std::string>(report.failedFiles.begin(), report.failedFiles.end()), expected);
    EXPECT_TRUE(std::filesystem::is_regular_file(blocker));
}

TEST(AssetGen, withoutItsFontsWritesNothingAndKeepsTheEarlierTree) {
    const std::string root = scratchFolder("no-fonts");
    const std::string emptyFonts = scratchFolder("empty-font-folder");
    std::filesystem::create_directories(root + "/data/tex");
    std::FILE* earlier = std::fopen((root + "/data/tex/earlier.png").c_str(), "wb");
    ASSERT_NE(earlier, nullptr);
    std::fclose(earlier);
    setenv("MORVEL_FONT_DIR", emptyFonts.c_str(), 1);
    const GenerationReport report = generateAssets(root, true, 2);
    unsetenv("MORVEL_FONT_DIR");
    EXPECT_FALSE(report.ok());
    ASSERT_EQ(report.missingFonts.size(), 7u);
    EXPECT_EQ(report.missingFonts[0], emptyFonts + "/DejaVuSans.ttf");
    EXPECT_TRUE(report.failedFiles.empty());
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) left.push_back(entry.path().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{root + "/data", root + "/data/tex", root + "/data/tex/earlier.png"}));
}

TEST(Canvas, blendsOverWithStraightAlphaAndCoverage) {
    Canvas c(2, 1, Rgba{0, 0, 1, 1});
    c.blend(0, 0, Rgba{1, 0, 0, 0.5f});
    EXPECT_FLOAT_EQ(c.at(0, 0).r, 0.5f);
    EXPECT_FLOAT_EQ(c.at(0, 0).b, 0.5f);
    EXPECT_FLOAT_EQ(c.at(0, 0).a, 1.0f);
    // Over a transparent pixel the colour stays pure and the alpha is the coverage.
    Canvas clear(1, 1);
    clear.blend(0, 0, Rgba{0.2f, 0.4f, 0.6f, 1}, 0.25f);
    EXPECT_FLOAT_EQ(clear.at(0, 0).g, 0.4f);
    EXPECT_FLOAT_EQ(clear.at(0, 0).a, 0.25f);
    c.blend(5, 0, Rgba{1, 1, 1, 1});  // outside: ignored, no crash
}

TEST(Canvas, fillRectCoversExactlyItsAreaIncludingPartialPixels) {
    Canvas c(8, 8);
    c.fillRect(1.5f, 2.0f, 4.0f, 5.25f, Rgba{1, 1, 1, 1});
    double area = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) area += c.at(x, y).a;
    }
    EXPECT_NEAR(area, 2.5 * 3.25, 1e-5);
    EXPECT_FLOAT_EQ(c.at(1, 3).a, 0.5f);
    EXPECT_FLOAT_EQ(c.at(0, 3).a, 0.0f);
}

TEST(Canvas, pngAndJpegRoundTripThroughTheFiles) {
    Canvas c(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) c.at(x, y) = Rgba{x / 4.0f, y / 2.0f, 0.5f, (x + y) / 6.0f};
    }
    std::string path = scratchFolder("roundtrip") + "/roundtrip.png";
    ASSERT_TRUE(c.writePng(path, true));
    Canvas back(1, 1);
    ASSERT_TRUE(loadImageFile(path, back));
    ASSERT_EQ(back.width(), 5);
    ASSERT_EQ(back.height(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(Canvas::toByte(back.at(x, y).r), Canvas::toByte(c.at(x, y).r));
            EXPECT_EQ(Canvas::toByte(back.at(x, y).a), Canvas::toByte(c.at(x, y).a));
        }
    }
    Canvas flat(16, 16, Rgba{0.2f, 0.5f, 0.8f, 1});
    std::string jpeg = path + ".jpg";
    ASSERT_TRUE(flat.writeJpeg(jpeg, 95));
    ASSERT_TRUE(loadImageFile(jpeg, back));
    EXPECT_NEAR(back.at(8, 8).b, 0.8f, 0.02f);
    std::filesystem::remove(path);
    std::filesystem::remove(jpeg);
}

TEST(Noise, isRepeatableBoundedAndTilesWithItsPeriod) {
    EXPECT_EQ(hash3(1, 2, 3, 4u), hash3(1, 2, 3, 4u));
    EXPECT_NE(hash3(1, 2, 3, 4u), hash3(2, 1, 3, 4u));
    for (int i = 0; i < 200; ++i) {
        float x = i * 0.37f, y = i * 0.11f;
        float v = fractalNoise(x, y, 4, 3u);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        ASSERT_NEAR(tiledNoise(x, y, 8, 5u), tiledNoise(x + 8.0f, y - 16.0f, 8, 5u), 1e-5f);
    }
}

TEST(Font, setsVisibleTextWhoseWidthGrowsWithItsLength) {
    Font font(FontFace::sansBold, 20);
    ASSERT_TRUE(font.ok());
    EXPECT_GT(font.measure("morvel morvel"), 1.8f * font.measure("morvel"));
    Canvas c(120, 30);
    float advance = font.draw(c, "morvel", 4, 22, Rgba{1, 1, 1, 1});
    EXPECT_NEAR(advance, font.measure("morvel"), 0.01f);
    double ink = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 120; ++x) ink += c.at(x, y).a;
    }
    EXPECT_GT(ink, 60.0);
    // Nothing above the cap height of a 20-pixel face set on baseline 22.
    for (int x = 0; x < 120; ++x) EXPECT_EQ(c.at(x, 0).a, 0.0f);
}

TEST(ScuteLayout, seamsRunBetweenPlatesAndAlongTheOutline) {
    // The midline between the first two vertebral plates is a seam.
    ScuteSample front = scuteAt(0.0f, 0.60f), between = scuteAt(0.0f, 0.465f);
    EXPECT_NE(front.id, scuteAt(0.0f, 0.32f).id);
    EXPECT_LT(between.seamDistance, 0.01f);
    EXPECT_GT(front.seamDistance, 0.05f);
    // Past the outline lies the marginal ring, and beyond it radius exceeds 1.
    float edge = carapaceOutline(0.0f);
    EXPECT_GE(scuteAt(edge * 0.95f, 0.0f).id, 13);
    EXPECT_GT(scuteAt(edge * 1.1f, 0.0f).radius, 1.0f);
    EXPECT_NEAR(scuteAt(edge, 0.0f).seamDistance, 0.0f, 1e-4f);
}

TEST(ContactSheet, showsAllTenImagesAndRefusesAnIncompleteTree) {
    // Ten small stand-ins of distinct colours under the ten names.
    const char* const names[10] = {"bakgrunn.png", "blue.png", "vostrumlogo.png", "quenbar06.png", "lol.png",
                                   "grid.png",     "kuletex.png", "turtle2.jpg", "green.png", "greets.png"};
    const std::string root = scratchFolder("sheet-tree");
    std::filesystem::create_directories(root + "/data/tex");
    for (int i = 0; i < 10; ++i) {
        Canvas stand(64, 32, Rgba{(i % 3) * 0.5f, (i / 3 % 3) * 0.5f, (i >= 9 ? 1.0f : 0.0f), 1});
        std::string path = root + "/data/tex/" + names[i];
        ASSERT_TRUE(i == 7 ? stand.writeJpeg(path, 95) : stand.writePng(path, true));
    }
    const std::string sheet = root + "/sheet.png";
    ASSERT_TRUE(writeContactSheet(root, sheet));
    Canvas back(1, 1);
    ASSERT_TRUE(loadImageFile(sheet, back));
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(names[i]);
        Rgba want{(i % 3) * 0.5f, (i / 3 % 3) * 0.5f, (i >= 9 ? 1.0f : 0.0f), 1};
        int matching = 0;
        for (int y = 0; y < back.height(); ++y) {
            for (int x = 0; x < back.width(); ++x) {
                const Rgba& p = back.at(x, y);
                matching += std::fabs(p.r - want.r) < 0.03f && std::fabs(p.g - want.g) < 0.03f &&
                            std::fabs(p.b - want.b) < 0.03f;
            }
        }
        // Scaled up to fill a tile of a few hundred pixels across.
        EXPECT_GT(matching, 200 * 100);
    }
    std::filesystem::remove(root + "/data/tex/grid.png");
    std::filesystem::remove(sheet);
    EXPECT_FALSE(writeContactSheet(root, sheet));
    EXPECT_FALSE(std::filesystem::exists(sheet));
}
