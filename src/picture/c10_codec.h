#pragma once
// The phone's C10 picture format: RGB565 colours, a palette per frame, run-coded pixels and one
// or more frames of one size. Two layouts exist: the header form (byte 9 is 0x09, width and
// height in bytes 0 and 1, a 9-byte frame header before each frame) and the trailer form (one
// frame, width and height near the end of the file).
//
// The readers take the whole file as bytes. Every read is of one byte at an offset and is
// checked: at or past the end it raises "Read beyond end of file", before a negative offset
// "I/O error 131", as reading the file byte by byte would. Nothing read is validated: the
// values are taken as they stand, so a decoder fed odd values still only reads what it may.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/picture.h"

namespace vesk {

enum class C10Form { Header, Trailer };

// Width and height stand in one byte each.
inline constexpr int kC10MaxSide = 255;
// The largest file the format describes: two size bytes and 255 frames of at most 65535 bytes
// each behind their 9-byte headers. A larger file is no C10 picture worth reading.
inline constexpr std::int64_t kC10MaxFileSize = 2 + 255 * (9 + 65535);

// What is known of a C10 file and of the frame being shown.
struct C10Properties {
    C10Form form = C10Form::Header;
    std::int64_t dataSize = 0;      // palette and pixel stream of the frame, in bytes
    int frameCount = 0;
    int paletteCount = 0;
    std::int64_t dataStart = 0;     // offset of the frame's palette; the pixel stream follows
    int width = 0;
    int height = 0;
};

// Nine bytes in front of every frame of a header-form file (frame 1's at offset 2).
struct C10FrameHeader {
    static constexpr std::int64_t kSize = 9;
    static constexpr std::uint8_t kFormMarker = 0x09;  // at offset 7; file offset 9 for frame 1

    std::uint8_t lead = 0xFF;      // not interpreted
    std::uint8_t frameCount = 1;
    std::uint8_t kind = 0x01;      // not interpreted
    std::uint16_t dataSize = 0;    // little-endian
    std::uint16_t reserved = 0;    // not interpreted
    std::uint8_t marker = kFormMarker;
    std::uint8_t paletteCount = 0;

    // The header at frame base `base`.
    static C10FrameHeader Read(std::span<const std::uint8_t> file, std::int64_t base);
    std::array<std::uint8_t, kSize> Bytes() const;
};

// The four values that change from one frame to the next.
struct C10FrameProperties {
    int frameCount = 0;
    std::int64_t dataSize = 0;
    int paletteCount = 0;
    std::int64_t dataStart = 0;
};

// Properties of the file and of its first frame.
C10Properties ReadC10Properties(std::span<const std::uint8_t> file);

// The frame after the one whose data starts at dataStart and is dataSize bytes long. Only the
// header bytes that are used are read; the marker is not tested.
C10FrameProperties ReadNextFrameProperties(std::span<const std::uint8_t> file, std::int64_t dataStart,
                                           std::int64_t dataSize);

// Draws one frame onto `picture` in raster order, the column wrapping at `width`. The picture
// is neither cleared nor resized; pixels outside it are dropped. Decoding stops after the run
// during which the row passes height - 1, or when the stream reaches the end of the file. A
// failed read leaves the pixels drawn so far.
void DecodeC10Frame(std::span<const std::uint8_t> file, std::int64_t dataStart, std::int64_t paletteCount,
                    std::int64_t width, std::int64_t height, Picture& picture);

// A header-form file of one frame: no palette, one direct run of one pixel per pixel, rows from
// the top. Width and height keep only their low 8 bits; all pixels are written.
std::vector<std::uint8_t> EncodeC10(const Picture& picture);

}  // namespace vesk
