#include "picture/picture_shape.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/c10_compact.h"
#include "picture/gif_file.h"
#include "picture/gif_reader.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"

namespace vesk {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> signature) {
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

std::optional<ShapeKind> SignedKind(std::span<const std::uint8_t> bytes) {
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) return ShapeKind::Jpeg;
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return ShapeKind::Png;
    if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) || StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) return ShapeKind::Gif;
    if (StartsWith(bytes, {'B', 'M'})) return ShapeKind::Bmp;
    return std::nullopt;
}

// Where the runs from `at` end once they have drawn `pixels` pixels, none when they would need a
// byte at or past `end`: the decoder's walk, without drawing.
std::optional<std::int64_t> RunsEnd(std::span<const std::uint8_t> bytes, std::int64_t at, std::int64_t end, std::int64_t pixels) {
    std::int64_t drawn = 0;
    while (drawn < pixels) {
        if (at >= end) return std::nullopt;
        const int control = bytes[static_cast<std::size_t>(at)];
        const int n = control & 0x3F;
        constexpr std::array<int, 4> kFixed = {1, 1, 3, 2};  // fills are 3 and 2 bytes whatever their count
        const std::int64_t length = kFixed[control >> 6] + (control >> 6 == 0 ? 2 * n : control >> 6 == 1 ? n : 0);
        if (at + length > end) return std::nullopt;
        at += length;
        drawn += n;
    }
    return at;
}

// A C10 file is told only by its runs adding up: a header whose first frame's runs draw the whole
// picture inside its data, or a trailer-form file whose runs do so before the size bytes, with at
// most one run after them (the phone's own files end with one pixel past the last row).
std::optional<PictureShape> JudgeC10(std::span<const std::uint8_t> bytes) {
    const auto n = static_cast<std::int64_t>(bytes.size());
    if (n < 8) return std::nullopt;
    const C10Properties p = ReadC10Properties(bytes);
    if (p.width < 1 || p.height < 1 || p.frameCount < 1) return std::nullopt;
    const std::int64_t pixels = std::int64_t{p.width} * p.height;
    const std::int64_t stream = p.dataStart + 2 * std::int64_t{p.paletteCount};
    if (p.form == C10Form::Header) {
        // A lone frame over 65535 bytes has data size 0, and its runs end the file.
        const std::int64_t end = p.dataSize == 0 ? n : std::min(n, p.dataStart + p.dataSize);
        if (!RunsEnd(bytes, stream, end, pixels)) return std::nullopt;
    } else {
        constexpr std::int64_t kLongestRun = 1 + 2 * 63;
        const auto at = RunsEnd(bytes, stream, n - 4, pixels);
        if (!at || n - 4 - *at > kLongestRun) return std::nullopt;
    }
    return PictureShape{ShapeKind::C10, p.width, p.height};
}

// Stops the GIF reader after the first frame.
struct FirstFrameRead {};

Picture FirstGifFrame(std::span<const std::uint8_t> bytes) {
    Picture first;
    try {
        ReadGifFrames(bytes, [](int, int) {}, [&](const Picture& shown) {
            first = shown;
            throw FirstFrameRead{};
        });
    } catch (const FirstFrameRead&) {
    }
    return first;
}

}  // namespace

std::string KindName(ShapeKind kind) {
    switch (kind) {
    case ShapeKind::C10: return "C10";
    case ShapeKind::Jpeg: return "JPEG";
    case ShapeKind::Bmp: return "BMP";
    case ShapeKind::Png: return "PNG";
    case ShapeKind::Gif: return "GIF";
    }
    return "";
}

std::string ShapeText(const PictureShape& shape) {
    return KindName(shape.kind) + " " + std::to_string(shape.width) + " x " + std::to_string(shape.height);
}

std::string KindExtension(ShapeKind kind) {
    switch (kind) {
    case ShapeKind::C10: return ".c10";
    case ShapeKind::Jpeg: return ".jpg";
    case ShapeKind::Bmp: return ".bmp";
    case ShapeKind::Png: return ".png";
    case ShapeKind::Gif: return ".gif";
    }
    return "";
}

std::optional<PictureShape> JudgePicture(std::span<const std::uint8_t> bytes) {
    try {
        const auto kind = SignedKind(bytes);
        if (!kind) return JudgeC10(bytes);
        const Picture picture = DecodePicture(bytes);
        if (picture.width < 1 || picture.height < 1) return std::nullopt;
        return PictureShape{*kind, picture.width, picture.height};
    } catch (const Error&) {
        return std::nullopt;  // a broken picture is judged as no picture
    }
}

Picture DecodePicture(std::span<const std::uint8_t> bytes) {
    switch (SignedKind(bytes).value_or(ShapeKind::C10)) {
    case ShapeKind::Jpeg: return DecodeJpeg(bytes);
    case ShapeKind::Png: return DecodePng(bytes);
    case ShapeKind::Bmp: return DecodeBmp(bytes);
    case ShapeKind::Gif: return FirstGifFrame(bytes);
    case ShapeKind::C10: break;
    }
    const C10Properties p = ReadC10Properties(bytes);
    Picture picture(p.width, p.height);  // white where the runs draw nothing, as "Просмотр" shows it
    DecodeC10Frame(bytes, p.dataStart, p.paletteCount, p.width, p.height, picture);
    return picture;
}

Picture FitInto(const Picture& picture, int width, int height) {
    Picture out(std::max(width, 0), std::max(height, 0), 0);
    const std::int64_t w = picture.width, h = picture.height;
    if (w < 1 || h < 1 || width < 1 || height < 1) return out;
    // The side that fills the box first decides the scale; the other is rounded, at least 1.
    std::int64_t tw = width, th = height;
    if (w * height >= h * width) {
        th = std::max<std::int64_t>(1, (h * width + w / 2) / w);
    } else {
        tw = std::max<std::int64_t>(1, (w * height + h / 2) / h);
    }
    const std::int64_t left = (width - tw) / 2, top = (height - th) / 2;
    for (std::int64_t y = 0; y < th; ++y) {
        const std::int64_t y0 = y * h / th, y1 = std::max(y0 + 1, (y + 1) * h / th);
        for (std::int64_t x = 0; x < tw; ++x) {
            const std::int64_t x0 = x * w / tw, x1 = std::max(x0 + 1, (x + 1) * w / tw);
            std::uint64_t sum[3] = {};
            for (std::int64_t sy = y0; sy < y1; ++sy) {
                for (std::int64_t sx = x0; sx < x1; ++sx) {
                    const std::uint32_t c = picture.Pixel(static_cast<int>(sx), static_cast<int>(sy));
                    for (int k = 0; k < 3; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
                }
            }
            const auto count = static_cast<std::uint64_t>((y1 - y0) * (x1 - x0));
            std::uint32_t colour = 0;
            for (int k = 0; k < 3; ++k) colour |= static_cast<std::uint32_t>((sum[k] + count / 2) / count) << (8 * k);
            out.SetPixel(static_cast<int>(left + x), static_cast<int>(top + y), colour);
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodePicture(const Picture& picture, ShapeKind kind) {
    switch (kind) {
    case ShapeKind::C10: return EncodeC10Compact(picture);
    case ShapeKind::Jpeg: return EncodeJpeg(picture);
    case ShapeKind::Bmp: return EncodeBmp(picture);
    case ShapeKind::Png: return EncodePng(picture);
    case ShapeKind::Gif: return EncodeGif(picture);
    }
    return {};
}

}  // namespace vesk
