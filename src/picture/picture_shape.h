#pragma once
// What a file holds as a picture, judged by its content rather than its name (a dump's entries
// have none that tells): the kind, and the size of its first frame. Replacing a picture of a
// dump uses it to see whether the phone gets a picture of the kind and size it had, and to fit
// a new picture into the old one's kind and size.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/content_judge.h"
#include "platform/picture.h"

namespace vesk {

struct PictureShape {
    ContentKind kind = ContentKind::C10;  // one of the five picture kinds
    int width = 0;
    int height = 0;

    bool operator==(const PictureShape&) const = default;
};

// "C10", "JPEG", "BMP", "PNG", "GIF".
std::string KindName(ContentKind kind);
// "JPEG 96 x 72".
std::string ShapeText(const PictureShape& shape);
// ".c10", ".jpg", ".bmp", ".png", ".gif": what a file of the kind is named with.
std::string KindExtension(ContentKind kind);

// The picture a file holds when JudgeContent finds a whole one of at least 1 x 1 in it. Anything
// else, a damaged or truncated picture among them, is none.
std::optional<PictureShape> JudgePicture(std::span<const std::uint8_t> bytes);

// The first frame of a file that JudgePicture takes, decoded; refuses any other file.
Picture DecodePicture(std::span<const std::uint8_t> bytes);

// `picture` scaled to fit into width x height with its aspect kept (averaging the pixels it
// shrinks, repeating those it enlarges), centred, the rest black.
Picture FitInto(const Picture& picture, int width, int height);

// The bytes of a file of `kind` holding `picture`: C10 in the compact coding, JPEG, BMP, PNG, a
// still GIF. Refused as the kind's writer refuses (an empty JPEG, a C10 over 255 a side).
std::vector<std::uint8_t> EncodePicture(const Picture& picture, ContentKind kind);

}  // namespace vesk
