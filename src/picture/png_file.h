#pragma once
// PNG through libpng. Reading takes every kind the format has: grey, grey with alpha, RGB, RGBA
// and palettes, 1 to 16 bits, transparency chunks and interlacing. Alpha is laid over white, as
// the phone shows a picture on its white screen; 16-bit samples are rounded to 8 bits; gamma,
// colour profiles and the background chunk are ignored, as by the phone. Writing: 8-bit RGB,
// not interlaced, the library's default compression and filters.
// Failures of the library: "PNG error: <the library's message>".
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace vesk {

// A picture larger than the limits is refused after the header is read, before the pixels are.
Picture DecodePng(std::span<const std::uint8_t> bytes);
Picture LoadPng(const std::string& path);

// The picture must not be empty: a PNG cannot hold 0 pixels.
std::vector<std::uint8_t> EncodePng(const Picture& picture);
// As every picture is written: durable, the old file kept on a failure.
void SavePng(const Picture& picture, const std::string& path);

}  // namespace vesk
