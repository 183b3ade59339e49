#include "picture/content_judge.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string_view>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/gif_reader.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"
#include "platform/cp1251.h"

namespace vesk {
namespace {

using Bytes = std::span<const std::uint8_t>;

bool StartsWith(Bytes bytes, std::initializer_list<std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// The header sizes of the bitmap versions the reader knows: "BM" alone starts many texts.
bool LooksLikeBmp(Bytes bytes) {
    if (!StartsWith(bytes, {'B', 'M'})) return false;
    if (bytes.size() < 18) return true;  // too short to tell: the reader will say it is damaged
    const std::uint32_t header = bytes[14] | bytes[15] << 8 | bytes[16] << 16 | static_cast<std::uint32_t>(bytes[17]) << 24;
    for (const std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        if (header == known) return true;
    }
    return false;
}

// The runs of a C10 frame's pixel stream from `p` on (the four kinds of c10_codec.h), none
// crossing `limit`, until they have drawn all `pixels`. Returns where they end, or nothing when a
// run would cross the limit first.
std::optional<std::int64_t> WalkRuns(Bytes bytes, std::int64_t p, std::int64_t limit, std::int64_t pixels,
                                     std::int64_t* drawnOut = nullptr) {
    std::int64_t drawn = 0;
    while (drawn < pixels) {
        if (p >= limit) return std::nullopt;
        const std::uint8_t control = bytes[static_cast<std::size_t>(p)];
        const std::int64_t n = control & 63;
        const std::int64_t length = std::array<std::int64_t, 4>{1 + 2 * n, 1 + n, 3, 2}[control >> 6];
        if (p + length > limit) return std::nullopt;
        drawn += n;
        p += length;
    }
    if (drawnOut) *drawnOut = drawn;
    return p;
}

// A frame's stream that covers its pixels and ends exactly where its data does. The decoder reads
// on until a run draws past the last pixel, so one closing run after a stream of exactly the
// picture's pixels belongs to it too (the sample tool writes one). Random bytes almost never end
// exactly there, which tells a C10 file from other data.
bool StreamFills(Bytes bytes, std::int64_t start, std::int64_t end, std::int64_t pixels) {
    std::int64_t drawn = 0;
    const std::optional<std::int64_t> p = WalkRuns(bytes, start, end, pixels, &drawn);
    if (!p) return false;
    if (*p == end) return true;
    if (drawn != pixels) return false;
    const std::optional<std::int64_t> closing = WalkRuns(bytes, *p, end, 1);
    return closing && *closing == end;
}

// Every frame of a header-form file lies inside the file and covers the picture.
bool HeaderFormWhole(Bytes bytes, const C10Properties& first) {
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t pixels = std::int64_t{first.width} * first.height;
    std::int64_t dataStart = first.dataStart;
    std::int64_t dataSize = first.dataSize;
    std::int64_t palette = first.paletteCount;
    const int frames = std::max(first.frameCount, 1);
    for (int frame = 1;; ++frame) {
        // A data size of 0 is what a lone frame holds (nothing reads it): its stream runs to the end.
        const std::int64_t end = dataSize > 0 ? dataStart + dataSize : size;
        if (end > size || dataStart + 2 * palette > end) return false;
        if (!StreamFills(bytes, dataStart + 2 * palette, end, pixels)) return false;
        if (frame >= frames) return true;
        if (dataSize == 0 || end + C10FrameHeader::kSize > size) return false;
        const C10FrameProperties next = ReadNextFrameProperties(bytes, dataStart, dataSize);
        dataStart = next.dataStart;
        dataSize = next.dataSize;
        palette = next.paletteCount;
    }
}

// A trailer-form file: its runs cover the picture and end where its trailer begins.
bool TrailerFormWhole(Bytes bytes) {
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    if (size < 10) return false;  // the reader tests byte 9 first
    const int width = bytes[static_cast<std::size_t>(size - 4)];
    const int height = bytes[static_cast<std::size_t>(size - 2)];
    const std::int64_t limit = size - 4;
    const std::int64_t stream = 2 + 2 * std::int64_t{bytes[1]};
    if (width == 0 || height == 0 || stream > limit) return false;
    return StreamFills(bytes, stream, limit, std::int64_t{width} * height);
}

// The header form's marker with a picture size and a frame count: a C10 file, whole or not.
bool HeaderFormMarked(Bytes bytes) {
    return bytes.size() >= 11 && bytes[9] == C10FrameHeader::kFormMarker && bytes[0] != 0 && bytes[1] != 0 && bytes[3] != 0;
}

std::optional<std::string> TextEncoding(Bytes bytes) {
    if (bytes.empty()) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        return IsValidUtf8(text) ? std::optional<std::string>("UTF-8") : std::nullopt;
    }
    for (const std::uint8_t b : bytes) {
        // Tab, line feed, form feed, carriage return and the old end-of-file mark are text.
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\f' && b != '\r' && b != 0x1A) return std::nullopt;
        if (b == 0x7F) return std::nullopt;
    }
    if (IsValidUtf8(text)) return "UTF-8";
    // 0x98 is the one code Windows-1251 leaves unassigned.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0x98}) != bytes.end()) return std::nullopt;
    return "Windows-1251";
}

// libjpeg pads a file cut short with grey and only warns; the end-of-image marker tells.
bool JpegEnds(Bytes bytes) {
    std::size_t n = bytes.size();
    while (n > 2 && bytes[n - 1] == 0x00) --n;  // padding after the marker
    return n >= 4 && bytes[n - 2] == 0xFF && bytes[n - 1] == 0xD9;
}

// libpng stops reading at the last row and giflib at the last frame: a file cut after them still
// decodes, so its closing chunk (PNG's IEND) or byte (GIF's trailer) tells.
bool PngEnds(Bytes bytes) {
    static constexpr std::uint8_t kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    return bytes.size() >= sizeof kEnd && std::equal(std::begin(kEnd), std::end(kEnd), bytes.end() - sizeof kEnd);
}
bool GifEnds(Bytes bytes) { return !bytes.empty() && bytes.back() == 0x3B; }

int CountGifFrames(Bytes bytes, int& width, int& height) {
    int frames = 0;
    ReadGifFrames(
        bytes,
        [&](int w, int h) {
            width = w;
            height = h;
        },
        [&](const Picture&) { ++frames; });
    return frames;
}

void JudgePicture(Bytes bytes, ContentInfo& info) {
    try {
        switch (info.kind) {
        case ContentKind::C10: {
            const C10Properties p = ReadC10Properties(bytes);
            info.c10 = p;
            info.width = p.width;
            info.height = p.height;
            info.frames = p.form == C10Form::Header ? p.frameCount : 1;
            const bool whole = p.form == C10Form::Header ? HeaderFormWhole(bytes, p) : TrailerFormWhole(bytes);
            if (!whole) {
                info.damaged = true;
                info.problem = "кадр выходит за конец файла";
            }
            return;
        }
        case ContentKind::Gif:
            info.frames = CountGifFrames(bytes, info.width, info.height);
            if (!GifEnds(bytes)) {
                info.damaged = true;
                info.problem = "нет конца файла GIF (файл обрезан)";
            }
            return;
        case ContentKind::Jpeg:
        case ContentKind::Bmp:
        case ContentKind::Png: {
            const Picture picture = DecodePicture(bytes, info.kind);
            info.width = picture.width;
            info.height = picture.height;
            info.frames = 1;
            if ((info.kind == ContentKind::Jpeg && !JpegEnds(bytes)) || (info.kind == ContentKind::Png && !PngEnds(bytes))) {
                info.damaged = true;
                info.problem = "нет конца изображения (файл обрезан)";
            }
            return;
        }
        case ContentKind::Text:
        case ContentKind::Other: return;
        }
    } catch (const std::exception& e) {
        info.damaged = true;
        info.problem = e.what();
    }
}

}  // namespace

ContentInfo JudgeContent(std::span<const std::uint8_t> bytes, const std::string& extension) {
    ContentInfo info;
    const auto set = [&info](ContentKind kind, const char* name) {
        info.kind = kind;
        info.kindName = name;
    };
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        set(ContentKind::Png, "PNG");
    } else if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) || StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
        set(ContentKind::Gif, "GIF");
    } else if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
        set(ContentKind::Jpeg, "JPEG");
    } else if (LooksLikeBmp(bytes)) {
        set(ContentKind::Bmp, "BMP");
    } else if (HeaderFormMarked(bytes) && HeaderFormWhole(bytes, ReadC10Properties(bytes))) {
        set(ContentKind::C10, "C10");
    } else if (const auto encoding = TextEncoding(bytes)) {
        set(ContentKind::Text, "text");
        info.encoding = *encoding;
        return info;
    } else if (HeaderFormMarked(bytes) || TrailerFormWhole(bytes)) {
        // A marked header form that is not whole is a C10 file cut short or broken.
        set(ContentKind::C10, "C10");
    } else {
        info.kindName = extension;
        return info;
    }
    JudgePicture(bytes, info);
    return info;
}

std::string DescribeContent(const ContentInfo& info) {
    switch (info.kind) {
    case ContentKind::Text: return "текст (" + info.encoding + ")";
    case ContentKind::Other: return "файл " + info.kindName;
    default: break;
    }
    if (info.damaged) return info.kindName + " (повреждён: " + info.problem + ")";
    std::string text = info.kindName + " " + std::to_string(info.width) + " x " + std::to_string(info.height);
    if (info.frames != 1) text += ", кадров: " + std::to_string(info.frames);
    return text;
}

std::string ContentText(std::span<const std::uint8_t> bytes, const ContentInfo& info) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (info.encoding == "Windows-1251") return Cp1251ToUtf8(text);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return std::string(text);
}

Picture DecodePicture(std::span<const std::uint8_t> bytes, ContentKind kind) {
    switch (kind) {
    case ContentKind::Jpeg: return DecodeJpeg(bytes);
    case ContentKind::Bmp: return DecodeBmp(bytes);
    case ContentKind::Png: return DecodePng(bytes);
    case ContentKind::Gif: {
        std::optional<Picture> first;
        struct Enough {};
        try {
            ReadGifFrames(bytes, [](int, int) {}, [&](const Picture& shown) {
                first = shown;
                throw Enough{};  // the first frame is all that is shown
            });
        } catch (const Enough&) {
        }
        if (!first) Refuse("В файле GIF нет ни одного кадра.");
        return *first;
    }
    case ContentKind::C10: return C10Frames({bytes.begin(), bytes.end()}).Shown();
    case ContentKind::Text:
    case ContentKind::Other: break;
    }
    Refuse("Это не изображение.");
}

// ---- C10 frames ----

C10Frames::C10Frames(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    first_ = ReadC10Properties(bytes_);
    Restart();
}

void C10Frames::Restart() {
    current_ = {first_.frameCount, first_.dataSize, first_.paletteCount, first_.dataStart};
    frameCount_ = first_.frameCount;
    frame_ = 1;
    picture_ = Picture(first_.width, first_.height);  // white, as "Открыть" starts
    DecodeC10Frame(bytes_, current_.dataStart, current_.paletteCount, first_.width, first_.height, picture_);
}

void C10Frames::Next() {
    if (!HasNext()) return;
    current_ = ReadNextFrameProperties(bytes_, current_.dataStart, current_.dataSize);
    frameCount_ = current_.frameCount;
    ++frame_;
    DecodeC10Frame(bytes_, current_.dataStart, current_.paletteCount, first_.width, first_.height, picture_);
}

}  // namespace vesk
