#pragma once
// A bitmap as the picture commands need it: width, height and one colour value per pixel,
// 0x00BBGGRR (red in the low byte), rows from the top.
#include <cstdint>
#include <vector>

namespace vesk {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height, row-major from the top

    Picture() = default;
    Picture(int w, int h, std::uint32_t fill = 0x00FFFFFF)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Pixels outside the picture are dropped.
    void SetPixel(int x, int y, std::uint32_t color) {
        if (Contains(x, y)) pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = color;
    }
    std::uint32_t Pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

}  // namespace vesk
