#include "c10/bmp_file.h"

#include <cstdlib>
#include <limits>

#include <QImage>
#include <QImageReader>

#include "c10/picture_limits.h"
#include "hextext/error.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// Refuses a huge bitmap from its header alone. An RLE bitmap of a few bytes can claim any
// size, and the decoder would allocate all of it. What does not look like a bitmap header is
// left to the decoder to reject.
void CheckBmpHeaderSize(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kInfoAt = kBmpFileHeaderSize;
    if (bytes.size() < kInfoAt + 12 || bytes[0] != 'B' || bytes[1] != 'M') return;
    const std::uint32_t infoSize = Le32(bytes, kInfoAt);
    if (infoSize == 12) {  // OS/2 1.x core header: 16-bit sizes
        CheckPictureSize(Le16(bytes, kInfoAt + 4), Le16(bytes, kInfoAt + 6));
    } else if (infoSize >= 16 && infoSize <= 124) {
        // Signed 32-bit sizes; a negative height means rows from the top.
        const std::int64_t width = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 4));
        const std::int64_t height = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 8));
        CheckPictureSize(width < 0 ? -width : width, height < 0 ? -height : height);
    }
}

// An uncompressed bitmap must hold all of its rows. The decoder would make up what is missing,
// so a file of a few bytes would open as the large picture its header claims.
void CheckBmpHoldsItsRows(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kInfoAt = kBmpFileHeaderSize;
    if (bytes.size() < kInfoAt + kBmpInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return;
    const std::uint32_t infoSize = Le32(bytes, kInfoAt);
    const std::uint32_t compression = Le32(bytes, kInfoAt + 16);
    constexpr std::uint32_t kRgb = 0, kBitFields = 3;
    if (infoSize < kBmpInfoHeaderSize || infoSize > 124 || (compression != kRgb && compression != kBitFields)) return;
    const std::int64_t width = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 4));
    const std::int64_t height = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 8));
    const std::int64_t bits = Le16(bytes, kInfoAt + 14);
    const std::int64_t rowBytes = (std::abs(width) * bits + 31) / 32 * 4;  // rows are padded to 4 bytes
    const std::int64_t needed = std::int64_t{Le32(bytes, 10)} + rowBytes * std::abs(height);
    if (static_cast<std::int64_t>(bytes.size()) < needed) ThrowError(kBitmapNotValid);
}

// A bitmap of 0 pixels is what we write for a picture never opened. Qt refuses it, but it is a
// well-formed file of ours, so it reads back as an empty picture.
bool IsEmptyBitmap(std::span<const std::uint8_t> bytes, int& width, int& height) {
    constexpr std::size_t kInfoAt = kBmpFileHeaderSize;
    if (bytes.size() < kInfoAt + kBmpInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
    if (Le32(bytes, kInfoAt) < kBmpInfoHeaderSize || Le16(bytes, kInfoAt + 12) != 1) return false;
    const auto w = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 4));
    const auto h = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 8));
    const std::uint16_t bits = Le16(bytes, kInfoAt + 14);
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!knownDepth || w < 0 || h == std::numeric_limits<std::int32_t>::min() || (w != 0 && h != 0)) return false;
    width = w;
    height = h < 0 ? -h : h;
    return true;
}

// Qt's own cap on one decoded image is below our limit; raise it so every picture within the
// limit loads (the header check above keeps anything larger out).
void AllowPicturesUpToTheLimit() {
    static const bool done = [] {
        constexpr int kNeededMiB = static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)) + 64;
        if (QImageReader::allocationLimit() < kNeededMiB) QImageReader::setAllocationLimit(kNeededMiB);
        return true;
    }();
    (void)done;
}

}  // namespace

Picture DecodeBmp(std::span<const std::uint8_t> bytes) {
    CheckBmpHeaderSize(bytes);
    CheckBmpHoldsItsRows(bytes);
    AllowPicturesUpToTheLimit();
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) ThrowError(kBitmapNotValid);
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP") || image.isNull()) {
        int width = 0, height = 0;
        if (IsEmptyBitmap(bytes, width, height)) {
            // No pixels, but its sides still count: a picture must stay one that can be saved.
            CheckPictureSize(width, height);
            return Picture(width, height);
        }
        ThrowError(kBitmapNotValid);
    }
    CheckPictureSize(image.width(), image.height());
    if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);

    Picture picture(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint32_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width);
        for (int x = 0; x < image.width(); ++x) {
            // 0xAARRGGBB to 0x00BBGGRR.
            const QRgb c = line[x];
            row[x] = static_cast<std::uint32_t>(qRed(c)) | static_cast<std::uint32_t>(qGreen(c)) << 8 |
                     static_cast<std::uint32_t>(qBlue(c)) << 16;
        }
    }
    return picture;
}

Picture LoadBmp(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return DecodeBmp(bytes);
}

std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
    CheckPictureSize(picture.width, picture.height);
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t imageSize = width * height * 4;  // 32-bit rows need no padding
    constexpr auto kOffBits = static_cast<std::uint32_t>(kBmpFileHeaderSize + kBmpInfoHeaderSize);

    std::vector<std::uint8_t> out;
    out.reserve(kOffBits + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, kOffBits + imageSize);  // file size
    PutLe32(out, 0);                     // two reserved words
    PutLe32(out, kOffBits);
    PutLe32(out, static_cast<std::uint32_t>(kBmpInfoHeaderSize));
    PutLe32(out, width);
    PutLe32(out, height);  // positive: rows from the bottom, the form every reader takes
    PutLe16(out, 1);       // planes
    PutLe16(out, 32);      // bits per pixel
    PutLe32(out, 0);       // BI_RGB
    PutLe32(out, imageSize);
    PutLe32(out, 0);  // horizontal and vertical resolution: unknown
    PutLe32(out, 0);
    PutLe32(out, 0);  // colours used, important colours: none, no palette
    PutLe32(out, 0);

    for (int y = picture.height - 1; y >= 0; --y) {
        const std::uint32_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * width;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t c = row[x];  // 0x00BBGGRR; the file wants blue, green, red, 0
            out.push_back(static_cast<std::uint8_t>(c >> 16));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(0);
        }
    }
    return out;
}

void SaveBmp(const Picture& picture, const std::string& path) {
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
    ByteFile file = ByteFile::Open(path, ByteFile::Mode::Create);
    file.Write(bytes);
    file.Close();
}

}  // namespace vesk
