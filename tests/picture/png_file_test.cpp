// PNG: every kind libpng writes, read back to the pixels its samples stand for and to Qt's
// pixels; our own files read back exactly; broken and oversized files refused.
#include <gtest/gtest.h>

#include <csetjmp>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include <QImage>

#include "base/error.h"
#include "picture/png_file.h"
#include "support/error_text.h"

namespace vesk {
namespace {

using test::ErrorOf;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 13, kHeight = 7;  // odd sides, so that every interlace pass is partial

// One kind of file: colour type, bit depth, and whether a transparency chunk is written.
struct Kind {
    int colorType;
    int depth;
    bool trns;
};

std::string Name(const Kind& k, int interlace) {
    return "type " + std::to_string(k.colorType) + ", " + std::to_string(k.depth) + " bits" + (k.trns ? ", tRNS" : "") +
           (interlace ? ", interlaced" : "");
}

int Channels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // palette index
    }
}

// Sample c of pixel (x, y): spread over the depth's whole range, with the extremes present.
unsigned Sample(int x, int y, int c, int depth) {
    const unsigned max = (1u << depth) - 1;
    const unsigned v = static_cast<unsigned>(x * 7919 + y * 104729 + c * 31337 + x * y * 13);
    if ((x + c) % 5 == 0) return (y % 2) ? max : 0;
    return v % (max + 1);
}

struct Written {
    Bytes bytes;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    png_color_16 trnsColor{};
};

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// The bare library's writer; every sample is packed as the format lays it out.
Written WriteWithLibpng(const Kind& k, int interlace) {
    Written w;
    const int channels = Channels(k.colorType);
    if (k.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << k.depth); ++i) {
            w.palette.push_back({static_cast<png_byte>(i * 37), static_cast<png_byte>(255 - i * 11), static_cast<png_byte>(i * 91)});
            w.paletteAlpha.push_back(static_cast<png_byte>(i * 53));
        }
    }
    if (k.trns) {  // the colour of pixel (1, 0), so that some pixels match it
        w.trnsColor.gray = static_cast<png_uint_16>(Sample(1, 0, 0, k.depth));
        w.trnsColor.red = static_cast<png_uint_16>(Sample(1, 0, 0, k.depth));
        w.trnsColor.green = static_cast<png_uint_16>(Sample(1, 0, 1, k.depth));
        w.trnsColor.blue = static_cast<png_uint_16>(Sample(1, 0, 2, k.depth));
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(kWidth) * channels * k.depth + 7) / 8;
    std::vector<Bytes> rows(kHeight, Bytes(rowBytes, 0));
    for (int y = 0; y < kHeight; ++y) {
        std::size_t bit = 0;
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < channels; ++c, bit += static_cast<std::size_t>(k.depth)) {
                const unsigned v = Sample(x, y, c, k.depth);
                if (k.depth == 16) {
                    rows[y][bit / 8] = static_cast<std::uint8_t>(v >> 8);
                    rows[y][bit / 8 + 1] = static_cast<std::uint8_t>(v);
                } else {
                    rows[y][bit / 8] |= static_cast<std::uint8_t>(v << (8 - k.depth - bit % 8));
                }
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng failed to write " << Name(k, interlace);
        png_destroy_write_struct(&png, &info);
        return w;
    }
    png_set_write_fn(png, &w.bytes, Append, nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, k.depth, k.colorType, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!w.palette.empty()) png_set_PLTE(png, info, w.palette.data(), static_cast<int>(w.palette.size()));
    if (k.trns && k.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_tRNS(png, info, w.paletteAlpha.data(), static_cast<int>(w.paletteAlpha.size()), nullptr);
    } else if (k.trns) {
        png_set_tRNS(png, info, nullptr, 0, &w.trnsColor);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return w;
}

std::uint32_t To8(unsigned v, int depth) {
    if (depth == 16) return (2 * v + 257) / 514;  // v * 255 / 65535, rounded
    return v * 255 / ((1u << depth) - 1);         // 1, 2 and 4 bits scale exactly
}

std::uint32_t OverWhite(std::uint32_t c, std::uint32_t a) { return (c * a + 255 * (255 - a) + 127) / 255; }

std::uint32_t Rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return OverWhite(r, a) | OverWhite(g, a) << 8 | OverWhite(b, a) << 16;
}

// What pixel (x, y) stands for, laid over white.
std::uint32_t Expected(const Kind& k, const Written& w, int x, int y) {
    const auto s = [&](int c) { return Sample(x, y, c, k.depth); };
    switch (k.colorType) {
    case PNG_COLOR_TYPE_PALETTE: {
        const png_color& p = w.palette[s(0)];
        return Rgba(p.red, p.green, p.blue, k.trns ? w.paletteAlpha[s(0)] : 255);
    }
    case PNG_COLOR_TYPE_GRAY: {
        const std::uint32_t g = To8(s(0), k.depth);
        return Rgba(g, g, g, k.trns && s(0) == w.trnsColor.gray ? 0 : 255);
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA: {
        const std::uint32_t g = To8(s(0), k.depth);
        return Rgba(g, g, g, To8(s(1), k.depth));
    }
    case PNG_COLOR_TYPE_RGB: {
        const bool clear = k.trns && s(0) == w.trnsColor.red && s(1) == w.trnsColor.green && s(2) == w.trnsColor.blue;
        return Rgba(To8(s(0), k.depth), To8(s(1), k.depth), To8(s(2), k.depth), clear ? 0 : 255);
    }
    default:
        return Rgba(To8(s(0), k.depth), To8(s(1), k.depth), To8(s(2), k.depth), To8(s(3), k.depth));
    }
}

// Qt's reading of the same bytes, laid over white the same way.
Picture ReadWithQt(const Bytes& bytes) {
    const QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "PNG").convertToFormat(QImage::Format_ARGB32);
    Picture picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            picture.SetPixel(x, y, Rgba(qRed(c), qGreen(c), qBlue(c), qAlpha(c)));
        }
    return picture;
}

const Kind kKinds[] = {
    {PNG_COLOR_TYPE_GRAY, 1, false},       {PNG_COLOR_TYPE_GRAY, 2, false},       {PNG_COLOR_TYPE_GRAY, 4, false},
    {PNG_COLOR_TYPE_GRAY, 8, false},       {PNG_COLOR_TYPE_GRAY, 16, false},      {PNG_COLOR_TYPE_GRAY, 4, true},
    {PNG_COLOR_TYPE_GRAY, 16, true},       {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
    {PNG_COLOR_TYPE_RGB, 8, false},        {PNG_COLOR_TYPE_RGB, 16, false},       {PNG_COLOR_TYPE_RGB, 8, true},
    {PNG_COLOR_TYPE_RGB, 16, true},        {PNG_COLOR_TYPE_RGB_ALPHA, 8, false},  {PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
    {PNG_COLOR_TYPE_PALETTE, 1, false},    {PNG_COLOR_TYPE_PALETTE, 2, false},    {PNG_COLOR_TYPE_PALETTE, 4, false},
    {PNG_COLOR_TYPE_PALETTE, 8, false},    {PNG_COLOR_TYPE_PALETTE, 2, true},     {PNG_COLOR_TYPE_PALETTE, 8, true},
};

TEST(DecodePng, EveryKindLibpngWritesGivesItsPixelsOverWhiteAsQtReadsThem) {
    for (const Kind& k : kKinds) {
        for (const int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
            SCOPED_TRACE(Name(k, interlace));
            const Written w = WriteWithLibpng(k, interlace);
            const Picture picture = DecodePng(w.bytes);
            ASSERT_EQ(picture.width, kWidth);
            ASSERT_EQ(picture.height, kHeight);
            int wrong = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    if (picture.Pixel(x, y) != Expected(k, w, x, y) && ++wrong <= 3) {
                        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << picture.Pixel(x, y) << " not "
                                      << Expected(k, w, x, y);
                    }
            // Qt 6.4 takes a 16-bit RGB file's transparency colour for other colours than the
            // file's: there the computed pixels above are the reference alone.
            if (k.colorType == PNG_COLOR_TYPE_RGB && k.depth == 16 && k.trns) continue;
            EXPECT_EQ(ReadWithQt(w.bytes).pixels, picture.pixels);
        }
    }
}

// A picture with every byte value in every channel somewhere.
Picture Varied(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y, static_cast<std::uint32_t>((x * 3 + y) & 0xFF) | static_cast<std::uint32_t>((y * 5 + x * x) & 0xFF) << 8 |
                                       static_cast<std::uint32_t>((x ^ (y * 7)) & 0xFF) << 16);
    return picture;
}

std::uint32_t Be32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

TEST(EncodePng, WritesEightBitRgbThatReadsBackExactlyWithUsAndQt) {
    const Picture picture = Varied(255, 97);
    const Bytes png = EncodePng(picture);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(Be32(png, 16), 255u);
    EXPECT_EQ(Be32(png, 20), 97u);
    EXPECT_EQ(png[24], 8);                   // bits per sample
    EXPECT_EQ(png[25], PNG_COLOR_TYPE_RGB);  // no alpha, no palette
    EXPECT_EQ(png[28], PNG_INTERLACE_NONE);
    EXPECT_EQ(DecodePng(png).pixels, picture.pixels);
    EXPECT_EQ(ReadWithQt(png).pixels, picture.pixels);
}

TEST(EncodePng, AnEmptyPictureIsALibraryError) {
    EXPECT_EQ(ErrorOf([] { EncodePng(Picture()); }).rfind("PNG error: ", 0), 0u);
}

// A valid chunk of the given type and data, its CRC computed.
Bytes Chunk(const std::string& type, const Bytes& data) {
    Bytes out;
    out.reserve(12 + data.size());  // one allocation: GCC 12 at -O3 misreads the growing vector
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0, nullptr, 0), out.data() + 4, static_cast<uInt>(out.size() - 4));
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    return out;
}

// The header and an empty IDAT chunk, where the reading of the header ends.
Bytes HeaderOnly(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    for (const std::uint32_t v : {width, height})
        for (int i = 3; i >= 0; --i) ihdr.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_RGB, 0, 0, 0});
    for (const Bytes& chunk : {Chunk("IHDR", ihdr), Chunk("IDAT", {})}) png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

TEST(DecodePng, PicturesBeyondTheLimitsAreRefusedFromTheHeader) {
    EXPECT_EQ(ErrorOf([] { DecodePng(HeaderOnly(16385, 1)); }),
              "Изображение слишком большое: 16385 x 1 (допускается не более 16384 точек по стороне и 64 мегапикселей)");
    EXPECT_EQ(ErrorOf([] { DecodePng(HeaderOnly(16384, 16384)); }),
              "Изображение слишком большое: 16384 x 16384 (допускается не более 16384 точек по стороне и 64 мегапикселей)");
    // Within the limits the same header fails only for want of pixels.
    EXPECT_EQ(ErrorOf([] { DecodePng(HeaderOnly(16384, 1)); }).rfind("PNG error: ", 0), 0u);
}

TEST(DecodePng, BrokenFilesAreLibraryErrors) {
    const Bytes good = EncodePng(Varied(40, 30));
    EXPECT_EQ(ErrorOf([] { DecodePng(Bytes{}); }), "PNG error: the file ends inside the picture");
    EXPECT_EQ(ErrorOf([] { DecodePng(Bytes(64, 'x')); }), "PNG error: Not a PNG file");

    Bytes badCrc = good;
    badCrc[29] ^= 1;  // the IHDR's CRC
    EXPECT_EQ(ErrorOf([&] { DecodePng(badCrc); }), "PNG error: IHDR: CRC error");

    // Cut inside the pixel data: no partial picture comes back.
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    EXPECT_EQ(ErrorOf([&] { DecodePng(cut); }), "PNG error: the file ends inside the picture");
    // The chunks after the pixels are not needed.
    const Bytes noEnd(good.begin(), good.end() - 12);
    EXPECT_EQ(DecodePng(noEnd).pixels, DecodePng(good).pixels);
}

}  // namespace
}  // namespace vesk
