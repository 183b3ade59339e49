// Damaged pictures on the "C10" page: C10 files of 9, 10 and 11 bytes, with a width or height
// of 0, a BMP header claiming 100000 x 100000, bitmaps cut inside their palette or their RLE
// commands, RLE runs and moves past the picture, pixels placed past the end of the file, a JPEG
// cut in half, and empty and one-byte files of every kind. Each ends with the runtime's or the
// library's error text or with the result that the format's rules give; saving what opened
// writes only the chosen file.
#include <string>

#include "badinput/bad_input.h"
#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/jpeg_file.h"

namespace vesk::test {
namespace {

// The entries of the open dialog's and of the save dialog's filter lists.
constexpr PictureKind kC10 = PictureKind::C10, kBmp = PictureKind::Bmp, kJpeg = PictureKind::Jpeg;
constexpr PictureKind kSaveBmp = PictureKind::Bmp, kSaveJpeg = PictureKind::Jpeg, kSaveC10 = PictureKind::C10;

const std::string kBeyond = "Read beyond end of file";
const std::uint32_t kRed = PackColor(0xF8, 0, 0);

class BadPictureTest : public BadInputTest {
protected:
    std::string OpenFile(const std::string& name, const Bytes& bytes, PictureKind filter) {
        const std::string path = temp_.Write(name, bytes);
        return ErrorOf([&] { OpenImage(form_, host_, path, filter); });
    }
    std::string Save(const std::string& name, PictureKind filter) {
        return ErrorOf([&] { SaveImage(form_, host_, temp_.File(name), filter); });
    }
};

TEST_F(BadPictureTest, NineBytesEndOnTheFormTest) {
    EXPECT_EQ(OpenFile("nine.c10", Bytes(9, 0x09), kC10), kBeyond);
    EXPECT_EQ(form_.ImageNameLabel, "nine.c10");
    EXPECT_TRUE(form_.PreviewButtonEnabled);
    EXPECT_TRUE(form_.NextFrameButtonEnabled);
    EXPECT_EQ(form_.DataSizeEdit, "0");  // no field was reached
}

TEST_F(BadPictureTest, TenBytesInTheHeaderFormLackThePaletteCount) {
    Bytes ten(10, 0x00);
    ten[9] = 0x09;
    EXPECT_EQ(OpenFile("ten.c10", ten, kC10), kBeyond);
    EXPECT_EQ(form_.DataStartEdit, "0");
}

TEST_F(BadPictureTest, TenBytesInTheTrailerFormAreAWholePicture) {
    // Palette count 0; a direct fill of 2 red pixels, then an indexed fill whose colour sits
    // at offset 6 (the width) and whose pixels fall below the last row; width 2 and height 1
    // at N - 4 and N - 2.
    const Bytes ten = {0x00, 0x00, 0x82, 0x00, 0xF8, 0xC2, 0x02, 0x00, 0x01, 0x00};
    EXPECT_EQ(OpenFile("ten.c10", ten, kC10), "");
    EXPECT_EQ(form_.DataSizeEdit, "4");
    EXPECT_EQ(form_.FrameCountEdit, "1");
    EXPECT_EQ(form_.DataStartEdit, "2");
    EXPECT_EQ(form_.DimensionsLabel, "2 x 1");
    EXPECT_FALSE(form_.NextFrameButtonEnabled);
    ASSERT_EQ(form_.ImageView.pixels.size(), 2u);
    EXPECT_EQ(form_.ImageView.Pixel(0, 0), kRed);
    EXPECT_EQ(form_.ImageView.Pixel(1, 0), kRed);
}

TEST_F(BadPictureTest, ElevenBytesAreAnEmptyPictureWithNoStream) {
    // What saving writes before anything was opened: the header form, 0 x 0, one frame. The
    // preview then reads the first control byte past the end.
    const Bytes eleven = {0x00, 0x00, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00};
    EXPECT_EQ(OpenFile("eleven.c10", eleven, kC10), kBeyond);
    EXPECT_EQ(form_.DimensionsLabel, "0 X 0");
    EXPECT_EQ(form_.DataStartEdit, "11");
    EXPECT_FALSE(form_.NextFrameButtonEnabled);
    EXPECT_TRUE(form_.ImageView.pixels.empty());
}

TEST_F(BadPictureTest, AWidthOrHeightOfZeroDrawsNothingAndSavesWithoutHarm) {
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        // One frame of 34 direct fills of 63 pixels each, which end with the file. With a width
        // of 0 only the first pixel moves to the next row, so every fill is decoded.
        Bytes file = {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height), 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00,
                      0xBF, 0x00, 0xF8};
        file.resize(file.size() + 3 * 33, 0xBF);
        EXPECT_EQ(OpenFile("zero.c10", file, kC10), "");
        EXPECT_EQ(form_.ImageView.width, width);
        EXPECT_EQ(form_.ImageView.height, height);
        EXPECT_TRUE(form_.ImageView.pixels.empty());

        const Snapshot before = Take(temp_.Path());
        EXPECT_EQ(Save("out", kSaveC10), "");
        EXPECT_EQ(ReadBytes(temp_.File("out.c10")), EncodeC10(form_.ImageView));
        EXPECT_EQ(Save("out", kSaveBmp), "");
        // A JPEG cannot hold no pixels: the user is told so, and no file is written.
        const std::string refusal = Save("out", kSaveJpeg);
        EXPECT_EQ(refusal.rfind("Нечего сохранять в JPEG", 0), 0u) << refusal;
        for (const std::string& path : Changed(before, Take(temp_.Path()))) {
            EXPECT_TRUE(path == "out.c10" || path == "out.bmp") << path;
        }
    }
}

// A 54-byte BMP header: 24 bits, uncompressed, and no pixel data behind it.
Bytes BmpHeader(std::int32_t width, std::int32_t height) {
    Bytes bytes = {'B', 'M'};
    auto le32 = [&bytes](std::uint32_t v) {
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    le32(54), le32(0), le32(54), le32(40), le32(static_cast<std::uint32_t>(width)), le32(static_cast<std::uint32_t>(height));
    bytes.insert(bytes.end(), {1, 0, 24, 0});
    for (int k = 0; k < 6; ++k) le32(0);
    return bytes;
}

TEST_F(BadPictureTest, ABmpHeaderClaimingTenGigapixelsIsRefusedBeforeAnythingIsAllocated) {
    const std::string error = OpenFile("huge.bmp", BmpHeader(100000, 100000), kBmp);
    EXPECT_EQ(error.rfind("Изображение слишком большое: 100000 x 100000", 0), 0u) << error;
    EXPECT_TRUE(form_.ImageView.pixels.empty());
    // Rows from the top (a negative height) claim the same.
    EXPECT_NE(ErrorOf([] { DecodeBmp(BmpHeader(100000, -100000)); }), "");
    // Within the limits, the missing pixel data makes it no bitmap.
    EXPECT_EQ(OpenFile("small.bmp", BmpHeader(100, 100), kBmp), "Bitmap image is not valid");
}

// A bitmap with a palette of `colours` entries, entry i being red i on full blue, then `data`.
Bytes PaletteBmp(std::int32_t width, std::int32_t height, int bits, int compression, int colours, const Bytes& data) {
    Bytes bytes = BmpHeader(width, height);
    bytes[28] = static_cast<std::uint8_t>(bits);
    bytes[30] = static_cast<std::uint8_t>(compression);
    bytes[46] = static_cast<std::uint8_t>(colours);
    for (int i = 0; i < colours; ++i) bytes.insert(bytes.end(), {0xFF, 0, static_cast<std::uint8_t>(i), 0});
    bytes[10] = static_cast<std::uint8_t>(bytes.size());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::uint32_t Entry(std::uint32_t i) { return 0xFF0000 | i; }

TEST_F(BadPictureTest, ABmpCutInsideItsPaletteIsNotAValidBitmap) {
    const Bytes whole = PaletteBmp(2, 1, 8, 0, 16, {1, 2, 0, 0});
    EXPECT_EQ(OpenFile("whole.bmp", whole, kBmp), "");
    EXPECT_EQ(form_.ImageView.pixels, (std::vector<std::uint32_t>{Entry(1), Entry(2)}));
    EXPECT_EQ(OpenFile("cut.bmp", Bytes(whole.begin(), whole.begin() + 54 + 30), kBmp), "Bitmap image is not valid");
    // The 12-byte header has no colour count: its palette runs up to where the file header puts
    // the pixels (here two entries of 3 bytes, red and blue), or is 256 entries when they lie
    // past those or nowhere (0), and then this file ends inside it.
    Bytes core = {'B', 'M', 36, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, 12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 8, 0,
                  0, 0, 0xFF, 0xFF, 0, 0, 0, 1, 0, 0};
    EXPECT_EQ(OpenFile("core.bmp", core, kBmp), "");
    EXPECT_EQ(form_.ImageView.pixels, (std::vector<std::uint32_t>{0x0000FF, 0xFF0000}));
    core[10] = 0;
    EXPECT_EQ(OpenFile("core.bmp", core, kBmp), "Bitmap image is not valid");
    Bytes countless = whole;
    countless[46] = countless[47] = countless[48] = countless[49] = 0xFF;
    EXPECT_EQ(OpenFile("countless.bmp", countless, kBmp), "Bitmap image is not valid");
}

TEST_F(BadPictureTest, RunsAndMovesPastThePictureStopAtItsEdges) {
    // 2 x 2 RLE8: a run of 9 in the bottom row; a move of 9 right and 9 up, which stops in the
    // top right corner; a run of 3 there; a line end past the top row, and data after it.
    const Bytes rle8 = {9, 1, 0, 2, 9, 9, 3, 2, 0, 0, 5, 1, 0, 1};
    EXPECT_EQ(OpenFile("rle8.bmp", PaletteBmp(2, 2, 8, 1, 3, rle8), kBmp), "");
    EXPECT_EQ(form_.DimensionsLabel, "2 x 2");
    // The top left pixel was never written: palette entry 0.
    EXPECT_EQ(form_.ImageView.pixels, (std::vector<std::uint32_t>{Entry(0), Entry(2), Entry(1), Entry(1)}));
    // 3 x 1 RLE4: a literal run of 8 pixels; the 4 bytes it holds are passed over whole.
    const Bytes rle4 = {0, 8, 0x12, 0x12, 0x12, 0x12, 1, 0x00, 0, 1};
    EXPECT_EQ(OpenFile("rle4.bmp", PaletteBmp(3, 1, 4, 2, 3, rle4), kBmp), "");
    EXPECT_EQ(form_.ImageView.pixels, (std::vector<std::uint32_t>{Entry(1), Entry(2), Entry(1)}));
}

TEST_F(BadPictureTest, RunLengthDataMayEndBetweenCommandsButNotInsideOne) {
    EXPECT_EQ(OpenFile("between.bmp", PaletteBmp(3, 2, 8, 1, 2, {2, 1}), kBmp), "");
    EXPECT_EQ(form_.ImageView.pixels, (std::vector<std::uint32_t>{Entry(0), Entry(0), Entry(0), Entry(1), Entry(1), Entry(0)}));
    for (const Bytes& cut : {Bytes{2, 1, 2}, Bytes{0, 2, 1}, Bytes{0, 4, 1, 1, 1}, Bytes{}}) {
        EXPECT_EQ(OpenFile("inside.bmp", PaletteBmp(3, 2, 8, 1, 2, cut), kBmp), "Bitmap image is not valid") << cut.size();
    }
}

TEST_F(BadPictureTest, PixelsPlacedPastTheEndAreNotAValidBitmap) {
    Bytes uncompressed = BmpHeader(1, 1);
    uncompressed.insert(uncompressed.end(), {1, 2, 3, 0});
    const Bytes rle = PaletteBmp(1, 1, 8, 1, 1, {1, 0, 0, 1});
    for (Bytes bytes : {uncompressed, rle}) {
        EXPECT_EQ(OpenFile("near.bmp", bytes, kBmp), "");
        // At the very end of the file, a little past it, and as far as the field reaches.
        for (const std::uint32_t offset : {static_cast<std::uint32_t>(bytes.size()), 0x10000u, 0xFFFFFFFFu}) {
            for (int k = 0; k < 4; ++k) bytes[10 + k] = static_cast<std::uint8_t>(offset >> (8 * k));
            EXPECT_EQ(OpenFile("far.bmp", bytes, kBmp), "Bitmap image is not valid") << offset;
        }
    }
}

// Busy enough that the compressed pixels, not the tables, make up most of the file.
Picture Noise(int width, int height) {
    Picture picture(width, height);
    std::uint32_t state = 1;
    for (std::uint32_t& pixel : picture.pixels) {
        state = state * 1103515245u + 12345u;
        pixel = (state >> 8) & 0xFFFFFF;
    }
    return picture;
}

TEST_F(BadPictureTest, AJpegCutInHalfShowsItsUpperPartAndTheRestGrey) {
    const Bytes whole = EncodeJpeg(Noise(64, 64));
    const Picture full = DecodeJpeg(whole);
    const Bytes half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));

    // A premature end is a warning to the library, not an error: it fills the rest and goes on.
    EXPECT_EQ(OpenFile("half.jpg", half, kJpeg), "");
    EXPECT_EQ(form_.DimensionsLabel, "64 x 64");
    ASSERT_EQ(form_.ImageView.pixels.size(), full.pixels.size());
    for (int x = 0; x < 64; ++x) EXPECT_EQ(form_.ImageView.Pixel(x, 0), full.Pixel(x, 0)) << x;
    EXPECT_NE(form_.ImageView.pixels, full.pixels);

    // Cut inside its tables, there is no picture at all.
    EXPECT_EQ(OpenFile("stub.jpg", Bytes(whole.begin(), whole.begin() + 100), kJpeg).rfind("JPEG error #", 0), 0u);
}

TEST_F(BadPictureTest, EmptyAndOneByteFilesOfEveryKind) {
    for (const Bytes& bytes : {Bytes{}, Bytes{0xFF}}) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
        EXPECT_EQ(OpenFile("p.c10", bytes, kC10), kBeyond);
        EXPECT_EQ(OpenFile("p.bmp", bytes, kBmp), "Bitmap image is not valid");
        EXPECT_EQ(OpenFile("p.jpg", bytes, kJpeg).rfind("JPEG error #", 0), 0u);
        EXPECT_EQ(ErrorOf([&] { ReadC10Properties(bytes); }), kBeyond);
    }
}

}  // namespace
}  // namespace vesk::test
