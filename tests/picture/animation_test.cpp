// Beyond the window's own commands: GIF files read back with giflib, PNG through the page's
// dialogs, and thumbnails.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstdlib>
#include <memory>

#include "base/error.h"
#include "c10_test_files.h"
#include "picture/animation.h"
#include "picture/commands.h"
#include "picture/gif_file.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"
#include "support/error_text.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::C10Builder;
using test::ErrorOf;
using Bytes = std::vector<std::uint8_t>;

// ---- reading a GIF back with giflib

struct GifDeleter {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Gif = std::unique_ptr<GifFileType, GifDeleter>;

struct MemoryInput {
    const Bytes* bytes;
    std::size_t at = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* data, int length) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(length), in->bytes->size() - in->at);
    std::copy_n(in->bytes->data() + in->at, n, data);
    in->at += n;
    return static_cast<int>(n);
}

Gif Slurp(const Bytes& bytes, MemoryInput& input) {
    input = {&bytes, 0};
    int error = 0;
    Gif gif(DGifOpen(&input, ReadMemory, &error));
    EXPECT_TRUE(gif) << GifErrorString(error);
    if (gif) {
        EXPECT_EQ(DGifSlurp(gif.get()), GIF_OK) << GifErrorString(gif->Error);
    }
    return gif;
}

// Frame i as a picture, through its own or the global palette.
Picture FrameOf(GifFileType* gif, int i) {
    const SavedImage& image = gif->SavedImages[i];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    Picture picture(image.ImageDesc.Width, image.ImageDesc.Height);
    for (std::size_t p = 0; p < picture.pixels.size(); ++p) {
        const GifColorType c = map->Colors[image.RasterBits[p]];
        picture.pixels[p] = c.Red | c.Green << 8 | static_cast<std::uint32_t>(c.Blue) << 16;
    }
    return picture;
}

bool HasLoopExtension(GifFileType* gif) {
    const SavedImage& first = gif->SavedImages[0];
    for (int e = 0; e + 1 < first.ExtensionBlockCount; ++e) {
        const ExtensionBlock& block = first.ExtensionBlocks[e];
        if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
            std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0") {
            return true;
        }
    }
    return false;
}

// 3 x 2 in three frames, each drawn over the one before as the window draws them.
Bytes ThreeFrames() {
    C10Builder b;
    b.Add({3, 2});
    b.FrameHeader(3, 2).Word(0xF800).Word(0x07E0);
    b.Add({0x01, 0x1F, 0x00, 0x42, 0x01, 0x00, 0x83, 0xFF, 0xFF}).EndFrame();
    b.FrameHeader(3, 0).Add({0x83, 0x1F, 0x00}).EndFrame();
    b.FrameHeader(3, 0).Add({0x02, 0x00, 0xF8, 0x00, 0x00, 0x84, 0xE0, 0x07}).EndFrame();
    return b.Bytes();
}

class Animation : public ::testing::Test {
protected:
    Form form;
    test::RecordingHost host;
    test::TempFolder folder;

    // Opens a C10 file and returns the pictures "Кадр" shows, from the first frame on.
    std::vector<Picture> FramesAsTheWindowShowsThem(const std::string& path) {
        Form f;
        test::RecordingHost h;
        OpenImage(f, h, path, PictureKind::C10);
        std::vector<Picture> shown{f.ImageView};
        while (f.NextFrameButtonEnabled) {
            NextFrame(f, h);
            shown.push_back(f.ImageView);
        }
        return shown;
    }
};

TEST_F(Animation, EveryFrameGoesIntoTheGifAsKadrShowsIt) {
    const std::string c10 = folder.Write("anim.c10", ThreeFrames());
    const std::vector<Picture> shown = FramesAsTheWindowShowsThem(c10);
    ASSERT_EQ(shown.size(), 3u);
    ASSERT_NE(shown[1].pixels, shown[2].pixels);

    OpenImage(form, host, c10, PictureKind::C10);
    EXPECT_EQ(SaveAnimation(form, host, folder.File("anim.gif"), 350), 3);
    const Bytes bytes = ReadWholeFile(folder.File("anim.gif"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    MemoryInput input;
    const Gif gif = Slurp(bytes, input);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 3);
    EXPECT_EQ(gif->SWidth, 3);
    EXPECT_EQ(gif->SHeight, 2);
    EXPECT_TRUE(HasLoopExtension(gif.get()));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FrameOf(gif.get(), i).pixels, shown[static_cast<std::size_t>(i)].pixels);
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 35);
        EXPECT_EQ(control.TransparentColor, NO_TRANSPARENT_COLOR);
    }
    // The window went through the frames as "Кадр" does.
    EXPECT_FALSE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.NextFrameButtonCaption, "4");
}

TEST_F(Animation, OneFrameGivesAStillGifAndAFailedStepWritesNothing) {
    OpenImage(form, host, folder.Write("one.c10", test::OneFrameFile(2, 1, {}, {0x02, 0x1F, 0x00, 0xE0, 0x07})), PictureKind::C10);
    EXPECT_EQ(SaveAnimation(form, host, folder.File("one.gif"), 200), 1);
    const Bytes bytes = ReadWholeFile(folder.File("one.gif"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    MemoryInput input;
    const Gif gif = Slurp(bytes, input);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 1);
    EXPECT_EQ(gif->SavedImages[0].ExtensionBlockCount, 0);  // no delay, no looping
    EXPECT_EQ(FrameOf(gif.get(), 0).pixels, (std::vector<std::uint32_t>{test::kBlue, test::kGreen}));

    // The frame count promises a second frame that is not there.
    Bytes cut = ThreeFrames();
    cut[3] = 2;
    cut.resize(2 + 9 + 13);
    OpenImage(form, host, folder.Write("cut.c10", cut), PictureKind::C10);
    EXPECT_EQ(ErrorOf([&] { SaveAnimation(form, host, folder.File("cut.gif"), 200); }), "Read beyond end of file");
    EXPECT_EQ(FileSizeOrMinusOne(folder.File("cut.gif")), -1);
}

TEST(GifWriter, MoreThan256ColoursAreChosenByMedianCutAndStayClose) {
    Picture picture(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) picture.SetPixel(x, y, static_cast<std::uint32_t>(x * 4) | static_cast<std::uint32_t>(y * 5) << 8 | 0x400000u);
    const Bytes bytes = EncodeGif(picture);
    MemoryInput input;
    const Gif gif = Slurp(bytes, input);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 1);
    const Picture back = FrameOf(gif.get(), 0);
    ASSERT_EQ(back.pixels.size(), picture.pixels.size());
    int worst = 0;
    double sum = 0;
    for (std::size_t i = 0; i < back.pixels.size(); ++i)
        for (int shift : {0, 8, 16}) {
            const int d = std::abs(static_cast<int>((back.pixels[i] >> shift) & 0xFF) - static_cast<int>((picture.pixels[i] >> shift) & 0xFF));
            worst = std::max(worst, d);
            sum += d;
        }
    EXPECT_LE(worst, 32);
    EXPECT_LE(sum / (3.0 * static_cast<double>(back.pixels.size())), 6.0);

    EXPECT_EQ(ErrorOf([] { EncodeGif(Picture()); }), "Нечего сохранять в GIF: изображение пустое (0 x 0)");
    GifWriter writer(100);
    writer.Add(picture);
    EXPECT_NE(ErrorOf([&] { writer.Add(Picture(3, 3)); }), "");
}

// ---- PNG through the page's dialogs

TEST_F(Animation, PngIsOpenEntryFiveAndSaveEntryFourAndC10GoesThroughItExactly) {
    // The dialogs' entries: the three the page always had keep their places, PNG comes after.
    EXPECT_EQ(OpenEntryKind(1), PictureKind::C10);
    EXPECT_EQ(OpenEntryKind(2), PictureKind::Bmp);
    EXPECT_EQ(OpenEntryKind(3), PictureKind::Jpeg);
    EXPECT_EQ(OpenEntryKind(4), std::nullopt);  // "All files (*.*)"
    EXPECT_EQ(OpenEntryKind(5), PictureKind::Png);
    EXPECT_EQ(OpenEntryKind(6), std::nullopt);
    EXPECT_EQ(SaveEntryKind(1), PictureKind::Bmp);
    EXPECT_EQ(SaveEntryKind(3), PictureKind::C10);
    EXPECT_EQ(SaveEntryKind(4), PictureKind::Png);
    EXPECT_EQ(SaveEntryKind(0), std::nullopt);
    EXPECT_EQ(KindOfExtension("a.b/PHOTO.JPEG"), PictureKind::Jpeg);
    EXPECT_EQ(KindOfExtension("a.png/noext"), std::nullopt);

    const Bytes original = EncodeC10(Picture(5, 3, 0x00F8FC00));
    OpenImage(form, host, folder.Write("pic.c10", original), PictureKind::C10);
    SaveImage(form, host, folder.File("pic"), PictureKind::Png);  // the extension comes from the kind
    const std::optional<OpenedImage> opened = OpenImage(form, host, folder.File("pic.png"), PictureKind::Png);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->kind, PictureKind::Png);
    EXPECT_EQ(form.DimensionsLabel, "5 x 3");
    EXPECT_EQ(form.FrameCountEdit, "1");
    EXPECT_EQ(form.DataSizeEdit, std::to_string(FileSizeOrMinusOne(folder.File("pic.png"))));
    EXPECT_FALSE(form.NextFrameButtonEnabled);
    EXPECT_FALSE(form.PreviewButtonEnabled);
    SaveImage(form, host, folder.File("back"), PictureKind::C10);
    EXPECT_EQ(ReadWholeFile(folder.File("back.c10")), original);

    // "All files" still reads nothing, and an empty picture is not written as PNG.
    EXPECT_FALSE(OpenImage(form, host, folder.File("pic.png"), std::nullopt));
    Form fresh;
    EXPECT_EQ(ErrorOf([&] { SaveImage(fresh, host, folder.File("empty"), PictureKind::Png); }),
              "Нечего сохранять в PNG: изображение пустое (0 x 0)");
    EXPECT_EQ(FileSizeOrMinusOne(folder.File("empty.png")), -1);
}

// ---- thumbnails

TEST(FitWithin, ShrinksTheLongerSideToTheSizeAndKeepsTheAspect) {
    struct Case {
        int width, height, size, wantWidth, wantHeight;
    };
    for (const Case& c : {Case{255, 255, 128, 128, 128}, Case{64, 32, 16, 16, 8}, Case{32, 64, 16, 8, 16},
                          Case{255, 100, 128, 128, 50}, Case{300, 2, 100, 100, 1}, Case{1, 200, 100, 1, 100},
                          Case{64, 32, 128, 64, 32}, Case{64, 32, 64, 64, 32}}) {
        const Picture out = FitWithin(Picture(c.width, c.height), c.size);
        EXPECT_EQ(out.width, c.wantWidth) << c.width << "x" << c.height << " in " << c.size;
        EXPECT_EQ(out.height, c.wantHeight) << c.width << "x" << c.height << " in " << c.size;
        EXPECT_EQ(out.pixels.size(), static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    }
}

TEST(FitWithin, EachPixelIsTheMeanOfTheBlockItCovers) {
    Picture picture(4, 2);
    picture.pixels = {0x000000, 0x0000FF, 0x00FF00, 0x00FF00, 0x000000, 0x0000FF, 0xFF0000, 0xFF0000};
    const Picture out = FitWithin(picture, 2);
    ASSERT_EQ(out.width, 2);
    ASSERT_EQ(out.height, 1);
    EXPECT_EQ(out.pixels, (std::vector<std::uint32_t>{0x000080, 0x808000}));
}

}  // namespace
}  // namespace vesk
