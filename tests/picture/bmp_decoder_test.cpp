// Our bitmap reader against Qt's, which the program read bitmaps with before: bitmaps of every
// header, depth and compression, built by hand, must give QImage's pixels exactly and be
// refused where QImage refuses them (bitmaps that QImage writes: picture_files_test.cpp).
// Where the two differ on purpose, the test of that case shows what ours does instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "base/error.h"
#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bitmap file put together field by field, so that any header can be made, odd ones too.
struct Bmp {
    std::uint32_t infoSize = 40;
    std::int32_t width = 1, height = 1;  // a negative height: rows from the top
    int bits = 24, planes = 1;
    std::uint32_t compression = 0, colorsUsed = 0;
    std::vector<std::uint32_t> palette{};  // 0xRRGGBB
    std::vector<std::uint32_t> masks{};    // red, green, blue (alpha): after a 40- or 64-byte header, else inside
    Bytes data{};
    std::optional<std::uint32_t> offBits{};  // by default where the data follows the palette or masks

    Bytes File() const {
        Bytes b{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Put(b, infoSize, 4);
        const bool masksInside = infoSize > 40 && infoSize != 64;
        if (infoSize == 12) {
            for (const int v : {width, height, planes, bits}) Put(b, static_cast<std::uint32_t>(v), 2);
        } else {
            Put(b, static_cast<std::uint32_t>(width), 4);
            Put(b, static_cast<std::uint32_t>(height), 4);
            Put(b, static_cast<std::uint32_t>(planes), 2);
            Put(b, static_cast<std::uint32_t>(bits), 2);
            for (const std::uint32_t v : {compression, 0u, 2835u, 2835u, colorsUsed, 0u}) Put(b, v, 4);
            if (masksInside) for (const std::uint32_t m : masks) Put(b, m, 4);
            b.resize(kBmpFileHeaderSize + infoSize);
            if (!masksInside) for (const std::uint32_t m : masks) Put(b, m, 4);
        }
        for (const std::uint32_t c : palette) Put(b, c, infoSize == 12 ? 3 : 4);
        const std::uint32_t at = offBits.value_or(static_cast<std::uint32_t>(b.size()));
        if (b.size() < at) b.resize(at, 0xA5);
        b.insert(b.end(), data.begin(), data.end());
        for (int i = 0; i < 4; ++i) b[10 + i] = static_cast<std::uint8_t>(at >> (8 * i));
        for (int i = 0; i < 4; ++i) b[2 + i] = static_cast<std::uint8_t>(b.size() >> (8 * i));
        return b;
    }
};

Picture FromQImage(QImage image) {
    image.convertTo(QImage::Format_RGB32);  // as the program did: alpha dropped, indices resolved
    Picture picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            picture.SetPixel(x, y, qRed(c) | qGreen(c) << 8 | static_cast<std::uint32_t>(qBlue(c)) << 16);
        }
    return picture;
}

// What Qt's reader makes of a file; nothing when it refuses it. Qt leaves the pixels that an
// RLE bitmap never writes as the allocator left them, so it is handed an image of index 0 to
// decode into: those pixels then show palette entry 0, as on fresh memory.
std::optional<Picture> QtRead(const Bytes& file) {
    QByteArray data(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    QImage image;
    const QSize size = reader.size();
    if (size.width() > 0 && size.height() != 0 && reader.imageFormat() == QImage::Format_Indexed8) {
        image = QImage(size.width(), std::abs(size.height()), QImage::Format_Indexed8);
        image.fill(0);
    }
    if (!reader.read(&image) || image.isNull()) return std::nullopt;
    return FromQImage(image);
}

std::optional<Picture> OurRead(const Bytes& file) {
    try {
        return DecodeBmp(file);
    } catch (const Error& e) {
        // The kinds refused by name say which after the same text.
        EXPECT_EQ(std::string(e.what()).substr(0, 25), "Bitmap image is not valid");
        return std::nullopt;
    }
}

// Qt widens a channel of fewer than 8 bits by a shift alone; ours repeats its bits to reach
// the full range. `masks` (red, green, blue) are the file's; each channel of Qt's pixels is
// widened as ours is where its mask is a run of fewer than 8 bits.
Picture WidenedAsOurs(Picture qt, const std::vector<std::uint32_t>& masks) {
    for (std::uint32_t& pixel : qt.pixels) {
        for (std::size_t c = 0; c < 3 && c < masks.size(); ++c) {
            const std::uint32_t mask = masks[c];
            if (mask == 0) continue;
            const std::uint32_t span = mask >> std::countr_zero(mask);
            const unsigned bits = static_cast<unsigned>(std::bit_width(span));
            if ((span & (span + 1)) != 0 || bits >= 8) continue;
            const unsigned at = 8 * static_cast<unsigned>(c);  // red low, then green, blue
            const std::uint32_t value = (pixel >> at & 0xFF) >> (8 - bits);
            pixel = (pixel & ~(0xFFu << at)) | std::uint32_t{WidenedBits(value, bits)} << at;
        }
    }
    return qt;
}

void ExpectSameAsQt(const Bytes& file, const std::string& what, const std::vector<std::uint32_t>& masks = {}) {
    std::optional<Picture> qt = QtRead(file);
    const std::optional<Picture> ours = OurRead(file);
    ASSERT_TRUE(qt.has_value()) << what;
    ASSERT_TRUE(ours.has_value()) << what;
    qt = WidenedAsOurs(*qt, masks);
    EXPECT_EQ(ours->width, qt->width) << what;
    EXPECT_EQ(ours->height, qt->height) << what;
    EXPECT_EQ(ours->pixels, qt->pixels) << what;
}

Bytes Random(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (std::uint8_t& v : b) v = static_cast<std::uint8_t>(rng());
    return b;
}

TEST(DecodeBmp, NarrowChannelsReachTheFullRange) {
    // 5-5-5 (no masks) and 5-6-5: white is white, so it converts to C10's white, 0xFFFF; the
    // middle value 10000 (five bits) becomes 10000100.
    const Bytes white555{0xFF, 0x7F, 0, 0}, white565{0xFF, 0xFF, 0, 0}, middle555{0x10, 0x42, 0, 0};
    const Picture a = DecodeBmp(Bmp{.bits = 16, .data = white555}.File());
    const Picture b = DecodeBmp(Bmp{.bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .data = white565}.File());
    const Picture c = DecodeBmp(Bmp{.bits = 16, .data = middle555}.File());
    EXPECT_EQ(a.pixels, std::vector<std::uint32_t>{0x00FFFFFF});
    EXPECT_EQ(b.pixels, std::vector<std::uint32_t>{0x00FFFFFF});
    EXPECT_EQ(ColorToRgb565(a.pixels[0]), 0xFFFF);
    EXPECT_EQ(c.pixels, std::vector<std::uint32_t>{0x00848484});
    // Every width from 1 to 7 bits: 0 stays 0, the largest value gives 255, and the order holds.
    for (unsigned bits = 1; bits < 8; ++bits) {
        EXPECT_EQ(WidenedBits(0, bits), 0);
        EXPECT_EQ(WidenedBits((1u << bits) - 1, bits), 255) << bits;
        for (std::uint32_t v = 1; v < (1u << bits); ++v) EXPECT_LT(WidenedBits(v - 1, bits), WidenedBits(v, bits));
    }
}

TEST(BmpAgainstQt, UncompressedBitmapsOfEveryHeaderDepthAndMask) {
    // Masks of up to 8 bits each (wider ones are read differently, below): 5-6-5, 4-4-4,
    // blue first with no green, single and gappy bits.
    const std::vector<std::vector<std::uint32_t>> masks16 = {
        {0xF800, 0x07E0, 0x001F}, {0x0F00, 0x00F0, 0x000F}, {0x001F, 0, 0x7C00}, {0x8000, 0x0A00, 0x0003}};
    const std::vector<std::vector<std::uint32_t>> masks32 = {
        {0xFF0000, 0xFF00, 0xFF}, {0xFF, 0xFF00, 0xFF0000}, {0xFF000000, 0xFF0000, 0xFF00}, {0x3F000, 0x5, 0x80000000}};
    std::mt19937 rng(1);
    for (const std::uint32_t infoSize : {12u, 40u, 64u, 108u, 124u})
        for (const int bits : {1, 4, 8, 16, 24, 32})
            for (const int width : {1, 2, 3, 5, 13})
                for (int variant = 0; variant < 4; ++variant) {
                    Bmp bmp{.infoSize = infoSize, .width = width, .height = (variant & 1) && infoSize != 12 ? -3 : 3, .bits = bits};
                    if (bits <= 8) {
                        // A short palette leaves indices past its end, which Qt shows black
                        // (white for index 1 of a one-colour 1-bit bitmap).
                        const int full = 1 << bits;
                        const int count = infoSize == 12 || variant == 0 ? full : 1 + static_cast<int>(rng() % std::min(full, 6));
                        bmp.colorsUsed = infoSize == 12 || variant == 0 ? 0 : static_cast<std::uint32_t>(count);
                        for (int i = 0; i < count; ++i) bmp.palette.push_back(rng() & 0xFFFFFF);
                    } else if (variant >= 2 && bits != 24 && infoSize != 12) {
                        bmp.compression = 3;
                        bmp.masks = (bits == 16 ? masks16 : masks32)[rng() % 4];
                        if (infoSize >= 108) bmp.masks.push_back(bits == 16 ? 0x8000 : 0xFF000000);
                    }
                    if (variant == 2) bmp.offBits = static_cast<std::uint32_t>(Bmp(bmp).File().size()) + 6;  // a gap
                    if (variant == 3) bmp.offBits = 0;  // right after the palette
                    bmp.data = Random(rng, static_cast<std::size_t>((width * bits + 31) / 32 * 4 * 3));
                    // Without masks 16 bits are 5-5-5.
                    const std::vector<std::uint32_t> masks =
                        !bmp.masks.empty() ? bmp.masks : bits == 16 ? std::vector<std::uint32_t>{0x7C00, 0x03E0, 0x001F} : std::vector<std::uint32_t>{};
                    ExpectSameAsQt(bmp.File(), "header " + std::to_string(infoSize) + ", " + std::to_string(bits) +
                                                   " bits, width " + std::to_string(width) + ", variant " + std::to_string(variant), masks);
                }
}

// A run-length stream that draws at random with every command: runs, literal runs with their
// padding, line ends, deltas (some past the right or top edge, where both readers stop at the
// last column or row), and an end of bitmap, or none. `cut` gets the same stream with every
// run shortened to what fits in its row; with overshoot set, runs may reach past the row.
Bytes RleStream(std::mt19937& rng, int width, int height, bool nibbles, int colours, bool overshoot, Bytes* cut = nullptr) {
    Bytes s, c;
    const auto both = [&](std::initializer_list<std::uint8_t> v) { s.insert(s.end(), v), c.insert(c.end(), v); };
    const auto index = [&] { return static_cast<std::uint8_t>(rng() % (colours + 2) & (nibbles ? 15 : 255)); };
    int x = 0, y = 0;
    while (y < height) {
        const int room = std::min(width - x, 255);
        const int most = overshoot ? 255 : room;
        switch (rng() % 6) {
        case 0:
        case 1:
            if (most > 0) {
                const int n = 1 + static_cast<int>(rng() % most), fits = std::min(n, width - x);
                const auto value = static_cast<std::uint8_t>(nibbles ? index() << 4 | index() : index());
                s.insert(s.end(), {static_cast<std::uint8_t>(n), value});
                if (fits > 0) c.insert(c.end(), {static_cast<std::uint8_t>(fits), value});
                x += fits;
            }
            break;
        case 2:
            if (most >= 3) {
                const int n = 3 + static_cast<int>(rng() % (most - 2)), fits = std::min(n, width - x);
                std::vector<std::uint8_t> pixels(static_cast<std::size_t>(n));
                for (auto& p : pixels) p = index();
                const auto literal = [&](Bytes& out, int count) {
                    out.insert(out.end(), {0, static_cast<std::uint8_t>(count)});
                    const std::size_t length = nibbles ? (count + 1) / 2 : count;
                    for (std::size_t i = 0; i < length; ++i)
                        out.push_back(nibbles ? static_cast<std::uint8_t>(pixels[2 * i] << 4 | (2 * i + 1 < static_cast<std::size_t>(count) ? pixels[2 * i + 1] : 0))
                                              : pixels[i]);
                    if (length & 1) out.push_back(0);
                };
                literal(s, n);
                if (fits >= 3) literal(c, fits);
                for (int i = 0; i < fits && fits < 3; ++i) c.insert(c.end(), {1, static_cast<std::uint8_t>(pixels[i] << (nibbles ? 4 : 0))});
                x += fits;
            }
            break;
        case 3:
            both({0, 0});
            x = 0;
            ++y;
            break;
        case 4: {
            const auto dx = static_cast<std::uint8_t>(rng() % (width + 2)), dy = static_cast<std::uint8_t>(rng() % 2);
            both({0, 2, dx, dy});
            x = std::min(x + dx, width - 1);
            y = std::min(y + dy, height - 1);
            break;
        }
        default:
            if (rng() % 8 == 0) {
                if (rng() % 2) both({0, 1});
                y = height;
            }
        }
    }
    if (cut) *cut = c;
    return s;
}

Bmp RleBitmap(std::mt19937& rng, int width, int height, bool nibbles, int colours, Bytes stream) {
    Bmp bmp{.width = width, .height = height, .bits = nibbles ? 4 : 8, .compression = nibbles ? 2u : 1u,
            .colorsUsed = static_cast<std::uint32_t>(colours), .data = std::move(stream)};
    for (int i = 0; i < colours; ++i) bmp.palette.push_back(rng() & 0xFFFFFF);
    return bmp;
}

TEST(BmpAgainstQt, RunLengthBitmapsWithEveryCommand) {
    std::mt19937 rng(3);
    for (const bool nibbles : {false, true})
        for (const int width : {1, 2, 5, 8, 13, 40})
            for (const int height : {1, 4, -4})
                for (int n = 0; n < 12; ++n) {
                    const int colours = 1 + static_cast<int>(rng() % (nibbles ? 16 : 256));
                    const Bytes stream = RleStream(rng, width, std::abs(height), nibbles, colours, false);
                    if (stream.empty()) continue;  // no data at all: both refuse, below
                    ExpectSameAsQt(RleBitmap(rng, width, height, nibbles, colours, stream).File(),
                                   (nibbles ? "RLE4 " : "RLE8 ") + std::to_string(width) + " x " + std::to_string(height));
                }
}

TEST(BmpDecoder, RunsPastTheirRowAreCutAtItsEnd) {
    // Qt cuts such runs in the first row only, and there it stops reading a literal run short
    // and loses its place in the stream; in other rows they spill into the row below. Ours
    // reads as Qt reads the same stream with every run cut to its row.
    std::mt19937 rng(4);
    for (const bool nibbles : {false, true})
        for (int n = 0; n < 40; ++n) {
            const int width = 1 + static_cast<int>(rng() % 20), height = 1 + static_cast<int>(rng() % 4);
            Bytes cut;
            const Bytes stream = RleStream(rng, width, height, nibbles, 16, true, &cut);
            if (cut.empty()) continue;
            std::mt19937 paletteRng(n);
            const Bmp overlong = RleBitmap(paletteRng, width, height, nibbles, 16, stream);
            paletteRng.seed(n);
            const std::optional<Picture> expected = QtRead(RleBitmap(paletteRng, width, height, nibbles, 16, cut).File());
            ASSERT_TRUE(expected.has_value());
            EXPECT_EQ(DecodeBmp(overlong.File()).pixels, expected->pixels) << n;
        }
}

TEST(BmpAgainstQt, BothRefuseWhatIsNoBitmap) {
    const Bmp base{.width = 3, .height = 2, .bits = 8, .colorsUsed = 2, .palette = {0xFF0000, 0x00FF00}, .data = Bytes(8, 1)};
    std::vector<Bmp> bad(19, base);
    bad[0].planes = 0;
    bad[1].planes = 2;
    bad[2].bits = 7;
    bad[3].bits = 2;
    bad[4].compression = 4;  // an embedded JPEG image
    bad[5].compression = 2;  // RLE4 on 8 bits
    bad[6].bits = 4, bad[6].compression = 1;
    bad[7].compression = 3;  // bit fields on 8 bits
    bad[8].bits = 24, bad[8].compression = 3, bad[8].palette.clear(), bad[8].masks = {0xFF0000, 0xFF00, 0xFF};
    bad[9].colorsUsed = 257;
    bad[10].colorsUsed = 0xFFFFFFFF;
    bad[11].width = -3;
    bad[12].bits = 32, bad[12].compression = 3, bad[12].palette.clear(), bad[12].masks = {0xFFFFFFFF, 0xFF00, 0xFF};
    bad[13].infoSize = 108, bad[13].bits = 32, bad[13].compression = 3, bad[13].palette.clear(),
    bad[13].masks = {0xFF0000, 0xFF00, 0xFF, 0xFFFFFFFF};
    bad[14].colorsUsed = 256, bad[14].data.clear();  // the file ends inside its palette
    bad[15].compression = 1, bad[15].data.clear();  // no RLE data
    bad[16].compression = 1, bad[16].data = {0, 3, 1, 1};  // a literal run cut by the end
    bad[17].bits = 64;
    bad[18].compression = 5;
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const Bytes file = bad[i].File();
        EXPECT_FALSE(QtRead(file).has_value()) << i;
        EXPECT_FALSE(OurRead(file).has_value()) << i;
    }
    Bytes notBm = base.File();
    notBm[1] = 'A';
    EXPECT_FALSE(QtRead(notBm).has_value());
    EXPECT_FALSE(OurRead(notBm).has_value());
}

// What reading gives: the error's text, or the sides and pixels.
std::string Outcome(const std::function<Picture()>& read) {
    try {
        const Picture p = read();
        std::string text = std::to_string(p.width) + " x " + std::to_string(p.height) + ":";
        for (const std::uint32_t c : p.pixels) text += " " + std::to_string(c);
        return text;
    } catch (const Error& e) {
        return e.what();
    }
}

// OS/2 1.x bitmaps (the 12-byte header) may hold only the colours used: the palette then ends
// where the file header puts the pixels. ImageMagick and PIL read the BMP suite's
// q/pal8os2sp.bmp so; Qt reads 256 entries anyway, taking the first pixels for colours.
TEST(BmpDecoder, AnOs2PaletteEndsWhereThePixelsStart) {
    for (const int bits : {1, 4, 8}) {
        const int entries = bits == 1 ? 1 : bits == 4 ? 9 : 252;
        Bmp bmp{.infoSize = 12, .width = 5, .height = 3, .bits = bits};
        std::vector<std::uint32_t> colours;  // as the picture holds them: red low
        for (int i = 0; i < entries; ++i) {
            const std::uint32_t r = (i * 7 + 1) & 0xFF, g = (i * 13 + 2) & 0xFF, b = (255 - i) & 0xFF;
            bmp.palette.push_back(r << 16 | g << 8 | b);
            colours.push_back(b << 16 | g << 8 | r);
        }
        // Indices chosen per pixel, written as the rows of the file: bottom row first, each
        // padded to 4 bytes.
        std::vector<std::uint32_t> expected(15);
        for (int fileRow = 0; fileRow < 3; ++fileRow) {
            Bytes row(static_cast<std::size_t>((5 * bits + 31) / 32 * 4), 0);
            for (int x = 0; x < 5; ++x) {
                const int index = (x * 5 + fileRow * 17 + 3) % entries;
                if (bits == 8) row[x] = static_cast<std::uint8_t>(index);
                if (bits == 4) row[x / 2] |= static_cast<std::uint8_t>(index << (x % 2 ? 0 : 4));
                if (bits == 1) row[x / 8] |= static_cast<std::uint8_t>(index << (7 - x % 8));
                expected[static_cast<std::size_t>((2 - fileRow) * 5 + x)] = colours[static_cast<std::size_t>(index)];
            }
            bmp.data.insert(bmp.data.end(), row.begin(), row.end());
        }
        const Bytes file = bmp.File();
        ASSERT_EQ(file[10] | file[11] << 8, 14 + 12 + 3 * entries);  // the pixels right after the palette
        const Picture picture = DecodeBmp(file);
        EXPECT_EQ(picture.width, 5);
        EXPECT_EQ(picture.height, 3);
        EXPECT_EQ(picture.pixels, expected) << bits;
        const test::TempFolder folder;
        EXPECT_EQ(LoadBmp(folder.Write("os2.bmp", file)).pixels, expected) << bits;
    }
}

// What other writers make and we do not read is refused by name, after the usual text.
TEST(BmpDecoder, KindsNotReadAreNamed) {
    const Bmp base{.width = 4, .height = 2, .bits = 24, .data = Bytes(32, 7)};
    struct Case {
        Bmp bmp;
        const char* message;
    };
    std::vector<Case> cases(6, Case{base, ""});
    cases[0].bmp.bits = 2, cases[0].bmp.palette = {0, 0x808080, 0xC0C0C0, 0xFFFFFF};
    cases[0].message = "Bitmap image is not valid: a palette of 2 bits per pixel is not supported";
    cases[1].bmp.infoSize = 64, cases[1].bmp.bits = 1, cases[1].bmp.compression = 3, cases[1].bmp.palette = {0, 0xFFFFFF};
    cases[1].message = "Bitmap image is not valid: Huffman 1D compression is not supported";
    cases[2].bmp.infoSize = 64, cases[2].bmp.compression = 4;
    cases[2].message = "Bitmap image is not valid: RLE24 compression is not supported";
    cases[3].bmp.compression = 4, cases[3].bmp.data = {0xFF, 0xD8, 0xFF, 0xE0};
    cases[3].message = "Bitmap image is not valid: an embedded JPEG image is not supported";
    cases[4].bmp.infoSize = 124, cases[4].bmp.compression = 5, cases[4].bmp.data = {0x89, 'P', 'N', 'G'};
    cases[4].message = "Bitmap image is not valid: an embedded PNG image is not supported";
    cases[5].bmp.infoSize = 124, cases[5].bmp.bits = 64, cases[5].bmp.data = Bytes(64, 0);
    cases[5].message = "Bitmap image is not valid: 64 bits per pixel are not supported";
    for (const Case& c : cases) {
        const Bytes file = c.bmp.File();
        EXPECT_EQ(Outcome([&] { return DecodeBmp(file); }), c.message);
        const test::TempFolder folder;
        EXPECT_EQ(Outcome([&] { return LoadBmp(folder.Write("kind.bmp", file)); }), c.message);
    }
}

TEST(BmpDecoder, HeadersOfFiftyTwoAndFiftySixBytesReadLikeTheFortyByteOne) {
    // Qt takes any header size it does not know for the 12-byte one and so refuses these;
    // Windows reads them, with the masks inside the header.
    std::mt19937 rng(5);
    const Bmp forty{.width = 5, .height = -3, .bits = 32, .compression = 3, .masks = {0xFF00, 0xFF0000, 0xFF},
                    .data = Random(rng, 5 * 4 * 3)};
    const std::optional<Picture> expected = QtRead(forty.File());
    ASSERT_TRUE(expected.has_value());
    for (const std::uint32_t infoSize : {52u, 56u}) {
        Bmp longer = forty;
        longer.infoSize = infoSize;
        if (infoSize == 56) longer.masks.push_back(0xFF000000);
        EXPECT_FALSE(QtRead(longer.File()).has_value());
        EXPECT_EQ(DecodeBmp(longer.File()).pixels, expected->pixels) << infoSize;
    }
}

TEST(BmpDecoder, MasksWiderThanEightBitsGiveTheirTopEightBits) {
    // Qt's scale factor for them is 0, so a 10-10-10 picture would come out black.
    std::mt19937 rng(6);
    Bmp wide{.width = 7, .bits = 32, .compression = 3, .masks = {0x3FF00000, 0x000FFC00, 0x000003FF}};
    Bmp plain{.width = 7, .bits = 32};
    for (int x = 0; x < 7; ++x) {
        const std::uint32_t r = rng() & 0x3FF, g = rng() & 0x3FF, b = rng() & 0x3FF;
        Put(wide.data, r << 20 | g << 10 | b | 0xC0000000u, 4);
        Put(plain.data, (r >> 2) << 16 | (g >> 2) << 8 | (b >> 2), 4);
    }
    const std::optional<Picture> expected = QtRead(plain.File());
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(DecodeBmp(wide.File()).pixels, expected->pixels);
}

TEST(BmpDecoder, RowsAreCountedFromWhereTheyAreRead) {
    // An offset inside the palette means the rows start after it; then the file must hold them
    // from there. Qt leaves the rows it cannot read as the allocator left them.
    Bmp bmp{.width = 4, .bits = 8, .colorsUsed = 2, .palette = {0x112233, 0x445566}, .data = {1, 0, 1, 0},
            .offBits = 14 + 40};  // the palette's start
    EXPECT_EQ(DecodeBmp(bmp.File()).pixels, (std::vector<std::uint32_t>{0x665544, 0x332211, 0x665544, 0x332211}));
    bmp.data.pop_back();
    EXPECT_FALSE(OurRead(bmp.File()).has_value());
}

TEST(LoadBmp, ReadsAFileAsDecodeBmpReadsItsBytes) {
    // LoadBmp reads the headers first, then the rows a buffer at a time: rows of 900 and 3072
    // bytes (a shorter last buffer), a picture of over 2 MiB, rows of 4 bytes, RLE, our empty
    // bitmap, and files short of their rows, cut in their headers, or with pixels past the end.
    std::mt19937 rng(7);
    std::vector<Bytes> files;
    for (const auto& [width, height, bits] : {std::tuple{300, 200, 24}, std::tuple{300, -200, 24}, std::tuple{1024, 520, 24},
                                              std::tuple{1, 30, 8}, std::tuple{77, 9, 32}}) {
        Bmp bmp{.width = width, .height = height, .bits = bits,
                .data = Random(rng, static_cast<std::size_t>((width * bits + 31) / 32 * 4 * std::abs(height)))};
        if (bits == 8) bmp.palette = {0x102030, 0x405060}, bmp.colorsUsed = 2;
        files.push_back(bmp.File());
    }
    files.push_back(RleBitmap(rng, 40, 4, false, 200, RleStream(rng, 40, 4, false, 200, false)).File());
    files.push_back(EncodeBmp(Picture(7, 0)));
    Bytes shortOfARow = files[0];
    shortOfARow.pop_back();
    Bytes farPixels = files[4];
    farPixels[12] = 0x40;  // the pixels 4 MiB in
    for (const Bytes& more : {shortOfARow, farPixels, Bytes(files[4].begin(), files[4].begin() + 40), Bytes{}}) files.push_back(more);

    const test::TempFolder folder;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = folder.Write("p" + std::to_string(i) + ".bmp", files[i]);
        EXPECT_EQ(Outcome([&] { return LoadBmp(path); }), Outcome([&] { return DecodeBmp(files[i]); })) << i;
    }
    EXPECT_EQ(Outcome([&] { return LoadBmp(folder.File("none.bmp")); }), "File not found");
}

}  // namespace
}  // namespace vesk
