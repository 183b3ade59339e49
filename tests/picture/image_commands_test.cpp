#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "base/error.h"
#include "c10_test_files.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/jpeg_file.h"
#include "support/error_text.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;

using test::C10Builder;
using test::kBlack;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::OneFrameFile;
using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;

// The kinds of the open dialog's entries ("All files (*.*)" has none) and of the save dialog's.
constexpr std::optional<PictureKind> kC10 = PictureKind::C10, kBmp = PictureKind::Bmp, kJpeg = PictureKind::Jpeg,
                                     kAllFiles = std::nullopt;
constexpr PictureKind kSaveAsBmp = PictureKind::Bmp, kSaveAsJpeg = PictureKind::Jpeg, kSaveAsC10 = PictureKind::C10;
constexpr std::uint32_t kFreshWhite = 0xFFFFFF;                      // a newly opened picture

// 3 x 2, three frames, every run kind, a palette in the first two frames.
//   frame 1: blue | indexed green, red | direct fill white x 3
//   frame 2: indexed fill of 7 with blue (the seventh passes the last row)
//   frame 3: red, black | direct fill green x 4
Bytes ThreeFrames() {
    C10Builder b;
    b.Add({3, 2});
    b.FrameHeader(3, 2).Word(0xF800).Word(0x07E0);
    b.Add({0x01, 0x1F, 0x00, 0x42, 0x01, 0x00, 0x83, 0xFF, 0xFF}).EndFrame();
    b.FrameHeader(3, 1).Word(0x001F);
    b.Add({0xC7, 0x00}).EndFrame();
    b.FrameHeader(3, 0);
    b.Add({0x02, 0x00, 0xF8, 0x00, 0x00, 0x84, 0xE0, 0x07}).EndFrame();
    return b.Bytes();
}

const Pixels kFrame1{kBlue, kGreen, kRed, kWhite, kWhite, kWhite};
const Pixels kFrame2(6, kBlue);
const Pixels kFrame3{kRed, kBlack, kGreen, kGreen, kGreen, kGreen};

class ImageCommands : public ::testing::Test {
protected:
    Form form;
    test::RecordingHost host;
    test::TempFolder folder;
};

// ---- opening and stepping through frames

TEST_F(ImageCommands, StepsThroughThreeFramesWithTheNextFrameButton) {
    const std::string path = folder.Write("three.c10", ThreeFrames());
    OpenImage(form, host, path, kC10);
    EXPECT_EQ(form.OpenImagePath, path);
    EXPECT_EQ(form.ImageNameLabel, "three.c10");
    EXPECT_EQ(form.DataSizeEdit, "13");  // palette 4 + stream 9
    EXPECT_EQ(form.FrameCountEdit, "3");
    EXPECT_EQ(form.PaletteCountEdit, "2");
    EXPECT_EQ(form.DataStartEdit, "11");
    EXPECT_EQ(form.ImageWidthEdit, "3");
    EXPECT_EQ(form.ImageHeightEdit, "2");
    EXPECT_EQ(form.DimensionsLabel, "3 X 2");
    EXPECT_TRUE(form.PreviewButtonEnabled);
    EXPECT_TRUE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.NextFrameButtonCaption, "2");
    EXPECT_EQ(form.ImageView.pixels, kFrame1);

    NextFrame(form, host);
    EXPECT_EQ(form.DataStartEdit, "33");  // 11 + 13 + 9
    EXPECT_EQ(form.DataSizeEdit, "4");
    EXPECT_EQ(form.PaletteCountEdit, "1");
    EXPECT_EQ(form.FrameCountEdit, "3");
    EXPECT_EQ(form.NextFrameButtonCaption, "3");
    EXPECT_TRUE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.ImageView.pixels, kFrame2);

    NextFrame(form, host);
    EXPECT_EQ(form.DataStartEdit, "46");
    EXPECT_EQ(form.PaletteCountEdit, "0");
    EXPECT_EQ(form.NextFrameButtonCaption, "4");
    EXPECT_FALSE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.ImageView.pixels, kFrame3);
    EXPECT_EQ(form.DimensionsLabel, "3 X 2");  // the size stays

    // Past the last frame there is no header to read.
    EXPECT_EQ(ErrorOf([&] { NextFrame(form, host); }), "Read beyond end of file");
    EXPECT_EQ(form.NextFrameButtonCaption, "4");
}

TEST_F(ImageCommands, APictureIsReadOncePerOpening) {
    const std::string path = folder.Write("three.c10", ThreeFrames());
    OpenImage(form, host, path, kC10);
    // Frames come from what "Открыть" read; the file is not read again at every press.
    folder.Write("three.c10", "gone");
    NextFrame(form, host);
    EXPECT_EQ(form.ImageView.pixels, kFrame2);
    // Opening reads the file anew, as does a file of another name.
    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, path, kC10); }), "Read beyond end of file");
    form.OpenImagePath = folder.Write("again.c10", ThreeFrames());
    form.DataStartEdit = "11";
    form.PaletteCountEdit = "2";
    form.ImageWidthEdit = "3";
    form.ImageHeightEdit = "2";
    PreviewImage(form, host);
    EXPECT_EQ(form.ImageView.pixels, kFrame1);
}

TEST_F(ImageCommands, AFileLargerThanAnyC10PictureIsRefusedUnread) {
    const std::string path = folder.Write("huge.c10", ThreeFrames());
    std::filesystem::resize_file(path, kC10MaxFileSize + 1);
    const std::string refusal = ErrorOf([&] { OpenImage(form, host, path, kC10); });
    EXPECT_NE(refusal.find(std::to_string(kC10MaxFileSize + 1)), std::string::npos) << refusal;
    std::filesystem::resize_file(path, kC10MaxFileSize);
    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, path, kC10); }), "");
    EXPECT_EQ(form.ImageView.pixels, kFrame1);
}

TEST_F(ImageCommands, FrameCountDecidesTheNextFrameButton) {
    OpenImage(form, host, folder.Write("one.c10", OneFrameFile(1, 1, {}, {0x01, 0x1F, 0x00})), kC10);
    EXPECT_FALSE(form.NextFrameButtonEnabled);

    // Frame count 0: the button stays enabled; after one press it reads "3" and is disabled
    // unless the next header holds a count of 3 or more.
    for (const int nextCount : {1, 3}) {
        C10Builder b;
        b.Add({1, 1}).FrameHeader(0, 0).Add({0x81, 0x00, 0xF8}).EndFrame();
        b.FrameHeader(nextCount, 0).Add({0x81, 0x1F, 0x00}).EndFrame();
        OpenImage(form, host, folder.Write("zero.c10", b.Bytes()), kC10);
        EXPECT_TRUE(form.NextFrameButtonEnabled);
        EXPECT_EQ(form.NextFrameButtonCaption, "2");
        NextFrame(form, host);
        EXPECT_EQ(form.NextFrameButtonCaption, "3");
        EXPECT_EQ(form.NextFrameButtonEnabled, nextCount >= 3);
        EXPECT_EQ(form.ImageView.pixels, Pixels{kBlue});
    }
}

TEST_F(ImageCommands, TrailerFormShowsSmallXAndStartTwo) {
    const Bytes file{0x00, 0x01, 0x1F, 0x00, 0xC5, 0x00, 2, 0, 2, 0};
    form.NextFrameButtonCaption = "5";
    OpenImage(form, host, folder.Write("t.c10", file), kC10);
    EXPECT_EQ(form.DimensionsLabel, "2 x 2");
    EXPECT_EQ(form.DataStartEdit, "2");
    EXPECT_EQ(form.DataSizeEdit, "4");
    EXPECT_EQ(form.FrameCountEdit, "1");
    EXPECT_EQ(form.PaletteCountEdit, "1");
    EXPECT_FALSE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.NextFrameButtonCaption, "2");
    EXPECT_EQ(form.ImageView.pixels, Pixels(4, kBlue));
}

TEST_F(ImageCommands, TheFilterEntryNotTheExtensionDecidesTheKind) {
    const std::string c10Named_bmp = folder.Write("picture.bmp", ThreeFrames());
    OpenImage(form, host, c10Named_bmp, kC10);
    EXPECT_EQ(form.ImageView.pixels, kFrame1);

    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, folder.Write("real.c10", ThreeFrames()), kBmp); }),
              "Bitmap image is not valid");
    EXPECT_EQ(form.ImageNameLabel, "real.c10");
    EXPECT_FALSE(form.PreviewButtonEnabled);
    EXPECT_FALSE(form.NextFrameButtonEnabled);

    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, folder.Write("j.bmp", EncodeBmp(Picture(2, 2))), kJpeg); })
                  .rfind("JPEG error #", 0),
              0u);
}

TEST_F(ImageCommands, AllFilesEntryOnlyTakesTheName) {
    OpenImage(form, host, folder.Write("three.c10", ThreeFrames()), kC10);
    const Form before = form;
    const std::string other = folder.Write("other.txt", std::string("text"));
    OpenImage(form, host, other, kAllFiles);
    EXPECT_EQ(form.OpenImagePath, other);
    EXPECT_EQ(form.ImageNameLabel, "other.txt");
    EXPECT_EQ(form.DataSizeEdit, before.DataSizeEdit);
    EXPECT_EQ(form.ImageView.pixels, before.ImageView.pixels);
    EXPECT_EQ(form.NextFrameButtonEnabled, before.NextFrameButtonEnabled);
}

TEST_F(ImageCommands, FailuresKeepWhatWasAlreadyDone) {
    // 9 bytes: the name and both buttons are set before the form test reads offset 9.
    form.PreviewButtonEnabled = false;
    form.NextFrameButtonEnabled = false;
    const std::string path = folder.Write("short.c10", Bytes(9, 0));
    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, path, kC10); }), "Read beyond end of file");
    EXPECT_EQ(form.ImageNameLabel, "short.c10");
    EXPECT_EQ(form.OpenImagePath, path);
    EXPECT_TRUE(form.PreviewButtonEnabled);
    EXPECT_TRUE(form.NextFrameButtonEnabled);

    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, folder.File("missing.c10"), kC10); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, folder.File("missing.jpg"), kJpeg); }), "File not found");

    // A stream that runs out in the middle of a run: the fields are filled, the pixels drawn
    // so far stay, the rest is the new white picture.
    const std::string cut = folder.Write("cut.c10", OneFrameFile(3, 1, {}, {0x03, 0x00, 0xF8, 0x1F}));
    EXPECT_EQ(ErrorOf([&] { OpenImage(form, host, cut, kC10); }), "Read beyond end of file");
    EXPECT_EQ(form.DimensionsLabel, "3 X 1");
    EXPECT_EQ(form.PaletteCountEdit, "0");
    EXPECT_EQ(form.ImageView.pixels, (Pixels{kRed, kFreshWhite, kFreshWhite}));
}

TEST_F(ImageCommands, ReadOnlyPicturesOpen) {
    const std::string c10 = folder.Write("ro.c10", ThreeFrames());
    const Bytes bmpBytes = EncodeBmp(Picture(5, 3, 0x102030));
    const std::string bmp = folder.Write("ro.bmp", bmpBytes);
    for (const auto& path : {c10, bmp})
        std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    OpenImage(form, host, c10, kC10);
    EXPECT_EQ(form.ImageView.pixels, kFrame1);
    OpenImage(form, host, bmp, kBmp);
    EXPECT_EQ(form.DataSizeEdit, std::to_string(bmpBytes.size()));
}

TEST_F(ImageCommands, BmpAndJpegFillTheFieldsFromThePicture) {
    form.DataStartEdit = "77";
    const Bytes bmpBytes = EncodeBmp(Picture(7, 4, 0x102030));
    OpenImage(form, host, folder.Write("p.bmp", bmpBytes), kBmp);
    EXPECT_EQ(form.DataSizeEdit, std::to_string(bmpBytes.size()));
    EXPECT_EQ(form.FrameCountEdit, "1");
    EXPECT_EQ(form.PaletteCountEdit, "0");
    EXPECT_EQ(form.DataStartEdit, "77");  // kept
    EXPECT_EQ(form.ImageWidthEdit, "7");
    EXPECT_EQ(form.ImageHeightEdit, "4");
    EXPECT_EQ(form.DimensionsLabel, "7 x 4");
    EXPECT_EQ(form.ImageView.pixels, Pixels(28, 0x102030));
    EXPECT_FALSE(form.PreviewButtonEnabled);
    EXPECT_FALSE(form.NextFrameButtonEnabled);
    EXPECT_EQ(form.NextFrameButtonCaption, "2");

    const Bytes jpegBytes = EncodeJpeg(Picture(17, 9, 0x406080));
    OpenImage(form, host, folder.Write("p.jpg", jpegBytes), kJpeg);
    EXPECT_EQ(form.DataSizeEdit, std::to_string(jpegBytes.size()));
    EXPECT_EQ(form.DimensionsLabel, "17 x 9");
    EXPECT_EQ(form.ImageView.width, 17);
}

// ---- preview

TEST_F(ImageCommands, PreviewUsesTheFieldsAsTheUserLeftThem) {
    const std::string path = folder.Write("three.c10", ThreeFrames());
    OpenImage(form, host, path, kC10);
    // Frame 3's start, palette 0: its pixels are drawn over frame 1's without a next-frame step.
    form.DataStartEdit = "46";
    form.PaletteCountEdit = "0";
    PreviewImage(form, host);
    EXPECT_EQ(form.ImageView.pixels, kFrame3);

    // A narrower width changes only where pixels land, not the picture's size.
    form.ImageView = Picture(3, 2, kFreshWhite);
    form.ImageWidthEdit = "2";
    PreviewImage(form, host);
    EXPECT_EQ(form.ImageView.width, 3);
    EXPECT_EQ(form.ImageView.pixels, (Pixels{kRed, kBlack, kFreshWhite, kGreen, kGreen, kFreshWhite}));

    form.PaletteCountEdit = "abc";
    EXPECT_EQ(ErrorOf([&] { PreviewImage(form, host); }), "'abc' is not a valid integer value");
    form.DataStartEdit = "";
    EXPECT_EQ(ErrorOf([&] { NextFrame(form, host); }), "'' is not a valid integer value");
}

// ---- saving

TEST_F(ImageCommands, SavingAppendsTheExtensionOfTheChosenEntry) {
    OpenImage(form, host, folder.Write("three.c10", ThreeFrames()), kC10);
    SaveImage(form, host, folder.File("pic.bmp"), kSaveAsBmp);
    EXPECT_TRUE(std::filesystem::exists(folder.File("pic.bmp.bmp")));
    SaveImage(form, host, folder.File("pic"), kSaveAsC10);
    EXPECT_TRUE(std::filesystem::exists(folder.File("pic.c10")));
    SaveImage(form, host, folder.File("x.c10"), kSaveAsJpeg);
    EXPECT_TRUE(std::filesystem::exists(folder.File("x.c10.jpg")));
    EXPECT_EQ(form.SaveDialogPath, folder.File("x.c10"));
    EXPECT_FALSE(std::filesystem::exists(folder.File("x.c10")));

    // An existing file is replaced.
    folder.Write("big.c10", std::string(5000, 'z'));
    SaveImage(form, host, folder.File("big"), kSaveAsC10);
    EXPECT_EQ(test::ReadBytes(folder.File("big.c10")).size(), 11u + 3u * 6u);

    EXPECT_EQ(ErrorOf([&] { SaveImage(form, host, folder.File("no/such/folder/p"), kSaveAsC10); }), "File not found");
}

TEST_F(ImageCommands, SavingBeforeAnythingWasOpened) {
    SaveImage(form, host, folder.File("empty"), kSaveAsC10);
    EXPECT_EQ(test::ReadBytes(folder.File("empty.c10")),
              (Bytes{0x00, 0x00, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00}));

    SaveImage(form, host, folder.File("empty"), kSaveAsBmp);
    const Bytes bmp = test::ReadBytes(folder.File("empty.bmp"));
    ASSERT_EQ(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    OpenImage(form, host, folder.File("empty.bmp"), kBmp);
    EXPECT_EQ(form.DimensionsLabel, "0 x 0");

    const std::string refusal = test::ErrorOf([&] { SaveImage(form, host, folder.File("empty"), kSaveAsJpeg); });
    EXPECT_FALSE(std::filesystem::exists(folder.File("empty.jpg")));
    EXPECT_NE(refusal.find("JPEG"), std::string::npos);
}

TEST_F(ImageCommands, C10HoldsAt255PixelsASide) {
    // 300 x 10 would keep only the low byte of its width and come back as 44 x 10: refused.
    form.ImageView = Picture(300, 10);
    const std::string refusal = ErrorOf([&] { SaveImage(form, host, folder.File("wide"), kSaveAsC10); });
    EXPECT_NE(refusal.find("300 x 10"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("255"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(folder.File("wide.c10")));
    form.ImageView = Picture(10, 256);
    EXPECT_NE(ErrorOf([&] { SaveImage(form, host, folder.File("tall"), kSaveAsC10); }), "");
    EXPECT_FALSE(std::filesystem::exists(folder.File("tall.c10")));

    form.ImageView = Picture(255, 255);
    SaveImage(form, host, folder.File("largest"), kSaveAsC10);
    const Bytes file = test::ReadBytes(folder.File("largest.c10"));
    ASSERT_EQ(file.size(), 11u + 3 * 255 * 255);
    EXPECT_EQ(file[0], 255);
    EXPECT_EQ(file[1], 255);
}

TEST_F(ImageCommands, C10ThroughBmpBackToC10IsExact) {
    OpenImage(form, host, folder.Write("three.c10", ThreeFrames()), kC10);
    SaveImage(form, host, folder.File("a"), kSaveAsBmp);
    Form other;
    OpenImage(other, host, folder.File("a.bmp"), kBmp);
    EXPECT_EQ(other.ImageView.pixels, kFrame1);
    SaveImage(other, host, folder.File("b"), kSaveAsC10);

    Form again;
    OpenImage(again, host, folder.File("b.c10"), kC10);
    EXPECT_EQ(again.ImageView.pixels, kFrame1);
    EXPECT_EQ(again.PaletteCountEdit, "0");
    EXPECT_EQ(again.DataSizeEdit, "0");
    EXPECT_EQ(again.FrameCountEdit, "1");
    EXPECT_EQ(again.DimensionsLabel, "3 X 2");
}

TEST_F(ImageCommands, C10ToC10TurnsTheUntouchedWhiteIntoRgb565White) {
    // The stream covers the first pixel only; the rest is the fresh white background.
    OpenImage(form, host, folder.Write("part.c10", OneFrameFile(2, 2, {}, {0x01, 0x1F, 0x00})), kC10);
    EXPECT_EQ(form.ImageView.pixels, (Pixels{kBlue, kFreshWhite, kFreshWhite, kFreshWhite}));
    SaveImage(form, host, folder.File("copy"), kSaveAsC10);
    Form again;
    OpenImage(again, host, folder.File("copy.c10"), kC10);
    EXPECT_EQ(again.ImageView.pixels, (Pixels{kBlue, kWhite, kWhite, kWhite}));
}

TEST_F(ImageCommands, JpegRoundTripThroughThePage) {
    Picture picture(48, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) picture.SetPixel(x, y, static_cast<std::uint32_t>(x * 5) | static_cast<std::uint32_t>(y * 7) << 8 | 0x600000u);
    form.ImageView = picture;
    SaveImage(form, host, folder.File("photo"), kSaveAsJpeg);
    Form other;
    OpenImage(other, host, folder.File("photo.jpg"), kJpeg);
    EXPECT_EQ(other.DimensionsLabel, "48 x 32");
    EXPECT_EQ(other.DataSizeEdit, std::to_string(std::filesystem::file_size(folder.File("photo.jpg"))));
    ASSERT_EQ(other.ImageView.pixels.size(), picture.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            worst = std::max(worst, std::abs(static_cast<int>((picture.pixels[i] >> shift) & 0xFF) -
                                             static_cast<int>((other.ImageView.pixels[i] >> shift) & 0xFF)));
    EXPECT_LE(worst, 24);
}

}  // namespace
}  // namespace vesk
