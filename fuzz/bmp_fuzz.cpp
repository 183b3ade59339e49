// Opening any file as a BMP. What opens must save and open again to the same pixels, and when
// Qt's reader (which the program read bitmaps with before) opens it too, it must give Qt's
// pixels. Qt widens a channel of fewer than 8 bits by a shift, ours repeats its bits to reach
// the full range: Qt's pixels are widened as ours before they are compared. Ours differs from
// Qt on purpose in two more cases, which are not compared:
//  - a bit-field mask wider than 8 bits: Qt's scale factor for it is 0, so the channel comes
//    out 0; ours keeps the mask's top 8 bits;
//  - an RLE run that reaches past the end of its row: Qt cuts it only in the first row, and
//    there stops reading a literal run short and loses its place in the stream; in other rows
//    it spills into the row below. Ours cuts every run at its row's end;
//  - an OS/2 1.x bitmap (12-byte header) whose pixels start before the end of a full palette:
//    ours ends the palette there, as ImageMagick and PIL do; Qt reads a full palette anyway,
//    out of the pixels.
// Where only one of the two opens a file there is nothing to compare: Qt refuses the 52- and
// 56-byte headers and our empty bitmaps; ours refuses bitmaps short of their rows, RLE data
// cut inside a command or not there at all (where Qt shows whatever its memory held), header
// sizes that Qt takes for the 12-byte one, and 12-byte headers with sides past 32767 (signed
// to Qt, so rows from the top; unsigned to us, so past the limits).
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "base/error.h"
#include "fuzz_support.h"
#include "picture/bmp_file.h"

using namespace vesk;

namespace {

// Beyond these the round trip and Qt's decoding cost seconds under the sanitizers; the largest
// pictures the limits let in (a run-length bitmap of a few bytes can claim them) are checked
// by their size alone. The reading does not depend on the size, so smaller ones say as much.
constexpr std::size_t kRoundTripPixels = 4 * 1024 * 1024;
constexpr std::size_t kComparedWithQtPixels = 1024 * 1024;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The info header's size, compression and depth, when the file has a header of 40 bytes or
// more (the 12-byte one has neither masks nor RLE).
struct LongHeader {
    std::uint32_t size = 0, compression = 0, bits = 0;
};

std::optional<LongHeader> ReadLongHeader(std::span<const std::uint8_t> b) {
    if (b.size() < 54) return std::nullopt;
    const std::uint32_t size = Le32(b, 14);
    if (size < 40 || b.size() < 14 + std::size_t{size}) return std::nullopt;
    return LongHeader{size, Le32(b, 30), static_cast<std::uint32_t>(b[28] | b[29] << 8)};
}

bool HasMaskWiderThanEightBits(std::span<const std::uint8_t> b) {
    const auto header = ReadLongHeader(b);
    if (!header || header->compression != 3) return false;
    const std::size_t at = header->size == 40 || header->size == 64 ? 14 + header->size : 54;
    if (b.size() < at + 12) return false;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::uint32_t mask = Le32(b, at + 4 * k);
        if (mask != 0 && (mask >> std::countr_zero(mask)) > 0xFF) return true;
    }
    return false;
}

// Walks the RLE commands as our reader does and tells whether a run passes its row's end.
bool HasRunPastItsRow(std::span<const std::uint8_t> b) {
    const auto header = ReadLongHeader(b);
    if (!header || (header->compression != 1 && header->compression != 2)) return false;
    const std::int64_t width = static_cast<std::int32_t>(Le32(b, 18));
    const std::int64_t height = std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(Le32(b, 22))));
    const std::uint32_t used = Le32(b, 46);
    const std::uint64_t colours = used != 0 ? used : 1u << std::min<std::uint32_t>(header->bits, 8);
    std::uint64_t at = std::max<std::uint64_t>(Le32(b, 10), 14 + std::uint64_t{header->size} + 4 * colours);
    std::int64_t x = 0, y = 0;
    while (y < height && at + 2 <= b.size()) {
        const std::uint8_t count = b[at], code = b[at + 1];
        at += 2;
        if (count != 0 || code > 2) {
            const int n = count != 0 ? count : code;
            if (x + n > width) return true;
            x += n;
            if (count == 0) {
                const std::uint64_t length = header->compression == 2 ? (code + 1u) / 2 : code;
                at += length + (length & 1);
            }
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else {
            if (at + 2 > b.size()) break;
            x = std::min<std::int64_t>(x + b[at], width - 1);
            y = std::min<std::int64_t>(y + b[at + 1], height - 1);
            at += 2;
        }
    }
    return false;
}

// An OS/2 1.x palette shorter than full: the pixels start inside the full one.
bool HasShortOs2Palette(std::span<const std::uint8_t> b) {
    if (b.size() < 26 || Le32(b, 14) != 12) return false;
    const unsigned bits = b[24] | b[25] << 8;
    if (bits > 8) return false;
    const std::uint64_t offBits = Le32(b, 10);
    return offBits >= 26 + 3 && offBits < 26 + 3 * (std::uint64_t{1} << bits);
}

// Qt's reading of the file converted to RGB32, as the program used it; a null image when Qt
// refuses the file. Pixels an RLE bitmap never writes stay as Qt's allocator left them, so Qt
// decodes into an image of index 0, as on fresh memory; ours gives them palette entry 0.
QImage QtRead(std::span<const std::uint8_t> bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    const QSize size = reader.size();
    QImage image;
    if (size.width() > 0 && size.height() != 0 && reader.imageFormat() == QImage::Format_Indexed8) {
        image = QImage(size.width(), std::abs(size.height()), QImage::Format_Indexed8);
        if (image.isNull()) return {};
        image.fill(0);
    }
    if (!reader.read(&image)) return {};
    image.convertTo(QImage::Format_RGB32);
    return image;
}

// For each of red, green and blue, the width of its mask when that is a run of fewer than 8
// bits (the channels ours widens otherwise than Qt), else 0: the masks of a bit-field bitmap,
// 5-5-5 for a 16-bit one without.
std::array<unsigned, 3> NarrowChannels(std::span<const std::uint8_t> b) {
    std::array<unsigned, 3> bits{};
    const auto header = ReadLongHeader(b);
    std::array<std::uint32_t, 3> masks{};
    if (header && header->compression == 3) {
        const std::size_t at = header->size == 40 || header->size == 64 ? 14 + header->size : 54;
        if (b.size() < at + 12) return bits;
        for (std::size_t k = 0; k < 3; ++k) masks[k] = Le32(b, at + 4 * k);
    } else if (header && header->compression == 0 && header->bits == 16) {
        masks = {0x7C00, 0x03E0, 0x001F};
    }
    for (std::size_t k = 0; k < 3; ++k) {
        if (masks[k] == 0) continue;
        const std::uint32_t span = masks[k] >> std::countr_zero(masks[k]);
        if ((span & (span + 1)) == 0 && std::bit_width(span) < 8) bits[k] = static_cast<unsigned>(std::bit_width(span));
    }
    return bits;
}

// Whether Qt's 0xAARRGGBB pixels are our 0x00BBGGRR ones, Qt's narrow channels widened as ours.
bool SamePixels(const QImage& qt, const Picture& picture, const std::array<unsigned, 3>& narrow) {
    const auto widen = [&](std::uint32_t value, unsigned bits) {
        return bits ? std::uint32_t{WidenedBits(value >> (8 - bits), bits)} : value;
    };
    for (int y = 0; y < picture.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(qt.constScanLine(y));
        const std::uint32_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            const QRgb c = line[x];
            const std::uint32_t ours = widen(c >> 16 & 0xFF, narrow[0]) | widen(c >> 8 & 0xFF, narrow[1]) << 8 |
                                       widen(c & 0xFF, narrow[2]) << 16;
            if (row[x] != ours) return false;
        }
    }
    return true;
}

void QuietQt(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (qInstallMessageHandler(QuietQt), true);  // Qt's warnings on refused files
    (void)quiet;
    const std::span<const std::uint8_t> bytes(data, size);
    Picture picture;
    try {
        picture = DecodeBmp(bytes);
    } catch (const Error&) {
        return 0;  // "Bitmap image is not valid", or a size past the limits
    }
    if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        fuzz::Fail("the picture's pixels do not match its size");
    }
    if (picture.pixels.size() > kRoundTripPixels) return 0;
    const Picture again = DecodeBmp(EncodeBmp(picture));
    if (again.width != picture.width || again.height != picture.height || again.pixels != picture.pixels) {
        fuzz::Fail("a BMP we wrote does not read back the same");
    }
    if (picture.pixels.size() > kComparedWithQtPixels || HasMaskWiderThanEightBits(bytes) || HasRunPastItsRow(bytes) ||
        HasShortOs2Palette(bytes)) {
        return 0;
    }
    if (const QImage qt = QtRead(bytes); !qt.isNull()) {
        if (qt.width() != picture.width || qt.height() != picture.height) fuzz::Fail("Qt reads the bitmap with other sides");
        if (!SamePixels(qt, picture, NarrowChannels(bytes))) fuzz::Fail("Qt reads the bitmap with other pixels");
    }
    return 0;
}
