#pragma once
// A C10 writer that uses all four kinds of run, for sample pictures: the program itself saves
// C10 with direct runs only, but pictures from the phone use palettes and fills, and the
// samples should exercise the decoder the way those do.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vesk::samples {

// One frame: RGB565 pixels in raster order and the frame's palette (at most 255 colours).
struct C10Frame {
    std::vector<std::uint16_t> pixels;
    std::vector<std::uint16_t> palette;
};

// The pixel stream of one frame: runs of three or more equal pixels become fills (indexed when
// the colour is in the palette), everything else runs of single pixels, indexed or direct.
std::vector<std::uint8_t> EncodeRuns(std::span<const std::uint16_t> pixels, std::span<const std::uint16_t> palette);

// Header form: width and height, then per frame its 9-byte header, palette and stream.
std::vector<std::uint8_t> EncodeHeaderForm(int width, int height, std::span<const C10Frame> frames);

// Trailer form: one frame, with width and height in the last four bytes. The stream ends with
// one pixel past the last row, so the decoder stops before it reaches those bytes.
std::vector<std::uint8_t> EncodeTrailerForm(int width, int height, const C10Frame& frame);

// How many runs of each kind (direct run, indexed run, direct fill, indexed fill) a stream holds.
std::array<int, 4> CountRunKinds(std::span<const std::uint8_t> stream);

}  // namespace vesk::samples
