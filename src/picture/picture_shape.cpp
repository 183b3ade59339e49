#include "picture/picture_shape.h"

#include <algorithm>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_compact.h"
#include "picture/gif_file.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"

namespace vesk {

std::string KindName(ContentKind kind) {
    switch (kind) {
    case ContentKind::C10: return "C10";
    case ContentKind::Jpeg: return "JPEG";
    case ContentKind::Bmp: return "BMP";
    case ContentKind::Png: return "PNG";
    case ContentKind::Gif: return "GIF";
    case ContentKind::Text:
    case ContentKind::Other: break;
    }
    return "";
}

std::string ShapeText(const PictureShape& shape) {
    return KindName(shape.kind) + " " + std::to_string(shape.width) + " x " + std::to_string(shape.height);
}

std::string KindExtension(ContentKind kind) {
    switch (kind) {
    case ContentKind::C10: return ".c10";
    case ContentKind::Jpeg: return ".jpg";
    case ContentKind::Bmp: return ".bmp";
    case ContentKind::Png: return ".png";
    case ContentKind::Gif: return ".gif";
    case ContentKind::Text:
    case ContentKind::Other: break;
    }
    return "";
}

std::optional<PictureShape> JudgePicture(std::span<const std::uint8_t> bytes) {
    const ContentInfo info = JudgeContent(bytes, "");
    if (!info.IsPicture() || info.damaged || info.width < 1 || info.height < 1) return std::nullopt;
    return PictureShape{info.kind, info.width, info.height};
}

Picture DecodePicture(std::span<const std::uint8_t> bytes) {
    const auto shape = JudgePicture(bytes);
    if (!shape) Refuse("Это не изображение.");
    return DecodePicture(bytes, shape->kind);
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

std::vector<std::uint8_t> EncodePicture(const Picture& picture, ContentKind kind) {
    switch (kind) {
    case ContentKind::C10: return EncodeC10Compact(picture);
    case ContentKind::Jpeg: return EncodeJpeg(picture);
    case ContentKind::Bmp: return EncodeBmp(picture);
    case ContentKind::Png: return EncodePng(picture);
    case ContentKind::Gif: return EncodeGif(picture);
    case ContentKind::Text:
    case ContentKind::Other: break;
    }
    Refuse("Это не изображение.");
}

}  // namespace vesk
