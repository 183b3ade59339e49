#pragma once
// JPEG through the libjpeg API. Decoding is at full size with block smoothing and the accurate
// integer transform; encoding uses the library's defaults with quality 90 and baseline tables.
// Failures of the library: "JPEG error #<message code>".
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace vesk {

inline constexpr int kJpegQuality = 90;
// Decoding refuses a file with more scans than this (libjpeg-turbo's own tools allow a few
// hundred when asked to limit them).
inline constexpr int kJpegMaxScans = 300;

// A greyscale file gives grey pixels. A picture larger than the limits is refused after the
// header is read, before the pixels are.
Picture DecodeJpeg(std::span<const std::uint8_t> bytes);
Picture LoadJpeg(const std::string& path);

// The picture must not be empty: a JPEG cannot hold 0 pixels.
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture);
void SaveJpeg(const Picture& picture, const std::string& path);

}  // namespace vesk
