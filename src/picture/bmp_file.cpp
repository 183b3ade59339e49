#include "picture/bmp_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "base/error.h"
#include "picture/picture_limits.h"
#include "picture/picture_memory.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

constexpr std::size_t kInfoAt = kBmpFileHeaderSize;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit sides, 3-byte palette entries
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

[[noreturn]] void NotValid() { ThrowError(kBitmapNotValid); }

// A well-formed bitmap of a kind we do not read: the same text, and which kind, so that the user
// knows to convert it rather than to look for damage.
[[noreturn]] void NotRead(std::string_view kind) {
    ThrowError(std::string(kBitmapNotValid) + ": " + std::string(kind) + " not supported");
}

// Refuses a huge bitmap from its header alone. An RLE bitmap of a few bytes can claim any
// size, and the decoder would allocate all of it. What does not look like a bitmap header is
// left to the decoder to reject.
void CheckBmpHeaderSize(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kInfoAt + 12 || bytes[0] != 'B' || bytes[1] != 'M') return;
    const std::uint32_t infoSize = Le32(bytes, kInfoAt);
    if (infoSize == kCoreHeaderSize) {  // unsigned 16-bit sides
        CheckPictureSize(Le16(bytes, kInfoAt + 4), Le16(bytes, kInfoAt + 6));
    } else if (infoSize >= 16 && infoSize <= 124) {
        // Signed 32-bit sides; a negative height means rows from the top.
        const std::int64_t width = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 4));
        const std::int64_t height = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 8));
        CheckPictureSize(width < 0 ? -width : width, height < 0 ? -height : height);
    }
}

// A bitmap of 0 pixels is what we write for a picture never opened. Other readers refuse it,
// but it is a well-formed file of ours, so it reads back as an empty picture.
bool IsEmptyBitmap(std::span<const std::uint8_t> bytes, int& width, int& height) {
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

// An empty uncompressed bitmap must still start its (empty) pixels inside the file.
bool EmptyBitmapStartsPastItsEnd(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    const std::uint32_t compression = Le32(bytes, kInfoAt + 16);
    return Le32(bytes, kInfoAt) <= 124 && (compression == kRgb || compression == kBitFields) &&
           Le32(bytes, 10) > fileSize;
}

// One colour channel of a 16- or 32-bit pixel. A mask of fewer than 8 bits in a row is widened
// to the full range by repeating its bits (five bits v give v << 3 | v >> 2, so white stays
// white), as most readers do; Qt only shifts them (0..248). A wider mask keeps its top 8 bits
// (Qt gives 0 there). A mask with gaps in it is scaled as Qt does, by 256 / (mask + 1).
struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    unsigned bits = 0;         // of a mask without gaps, up to 8; 0 for one with gaps
    std::uint32_t scale = 0;   // of a mask with gaps
    std::array<std::uint8_t, 256> widened{};

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0) return;
        shift = static_cast<unsigned>(std::countr_zero(mask));
        std::uint32_t span = mask >> shift;
        if (span > 0xFF) {
            const unsigned extra = static_cast<unsigned>(std::bit_width(span)) - 8;
            shift += extra;
            span >>= extra;
        }
        if ((span & (span + 1)) != 0) {
            scale = 256 / (span + 1);
            return;
        }
        bits = static_cast<unsigned>(std::bit_width(span));
        for (std::uint32_t v = 0; v <= span; ++v) widened[v] = WidenedBits(v, bits);
    }
    std::uint32_t Of(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        return bits ? widened[v] : v * scale;
    }
};

}  // namespace

std::uint8_t WidenedBits(std::uint32_t value, unsigned bits) {
    if (bits == 0 || bits >= 8) return static_cast<std::uint8_t>(value);
    std::uint32_t out = value << (8 - bits);
    for (unsigned filled = bits; filled < 8; filled *= 2) out |= out >> filled;
    return static_cast<std::uint8_t>(out);
}

namespace {

// What the headers say, checked: where each part lies and how to read a pixel.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::array<std::uint32_t, 256> palette{};  // 0x00BBGGRR; indices past the file's palette are black
    Channel red, green, blue;
    std::size_t dataAt = 0;
    std::size_t rowBytes = 0;  // uncompressed rows are padded to 4 bytes
};

bool IsKnownInfoSize(std::uint32_t size) {
    // Windows 3 (40), its V2 and V3 extensions with the masks inside (52, 56), OS/2 2.x (64,
    // read as the first 40 bytes, as Qt does), Windows V4 and V5 (108, 124).
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// The kinds that other writers make and we refuse by name (Windows CE's 2-bit palettes, OS/2's
// Huffman 1D and RLE24, the printer formats that hold a JPEG or PNG file, 16 bits a channel).
void RefuseKindsNotRead(std::uint32_t infoSize, int bits, std::uint32_t compression) {
    constexpr std::uint32_t kOs2Huffman1D = 3, kOs2Rle24 = 4;  // in a 64-byte OS/2 2.x header
    constexpr std::uint32_t kJpeg = 4, kPng = 5;
    if (infoSize == 64 && compression == kOs2Huffman1D && bits == 1) NotRead("Huffman 1D compression is");
    if (infoSize == 64 && compression == kOs2Rle24 && bits == 24) NotRead("RLE24 compression is");
    if (compression == kJpeg) NotRead("an embedded JPEG image is");
    if (compression == kPng) NotRead("an embedded PNG image is");
    if (bits == 2) NotRead("a palette of 2 bits per pixel is");
    if (bits == 64) NotRead("64 bits per pixel are");
}

bool IsKnownDepthAndCompression(int bits, std::uint32_t compression) {
    switch (compression) {
    case kRgb: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kRle8: return bits == 8;
    case kRle4: return bits == 4;
    case kBitFields: return bits == 16 || bits == 32;
    default: return false;
    }
}

BmpLayout ReadLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kInfoAt + 4 || bytes[0] != 'B' || bytes[1] != 'M') NotValid();
    const std::uint32_t infoSize = Le32(bytes, kInfoAt);
    const bool core = infoSize == kCoreHeaderSize;
    if (!core && !IsKnownInfoSize(infoSize)) NotValid();
    if (bytes.size() < kInfoAt + infoSize) NotValid();

    BmpLayout layout;
    std::int64_t width = 0, height = 0;
    unsigned planes = 0;
    std::uint32_t colorsUsed = 0;
    if (core) {
        width = Le16(bytes, kInfoAt + 4);
        height = Le16(bytes, kInfoAt + 6);
        planes = Le16(bytes, kInfoAt + 8);
        layout.bits = Le16(bytes, kInfoAt + 10);
    } else {
        width = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 4));
        height = static_cast<std::int32_t>(Le32(bytes, kInfoAt + 8));
        planes = Le16(bytes, kInfoAt + 12);
        layout.bits = Le16(bytes, kInfoAt + 14);
        layout.compression = Le32(bytes, kInfoAt + 16);
        colorsUsed = Le32(bytes, kInfoAt + 32);
    }
    layout.topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || planes != 1) NotValid();
    CheckPictureSize(width, height);  // as CheckBmpHeaderSize did; here the sides are final
    RefuseKindsNotRead(infoSize, layout.bits, layout.compression);
    if (!IsKnownDepthAndCompression(layout.bits, layout.compression)) NotValid();
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);

    std::size_t at = kInfoAt + infoSize;
    if (layout.bits <= 8) {
        std::uint32_t count = colorsUsed != 0 ? colorsUsed : 1u << layout.bits;
        if (count > 256) NotValid();
        const std::size_t entrySize = core ? 3 : 4;
        // A core header has no colour count: its palette is full, or ends where the file header
        // puts the pixels when that is sooner (OS/2 writers save only the colours used).
        const std::uint32_t offBits = Le32(bytes, 10);
        if (core && offBits >= at + entrySize && offBits < at + count * entrySize) {
            count = static_cast<std::uint32_t>((offBits - at) / entrySize);
        }
        if ((bytes.size() - at) / entrySize < count) NotValid();
        for (std::uint32_t i = 0; i < count; ++i, at += entrySize) {
            // Blue, green, red (and a spare byte).
            layout.palette[i] = bytes[at + 2] | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                static_cast<std::uint32_t>(bytes[at]) << 16;
        }
        // A 1-bit bitmap with a single colour shows its second index white, as Qt does.
        if (layout.bits == 1 && count == 1) layout.palette[1] = 0x00FFFFFF;
    } else if (layout.compression == kBitFields) {
        // The 40-byte header (and OS/2's 64) is followed by the three masks; the longer ones
        // hold them at the same place inside, the alpha mask after them.
        const bool masksFollow = infoSize == 40 || infoSize == 64;
        const std::size_t masksAt = masksFollow ? at : kInfoAt + 40;
        if (bytes.size() < masksAt + 12) NotValid();
        std::uint32_t masks[4] = {Le32(bytes, masksAt), Le32(bytes, masksAt + 4), Le32(bytes, masksAt + 8), 0};
        if (infoSize >= 56) masks[3] = Le32(bytes, kInfoAt + 52);
        // A mask of every bit leaves nothing for the others; Qt refuses it, and so do we.
        for (const std::uint32_t mask : masks) {
            if (mask == 0xFFFFFFFFu) NotValid();
        }
        layout.red = Channel(masks[0]);
        layout.green = Channel(masks[1]);
        layout.blue = Channel(masks[2]);
        if (masksFollow) at += 12;
    } else if (layout.bits == 16) {  // 5-5-5
        layout.red = Channel(0x7C00);
        layout.green = Channel(0x03E0);
        layout.blue = Channel(0x001F);
    }
    // The pixels start where the file header says, but never inside the headers or the
    // palette: a smaller offset (0 from some writers) means right after them, as Qt reads it.
    layout.dataAt = std::max<std::size_t>(Le32(bytes, 10), at);
    layout.rowBytes = (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.bits) + 31) / 32 * 4;
    return layout;
}

bool IsRunLength(const BmpLayout& layout) { return layout.compression == kRle8 || layout.compression == kRle4; }

// An uncompressed bitmap must hold all of its rows, or a file of a few bytes would open as the
// large picture its header claims.
void CheckHoldsItsRows(const BmpLayout& layout, std::uint64_t fileSize) {
    if (layout.dataAt > fileSize || (fileSize - layout.dataAt) / layout.rowBytes < static_cast<std::uint64_t>(layout.height)) {
        NotValid();
    }
}

// The rows of a bitmap in memory.
struct MemoryRows {
    const std::uint8_t* first;
    std::size_t rowBytes;
    std::size_t rowsPerFetch;
    const std::uint8_t* Fetch(std::size_t row, std::size_t) const { return first + row * rowBytes; }
};

// The rows of a bitmap file, read a buffer of rows at a time: a large bitmap is never in
// memory twice.
struct FileRows {
    ByteFile& file;
    std::uint64_t dataAt;
    std::size_t rowBytes;
    std::size_t rowsPerFetch;
    std::vector<std::uint8_t> buffer;
    const std::uint8_t* Fetch(std::size_t row, std::size_t count) {
        file.ReadAt(static_cast<std::int64_t>(dataAt + row * rowBytes), std::span(buffer.data(), count * rowBytes));
        return buffer.data();
    }
};

// Calls rowFn(file row, picture row) for each row of an uncompressed bitmap, first row of the
// file first: the bottom one, or the top one when the height is negative.
template <class Rows, class RowFn>
void ForEachRow(const BmpLayout& layout, Rows& rows, Picture& picture, RowFn rowFn) {
    const auto width = static_cast<std::size_t>(layout.width);
    const auto height = static_cast<std::size_t>(layout.height);
    for (std::size_t first = 0; first < height; first += rows.rowsPerFetch) {
        const std::size_t count = std::min(rows.rowsPerFetch, height - first);
        const std::uint8_t* source = rows.Fetch(first, count);
        for (std::size_t r = first; r < first + count; ++r, source += layout.rowBytes) {
            const std::size_t y = layout.topDown ? r : height - 1 - r;
            rowFn(source, picture.pixels.data() + y * width);
        }
    }
}

template <class Rows>
void DecodeUncompressed(const BmpLayout& layout, Rows& rows, Picture& picture) {
    const int width = layout.width;
    const auto& palette = layout.palette;
    switch (layout.bits) {
    case 1:
        ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
            for (int x = 0; x < width; ++x) d[x] = palette[(s[x >> 3] >> (7 - (x & 7))) & 1];
        });
        break;
    case 4:
        ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
            for (int x = 0; x < width; ++x) d[x] = palette[(x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4];
        });
        break;
    case 8:
        ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
            for (int x = 0; x < width; ++x) d[x] = palette[s[x]];
        });
        break;
    case 24:
        ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
            for (int x = 0; x < width; ++x, s += 3)
                d[x] = s[2] | static_cast<std::uint32_t>(s[1]) << 8 | static_cast<std::uint32_t>(s[0]) << 16;
        });
        break;
    case 32:
        if (layout.compression == kRgb) {  // blue, green, red and an unused byte
            ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
                for (int x = 0; x < width; ++x, s += 4)
                    d[x] = s[2] | static_cast<std::uint32_t>(s[1]) << 8 | static_cast<std::uint32_t>(s[0]) << 16;
            });
        } else {
            const Channel red = layout.red, green = layout.green, blue = layout.blue;
            ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
                for (int x = 0; x < width; ++x, s += 4) {
                    const std::uint32_t c = s[0] | static_cast<std::uint32_t>(s[1]) << 8 |
                                            static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
                    d[x] = red.Of(c) | green.Of(c) << 8 | blue.Of(c) << 16;
                }
            });
        }
        break;
    case 16: {
        const Channel red = layout.red, green = layout.green, blue = layout.blue;
        ForEachRow(layout, rows, picture, [&](const std::uint8_t* s, std::uint32_t* d) {
            for (int x = 0; x < width; ++x, s += 2) {
                const std::uint32_t c = s[0] | static_cast<std::uint32_t>(s[1]) << 8;
                d[x] = red.Of(c) | green.Of(c) << 8 | blue.Of(c) << 16;
            }
        });
        break;
    }
    default:
        NotValid();
    }
}

// RLE8 and RLE4: a count and a value repeat one index (two alternating ones in RLE4); a 0
// starts an escape: 0 ends the line, 1 the bitmap, 2 moves by the next two bytes, and a larger
// count is that many literal indices padded to a 16-bit word. Pixels never written keep
// palette entry 0. Runs that pass the end of their row are cut there; a delta past the
// picture stops at its last column or row, as in Qt. The data may end between commands (the
// picture so far stands) but not inside one.
void DecodeRunLength(std::span<const std::uint8_t> bytes, const BmpLayout& layout, Picture& picture) {
    const bool nibbles = layout.bits == 4;
    const auto& palette = layout.palette;
    const std::int64_t width = layout.width, height = layout.height;
    const std::size_t end = bytes.size();
    std::size_t at = layout.dataAt;
    // Qt refuses RLE data that is not there at all; the picture would be made up entirely.
    if (at >= end) NotValid();
    std::fill(picture.pixels.begin(), picture.pixels.end(), palette[0]);

    std::int64_t x = 0, y = 0;  // y counts from the first row of the data (the bottom one)
    const auto row = [&] {
        return picture.pixels.data() + static_cast<std::size_t>(layout.topDown ? y : height - 1 - y) * static_cast<std::size_t>(width);
    };
    while (y < height && at < end) {
        const std::uint8_t count = bytes[at++];
        if (count != 0) {
            if (at >= end) NotValid();
            const std::uint8_t value = bytes[at++];
            const std::int64_t n = std::min<std::int64_t>(count, width - x);
            std::uint32_t* p = row() + x;
            if (nibbles) {
                const std::uint32_t first = palette[value >> 4], second = palette[value & 0x0F];
                for (std::int64_t i = 0; i < n; ++i) p[i] = (i & 1) ? second : first;
            } else {
                std::fill_n(p, n, palette[value]);
            }
            x += n;
            continue;
        }
        if (at >= end) break;  // a lone escape byte at the very end ends the bitmap, as in Qt
        const std::uint8_t code = bytes[at++];
        if (code == 1) break;
        if (code == 0) {
            x = 0;
            ++y;
            continue;
        }
        if (code == 2) {
            if (end - at < 2) NotValid();
            x = std::min<std::int64_t>(x + bytes[at], width - 1);
            y = std::min<std::int64_t>(y + bytes[at + 1], height - 1);
            at += 2;
            continue;
        }
        const std::size_t length = nibbles ? (code + 1u) / 2 : code;
        if (end - at < length) NotValid();
        const std::int64_t n = std::min<std::int64_t>(code, width - x);
        std::uint32_t* p = row() + x;
        const std::uint8_t* s = bytes.data() + at;
        if (nibbles) {
            for (std::int64_t i = 0; i < n; ++i) p[i] = palette[(i & 1) ? s[i >> 1] & 0x0F : s[i >> 1] >> 4];
        } else {
            for (std::int64_t i = 0; i < n; ++i) p[i] = palette[s[i]];
        }
        x += n;
        at += length + (length & 1);  // the whole run is passed over, even where it was cut
    }
}

// The longest headers, masks and palette: the start of a file that reading the headers needs.
constexpr std::size_t kHeadBytes = kInfoAt + 124 + 12 + 256 * 4;
// Files are read and written through buffers of about this size.
constexpr std::size_t kFileBuffer = 64 * 1024;

// Everything before the pixels. `head` is the start of the file, the whole of it or at least
// kHeadBytes; `fileSize` is its size. An empty bitmap of ours comes back as its picture;
// anything else leaves its layout.
std::optional<Picture> ReadHeaders(std::span<const std::uint8_t> head, std::uint64_t fileSize, BmpLayout& layout) {
    CheckBmpHeaderSize(head);
    int emptyWidth = 0, emptyHeight = 0;
    if (IsEmptyBitmap(head, emptyWidth, emptyHeight)) {
        if (EmptyBitmapStartsPastItsEnd(head, fileSize)) NotValid();
        // No pixels, but its sides still count: a picture must stay one that can be saved.
        CheckPictureSize(emptyWidth, emptyHeight);
        return Picture(emptyWidth, emptyHeight);
    }
    layout = ReadLayout(head);
    return std::nullopt;
}

// The headers of the bitmaps we write: 32 bits, uncompressed, rows from the bottom.
constexpr std::size_t kOffBits = kBmpFileHeaderSize + kBmpInfoHeaderSize;

void PutLe32(std::uint8_t* out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<std::uint8_t>(v >> shift);
}

std::array<std::uint8_t, kOffBits> BmpHeaders(const Picture& picture) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t imageSize = width * height * 4;  // 32-bit rows need no padding
    std::array<std::uint8_t, kOffBits> h{};
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(&h[2], static_cast<std::uint32_t>(kOffBits) + imageSize);  // file size; two reserved words stay 0
    PutLe32(&h[10], static_cast<std::uint32_t>(kOffBits));
    PutLe32(&h[14], static_cast<std::uint32_t>(kBmpInfoHeaderSize));
    PutLe32(&h[18], width);
    PutLe32(&h[22], height);  // positive: rows from the bottom, the form every reader takes
    h[26] = 1;                // planes
    h[28] = 32;               // bits per pixel; BI_RGB is 0
    PutLe32(&h[34], imageSize);
    // Resolution unknown, no palette: the rest stays 0.
    return h;
}

// Writes `count` rows of the file starting at file row `first` (file rows run from the
// picture's bottom row up): blue, green, red and 0 for each pixel.
void PutRows(const Picture& picture, std::size_t first, std::size_t count, std::uint8_t* out) {
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    for (std::size_t k = first; k < first + count; ++k) {
        const std::uint32_t* row = picture.pixels.data() + (height - 1 - k) * width;
        for (std::size_t x = 0; x < width; ++x, out += 4) {
            const std::uint32_t c = row[x];  // 0x00BBGGRR; the top byte never reaches the file
            if constexpr (std::endian::native == std::endian::little) {
                const std::uint32_t v = (c & 0xFFu) << 16 | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
                std::memcpy(out, &v, 4);
            } else {
                out[0] = static_cast<std::uint8_t>(c >> 16);
                out[1] = static_cast<std::uint8_t>(c >> 8);
                out[2] = static_cast<std::uint8_t>(c);
                out[3] = 0;
            }
        }
    }
}

}  // namespace

Picture DecodeBmp(std::span<const std::uint8_t> bytes) {
    BmpLayout layout;
    if (std::optional<Picture> empty = ReadHeaders(bytes, bytes.size(), layout)) return std::move(*empty);
    if (!IsRunLength(layout)) CheckHoldsItsRows(layout, bytes.size());
    Picture picture;
    SizePicture(picture, layout.width, layout.height);
    if (IsRunLength(layout)) {
        DecodeRunLength(bytes, layout, picture);
    } else {
        MemoryRows rows{bytes.data() + layout.dataAt, layout.rowBytes, static_cast<std::size_t>(layout.height)};
        DecodeUncompressed(layout, rows, picture);
    }
    return picture;
}

Picture LoadBmp(const std::string& path) {
    ByteFile file = ByteFile::Open(path);
    const std::int64_t size = file.Size();
    // The headers first, whatever the file's size: a huge file is judged by them before any
    // more of it is read.
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::int64_t>(size, kHeadBytes)));
    file.Read(head);
    BmpLayout layout;
    if (std::optional<Picture> empty = ReadHeaders(head, static_cast<std::uint64_t>(size), layout)) return std::move(*empty);
    if (IsRunLength(layout)) {  // the runs jump about in the data: decoded from the whole file
        // Runs of the largest picture the limits let in take far less than this.
        if (size > kMaxPicturePixels * 4 + static_cast<std::int64_t>(kHeadBytes)) ThrowError(kBitmapNotValid, path);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        file.ReadAt(0, bytes);
        return DecodeBmp(bytes);
    }
    CheckHoldsItsRows(layout, static_cast<std::uint64_t>(size));
    Picture picture;
    SizePicture(picture, layout.width, layout.height);
    const std::size_t rowsPerFetch = std::clamp<std::size_t>(kFileBuffer / layout.rowBytes, 1, static_cast<std::size_t>(layout.height));
    FileRows rows{file, layout.dataAt, layout.rowBytes, rowsPerFetch, std::vector<std::uint8_t>(rowsPerFetch * layout.rowBytes)};
    DecodeUncompressed(layout, rows, picture);
    return picture;
}

std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
    CheckPictureSize(picture.width, picture.height);
    const auto headers = BmpHeaders(picture);
    const auto height = static_cast<std::size_t>(picture.height);
    std::vector<std::uint8_t> out(kOffBits + static_cast<std::size_t>(picture.width) * height * 4);
    std::copy(headers.begin(), headers.end(), out.begin());
    PutRows(picture, 0, height, out.data() + kOffBits);
    return out;
}

void SaveBmp(const Picture& picture, const std::string& path) {
    // Checked before the file is created or emptied, as when the whole file was built first.
    CheckPictureSize(picture.width, picture.height);
    // The rows go out through one buffer, not a copy of the whole file.
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
    const auto height = static_cast<std::size_t>(picture.height);
    const std::size_t rowsPerWrite = rowBytes == 0 ? height : std::max<std::size_t>(1, kFileBuffer / rowBytes);
    std::vector<std::uint8_t> buffer(std::min(rowsPerWrite, height) * rowBytes);

    FileOutput file = FileOutput::Create(path, Durability::Durable);
    const auto headers = BmpHeaders(picture);
    file.Write(headers);
    for (std::size_t first = 0; first < height && rowBytes != 0; first += rowsPerWrite) {
        const std::size_t count = std::min(rowsPerWrite, height - first);
        PutRows(picture, first, count, buffer.data());
        file.Write(std::span<const std::uint8_t>(buffer.data(), count * rowBytes));
    }
    file.Commit();
}

}  // namespace vesk
