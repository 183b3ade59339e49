#pragma once
// The largest picture the program takes in from a BMP or JPEG file. The C10 format itself holds
// at most 255 x 255, but the other formats can describe gigapixel pictures in a few bytes, so
// their headers are checked against this before anything of that size is allocated.
#include <cstdint>

namespace vesk {

inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = 64LL * 1024 * 1024;

// Throws vesk::Error naming the size when the picture is larger than the limits above.
void CheckPictureSize(std::int64_t width, std::int64_t height);

}  // namespace vesk
