#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include <QBuffer>
#include <QImage>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/jpeg_file.h"
#include "picture/picture_limits.h"
#include "picture/picture_memory.h"
#include "support/error_text.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A picture whose neighbouring pixels differ little, as photographs do.
Picture Gradient(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto red = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            const auto green = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            picture.SetPixel(x, y, red | green << 8 | 0x80u << 16);
        }
    return picture;
}

std::uint32_t FromQRgb(QRgb c) {
    return static_cast<std::uint32_t>(qRed(c)) | static_cast<std::uint32_t>(qGreen(c)) << 8 |
           static_cast<std::uint32_t>(qBlue(c)) << 16;
}

Bytes SaveWithQt(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(data.begin(), data.end());
}

// A bare bitmap header: `infoSize` 40, the given size, depth and compression, no pixel data.
Bytes BmpHeader(std::int32_t width, std::int32_t height, int bitCount, int compression) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe32(b, 2, 54);
    PutLe32(b, 10, 54);
    PutLe32(b, 14, 40);
    PutLe32(b, 18, static_cast<std::uint32_t>(width));
    PutLe32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bitCount);
    PutLe32(b, 30, static_cast<std::uint32_t>(compression));
    return b;
}

// ---- BMP

TEST(EncodeBmp, WritesThirtyTwoBitRowsFromTheBottomBehindTheTwoHeaders) {
    Picture picture(2, 2);
    picture.pixels = {0x00030201, 0x00060504,   // top row
                      0x00090807, 0x000C0B0A};  // bottom row
    const Bytes bmp = EncodeBmp(picture);
    ASSERT_EQ(bmp.size(), 54u + 16u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), 70u);   // file size
    EXPECT_EQ(Le32(bmp, 6), 0u);    // reserved
    EXPECT_EQ(Le32(bmp, 10), 54u);  // pixels start after both headers
    EXPECT_EQ(Le32(bmp, 14), 40u);  // information header size
    EXPECT_EQ(Le32(bmp, 18), 2u);
    EXPECT_EQ(Le32(bmp, 22), 2u);   // positive height: bottom row first
    EXPECT_EQ(bmp[26] | bmp[27] << 8, 1);   // planes
    EXPECT_EQ(bmp[28] | bmp[29] << 8, 32);  // bits per pixel
    EXPECT_EQ(Le32(bmp, 30), 0u);   // BI_RGB
    EXPECT_EQ(Le32(bmp, 34), 16u);  // image size
    EXPECT_EQ(Le32(bmp, 46), 0u);   // no palette
    // Blue, green, red, 0 for each pixel; the bottom row comes first.
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()),
              (Bytes{0x09, 0x08, 0x07, 0, 0x0C, 0x0B, 0x0A, 0, 0x03, 0x02, 0x01, 0, 0x06, 0x05, 0x04, 0}));
}

TEST(EncodeBmp, AnEmptyPictureGivesHeadersOnly) {
    const Bytes bmp = EncodeBmp(Picture());
    ASSERT_EQ(bmp.size(), 54u);
    EXPECT_EQ(Le32(bmp, 2), 54u);
    EXPECT_EQ(Le32(bmp, 18), 0u);
    EXPECT_EQ(Le32(bmp, 22), 0u);
    EXPECT_EQ(bmp[28], 32);
    // Other readers refuse 0 pixels; ours takes its own empty bitmap back.
    const Picture back = DecodeBmp(bmp);
    EXPECT_EQ(back.width, 0);
    EXPECT_TRUE(back.pixels.empty());
    const Picture noRows = DecodeBmp(EncodeBmp(Picture(7, 0)));
    EXPECT_EQ(noRows.width, 7);
    EXPECT_EQ(noRows.height, 0);
}

TEST(EncodeBmp, QtReadsOurBitmapWithTheSamePixels) {
    const Picture picture = Gradient(37, 19);  // an odd width: no row padding may creep in
    const Bytes bmp = EncodeBmp(picture);
    QImage image;
    ASSERT_TRUE(image.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP"));
    ASSERT_EQ(image.width(), 37);
    ASSERT_EQ(image.height(), 19);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(FromQRgb(image.pixel(x, y)), picture.Pixel(x, y)) << x << "," << y;

    const Picture back = DecodeBmp(bmp);
    EXPECT_EQ(back.width, 37);
    EXPECT_EQ(back.pixels, picture.pixels);
}

TEST(SaveBmp, WritesEncodeBmpsBytesInPiecesAfterCheckingTheSize) {
    const test::TempFolder folder;
    // 300 x 70: rows of 1200 bytes, so they go out in several writes and a shorter last one.
    Picture marked = Gradient(300, 70);
    for (std::size_t i = 0; i < marked.pixels.size(); i += 7) marked.pixels[i] |= 0xAB000000u;
    for (const Picture& picture : {marked, Gradient(1, 1), Picture(5, 0)}) {
        SaveBmp(picture, folder.File("p.bmp"));
        EXPECT_EQ(test::ReadBytes(folder.File("p.bmp")), EncodeBmp(picture)) << picture.width;
    }
    // The fourth byte of our pixels never reaches the file.
    EXPECT_EQ(EncodeBmp(marked), EncodeBmp(Gradient(300, 70)));
    // Too large: refused before any file is created or emptied.
    Picture huge;
    huge.width = 16385;
    huge.height = 1;
    EXPECT_NE(ErrorOf([&] { SaveBmp(huge, folder.File("p.bmp")); }).find("Изображение слишком большое"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { SaveBmp(huge, folder.File("new.bmp")); }), "");
    EXPECT_EQ(test::ReadBytes(folder.File("p.bmp")), EncodeBmp(Picture(5, 0)));
    EXPECT_FALSE(std::filesystem::exists(folder.File("new.bmp")));
}

TEST(DecodeBmp, ReadsOtherDepthsAsQtWritesThem) {
    const Picture picture = Gradient(13, 7);
    QImage rgb(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const std::uint32_t c = picture.Pixel(x, y);
            rgb.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    QList<QRgb> sixteen;  // with 16 colours or fewer Qt writes 4 bits a pixel
    for (int i = 0; i < 16; ++i) sixteen.push_back(qRgb(i * 17, 255 - i * 17, 128));
    for (const QImage& converted : {rgb.convertToFormat(QImage::Format_RGB888), rgb.convertToFormat(QImage::Format_Indexed8),
                                    rgb.convertToFormat(QImage::Format_Indexed8, sixteen), rgb.convertToFormat(QImage::Format_Mono)}) {
        const Bytes file = SaveWithQt(converted, "BMP");
        const Picture decoded = DecodeBmp(file);
        ASSERT_EQ(decoded.width, 13);
        ASSERT_EQ(decoded.height, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(decoded.Pixel(x, y), FromQRgb(converted.pixel(x, y))) << "bits " << int{file[28]};
    }
}

TEST(DecodeBmp, ReadsRunLengthCodedBitmaps) {
    // 4 x 2, 8-bit RLE, palette red (0) and blue (1). Bottom row: 4 x red. Top: 2 x blue, 2 x red.
    Bytes bmp = BmpHeader(4, 2, 8, 1);
    PutLe32(bmp, 46, 2);  // colours used
    const Bytes palette{0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00};
    const Bytes rle{0x04, 0x00, 0x00, 0x00, 0x02, 0x01, 0x02, 0x00, 0x00, 0x01};
    bmp.insert(bmp.end(), palette.begin(), palette.end());
    bmp.insert(bmp.end(), rle.begin(), rle.end());
    PutLe32(bmp, 10, 54 + 8);
    PutLe32(bmp, 34, static_cast<std::uint32_t>(rle.size()));
    PutLe32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));

    const Picture picture = DecodeBmp(bmp);
    ASSERT_EQ(picture.width, 4);
    ASSERT_EQ(picture.height, 2);
    EXPECT_EQ(picture.pixels, (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF,  //
                                                          0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF}));
}

TEST(DecodeBmp, AnythingElseIsNotAValidBitmap) {
    const std::string notValid = "Bitmap image is not valid";
    EXPECT_EQ(ErrorOf([] { DecodeBmp(Bytes{}); }), notValid);
    EXPECT_EQ(ErrorOf([] { DecodeBmp(Bytes{'B', 'M', 1, 2, 3}); }), notValid);
    EXPECT_EQ(ErrorOf([] { DecodeBmp(EncodeJpeg(Gradient(8, 8))); }), notValid);
    // Headers that promise pixels the file does not hold.
    EXPECT_EQ(ErrorOf([] { DecodeBmp(BmpHeader(100, 100, 24, 0)); }), notValid);
    Bytes badDepth = EncodeBmp(Gradient(4, 4));
    badDepth[28] = 7;
    EXPECT_EQ(ErrorOf([&] { DecodeBmp(badDepth); }), notValid);
    Bytes emptyBadDepth = EncodeBmp(Picture());
    emptyBadDepth[28] = 7;
    EXPECT_EQ(ErrorOf([&] { DecodeBmp(emptyBadDepth); }), notValid);
}

TEST(DecodeBmp, AFileShortOfItsRowsIsNotAValidBitmap) {
    // Found by fuzzing: 56 bytes that claim 8192 x 5120 pixels of 32 bits, within the limits,
    // opened as a picture of 42 million pixels that the file does not hold.
    const Bytes shortFile = {0x42, 0x4D, 0x36, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,
                             0x28, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x01, 0x00,
                             0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x38, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                             0x1D, 0x00, 0xEE, 0x00, 0x1E, 0x00, 0x11, 0x00, 0x1F, 0x00, 0xFF, 0x00};
    EXPECT_EQ(ErrorOf([&] { DecodeBmp(shortFile); }), "Bitmap image is not valid");
    // One byte short of its last row is not enough either; the whole file opens.
    Bytes whole = EncodeBmp(Gradient(5, 3));
    EXPECT_EQ(DecodeBmp(whole).pixels.size(), 15u);
    whole.pop_back();
    EXPECT_EQ(ErrorOf([&] { DecodeBmp(whole); }), "Bitmap image is not valid");
}

TEST(PictureLimits, HugeBitmapsAreRefusedFromTheirHeader) {
    // A 54-byte file must not make the decoder allocate the picture it describes.
    const std::string tooLarge = "Изображение слишком большое";
    EXPECT_NE(ErrorOf([] { DecodeBmp(BmpHeader(16385, 1, 32, 0)); }).find(tooLarge), std::string::npos);
    EXPECT_NE(ErrorOf([] { DecodeBmp(BmpHeader(8193, -8193, 32, 0)); }).find(tooLarge), std::string::npos);
    EXPECT_NE(ErrorOf([] { DecodeBmp(BmpHeader(60000, 60000, 8, 1)); }).find("60000 x 60000"), std::string::npos);
    EXPECT_NE(ErrorOf([] { DecodeBmp(BmpHeader(1, std::numeric_limits<std::int32_t>::min(), 8, 1)); }).find(tooLarge),
              std::string::npos);

    // Found by fuzzing: an information header longer than any known one escaped the check,
    // and a bitmap of no width opened as 0 x 67108869, which then could not be saved.
    Bytes longHeader = BmpHeader(0, 67108869, 32, 0);
    PutLe32(longHeader, 14, 0x2800);
    EXPECT_NE(ErrorOf([&] { DecodeBmp(longHeader); }).find("0 x 67108869"), std::string::npos);

    EXPECT_NO_THROW(CheckPictureSize(16384, 4096));
    EXPECT_NO_THROW(CheckPictureSize(4096, 16384));
    EXPECT_THROW(CheckPictureSize(16384, 4097), Error);
    EXPECT_THROW(CheckPictureSize(16385, 1), Error);
}

TEST(SizePicture, GivesZeroedPixelsForTheSides) {
    // 1024 x 700 is over 2 MiB, where the memory is asked for in huge pages.
    for (const auto& [width, height] : {std::pair{3, 2}, std::pair{1024, 700}, std::pair{0, 4}}) {
        Picture picture(5, 5, 0x123456);
        SizePicture(picture, width, height);
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);
        EXPECT_EQ(picture.pixels, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0)) << width;
    }
}

// ---- JPEG

// Reads a JPEG's header with the library alone, the way another program would.
struct JpegFacts {
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    int firstQuant = 0, lastQuant = 0;
};

JpegFacts ReadFacts(const Bytes& jpeg) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    JpegFacts facts{static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height), cinfo.num_components,
                    cinfo.progressive_mode != 0, cinfo.quant_tbl_ptrs[0]->quantval[0], cinfo.quant_tbl_ptrs[0]->quantval[63]};
    jpeg_destroy_decompress(&cinfo);
    return facts;
}

// What the library alone makes of 8-bit samples of `components` a pixel in `space`; `setup` sets
// what differs from the library's defaults.
Bytes EncodeWithLibrary(const std::vector<std::uint8_t>& samples, int width, int height, int components,
                        J_COLOR_SPACE space, const std::function<void(jpeg_compress_struct&)>& setup) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    setup(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * components * width);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

// The same at a quality, for 3 samples a pixel of RGB or 1 of grey.
Bytes LibraryJpeg(const std::vector<std::uint8_t>& samples, int width, int height, bool grey, int quality) {
    return EncodeWithLibrary(samples, width, height, grey ? 1 : 3, grey ? JCS_GRAYSCALE : JCS_RGB,
                             [quality](jpeg_compress_struct& cinfo) { jpeg_set_quality(&cinfo, quality, TRUE); });
}

// The library's file for a 3-byte RGB copy of the picture, with our settings.
Bytes ReferenceJpeg(const Picture& picture) {
    std::vector<std::uint8_t> rgb;
    for (const std::uint32_t c : picture.pixels)
        rgb.insert(rgb.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c >> 16)});
    return LibraryJpeg(rgb, picture.width, picture.height, false, 90);
}

Bytes GreyJpeg(int width, int height) {
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 3);
    return LibraryJpeg(grey, width, height, true, 75);
}

TEST(EncodeJpeg, BaselineQualityNinetyInThreeComponents) {
    const Bytes jpeg = EncodeJpeg(Gradient(40, 30));
    const JpegFacts facts = ReadFacts(jpeg);
    EXPECT_EQ(facts.width, 40);
    EXPECT_EQ(facts.height, 30);
    EXPECT_EQ(facts.components, 3);
    EXPECT_FALSE(facts.progressive);
    // The standard luminance table (16 ... 99) scaled for quality 90 (factor 20%).
    EXPECT_EQ(facts.firstQuant, 3);
    EXPECT_EQ(facts.lastQuant, 20);
    // A baseline frame marker, not an extended or progressive one.
    const Bytes sof0{0xFF, 0xC0};
    EXPECT_NE(std::search(jpeg.begin(), jpeg.end(), sof0.begin(), sof0.end()), jpeg.end());
}

TEST(EncodeJpeg, GivesTheLibrarysOwnBytesForAnRgbCopy) {
    // The fourth byte of our pixels must not leak into the file.
    Picture picture = Gradient(255, 255);
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) picture.pixels[i] |= 0xAB000000u;
    EXPECT_EQ(EncodeJpeg(picture), ReferenceJpeg(picture));
    EXPECT_EQ(EncodeJpeg(Gradient(1, 1)), ReferenceJpeg(Gradient(1, 1)));
}

TEST(EncodeJpeg, RoundTripStaysWithinASmallError) {
    // Large enough that the output buffer has to grow at least once.
    for (const auto& [width, height] : {std::pair{40, 30}, std::pair{255, 255}, std::pair{1, 1}}) {
        const Picture picture = Gradient(width, height);
        const Picture back = DecodeJpeg(EncodeJpeg(picture));
        ASSERT_EQ(back.width, width);
        ASSERT_EQ(back.height, height);
        long total = 0;
        int worst = 0;
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = std::abs(static_cast<int>((picture.pixels[i] >> shift) & 0xFF) -
                                       static_cast<int>((back.pixels[i] >> shift) & 0xFF));
                total += d;
                worst = std::max(worst, d);
            }
        EXPECT_LT(static_cast<double>(total) / (3.0 * picture.pixels.size()), 2.5) << width << "x" << height;
        EXPECT_LE(worst, 24) << width << "x" << height;
        EXPECT_EQ(back.pixels[0] >> 24, 0u);
    }
}

TEST(DecodeJpeg, GreyscaleGivesGreyPixels) {
    const Picture picture = DecodeJpeg(GreyJpeg(16, 8));
    ASSERT_EQ(picture.width, 16);
    ASSERT_EQ(picture.height, 8);
    bool someDiffer = false;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const std::uint32_t c = picture.pixels[i];
        ASSERT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        ASSERT_EQ(c & 0xFF, (c >> 16) & 0xFF);
        ASSERT_EQ(c >> 24, 0u);
        someDiffer |= c != picture.pixels[0];
    }
    EXPECT_TRUE(someDiffer);
}

TEST(DecodeJpeg, LibraryErrorsCarryTheirMessageCode) {
    EXPECT_EQ(ErrorOf([] { DecodeJpeg(Bytes{}); }), "JPEG error #" + std::to_string(JERR_INPUT_EMPTY));
    EXPECT_EQ(ErrorOf([] { DecodeJpeg(Bytes{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}); }),
              "JPEG error #" + std::to_string(JERR_NO_SOI));
    EXPECT_EQ(ErrorOf([] { DecodeJpeg(EncodeBmp(Gradient(4, 4))); }), "JPEG error #" + std::to_string(JERR_NO_SOI));
    // Cut inside the headers: the library fails (and the decoder is released; the sanitizers check).
    const Bytes jpeg = EncodeJpeg(Gradient(16, 16));
    EXPECT_EQ(ErrorOf([&] { DecodeJpeg(Bytes(jpeg.begin(), jpeg.begin() + 30)); }).rfind("JPEG error #", 0), 0u);
    // The encoder's error path: a JPEG cannot be 0 pixels wide.
    EXPECT_EQ(ErrorOf([] { EncodeJpeg(Picture()); }), "JPEG error #" + std::to_string(JERR_EMPTY_IMAGE));
}

TEST(PictureLimits, HugeJpegsAreRefusedAfterTheHeader) {
    // Patch the frame size of a small JPEG: SOF0 is FF C0, length (2), precision (1), height, width.
    const Bytes small = EncodeJpeg(Gradient(16, 16));
    const Bytes sof0{0xFF, 0xC0};
    const auto at = static_cast<std::size_t>(std::search(small.begin(), small.end(), sof0.begin(), sof0.end()) - small.begin());
    ASSERT_LT(at + 9, small.size());
    const auto withSize = [&](int width, int height) {
        Bytes patched = small;
        patched[at + 5] = static_cast<std::uint8_t>(height >> 8);
        patched[at + 6] = static_cast<std::uint8_t>(height);
        patched[at + 7] = static_cast<std::uint8_t>(width >> 8);
        patched[at + 8] = static_cast<std::uint8_t>(width);
        return patched;
    };
    EXPECT_NE(ErrorOf([&] { DecodeJpeg(withSize(16, 20000)); }).find("16 x 20000"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { DecodeJpeg(withSize(10000, 10000)); }).find("Изображение слишком большое"), std::string::npos);
    // Within the limits the patched file decodes (its data runs out; the library fills in).
    EXPECT_EQ(DecodeJpeg(withSize(24, 20)).width, 24);
}

// A greyscale progressive file of the given number of scans: the DC scan, then for each of the
// AC coefficients a first scan and its refinements, bit by bit.
Bytes ProgressiveJpeg(int scans) {
    const int width = 16, height = 16;
    std::vector<std::uint8_t> grey(width * height);
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 5);
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k <= 63 && static_cast<int>(script.size()) < scans; ++k) {
        script.push_back({1, {0}, k, k, 0, 5});
        for (int al = 4; al >= 0 && static_cast<int>(script.size()) < scans; --al) script.push_back({1, {0}, k, k, al + 1, al});
    }
    return EncodeWithLibrary(grey, width, height, 1, JCS_GRAYSCALE, [&script](jpeg_compress_struct& cinfo) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
    });
}

// A flat 16 x 16 picture of four-colour samples as Photoshop stores them (inverted: 0 is full
// ink), as CMYK or as YCCK.
Bytes FourColourJpeg(std::array<std::uint8_t, 4> cmyk, J_COLOR_SPACE space) {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), cmyk.begin(), cmyk.end());
    return EncodeWithLibrary(samples, 16, 16, 4, JCS_CMYK, [space](jpeg_compress_struct& cinfo) {
        jpeg_set_colorspace(&cinfo, space);
        jpeg_set_quality(&cinfo, 100, TRUE);
    });
}

TEST(DecodeJpeg, CmykAndYcckFilesOpenAsRgb) {
    const auto near = [](std::uint32_t pixel, int r, int g, int b) {
        return std::abs(static_cast<int>(pixel & 0xFF) - r) <= 3 && std::abs(static_cast<int>(pixel >> 8 & 0xFF) - g) <= 3 &&
               std::abs(static_cast<int>(pixel >> 16 & 0xFF) - b) <= 3;
    };
    for (const J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
        // Red is no cyan ink and full magenta and yellow; inverted, as stored: 255, 0, 0, 255.
        const Picture red = DecodeJpeg(FourColourJpeg({255, 0, 0, 255}, space));
        const Picture grey = DecodeJpeg(FourColourJpeg({255, 255, 255, 128}, space));
        ASSERT_EQ(red.width, 16);
        EXPECT_TRUE(near(red.pixels[0], 255, 0, 0)) << std::hex << red.pixels[0];
        EXPECT_TRUE(near(grey.pixels[100], 128, 128, 128)) << std::hex << grey.pixels[100];
        EXPECT_EQ(red.pixels[0] >> 24, 0u);
    }
}

TEST(DecodeJpeg, AFileOfMoreScansThanTheLimitIsRefused) {
    const Bytes within = ProgressiveJpeg(kJpegMaxScans);
    ASSERT_TRUE(ReadFacts(within).progressive);
    EXPECT_EQ(DecodeJpeg(within).width, 16);
    const std::string refusal = ErrorOf([&] { DecodeJpeg(ProgressiveJpeg(kJpegMaxScans + 1)); });
    EXPECT_NE(refusal.find(std::to_string(kJpegMaxScans)), std::string::npos) << refusal;
}

TEST(LoadBmp, AHugeFileIsJudgedByItsHeadersBeforeAnythingElseIsRead) {
    // A valid 2 x 2 bitmap followed by a gigabyte of nothing: the headers decide, the rows are
    // read, and the rest of the file is never touched (it is a hole, so the test costs no disk).
    test::TempFolder dir;
    const std::string path = dir.Write("huge.bmp", EncodeBmp(Picture(2, 2, 0x00112233)));
    std::filesystem::resize_file(path, std::uintmax_t{1} << 30);
    const Picture picture = LoadBmp(path);
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.pixels, std::vector<std::uint32_t>(4, 0x00112233));
    // A file of no bitmap is refused from its first bytes, however large.
    const std::string junk = dir.Write("junk.bmp", "not a bitmap at all");
    std::filesystem::resize_file(junk, std::uintmax_t{1} << 30);
    EXPECT_EQ(ErrorOf([&] { LoadBmp(junk); }), "Bitmap image is not valid");
}

}  // namespace
}  // namespace vesk
