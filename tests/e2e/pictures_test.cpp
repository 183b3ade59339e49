// The sample C10 pictures as installed: decoded frame by frame as they were drawn, and
// converted through BMP and JPEG and back with the picture commands.
#include <cstdlib>

#include "e2e/installed_folder.h"
#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

constexpr PictureKind kOpenC10 = PictureKind::C10, kOpenBmp = PictureKind::Bmp, kOpenJpeg = PictureKind::Jpeg;
constexpr PictureKind kSaveBmp = PictureKind::Bmp, kSaveJpeg = PictureKind::Jpeg, kSaveC10 = PictureKind::C10;

Picture Expected(int width, int height, const std::vector<std::uint16_t>& pixels) {
    Picture picture(width, height);
    for (std::size_t i = 0; i < pixels.size(); ++i) picture.pixels[i] = Rgb565ToColor(pixels[i]);
    return picture;
}

// What a picture becomes in C10: every colour cut to RGB565.
Picture Quantized(Picture picture) {
    for (std::uint32_t& p : picture.pixels) p = Rgb565ToColor(ColorToRgb565(p));
    return picture;
}

double MeanChannelDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            sum += std::abs(static_cast<int>(a.pixels[i] >> shift & 0xFF) - static_cast<int>(b.pixels[i] >> shift & 0xFF));
        }
    }
    return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

class SamplePicturesTest : public InstalledFolderTest {
protected:
    std::string Sample(const std::string& name) const { return app_ + samples::kSamplesFolder + name + ".c10"; }
};

TEST_F(SamplePicturesTest, BallFramesDecodeAsDrawnWithEveryKindOfRun) {
    const std::vector<std::uint8_t> file = ReadBytes(Sample("Шарик"));
    const std::vector<samples::C10Frame> frames = samples::BallFrames();
    const C10Properties first = ReadC10Properties(file);
    ASSERT_EQ(first.form, C10Form::Header);
    ASSERT_EQ(first.frameCount, static_cast<int>(frames.size()));
    ASSERT_EQ(first.width, samples::kBallSize);

    C10FrameProperties frame{first.frameCount, first.dataSize, first.paletteCount, first.dataStart};
    for (std::size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(frame.paletteCount, static_cast<int>(frames[k].palette.size()));
        Picture picture(first.width, first.height, 0);
        DecodeC10Frame(file, frame.dataStart, frame.paletteCount, first.width, first.height, picture);
        EXPECT_EQ(picture.pixels, Expected(first.width, first.height, frames[k].pixels).pixels);

        const auto begin = file.begin() + frame.dataStart + 2 * frame.paletteCount;
        const std::vector<std::uint8_t> stream(begin, file.begin() + frame.dataStart + frame.dataSize);
        for (const int count : samples::CountRunKinds(stream)) EXPECT_GT(count, 0);
        if (k + 1 < frames.size()) frame = ReadNextFrameProperties(file, frame.dataStart, frame.dataSize);
    }
}

TEST_F(SamplePicturesTest, TrailerFormOpensAndGoesThroughBmpAndBack) {
    OpenImage(form_, host_, Sample("Фон"), kOpenC10);
    ExpectNoBoxes();
    EXPECT_EQ(form_.FrameCountEdit, "1");
    EXPECT_EQ(form_.DataStartEdit, "2");
    const Picture shown = form_.ImageView;
    const samples::C10Frame drawn = samples::BackgroundFrame();
    EXPECT_EQ(shown.pixels, Expected(samples::kBackgroundWidth, samples::kBackgroundHeight, drawn.pixels).pixels);

    const std::string out = temp_.MakeDir("out");
    SaveImage(form_, host_, out + "bg", kSaveBmp);
    EXPECT_EQ(LoadBmp(out + "bg.bmp").pixels, shown.pixels);
    OpenImage(form_, host_, out + "bg.bmp", kOpenBmp);
    SaveImage(form_, host_, out + "bg", kSaveC10);
    OpenImage(form_, host_, out + "bg.c10", kOpenC10);
    ExpectNoBoxes();
    EXPECT_EQ(form_.ImageView.pixels, shown.pixels);
}

TEST_F(SamplePicturesTest, AFrameGoesToBmpAndJpegAndBackToC10) {
    OpenImage(form_, host_, Sample("Шарик"), kOpenC10);
    NextFrame(form_, host_);
    ExpectNoBoxes();
    const Picture shown = form_.ImageView;
    EXPECT_EQ(shown.pixels, Expected(samples::kBallSize, samples::kBallSize, samples::BallFrames()[1].pixels).pixels);
    const std::string out = temp_.MakeDir("out");

    // BMP keeps every pixel, so the C10 made from it is the frame again.
    SaveImage(form_, host_, out + "ball", kSaveBmp);
    OpenImage(form_, host_, out + "ball.bmp", kOpenBmp);
    EXPECT_EQ(form_.ImageView.pixels, shown.pixels);
    SaveImage(form_, host_, out + "ball", kSaveC10);
    OpenImage(form_, host_, out + "ball.c10", kOpenC10);
    EXPECT_EQ(form_.ImageView.pixels, shown.pixels);

    // JPEG only comes close; its C10 is the JPEG's picture in RGB565.
    SaveImage(form_, host_, out + "ball", kSaveJpeg);
    OpenImage(form_, host_, out + "ball.jpg", kOpenJpeg);
    const Picture fromJpeg = form_.ImageView;
    ASSERT_EQ(fromJpeg.width, shown.width);
    ASSERT_EQ(fromJpeg.height, shown.height);
    EXPECT_LT(MeanChannelDifference(fromJpeg, shown), 12.0);
    SaveImage(form_, host_, out + "ballj", kSaveC10);
    OpenImage(form_, host_, out + "ballj.c10", kOpenC10);
    ExpectNoBoxes();
    EXPECT_EQ(form_.ImageView.pixels, Quantized(fromJpeg).pixels);
}

}  // namespace
}  // namespace vesk::test
