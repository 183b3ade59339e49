// The compact C10 read back by the program's own decoder, as "Открыть" and "Кадр" read it:
// exactly the pixels of EncodeC10's file, never more bytes, and frames that chain.
#include "picture/c10_compact.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "base/error.h"
#include "c10_test_files.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "support/error_text.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;
using test::kUntouched;
using Bytes = std::vector<std::uint8_t>;

Picture Draw(int width, int height, const std::function<std::uint32_t(int x, int y)>& colour) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetPixel(x, y, colour(x, y));
    return picture;
}

// Frame 1 decoded with the file's own fields onto a picture of `kUntouched` one row taller than
// the file says, so that a run past the last pixel would show in the extra row.
Picture DecodeFirst(const Bytes& file) {
    const C10Properties p = ReadC10Properties(file);
    Picture picture(p.width, p.height + 1, kUntouched);
    DecodeC10Frame(file, p.dataStart, p.paletteCount, p.width, p.height, picture);
    return picture;
}

// The frames as the window shows them: "Открыть" with the C10 filter, then "Кадр" while enabled.
std::vector<Picture> FramesAsShown(const Bytes& file) {
    test::TempFolder folder;
    const std::string path = folder.Write("pic.c10", file);
    Form form;
    test::RecordingHost host;
    OpenImage(form, host, path, PictureKind::C10);
    std::vector<Picture> shown{form.ImageView};
    while (form.NextFrameButtonEnabled) {
        NextFrame(form, host);
        shown.push_back(form.ImageView);
    }
    return shown;
}

// What EncodeC10 keeps of a colour.
std::uint32_t InRgb565(std::uint32_t colour) { return Rgb565ToColor(ColorToRgb565(colour)); }

Picture InRgb565(Picture picture) {
    for (std::uint32_t& p : picture.pixels) p = InRgb565(p);
    return picture;
}

// A colour for each number below 65536, spread over all three channels.
std::uint32_t Colour(int n) { return Rgb565ToColor(static_cast<std::uint16_t>(n * 40503 & 0xFFFF)); }

struct Case {
    const char* name;
    Picture picture;
};

// Stretches of equal pixels of the given lengths, over and over in raster order, each stretch
// another colour than the one before.
Picture Stretches(int width, int height, const std::vector<int>& lengths) {
    Picture picture(width, height);
    std::size_t k = 0;
    int left = lengths[0];
    for (std::uint32_t& p : picture.pixels) {
        if (left == 0) left = lengths[++k % lengths.size()];
        p = Colour(static_cast<int>(k % 7));
        --left;
    }
    return picture;
}

std::vector<Case> Cases() {
    std::mt19937 random(25);
    const auto noise = [&](int colours) { return [&random, colours](int, int) { return Colour(static_cast<int>(random() % colours)); }; };
    return {
        {"1 colour", Draw(40, 30, [](int, int) { return 0x00336699u; })},
        {"2 colours", Draw(64, 64, [](int x, int y) { return (x / 3 + y) % 2 ? 0x00FFFFFFu : 0u; })},
        {"255 colours", Draw(255, 100, noise(255))},
        {"256 colours", Draw(255, 100, noise(256))},
        {"65,025 colours: every pixel its own", Draw(255, 255, [](int x, int y) { return Colour(y * 255 + x); })},
        {"300 colours in stretches", Draw(255, 255, [](int x, int y) { return Colour((x / 5 + y * 7) % 300); })},
        {"stretches of 1, 63, 64, 65", Stretches(255, 40, {1, 63, 64, 65})},
        {"stretches across rows", Stretches(50, 50, {64, 63, 1, 1, 65, 2})},
        {"1 x 1", Draw(1, 1, [](int, int) { return 0x00FF0000u; })},
        {"1 x 255", Draw(1, 255, [](int, int y) { return Colour(y / 64); })},
        {"255 x 1", Draw(255, 1, [](int x, int) { return Colour(x % 3 == 0 ? x : 1); })},
        {"low bits that RGB565 drops", Draw(20, 20, [](int x, int y) { return PackColor(x * 13 + 1, y * 11 + 2, x + y + 3); })},
    };
}

TEST(EncodeC10Compact, DecodesToTheDescribedEncodingsPixelsInFewerBytes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const Bytes described = EncodeC10(c.picture);
        const Bytes compact = EncodeC10Compact(c.picture);
        // The extra row stays untouched in both: no run goes past the last pixel.
        EXPECT_EQ(DecodeFirst(compact).pixels, DecodeFirst(described).pixels);
        EXPECT_LE(compact.size(), described.size());
        // Direct runs of 63 alone give about 67%.
        if (c.picture.pixels.size() > 63) {
            EXPECT_LE(10 * compact.size(), 7 * described.size());
        }

        const C10Properties p = ReadC10Properties(compact);
        EXPECT_EQ(p.form, C10Form::Header);
        EXPECT_EQ(p.frameCount, 1);
        EXPECT_EQ(p.width, c.picture.width);
        EXPECT_EQ(p.height, c.picture.height);
        // The data size is the rest of the file when it fits its two bytes, else 0.
        EXPECT_EQ(p.dataSize, compact.size() - 11 <= 0xFFFF ? static_cast<std::int64_t>(compact.size() - 11) : 0);
        EXPECT_EQ(FramesAsShown(compact).size(), 1u);
    }
}

TEST(EncodeC10Compact, LaysOutFillsPalettesAndFramesByteForByte) {
    Picture picture(4, 1);
    picture.pixels = {0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000};  // red x 3, blue
    // Two colours used once each pay nothing for a palette: a direct fill and a direct run.
    EXPECT_EQ(EncodeC10Compact(picture), (Bytes{0x04, 0x01, 0xFF, 0x01, 0x01, 0x06, 0x00, 0x00, 0x00, 0x09, 0x00,
                                                0x83, 0x00, 0xF8, 0x01, 0x1F, 0x00}));
    picture = Picture(8, 1);
    for (int x = 0; x < 8; ++x) picture.pixels[static_cast<std::size_t>(x)] = x % 2 ? 0xFF0000 : 0x0000FF;
    // Alternating colours: a palette of two and one indexed run of eight.
    EXPECT_EQ(EncodeC10Compact(picture), (Bytes{0x08, 0x01, 0xFF, 0x01, 0x01, 0x0D, 0x00, 0x00, 0x00, 0x09, 0x02,
                                                0x00, 0xF8, 0x1F, 0x00, 0x48, 0, 1, 0, 1, 0, 1, 0, 1}));
    // Two frames: every header holds the count, the second starts with a one-pixel direct run.
    Picture red(1, 1, 0x0000FF), blue(1, 1, 0xFF0000);
    EXPECT_EQ(EncodeC10Frames({red, blue}), (Bytes{0x01, 0x01, 0xFF, 0x02, 0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x00,
                                                   0x01, 0x00, 0xF8, 0x01, 0x02, 0x01, 0x03, 0x00, 0x00, 0x00, 0x09,
                                                   0x00, 0x01, 0x1F, 0x00}));
    // Nothing to draw: the described encoding's 11 bytes.
    EXPECT_EQ(EncodeC10Compact(Picture()), EncodeC10(Picture()));
}

TEST(EncodeC10Frames, EveryFrameShowsAsKadrStepsToIt) {
    // All 65,536 colours (more than the 65,025 pixels of one frame hold) over three frames, then
    // frames of few colours: each frame its own palette, and every header read again by "Кадр".
    std::vector<Picture> frames;
    for (int f = 0; f < 3; ++f) frames.push_back(Draw(255, 86, [f](int x, int y) { return Colour((f * 86 + y) * 255 + x); }));
    frames.push_back(Draw(255, 86, [](int x, int y) { return (x / 16 + y / 16) % 2 ? 0x00FFFFFFu : 0x00000080u; }));
    frames.push_back(Draw(255, 86, [](int x, int) { return Colour(x); }));
    const std::vector<Picture> shown = FramesAsShown(EncodeC10Frames(frames));
    ASSERT_EQ(shown.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) EXPECT_EQ(shown[k].pixels, InRgb565(frames[k]).pixels) << "frame " << k + 1;
}

TEST(EncodeC10Frames, TheMostFramesOfTheLeastDataStepToTheLast) {
    // Each frame's decoding reads the next header's first byte as a run: that must end it without
    // reading past the file, down to the last of 255 frames of one pixel.
    std::vector<Picture> frames;
    for (int f = 0; f < kC10MaxFrames; ++f) frames.push_back(Picture(1, 1, Colour(f)));
    const std::vector<Picture> shown = FramesAsShown(EncodeC10Frames(frames));
    ASSERT_EQ(shown.size(), 255u);
    for (std::size_t k = 0; k < shown.size(); ++k) EXPECT_EQ(shown[k].pixels, InRgb565(frames[k]).pixels) << "frame " << k + 1;
}

TEST(EncodeC10Frames, RefusesWhatTheFormatCannotHold) {
    const Picture small(2, 2);
    EXPECT_EQ(ErrorOf([] { EncodeC10Frames({}); }), "Нельзя сохранить в C10 анимацию без кадров. Файл не записан.");
    EXPECT_EQ(ErrorOf([&] { EncodeC10Frames(std::vector<Picture>(256, small)); }),
              "Нельзя сохранить в C10 анимацию больше чем из 255 кадров: число кадров в C10 занимает один байт. Файл не записан.");
    EXPECT_EQ(ErrorOf([&] { EncodeC10Frames({small, small, Picture(2, 3)}); }),
              "Нельзя сохранить в C10 анимацию из кадров разного размера: кадр 1 2 x 2, кадр 3 2 x 3. Файл не записан.");
    EXPECT_EQ(ErrorOf([] { EncodeC10Compact(Picture(256, 1)); }),
              "Нельзя сохранить в C10 изображение 256 x 1: в C10 не больше 255 точек по ширине и по высоте. Файл не записан.");
    EXPECT_EQ(ErrorOf([] { EncodeC10Frames({Picture(1, 300)}); }),
              "Нельзя сохранить в C10 изображение 1 x 300: в C10 не больше 255 точек по ширине и по высоте. Файл не записан.");

    // A frame of 65,025 colours needs two bytes a pixel: alone it is written, with data size 0;
    // in an animation nothing could find the frame after it.
    const Picture distinct = Draw(255, 255, [](int x, int y) { return Colour(y * 255 + x); });
    const Bytes alone = EncodeC10Compact(distinct);
    EXPECT_GT(alone.size(), 11u + 0xFFFF);
    EXPECT_EQ(ReadC10Properties(alone).dataSize, 0);
    const std::string refused = ErrorOf([&] { EncodeC10Frames({distinct, distinct}); });
    EXPECT_EQ(refused.rfind("Нельзя сохранить в C10 анимацию: кадр 1 занимает ", 0), 0u) << refused;
    EXPECT_NE(refused.find("не больше 65535"), std::string::npos) << refused;
    EXPECT_EQ(ErrorOf([&] { EncodeC10Frames({Picture(255, 255), distinct}); }).rfind("Нельзя сохранить в C10 анимацию: кадр 2 ", 0), 0u);
}

}  // namespace
}  // namespace vesk
