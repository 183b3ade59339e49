#include "picture/picture_limits.h"

#include <string>

#include "base/error.h"

namespace vesk {

void CheckPictureSize(std::int64_t width, std::int64_t height) {
    if (width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels) return;
    ThrowError("Изображение слишком большое: " + std::to_string(width) + " x " + std::to_string(height) +
               " (допускается не более 16384 точек по стороне и 64 мегапикселей)");
}

}  // namespace vesk
