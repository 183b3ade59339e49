// The sample tool's C10 writer, read back by the program's decoder: pictures of every mix of
// palette and direct colours, runs longer than one control byte can count, and both forms.
#include <gtest/gtest.h>

#include <random>

#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "samples/c10_writer.h"

namespace vesk::test {
namespace {

using samples::C10Frame;

std::vector<std::uint32_t> Colors(const std::vector<std::uint16_t>& pixels) {
    std::vector<std::uint32_t> colors;
    for (const std::uint16_t p : pixels) colors.push_back(Rgb565ToColor(p));
    return colors;
}

// Pixels in stretches of random length (1 to 150) and colour, some from the palette.
C10Frame RandomFrame(unsigned seed, int pixels) {
    std::mt19937 random(seed);
    C10Frame frame;
    for (int i = 0; i < 5; ++i) frame.palette.push_back(static_cast<std::uint16_t>(random()));
    while (static_cast<int>(frame.pixels.size()) < pixels) {
        const int length = 1 + static_cast<int>(random() % (random() % 4 == 0 ? 150 : 3));
        const std::uint16_t color = random() % 2 ? frame.palette[random() % frame.palette.size()]
                                                 : static_cast<std::uint16_t>(random());
        for (int j = 0; j < length && static_cast<int>(frame.pixels.size()) < pixels; ++j) frame.pixels.push_back(color);
    }
    return frame;
}

TEST(C10WriterTest, HeaderFormFramesDecodeToTheirPixels) {
    constexpr int kWidth = 37, kHeight = 23;
    std::vector<C10Frame> frames;
    for (unsigned seed = 1; seed <= 4; ++seed) frames.push_back(RandomFrame(seed, kWidth * kHeight));
    const std::vector<std::uint8_t> file = samples::EncodeHeaderForm(kWidth, kHeight, frames);

    const C10Properties first = ReadC10Properties(file);
    ASSERT_EQ(first.form, C10Form::Header);
    ASSERT_EQ(first.frameCount, 4);
    ASSERT_EQ(first.width, kWidth);
    ASSERT_EQ(first.height, kHeight);
    std::int64_t dataStart = first.dataStart, dataSize = first.dataSize;
    int paletteCount = first.paletteCount;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(k);
        Picture picture(kWidth, kHeight, 0x01020304);
        DecodeC10Frame(file, dataStart, paletteCount, kWidth, kHeight, picture);
        EXPECT_EQ(picture.pixels, Colors(frames[k].pixels));
        // Long stretches make fills of the full count and split where 63 ends.
        const std::vector<std::uint8_t> stream(file.begin() + dataStart + 2 * paletteCount,
                                               file.begin() + dataStart + dataSize);
        for (const int count : samples::CountRunKinds(stream)) EXPECT_GT(count, 0);
        if (k + 1 < frames.size()) {
            const C10FrameProperties next = ReadNextFrameProperties(file, dataStart, dataSize);
            EXPECT_EQ(next.frameCount, 4);
            dataStart = next.dataStart;
            dataSize = next.dataSize;
            paletteCount = next.paletteCount;
        }
    }
    EXPECT_EQ(dataStart + dataSize, static_cast<std::int64_t>(file.size()));
}

TEST(C10WriterTest, OneColourPictureIsFillsOnly) {
    C10Frame frame;
    frame.palette = {0x1234};
    frame.pixels.assign(200, 0x1234);
    // 200 = 63 + 63 + 63 + 11: four indexed fills of two bytes each.
    EXPECT_EQ(samples::EncodeRuns(frame.pixels, frame.palette),
              (std::vector<std::uint8_t>{0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xCB, 0x00}));
    frame.palette.clear();
    EXPECT_EQ(samples::CountRunKinds(samples::EncodeRuns(frame.pixels, frame.palette)), (std::array<int, 4>{0, 0, 4, 0}));
}

TEST(C10WriterTest, TrailerFormDecodesAndStopsBeforeItsSizeBytes) {
    constexpr int kWidth = 19, kHeight = 11;
    C10Frame frame = RandomFrame(7, kWidth * kHeight);
    frame.palette[3] = 0x0000;  // byte 9 of the file: not the header form's marker
    const std::vector<std::uint8_t> file = samples::EncodeTrailerForm(kWidth, kHeight, frame);
    const C10Properties properties = ReadC10Properties(file);
    ASSERT_EQ(properties.form, C10Form::Trailer);
    EXPECT_EQ(properties.width, kWidth);
    EXPECT_EQ(properties.height, kHeight);
    EXPECT_EQ(properties.paletteCount, 5);
    Picture picture(kWidth, kHeight, 0);
    DecodeC10Frame(file, properties.dataStart, properties.paletteCount, kWidth, kHeight, picture);
    EXPECT_EQ(picture.pixels, Colors(frame.pixels));

    // A palette whose fourth entry puts 0x09 at byte 9 would read as the header form.
    frame.palette[3] = 0x0900;
    EXPECT_THROW(samples::EncodeTrailerForm(kWidth, kHeight, frame), std::invalid_argument);
}

}  // namespace
}  // namespace vesk::test
