// Reading any file as a GIF: giflib's failures come back as "GIF error: ..." or a refusal, never
// as a crash, a leak or a read past the input. Every frame shown has the screen's size and
// nothing above blue. Where the GIF becomes a C10, the C10 shows those very frames in RGB565
// when it is decoded as "Открыть" and "Кадр" decode it.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "fuzz_support.h"
#include "hextext/hextext.h"
#include "picture/animation.h"
#include "picture/c10_codec.h"
#include "picture/gif_reader.h"

using namespace vesk;

namespace {

// Beyond these the conversion costs seconds under the sanitizers; it does not depend on the size.
constexpr std::int64_t kConvertedPixels = 64 * 64;
constexpr std::size_t kConvertedFrames = 16;
// A screen of the largest size the limits allow is read fine but slowly; the limits have tests.
constexpr std::int64_t kReadPixels = 1024 * 1024;

std::uint32_t InRgb565(std::uint32_t colour) { return Rgb565ToColor(ColorToRgb565(colour)); }

// The C10's frames as the window steps through them, each compared with the reader's.
void CheckC10(const std::vector<std::uint8_t>& c10, const std::vector<Picture>& frames) {
    const C10Properties first = ReadC10Properties(c10);
    if (first.form != C10Form::Header || first.frameCount != static_cast<int>(frames.size()) ||
        first.width != frames[0].width || first.height != frames[0].height) {
        fuzz::Fail("the C10's header does not describe the GIF's frames");
    }
    Picture shown(first.width, first.height);
    C10FrameProperties frame{first.frameCount, first.dataSize, first.paletteCount, first.dataStart};
    for (std::size_t k = 0; k < frames.size(); ++k) {
        if (k > 0) frame = ReadNextFrameProperties(c10, frame.dataStart, frame.dataSize);
        if (frame.frameCount != static_cast<int>(frames.size())) fuzz::Fail("a frame header holds another frame count");
        DecodeC10Frame(c10, frame.dataStart, frame.paletteCount, first.width, first.height, shown);
        for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
            if (shown.pixels[i] != InRgb565(frames[k].pixels[i])) fuzz::Fail("a C10 frame differs from the GIF's");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> gif(data, size);
    int width = -1, height = -1;
    std::vector<Picture> frames;
    bool converted = true;  // whether the conversion is cheap enough to check
    try {
        ReadGifFrames(
            gif,
            [&](int w, int h) {
                width = w;
                height = h;
                if (static_cast<std::int64_t>(w) * h > kReadPixels) Refuse("larger than the fuzzing reads");
                converted = static_cast<std::int64_t>(w) * h <= kConvertedPixels;
            },
            [&](const Picture& shown) {
                if (shown.width != width || shown.height != height ||
                    shown.pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
                    fuzz::Fail("a frame of another size than the screen");
                }
                for (const std::uint32_t pixel : shown.pixels) {
                    if (pixel >> 24) fuzz::Fail("a pixel with bits above blue");
                }
                if (frames.size() < kConvertedFrames) frames.push_back(shown); else converted = false;
            });
    } catch (const Refusal&) {
        return 0;
    } catch (const Error& e) {
        const std::string text = e.what();
        if (text.rfind("GIF error: ", 0) != 0 && text.rfind("Изображение слишком большое", 0) != 0) {
            fuzz::Fail("a failure that is neither giflib's nor the limits': " + text);
        }
        return 0;
    }
    if (!converted || width == 0 || height == 0 || width > 255 || height > 255) return 0;
    std::vector<std::uint8_t> c10;
    try {
        c10 = ConvertGifToC10(gif);
    } catch (const Refusal&) {
        return 0;  // a frame too large to chain: the encoder's own tests hold that case
    } catch (const Error& e) {
        fuzz::Fail(std::string("a GIF that reads does not convert: ") + e.what());
    }
    try {
        CheckC10(c10, frames);
    } catch (const Error& e) {
        fuzz::Fail(std::string("the C10 made of a GIF does not read back: ") + e.what());
    }
    return 0;
}
