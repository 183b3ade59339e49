#include "samples/c10_writer.h"

#include <algorithm>
#include <stdexcept>

namespace vesk::samples {
namespace {

constexpr std::size_t kMaxCount = 63;  // six bits of a control byte
constexpr std::size_t kMinFill = 3;    // a fill of fewer pixels is no shorter than a run

enum Kind : std::uint8_t { kDirectRun = 0, kIndexedRun = 1, kDirectFill = 2, kIndexedFill = 3 };

void PutColor(std::vector<std::uint8_t>& out, std::uint16_t color) {
    out.push_back(static_cast<std::uint8_t>(color & 0xFF));
    out.push_back(static_cast<std::uint8_t>(color >> 8));
}

std::uint8_t Control(Kind kind, std::size_t count) { return static_cast<std::uint8_t>(kind << 6 | count); }

int IndexOf(std::span<const std::uint16_t> palette, std::uint16_t color) {
    const auto it = std::find(palette.begin(), palette.end(), color);
    return it == palette.end() ? -1 : static_cast<int>(it - palette.begin());
}

std::size_t RepeatAt(std::span<const std::uint16_t> pixels, std::size_t i) {
    std::size_t n = 1;
    while (i + n < pixels.size() && n < kMaxCount && pixels[i + n] == pixels[i]) ++n;
    return n;
}

std::vector<std::uint8_t> FrameHeader(int frameCount, std::size_t dataSize, std::size_t paletteCount) {
    if (dataSize > 0xFFFF) throw std::length_error("C10 frame larger than 65535 bytes");
    return {0xFF,
            static_cast<std::uint8_t>(frameCount),
            0x01,
            static_cast<std::uint8_t>(dataSize & 0xFF),
            static_cast<std::uint8_t>(dataSize >> 8),
            0x00,
            0x00,
            0x09,
            static_cast<std::uint8_t>(paletteCount)};
}

void CheckPalette(const C10Frame& frame) {
    if (frame.palette.size() > 255) throw std::length_error("C10 palette of more than 255 colours");
}

}  // namespace

std::vector<std::uint8_t> EncodeRuns(std::span<const std::uint16_t> pixels, std::span<const std::uint16_t> palette) {
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < pixels.size()) {
        const std::size_t repeat = RepeatAt(pixels, i);
        const int index = IndexOf(palette, pixels[i]);
        if (repeat >= kMinFill) {
            out.push_back(Control(index >= 0 ? kIndexedFill : kDirectFill, repeat));
            if (index >= 0) {
                out.push_back(static_cast<std::uint8_t>(index));
            } else {
                PutColor(out, pixels[i]);
            }
            i += repeat;
            continue;
        }
        // Single pixels of one kind (all in the palette, or none) up to the next fill.
        const bool indexed = index >= 0;
        std::size_t n = 0;
        while (i + n < pixels.size() && n < kMaxCount && RepeatAt(pixels, i + n) < kMinFill &&
               (IndexOf(palette, pixels[i + n]) >= 0) == indexed) {
            ++n;
        }
        out.push_back(Control(indexed ? kIndexedRun : kDirectRun, n));
        for (std::size_t j = 0; j < n; ++j) {
            if (indexed) {
                out.push_back(static_cast<std::uint8_t>(IndexOf(palette, pixels[i + j])));
            } else {
                PutColor(out, pixels[i + j]);
            }
        }
        i += n;
    }
    return out;
}

std::vector<std::uint8_t> EncodeHeaderForm(int width, int height, std::span<const C10Frame> frames) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height)};
    for (const C10Frame& frame : frames) {
        CheckPalette(frame);
        const std::vector<std::uint8_t> stream = EncodeRuns(frame.pixels, frame.palette);
        const std::vector<std::uint8_t> header =
            FrameHeader(static_cast<int>(frames.size()), 2 * frame.palette.size() + stream.size(), frame.palette.size());
        out.insert(out.end(), header.begin(), header.end());
        for (const std::uint16_t color : frame.palette) PutColor(out, color);
        out.insert(out.end(), stream.begin(), stream.end());
    }
    return out;
}

std::vector<std::uint8_t> EncodeTrailerForm(int width, int height, const C10Frame& frame) {
    CheckPalette(frame);
    std::vector<std::uint8_t> out{0x00, static_cast<std::uint8_t>(frame.palette.size())};
    for (const std::uint16_t color : frame.palette) PutColor(out, color);
    const std::vector<std::uint8_t> stream = EncodeRuns(frame.pixels, frame.palette);
    out.insert(out.end(), stream.begin(), stream.end());
    // One pixel of a direct fill past the last row ends the decoding.
    out.push_back(Control(kDirectFill, 1));
    PutColor(out, 0);
    out.insert(out.end(), {static_cast<std::uint8_t>(width), 0x00, static_cast<std::uint8_t>(height), 0x00});
    // Byte 9 decides the form: it must not read as the header form's marker.
    if (out.size() < 10 || out[9] == 0x09) throw std::invalid_argument("trailer-form C10 would read as header form");
    return out;
}

std::array<int, 4> CountRunKinds(std::span<const std::uint8_t> stream) {
    std::array<int, 4> counts{};
    std::size_t p = 0;
    while (p < stream.size()) {
        const auto kind = static_cast<Kind>(stream[p] >> 6);
        const std::size_t n = stream[p] & kMaxCount;
        ++counts[kind];
        p += kind == kDirectRun ? 1 + 2 * n : kind == kIndexedRun ? 1 + n : kind == kDirectFill ? 3 : 2;
    }
    return counts;
}

}  // namespace vesk::samples
