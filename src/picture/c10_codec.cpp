#include "picture/c10_codec.h"

#include <algorithm>

#include "base/error.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

// The file as reading it byte by byte would give it: one byte at a given offset, a read past the
// end the kept error (docs/COMPATIBILITY.md, Errors).
class C10Bytes {
public:
    explicit C10Bytes(std::span<const std::uint8_t> file) : file_(file) {}

    std::int64_t Size() const { return static_cast<std::int64_t>(file_.size()); }

    std::uint8_t At(std::int64_t offset) const {
        if (offset < 0) ThrowIoError(131);  // what seeking before the start gives
        if (offset >= Size()) ThrowError(kReadBeyondEnd);
        return file_[static_cast<std::size_t>(offset)];
    }

    // Low byte first; the low byte is read first, so a word cut by the end fails on its high byte.
    std::uint16_t Word(std::int64_t offset) const {
        const unsigned low = At(offset);
        return static_cast<std::uint16_t>(low | (static_cast<unsigned>(At(offset + 1)) << 8));
    }

    // Whether `length` bytes from `offset` can all be read: then a run is read without checking
    // each byte, which is where a frame's decoding spends its time.
    bool Holds(std::int64_t offset, std::int64_t length) const { return offset >= 0 && offset + length <= Size(); }
    std::uint8_t Unchecked(std::int64_t offset) const { return file_[static_cast<std::size_t>(offset)]; }
    std::uint16_t UncheckedWord(std::int64_t offset) const {
        return static_cast<std::uint16_t>(Unchecked(offset) | Unchecked(offset + 1) << 8);
    }

private:
    std::span<const std::uint8_t> file_;
};

// Rgb565ToColor, inlined into the pixel loop (the tests hold it to the same result for every value).
inline std::uint32_t ColorOf(std::uint16_t v) {
    return ((v >> 11) & 0x1Fu) << 3 | ((v >> 5) & 0x3Fu) << 10 | (v & 0x1Fu) << 19;
}

// Raster order with the column wrapping at the frame's width, which need not be the picture's.
class FramePen {
public:
    FramePen(Picture& picture, std::int64_t width) : picture_(picture), width_(width) { SelectRow(); }

    void Draw(std::uint32_t color) {
        if (++x_ == width_) {
            x_ = 0;
            ++y_;
            SelectRow();
        }
        if (row_ && x_ < picture_.width) row_[x_] = color;  // x_ is never negative here
    }

    std::int64_t Row() const { return y_; }

private:
    void SelectRow() {
        row_ = y_ >= 0 && y_ < picture_.height
                   ? picture_.pixels.data() + static_cast<std::size_t>(y_) * static_cast<std::size_t>(picture_.width)
                   : nullptr;
    }

    Picture& picture_;
    std::int64_t width_;
    std::int64_t x_ = -1;
    std::int64_t y_ = 0;
    std::uint32_t* row_ = nullptr;  // the current row when it lies inside the picture
};

enum RunKind : unsigned { kDirectRun = 0, kIndexedRun = 1, kDirectFill = 2, kIndexedFill = 3 };

}  // namespace

C10FrameHeader C10FrameHeader::Read(std::span<const std::uint8_t> file, std::int64_t base) {
    const C10Bytes bytes(file);
    C10FrameHeader header;
    header.lead = bytes.At(base);
    header.frameCount = bytes.At(base + 1);
    header.kind = bytes.At(base + 2);
    header.dataSize = bytes.Word(base + 3);
    header.reserved = bytes.Word(base + 5);
    header.marker = bytes.At(base + 7);
    header.paletteCount = bytes.At(base + 8);
    return header;
}

std::array<std::uint8_t, C10FrameHeader::kSize> C10FrameHeader::Bytes() const {
    return {lead,
            frameCount,
            kind,
            static_cast<std::uint8_t>(dataSize & 0xFF),
            static_cast<std::uint8_t>(dataSize >> 8),
            static_cast<std::uint8_t>(reserved & 0xFF),
            static_cast<std::uint8_t>(reserved >> 8),
            marker,
            paletteCount};
}

C10Properties ReadC10Properties(std::span<const std::uint8_t> file) {
    const C10Bytes bytes(file);
    C10Properties properties;
    if (bytes.At(9) == C10FrameHeader::kFormMarker) {
        const C10FrameHeader first = C10FrameHeader::Read(file, 2);
        properties.form = C10Form::Header;
        properties.width = bytes.At(0);
        properties.height = bytes.At(1);
        properties.frameCount = first.frameCount;
        properties.dataSize = first.dataSize;
        properties.paletteCount = first.paletteCount;
        properties.dataStart = 2 + C10FrameHeader::kSize;
    } else {
        const std::int64_t n = bytes.Size();
        properties.form = C10Form::Trailer;
        properties.width = bytes.At(n - 4);
        properties.height = bytes.At(n - 2);
        properties.frameCount = 1;
        properties.dataSize = n - 6;
        properties.paletteCount = bytes.At(1);
        properties.dataStart = 2;
    }
    return properties;
}

C10FrameProperties ReadNextFrameProperties(std::span<const std::uint8_t> file, std::int64_t dataStart,
                                           std::int64_t dataSize) {
    const C10Bytes bytes(file);
    const std::int64_t base = dataStart + dataSize;
    C10FrameProperties next;
    next.dataSize = bytes.Word(base + 3);
    next.frameCount = bytes.At(base + 1);
    next.paletteCount = bytes.At(base + 8);
    next.dataStart = base + C10FrameHeader::kSize;
    return next;
}

void DecodeC10Frame(std::span<const std::uint8_t> file, std::int64_t dataStart, std::int64_t paletteCount,
                    std::int64_t width, std::int64_t height, Picture& picture) {
    const C10Bytes bytes(file);
    // Indices are never checked against the palette's size: a large one reads whatever lies there.
    const bool wholePaletteRange = bytes.Holds(dataStart, 2 * 256);
    const auto paletteColor = [&](std::uint8_t index) {
        const std::int64_t at = dataStart + 2 * std::int64_t{index};
        return ColorOf(wholePaletteRange ? bytes.UncheckedWord(at) : bytes.Word(at));
    };

    FramePen pen(picture, width);
    std::int64_t p = dataStart + 2 * paletteCount;
    for (;;) {
        const std::uint8_t control = bytes.At(p);
        // One direct pixel is the run this program writes for every pixel. Its fixed length
        // lets the processor run ahead to the next control byte instead of waiting for this one.
        if (control == 0x01 && bytes.Holds(p + 1, 2)) {
            pen.Draw(ColorOf(bytes.UncheckedWord(p + 1)));
            p += 3;
            if (p >= bytes.Size()) return;
            if (pen.Row() > height - 1) return;
            continue;
        }
        const int count = control & 63;
        switch (control >> 6) {
        case kDirectRun:
            if (bytes.Holds(p + 1, 2 * count)) {
                for (int j = 0; j < count; ++j) pen.Draw(ColorOf(bytes.UncheckedWord(p + 1 + 2 * j)));
            } else {  // cut by the end: draw up to the colour that is missing, then fail
                for (int j = 0; j < count; ++j) pen.Draw(ColorOf(bytes.Word(p + 1 + 2 * j)));
            }
            p += 1 + 2 * count;
            break;
        case kIndexedRun:
            if (bytes.Holds(p + 1, count)) {
                for (int j = 1; j <= count; ++j) pen.Draw(paletteColor(bytes.Unchecked(p + j)));
            } else {
                for (int j = 1; j <= count; ++j) pen.Draw(paletteColor(bytes.At(p + j)));
            }
            p += 1 + count;
            break;
        case kDirectFill: {
            // A fill is 3 bytes long whatever its count, so its colour is always read.
            const std::uint32_t color = ColorOf(bytes.Word(p + 1));
            for (int j = 0; j < count; ++j) pen.Draw(color);
            p += 3;
            break;
        }
        default: {
            const std::uint32_t color = paletteColor(bytes.At(p + 1));
            for (int j = 0; j < count; ++j) pen.Draw(color);
            p += 2;
            break;
        }
        }
        if (p >= bytes.Size()) return;
        if (pen.Row() > height - 1) return;
    }
}

std::vector<std::uint8_t> EncodeC10(const Picture& picture) {
    constexpr std::size_t kPixelsAt = 2 + C10FrameHeader::kSize;
    std::vector<std::uint8_t> out(kPixelsAt + 3 * picture.pixels.size());
    out[0] = static_cast<std::uint8_t>(picture.width & 0xFF);
    out[1] = static_cast<std::uint8_t>(picture.height & 0xFF);
    const auto header = C10FrameHeader{}.Bytes();  // frame count 1, data size 0, no palette
    std::copy(header.begin(), header.end(), out.begin() + 2);
    std::uint8_t* at = out.data() + kPixelsAt;
    for (const std::uint32_t color : picture.pixels) {
        const std::uint16_t v = ColorToRgb565(color);
        at[0] = 0x01;  // a direct run of one pixel
        at[1] = static_cast<std::uint8_t>(v & 0xFF);
        at[2] = static_cast<std::uint8_t>(v >> 8);
        at += 3;
    }
    return out;
}

}  // namespace vesk
