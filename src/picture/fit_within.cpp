#include <algorithm>
#include <cstdint>

#include "picture/animation.h"
#include "picture/picture_memory.h"

namespace vesk {
namespace {

// The side that goes with `side` when the longer side becomes `size`, rounded, at least 1.
int Scaled(std::int64_t side, std::int64_t longer, std::int64_t size) {
    return static_cast<int>(std::max<std::int64_t>(1, (side * size + longer / 2) / longer));
}

}  // namespace

Picture FitWithin(const Picture& picture, int size) {
    const int w = picture.width, h = picture.height;
    if (size < 1 || (w <= size && h <= size)) return picture;
    const int longer = std::max(w, h);
    const int tw = w == longer ? size : Scaled(w, longer, size);
    const int th = h == longer ? size : Scaled(h, longer, size);

    Picture out;
    SizePicture(out, tw, th);
    // Each target pixel covers whole source pixels: rows y0..y1 and columns x0..x1 (exclusive),
    // which tile the source since the target is no larger.
    for (int y = 0; y < th; ++y) {
        const std::int64_t y0 = std::int64_t{y} * h / th, y1 = std::int64_t{y + 1} * h / th;
        for (int x = 0; x < tw; ++x) {
            const std::int64_t x0 = std::int64_t{x} * w / tw, x1 = std::int64_t{x + 1} * w / tw;
            std::uint64_t red = 0, green = 0, blue = 0;
            for (std::int64_t sy = y0; sy < y1; ++sy) {
                const std::uint32_t* row = picture.pixels.data() + sy * w;
                for (std::int64_t sx = x0; sx < x1; ++sx) {
                    red += row[sx] & 0xFF;
                    green += (row[sx] >> 8) & 0xFF;
                    blue += (row[sx] >> 16) & 0xFF;
                }
            }
            const std::uint64_t n = static_cast<std::uint64_t>((y1 - y0) * (x1 - x0));
            const auto mean = [n](std::uint64_t sum) { return static_cast<std::uint32_t>((sum + n / 2) / n); };
            out.SetPixel(x, y, mean(red) | mean(green) << 8 | mean(blue) << 16);
        }
    }
    return out;
}

}  // namespace vesk
