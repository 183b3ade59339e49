#pragma once
// GIF files for the tests, written with giflib's own encoder: a logical screen with its global
// palette, and frames at their places with their own palettes, disposals and transparency.
#include <cstdint>
#include <utility>
#include <vector>

namespace vesk::test {

struct GifColour {
    std::uint8_t red = 0, green = 0, blue = 0;
};

struct GifFrameSpec {
    GifFrameSpec() = default;
    GifFrameSpec(int left_, int top_, int width_, int height_, std::vector<std::uint8_t> indices_,
                 std::vector<GifColour> palette_ = {}, int disposal_ = 0, int transparent_ = -1, bool interlaced_ = false)
        : left(left_), top(top_), width(width_), height(height_), indices(std::move(indices_)), palette(std::move(palette_)),
          disposal(disposal_), transparent(transparent_), interlaced(interlaced_) {}

    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices;  // width * height, rows from the top
    std::vector<GifColour> palette;     // the frame's own; empty: the global one
    int disposal = 0;                   // DISPOSAL_UNSPECIFIED, DISPOSE_DO_NOT, ...
    int transparent = -1;               // the transparent index, -1 for none
    bool interlaced = false;
};

// Palettes are padded with black to a power of two. Throws std::runtime_error when giflib fails.
std::vector<std::uint8_t> MakeGif(int width, int height, const std::vector<GifColour>& global,
                                  const std::vector<GifFrameSpec>& frames);

// The file with its screen size (bytes 6 to 9) changed afterwards, e.g. smaller than a frame.
std::vector<std::uint8_t> WithScreenSize(std::vector<std::uint8_t> gif, int width, int height);

}  // namespace vesk::test
