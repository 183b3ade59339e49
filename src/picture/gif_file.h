#pragma once
// GIF through giflib, written only: an animation of pictures of one size, or one still picture.
// A frame of at most 256 colours keeps every colour exactly; one of more gets 256 chosen by the
// library's median cut. Every frame is a whole picture with a palette of its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace vesk {

// A GIF holds delays in hundredths of a second, up to 65535 of them.
inline constexpr int kGifMaxDelayMs = 655350;

class GifWriter {
public:
    // delayMs: how long each frame stays, rounded to hundredths of a second.
    explicit GifWriter(int delayMs);
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter();

    // Frames after the first must have its size. The frame is encoded at once; only the first is
    // kept until the second shows whether the file is an animation.
    void Add(const Picture& frame);
    // The file's bytes: one frame gives a still picture (no delay, no looping), more an animation
    // that loops for ever. At least one frame must have been added.
    std::vector<std::uint8_t> Finish();

private:
    struct Encoder;
    void Start(bool animated);
    void Put(const Picture& frame);

    int delay_;  // hundredths of a second
    int frames_ = 0;
    Picture first_;
    std::unique_ptr<Encoder> encoder_;
};

// One picture as a still GIF; refused when empty.
std::vector<std::uint8_t> EncodeGif(const Picture& picture);

}  // namespace vesk
