#pragma once
// GIF read through giflib: every frame as a viewer shows it. Frames are drawn onto the GIF's
// logical screen (its picture size) at their places, through their own or the global palette;
// a transparent pixel leaves what was there, and before each frame the one before is disposed
// of as it asks: kept, its place cleared, or the place given back what it held before it. The
// screen starts white and a cleared place turns white, as the program lays any transparency
// over white. A palette index past the palette's end draws black.
//
// Refused: a frame that reaches past the logical screen (a frame of another size than the
// picture), a GIF without frames, a screen larger than the picture limits. giflib's failures (a
// file cut short, a broken image) read "GIF error: <giflib's message>", as the GIF writer's do.
#include <cstdint>
#include <functional>
#include <span>

#include "platform/picture.h"

namespace vesk {

// Decodes the GIF frame by frame. `screen` gets the logical screen's size before any frame is
// decoded and may throw to refuse it; `frame` gets the screen as it shows after each frame (the
// picture changes after the call) and may throw to stop.
void ReadGifFrames(std::span<const std::uint8_t> bytes, const std::function<void(int width, int height)>& screen,
                   const std::function<void(const Picture& shown)>& frame);

}  // namespace vesk
