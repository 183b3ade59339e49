#include "picture/c10_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "base/error.h"
#include "c10_test_files.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

using test::kBlack;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kUntouched;
using test::kWhite;
using test::OneFrameFile;

using Bytes = std::vector<std::uint8_t>;

// Decodes the first frame with the file's own properties onto a picture of `kUntouched`.
Picture DecodeFirstFrame(const Bytes& file, int pictureWidth, int pictureHeight) {
    const C10Properties p = ReadC10Properties(file);
    Picture picture(pictureWidth, pictureHeight, kUntouched);
    DecodeC10Frame(file, p.dataStart, p.paletteCount, p.width, p.height, picture);
    return picture;
}

std::vector<std::uint32_t> Row(const Picture& picture, int y) {
    return {picture.pixels.begin() + y * picture.width, picture.pixels.begin() + (y + 1) * picture.width};
}

void ExpectError(const std::function<void()>& action, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "expected the error \"" << text << "\"";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), text);
    }
}

// ---- encoding

TEST(EncodeC10, TwoPixelsGiveTheSeventeenBytesAndDecodeBack) {
    Picture picture(2, 1);
    picture.pixels = {0x0000FF, 0xFF0000};  // pure red, pure blue
    const Bytes file = EncodeC10(picture);
    EXPECT_EQ(file, (Bytes{0x02, 0x01, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00,
                           0x01, 0x00, 0xF8, 0x01, 0x1F, 0x00}));
    const Picture back = DecodeFirstFrame(file, 2, 1);
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{kRed, kBlue}));
}

TEST(EncodeC10, DropsLowBitsWithoutRoundingAndStoresWhiteAsFfff) {
    Picture picture(3, 1);
    picture.pixels = {0x00FFFFFF, 0x00070307, 0xFF000000 | 0x00080408};  // the fourth byte is ignored
    const Bytes file = EncodeC10(picture);
    ASSERT_EQ(file.size(), 11u + 9u);
    EXPECT_EQ(Bytes(file.begin() + 11, file.end()), (Bytes{0x01, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01, 0x21, 0x08}));
    EXPECT_EQ(DecodeFirstFrame(file, 3, 1).pixels, (std::vector<std::uint32_t>{kWhite, kBlack, 0x080408}));
}

TEST(EncodeC10, KeepsLowEightBitsOfTheSizeAndEveryPixel) {
    const Bytes file = EncodeC10(Picture(300, 10));
    ASSERT_EQ(file.size(), 9011u);
    EXPECT_EQ(file[0], 0x2C);
    EXPECT_EQ(file[1], 0x0A);

    const Bytes empty = EncodeC10(Picture());
    EXPECT_EQ(empty, (Bytes{0x00, 0x00, 0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00}));
}

TEST(EncodeC10, ReadsBackAsOneHeaderFormFrameWithEveryColourExact) {
    // Colours that RGB565 holds exactly survive the round trip bit for bit.
    std::mt19937 random(7);
    Picture picture(37, 23);
    for (auto& c : picture.pixels) c = Rgb565ToColor(static_cast<std::uint16_t>(random()));
    const Bytes file = EncodeC10(picture);
    const C10Properties p = ReadC10Properties(file);
    EXPECT_EQ(p.form, C10Form::Header);
    EXPECT_EQ(p.frameCount, 1);
    EXPECT_EQ(p.dataSize, 0);
    EXPECT_EQ(p.paletteCount, 0);
    EXPECT_EQ(p.dataStart, 11);
    EXPECT_EQ(p.width, 37);
    EXPECT_EQ(p.height, 23);
    EXPECT_EQ(DecodeFirstFrame(file, 37, 23).pixels, picture.pixels);
}

TEST(C10FrameHeader, WritesTheFixedBytesAndReadsThemBack) {
    C10FrameHeader header;
    EXPECT_EQ(header.Bytes(), (std::array<std::uint8_t, 9>{0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00}));
    header.frameCount = 3;
    header.dataSize = 0x7C01;
    header.paletteCount = 0x7C;
    const auto bytes = header.Bytes();
    Bytes file{0xAA};
    file.insert(file.end(), bytes.begin(), bytes.end());
    const C10FrameHeader back = C10FrameHeader::Read(file, 1);
    EXPECT_EQ(back.frameCount, 3);
    EXPECT_EQ(back.dataSize, 0x7C01);
    EXPECT_EQ(back.paletteCount, 124);
    EXPECT_EQ(back.marker, 0x09);
}

// ---- properties

TEST(ReadC10Properties, HeaderFormTakesItsFieldsFromTheFront) {
    // 0x7C is an ordinary byte value everywhere.
    const Bytes file{0x7C, 0x05, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x00, 0x00, 0x09, 0x7C};
    const C10Properties p = ReadC10Properties(file);
    EXPECT_EQ(p.form, C10Form::Header);
    EXPECT_EQ(p.width, 124);
    EXPECT_EQ(p.height, 5);
    EXPECT_EQ(p.frameCount, 4);
    EXPECT_EQ(p.dataSize, 300);
    EXPECT_EQ(p.paletteCount, 124);
    EXPECT_EQ(p.dataStart, 11);
}

TEST(ReadC10Properties, AnyOtherByteNineGivesTheTrailerForm) {
    Bytes file(20, 0);
    file[1] = 3;     // palette count
    file[3] = 9;     // a frame count here is not read
    file[9] = 0x08;
    file[16] = 40;   // width at N - 4
    file[17] = 99;
    file[18] = 30;   // height at N - 2
    file[19] = 99;
    const C10Properties p = ReadC10Properties(file);
    EXPECT_EQ(p.form, C10Form::Trailer);
    EXPECT_EQ(p.dataSize, 14);
    EXPECT_EQ(p.frameCount, 1);
    EXPECT_EQ(p.dataStart, 2);
    EXPECT_EQ(p.paletteCount, 3);
    EXPECT_EQ(p.width, 40);
    EXPECT_EQ(p.height, 30);
}

TEST(ReadC10Properties, ShortFilesReadBeyondTheEnd) {
    ExpectError([] { ReadC10Properties(Bytes(9, 0x09)); }, "Read beyond end of file");
    Bytes tenBytes(10, 0);
    tenBytes[9] = 0x09;  // header form: the palette count at offset 10 is missing
    ExpectError([&] { ReadC10Properties(tenBytes); }, "Read beyond end of file");
    ExpectError([] { ReadC10Properties(Bytes{}); }, "Read beyond end of file");
}

TEST(ReadNextFrameProperties, FindsTheNextHeaderAfterTheData) {
    // Frame 1 has 300 bytes of data: frame 2's header is at 311, its data at 320.
    Bytes file(330, 0);
    file[311] = 0xFF;
    file[312] = 5;               // frame count
    file[314] = 0x34;            // data size 0x1234
    file[315] = 0x12;
    file[318] = 0x00;            // the marker is not tested
    file[319] = 7;               // palette count
    const C10FrameProperties next = ReadNextFrameProperties(file, 11, 300);
    EXPECT_EQ(next.frameCount, 5);
    EXPECT_EQ(next.dataSize, 0x1234);
    EXPECT_EQ(next.paletteCount, 7);
    EXPECT_EQ(next.dataStart, 320);

    const Bytes cut(file.begin(), file.begin() + 319);  // palette count missing
    ExpectError([&] { ReadNextFrameProperties(cut, 11, 300); }, "Read beyond end of file");
    ExpectError([&] { ReadNextFrameProperties(file, 11, -20); }, "I/O error 131");
}

// ---- decoding

TEST(DecodeC10Frame, ControlBytesOfCountZeroAdvanceWithoutDrawing) {
    // 00: 1 byte, 40: 1 byte, 80: 3 bytes, C0: 2 bytes; then one blue pixel at column 0.
    const Bytes file = OneFrameFile(2, 1, {}, {0x00, 0x40, 0x80, 0x00, 0xF8, 0xC0, 0x00, 0x01, 0x1F, 0x00});
    EXPECT_EQ(DecodeFirstFrame(file, 2, 1).pixels, (std::vector<std::uint32_t>{kBlue, kUntouched}));
}

TEST(DecodeC10Frame, DrawsAllFourRunKinds) {
    // Palette: red, green. Direct run of 2, indexed run of 3, direct fill of 2, indexed fill of 2.
    const Bytes file = OneFrameFile(3, 3, {0xF800, 0x07E0},
                                    {0x02, 0x1F, 0x00, 0xFF, 0xFF,  //
                                     0x43, 0x01, 0x00, 0x01,        //
                                     0x82, 0x00, 0x00,              //
                                     0xC2, 0x00});
    const Picture picture = DecodeFirstFrame(file, 3, 3);
    EXPECT_EQ(Row(picture, 0), (std::vector<std::uint32_t>{kBlue, kWhite, kGreen}));
    EXPECT_EQ(Row(picture, 1), (std::vector<std::uint32_t>{kRed, kGreen, kBlack}));
    EXPECT_EQ(Row(picture, 2), (std::vector<std::uint32_t>{kBlack, kRed, kRed}));
}

TEST(DecodeC10Frame, EveryRgb565ValueDecodesAsRgb565ToColor) {
    // 256 rows of 4 direct runs of 64 colours: all 65536 values in order, and a palette whose
    // entries are the values 0 to 255 read through an indexed run.
    Bytes file;
    for (int i = 0; i < 256; ++i) file.insert(file.end(), {static_cast<std::uint8_t>(i), 0});
    for (int v = 0; v < 65536; ++v) {
        if (v % 63 == 0) file.push_back(static_cast<std::uint8_t>(std::min(63, 65536 - v)));
        file.insert(file.end(), {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)});
    }
    file.push_back(0x7F);  // an indexed run of 63: indices 0..62
    for (int i = 0; i < 63; ++i) file.push_back(static_cast<std::uint8_t>(i));
    Picture picture(256, 257, kUntouched);
    DecodeC10Frame(file, 0, 256, 256, 257, picture);
    for (int v = 0; v < 65536; ++v) ASSERT_EQ(picture.pixels[v], Rgb565ToColor(static_cast<std::uint16_t>(v))) << v;
    for (int i = 0; i < 63; ++i) ASSERT_EQ(picture.Pixel(i, 256), Rgb565ToColor(static_cast<std::uint16_t>(i))) << i;
}

TEST(DecodeC10Frame, PaletteIndicesAreNeverCheckedAgainstTheCount) {
    // One palette entry (at 11), but index 1 reads bytes 13 and 14: the run's own control byte
    // (0x41) and its index byte (0x01), i.e. the value 0x0141.
    const Bytes file = OneFrameFile(1, 1, {0xF800}, {0x41, 0x01});
    EXPECT_EQ(DecodeFirstFrame(file, 1, 1).Pixel(0, 0), 0x082800u);  // 0x0141: red 0, green 0x28, blue 0x08
}

TEST(DecodeC10Frame, FillOfSixtyThreeOnFourByFourStopsAfterPassingTheLastRow) {
    // 0xBF draws 63 red pixels, 16 of them inside. Decoding must stop there: the next run
    // (a direct run of 63 with no colours) would read beyond the end.
    const Bytes file = OneFrameFile(4, 4, {}, {0xBF, 0x00, 0xF8, 0x3F});
    const Picture picture = DecodeFirstFrame(file, 4, 4);
    EXPECT_EQ(picture.pixels, std::vector<std::uint32_t>(16, kRed));
}

TEST(DecodeC10Frame, StopsOnlyAfterTheRunThatPassesTheLastRow) {
    // Height 1 on a picture of 2 rows: the run that wraps into row 1 is drawn to its end, inside
    // the picture, and the next run is not decoded.
    Picture picture(4, 2, kUntouched);
    const Bytes stream{0x85, 0x00, 0xF8, 0x84, 0x1F, 0x00};
    DecodeC10Frame(stream, 0, 0, 4, 1, picture);
    EXPECT_EQ(Row(picture, 0), std::vector<std::uint32_t>(4, kRed));
    EXPECT_EQ(Row(picture, 1), (std::vector<std::uint32_t>{kRed, kUntouched, kUntouched, kUntouched}));
}

TEST(DecodeC10Frame, WrapsAtTheGivenWidthNotThePictures) {
    Picture picture(4, 2, kUntouched);
    const Bytes stream{0x83, 0x00, 0xF8};  // 3 red pixels, width 2
    DecodeC10Frame(stream, 0, 0, 2, 2, picture);
    EXPECT_EQ(Row(picture, 0), (std::vector<std::uint32_t>{kRed, kRed, kUntouched, kUntouched}));
    EXPECT_EQ(Row(picture, 1), (std::vector<std::uint32_t>{kRed, kUntouched, kUntouched, kUntouched}));
}

TEST(DecodeC10Frame, NeitherClearsNorResizesThePicture) {
    Picture picture(3, 3, kUntouched);
    const Bytes stream{0x81, 0x00, 0xF8};  // one pixel, width and height larger than the picture
    DecodeC10Frame(stream, 0, 0, 200, 200, picture);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.pixels[0], kRed);
    EXPECT_EQ(std::count(picture.pixels.begin(), picture.pixels.end(), kUntouched), 8);

    Picture empty;
    DecodeC10Frame(stream, 0, 0, 0, 0, empty);  // everything falls outside
    EXPECT_TRUE(empty.pixels.empty());
}

TEST(DecodeC10Frame, ReadsPastTheEndFailAndKeepWhatWasDrawn) {
    // A direct run of 3 with one and a half colours: the first pixel stays.
    Picture picture(3, 1, kUntouched);
    ExpectError([&] { DecodeC10Frame(Bytes{0x03, 0x00, 0xF8, 0x1F}, 0, 0, 3, 1, picture); }, "Read beyond end of file");
    EXPECT_EQ(picture.pixels, (std::vector<std::uint32_t>{kRed, kUntouched, kUntouched}));

    // A palette index whose entry lies past the end.
    Picture other(2, 1, kUntouched);
    ExpectError([&] { DecodeC10Frame(Bytes{0x81, 0x00, 0xF8, 0xC1, 0x50}, 0, 0, 2, 1, other); },
                "Read beyond end of file");
    EXPECT_EQ(other.pixels, (std::vector<std::uint32_t>{kRed, kUntouched}));

    // A fill whose colour is cut off, and a stream that starts past the end.
    ExpectError([&] { DecodeC10Frame(Bytes{0x80, 0x00}, 0, 0, 2, 1, other); }, "Read beyond end of file");
    ExpectError([&] { DecodeC10Frame(Bytes{0x80, 0x00}, 0, 1, 2, 1, other); }, "Read beyond end of file");
    ExpectError([&] { DecodeC10Frame(Bytes{0x80, 0x00}, -4, 0, 2, 1, other); }, "I/O error 131");
}

TEST(DecodeC10Frame, StopsAtTheEndOfTheFileWithoutAnError) {
    // The stream ends before the picture is full: the rest keeps its colour.
    const Bytes file = OneFrameFile(3, 2, {}, {0x82, 0xE0, 0x07});
    const Picture picture = DecodeFirstFrame(file, 3, 2);
    EXPECT_EQ(Row(picture, 0), (std::vector<std::uint32_t>{kGreen, kGreen, kUntouched}));
    EXPECT_EQ(Row(picture, 1), std::vector<std::uint32_t>(3, kUntouched));
}

TEST(DecodeC10Frame, TrailerFormFileDecodesFromOffsetTwo) {
    // Palette of one (blue), an indexed fill of 5 on 2 x 2 (the fifth passes the last row), then
    // width and height at the end.
    const Bytes file{0x00, 0x01, 0x1F, 0x00, 0xC5, 0x00, 2, 0, 2, 0};
    const C10Properties p = ReadC10Properties(file);
    ASSERT_EQ(p.form, C10Form::Trailer);
    EXPECT_EQ(DecodeFirstFrame(file, 2, 2).pixels, std::vector<std::uint32_t>(4, kBlue));
}

}  // namespace
}  // namespace vesk
