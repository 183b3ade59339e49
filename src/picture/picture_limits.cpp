#include "picture/picture_limits.h"

#include <string>

#include "base/error.h"

namespace vesk {

void CheckPictureSize(std::int64_t width, std::int64_t height) {
    if (width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels) return;
    ThrowError("Изображение слишком большое: " + std::to_string(width) + " x " + std::to_string(height) +
               " (допускается не более " + std::to_string(kMaxPictureSide) + " точек по стороне и " +
               std::to_string(kMaxPicturePixels / (1024 * 1024)) + " мегапикселей)");
}

}  // namespace vesk
