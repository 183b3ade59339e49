#include <string>

#include "base/error.h"
#include "picture/animation.h"
#include "picture/c10_compact.h"
#include "picture/gif_reader.h"

namespace vesk {

std::vector<std::uint8_t> ConvertGifToC10(std::span<const std::uint8_t> gif) {
    C10FrameWriter c10;
    int frames = 0;
    ReadGifFrames(
        gif,
        [](int width, int height) {
            // Refused before a frame is decoded.
            CheckC10Size(width, height);
            if (width == 0 || height == 0) {
                Refuse("Нечего сохранять в C10: изображение GIF пустое (" + std::to_string(width) + " x " +
                       std::to_string(height) + ").");
            }
        },
        [&](const Picture& shown) {
            // Decoding stops at the first frame too many.
            if (++frames > kC10MaxFrames) {
                Refuse("Нельзя сохранить в C10 анимацию: в GIF больше " + std::to_string(kC10MaxFrames) +
                       " кадров, а в C10 их не больше " + std::to_string(kC10MaxFrames) + ". Файл не записан.");
            }
            c10.Add(shown);
        });
    return c10.Finish();
}

}  // namespace vesk
