// A picture judged by its content: every kind the program reads, with its size; cut or foreign
// files judged no picture; and a new picture fitted into an old one's size.
#include "picture/picture_shape.h"

#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/c10_compact.h"
#include "picture/gif_file.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;

Picture Stripes(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetPixel(x, y, (x + y) % 3 == 0 ? 0x0000FFu : 0x00FF00u);
    return picture;
}

TEST(PictureShape, EachKindIsJudgedByItsContentAndCutOnesAreNoPicture) {
    const Picture p = Stripes(37, 21);
    const std::vector<std::pair<Bytes, ContentKind>> files = {
        {EncodeC10(p), ContentKind::C10},     {EncodeC10Compact(p), ContentKind::C10}, {EncodeJpeg(p), ContentKind::Jpeg},
        {EncodeBmp(p), ContentKind::Bmp},     {EncodePng(p), ContentKind::Png},        {EncodeGif(p), ContentKind::Gif},
    };
    for (const auto& [bytes, kind] : files) {
        EXPECT_EQ(JudgePicture(bytes), (PictureShape{kind, 37, 21})) << KindName(kind);
        EXPECT_EQ(DecodePicture(bytes).width, 37) << KindName(kind);
        // Cut before the last pixels: no picture. libjpeg reads a JPEG cut in its scan to the end
        // (the rest grey, as viewers show it), so that one is cut in its header.
        const std::size_t keep = kind == ContentKind::Jpeg ? 20 : bytes.size() / 3;
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_EQ(JudgePicture(cut), std::nullopt) << KindName(kind);
    }
    EXPECT_EQ(ShapeText({ContentKind::Jpeg, 96, 72}), "JPEG 96 x 72");
}

TEST(PictureShape, ATrailerFormC10IsTakenAndOtherFilesAreNot) {
    // Trailer form, 2 x 2, no palette: one direct fill of 4 pixels, one more pixel past the last
    // row (as the phone's files end), then width and height in the last four bytes.
    const Bytes trailer = {0x00, 0x00, 0x84, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00};
    EXPECT_EQ(JudgePicture(trailer), (PictureShape{ContentKind::C10, 2, 2}));
    EXPECT_EQ(DecodePicture(trailer).Pixel(1, 1), 0xF80000u);  // RGB565 0x001F: blue
    // Two bytes more between the runs and the size: the entry viewer sees no C10 in them (a
    // trailer form has no marker, only runs that end exactly), and replacing sees no picture.
    Bytes padded = trailer;
    padded.insert(padded.end() - 4, {0x00, 0xAA});
    EXPECT_EQ(JudgeContent(padded, ".bin").kind, ContentKind::Other);
    EXPECT_EQ(JudgePicture(padded), std::nullopt);
    EXPECT_THROW(DecodePicture(padded), Refusal);
    // Runs that do not reach the last pixel before the size bytes: no picture.
    Bytes short_ = trailer;
    short_[2] = 0x83;  // a fill of 3 of the 4 pixels, then runs that draw none up to the size bytes
    short_[5] = 0x00;
    EXPECT_EQ(JudgePicture(short_), std::nullopt);
    const std::string text = "MThd and some more text than a header holds, a melody or a contact\n";
    EXPECT_EQ(JudgePicture(Bytes(text.begin(), text.end())), std::nullopt);
    EXPECT_EQ(JudgePicture(Bytes{}), std::nullopt);
    EXPECT_EQ(JudgePicture(Bytes{'B', 'M', 0, 0}), std::nullopt);
    // A header-form file whose size byte says 0 x 5.
    Bytes empty = EncodeC10(Stripes(3, 5));
    empty[0] = 0;
    EXPECT_EQ(JudgePicture(empty), std::nullopt);
}

TEST(PictureShape, FitIntoKeepsTheAspectCentresAndFillsBlack) {
    // 4 x 2 into 6 x 6: 6 x 3 from row 1 (rows 0, 4 and 5 black), each source pixel 1.5 wide.
    Picture wide(4, 2, 0x0000FF);
    const Picture fitted = FitInto(wide, 6, 6);
    ASSERT_EQ(fitted.width, 6);
    ASSERT_EQ(fitted.height, 6);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(fitted.Pixel(x, 0), 0u);
        for (int y = 1; y <= 3; ++y) EXPECT_EQ(fitted.Pixel(x, y), 0x0000FFu) << x << "," << y;
        EXPECT_EQ(fitted.Pixel(x, 4), 0u);
        EXPECT_EQ(fitted.Pixel(x, 5), 0u);
    }
    // Shrinking averages: 2 x 1 of white and black into 1 x 1 is mid-grey, rounded.
    Picture pair(2, 1, 0xFFFFFF);
    pair.SetPixel(1, 0, 0);
    EXPECT_EQ(FitInto(pair, 1, 1).Pixel(0, 0), 0x808080u);
    // Enlarging repeats: 1 x 1 into 3 x 2 is 2 x 2 in columns 0-1 ((3 - 2) / 2 = 0), column 2 black.
    const Picture grown = FitInto(Picture(1, 1, 0x00AA00), 3, 2);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(grown.Pixel(0, y), 0x00AA00u);
        EXPECT_EQ(grown.Pixel(1, y), 0x00AA00u);
        EXPECT_EQ(grown.Pixel(2, y), 0u);
    }
    // A tall one into a wide box: 1 x 255 into 255 x 1 keeps one column, at least 1 pixel wide.
    EXPECT_EQ(FitInto(Picture(1, 255, 0xFFFFFF), 255, 1).Pixel(127, 0), 0xFFFFFFu);
    EXPECT_EQ(FitInto(Picture(1, 255, 0xFFFFFF), 255, 1).Pixel(0, 0), 0u);
}

TEST(PictureShape, EncodedInEachKindItJudgesAsThatKindAndSize) {
    for (const ContentKind kind : {ContentKind::C10, ContentKind::Jpeg, ContentKind::Bmp, ContentKind::Png, ContentKind::Gif}) {
        const Bytes bytes = EncodePicture(FitInto(Stripes(300, 200), 96, 72), kind);
        EXPECT_EQ(JudgePicture(bytes), (PictureShape{kind, 96, 72})) << KindName(kind);
    }
}

}  // namespace
}  // namespace vesk
