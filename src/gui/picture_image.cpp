#include "gui/picture_image.h"

namespace vesk {

QImage ToQImage(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0) return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t c = picture.Pixel(x, y);  // 0x00BBGGRR
            line[x] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
        }
    }
    return image;
}

}  // namespace vesk
