#pragma once
// Windows bitmaps. Reading takes any valid BMP (every depth, RLE included) through QtGui's
// decoder; writing is our own: 32 bits per pixel, uncompressed, a 14-byte "BM" file header
// and a 40-byte information header, rows from the bottom as most readers expect.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace vesk {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;

// Anything that is not a readable bitmap: "Bitmap image is not valid". A bitmap larger than
// the picture limits is refused before it is decoded.
Picture DecodeBmp(std::span<const std::uint8_t> bytes);
Picture LoadBmp(const std::string& path);

std::vector<std::uint8_t> EncodeBmp(const Picture& picture);
// Creates the file, or empties it when it exists.
void SaveBmp(const Picture& picture, const std::string& path);

}  // namespace vesk
