// Opening any file as a JPEG: the library's failures come back as "JPEG error #n", never as a
// crash, a leak or a jump past our frames.
#include <cstdint>
#include <span>

#include "base/error.h"
#include "fuzz_support.h"
#include "picture/jpeg_file.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const Picture picture = DecodeJpeg(std::span(data, size));
        if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
            fuzz::Fail("the picture's pixels do not match its size");
        }
        for (const std::uint32_t pixel : picture.pixels) {
            if (pixel >> 24) fuzz::Fail("a pixel with bits above blue");
        }
    } catch (const Error&) {
    }
    return 0;
}
