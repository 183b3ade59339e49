#pragma once
// Windows bitmaps, read and written by our own code. Reading takes what Qt's reader and
// Windows take: the 12-byte OS/2 header (its palette may end early, where the pixels start)
// and the 40, 52, 56, 64, 108 and 124-byte ones; 1, 4 and 8 bits with a palette, 16 and 32 bits
// with or without masks, 24 bits; RLE8 and RLE4; rows from the bottom or (a negative height)
// from the top. Pixels come out as Qt's reader gives them, alpha dropped. 2-bit palettes,
// Huffman 1D, RLE24, embedded JPEG or PNG and 64-bit pixels are refused by name. Writing: 32 bits per pixel, uncompressed, a 14-byte "BM" file
// header and a 40-byte information header, rows from the bottom as most readers expect.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace vesk {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;

// Anything that is not a readable bitmap: "Bitmap image is not valid", among them an
// uncompressed bitmap shorter than its rows and RLE data that ends inside a command. A bitmap
// larger than the picture limits is refused from its header, before anything is allocated.
// A bitmap of 0 pixels (as EncodeBmp writes for an empty picture) reads as an empty picture.
Picture DecodeBmp(std::span<const std::uint8_t> bytes);
// The same from a file, with the same results: the headers are read first, then the rows a
// buffer at a time, so a large bitmap is never in memory twice.
Picture LoadBmp(const std::string& path);

std::vector<std::uint8_t> EncodeBmp(const Picture& picture);

// A channel value of `bits` bits (1 to 7) widened to 8 by repeating its bits: five bits v give
// v << 3 | v >> 2, so that the largest value is 255. Values of 8 bits come back as they are.
std::uint8_t WidenedBits(std::uint32_t value, unsigned bits);
// Written as file_output.h writes every file: a failure leaves the old file, if any. The size
// is checked first; the rows go out in pieces, never the whole file in memory.
void SaveBmp(const Picture& picture, const std::string& path);

}  // namespace vesk
