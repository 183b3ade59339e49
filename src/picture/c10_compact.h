#pragma once
// Compact C10: the header form that EncodeC10 writes, but each frame with a palette and the
// shortest runs the decoder reads instead of one direct run per pixel. Decoding gives exactly
// the pixels that EncodeC10 gives (every colour reduced to RGB565 alike), and the file is never
// longer than EncodeC10's.
//
// A frame: its 9-byte header (frame count, data size, palette count), the palette (the colours
// that pay for their two bytes, at most 255), then runs that end with the frame's last pixel.
// The data size counts the palette's and the runs' bytes, so that "Кадр" finds the next frame.
// A lone frame whose data passes 65535 bytes gets data size 0, as EncodeC10 writes it (nothing
// reads it there); an animation with such a frame is refused. The header in front of every
// frame but the first starts with 0x01 where EncodeC10 writes 0xFF: the decoder of the frame
// before reads that byte as one more run, and as a direct run of one pixel it falls below the
// picture and ends the decoding at once, reading nothing past the header.
#include <cstdint>
#include <vector>

#include "platform/picture.h"

namespace vesk {

// A frame count stands in one byte.
inline constexpr int kC10MaxFrames = 255;

// Refuses a size that a C10 header does not hold, with the message "Сохранить" shows.
void CheckC10Size(int width, int height);

// One frame: a drop-in for EncodeC10 where a small file is wanted. Refused over 255 pixels a side
// (EncodeC10 keeps only the low 8 bits of the size). An empty picture gives EncodeC10's 11 bytes.
std::vector<std::uint8_t> EncodeC10Compact(const Picture& picture);

// Frames of one size as one header-form file that "Кадр" steps through; one frame gives
// EncodeC10Compact's bytes. Refused: no frames, more than 255, frames of different sizes, over
// 255 pixels a side, and (with two frames or more) a frame whose data passes 65535 bytes.
std::vector<std::uint8_t> EncodeC10Frames(const std::vector<Picture>& frames);

// The same, a frame at a time, so that a long animation is held as encoded frames rather than as
// pictures. Each Add encodes its frame and refuses what EncodeC10Frames refuses about it.
class C10FrameWriter {
public:
    C10FrameWriter();
    C10FrameWriter(const C10FrameWriter&) = delete;
    C10FrameWriter& operator=(const C10FrameWriter&) = delete;
    ~C10FrameWriter();

    void Add(const Picture& frame);
    std::vector<std::uint8_t> Finish() const;

private:
    struct Frame;
    int width_ = 0;
    int height_ = 0;
    std::vector<Frame> frames_;
};

}  // namespace vesk
