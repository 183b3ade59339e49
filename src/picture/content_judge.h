#pragma once
// What a file holds, judged by its content rather than its name (a dump's entries have none that
// tells): a picture of one of the five kinds, whole or damaged, text in either encoding, or
// anything else. The entry viewer, `vesk info DUMP NAME` and the replacing of a dump's pictures
// (through JudgePicture) all judge here, so they agree on what is a picture.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/c10_codec.h"
#include "platform/picture.h"

namespace vesk {

enum class ContentKind { C10, Jpeg, Bmp, Png, Gif, Text, Other };

struct ContentInfo {
    ContentKind kind = ContentKind::Other;
    // "C10", "JPEG", "BMP", "PNG", "GIF", "text", or for anything else the [EXT] extension the
    // file is unpacked with (".mid").
    std::string kindName;
    std::string encoding;  // text: "UTF-8" or "Windows-1251"
    // A picture that its reader refuses or that ends before its pixels do; `problem` says why.
    bool damaged = false;
    std::string problem;
    int width = 0;
    int height = 0;
    int frames = 0;
    std::optional<C10Properties> c10;  // a C10 file's properties, as "Открыть" reads them

    bool IsPicture() const { return kind != ContentKind::Text && kind != ContentKind::Other; }
};

// What the bytes hold. The picture kinds are told by their signatures, C10 (which has none) by
// its layout: a header or trailer form whose runs cover every pixel inside the file. `extension`
// is what [EXT] gives the file; it names the kind of anything that is no picture and no text.
// Never throws for any bytes: a picture that does not decode comes back damaged.
ContentInfo JudgeContent(std::span<const std::uint8_t> bytes, const std::string& extension);

// One line for people: "C10 64 x 64, кадров: 6", "текст (UTF-8)", "JPEG (повреждён: ...)",
// "файл .mid".
std::string DescribeContent(const ContentInfo& info);

// A text file's characters as UTF-8: a byte order mark dropped, Windows-1251 converted.
std::string ContentText(std::span<const std::uint8_t> bytes, const ContentInfo& info);

// The first frame of a JPEG, BMP, PNG or GIF file (a GIF's as a viewer shows it). Throws the
// reader's error.
Picture DecodePicture(std::span<const std::uint8_t> bytes, ContentKind kind);

// The frames of a C10 file as the "Кадр" button steps through them: each drawn over the one
// before, the next frame found through the frame header after the current data, the last one
// reached when the frame count that header holds is passed.
class C10Frames {
public:
    // Reads the properties and draws frame 1; throws what the codec throws.
    explicit C10Frames(std::vector<std::uint8_t> bytes);

    const Picture& Shown() const { return picture_; }
    int Frame() const { return frame_; }
    int FrameCount() const { return frameCount_; }
    bool HasNext() const { return frame_ < frameCount_; }
    // Draws the next frame; throws what the codec throws (the frame drawn so far stays).
    void Next();
    // Back to frame 1.
    void Restart();

private:
    std::vector<std::uint8_t> bytes_;
    C10Properties first_;
    C10FrameProperties current_;
    Picture picture_;
    int frame_ = 0;
    int frameCount_ = 0;
};

}  // namespace vesk
