// Opening any file as a PNG: the library's failures come back as "PNG error: ..." or the limits'
// refusal, never as a crash, a leak or a jump past our frames. What opens has a pixel for every
// place and nothing above blue, and saves and opens again to the same pixels.
#include <cstdint>
#include <span>

#include "base/error.h"
#include "fuzz_support.h"
#include "picture/png_file.h"

using namespace vesk;

namespace {

// Beyond this the round trip costs seconds under the sanitizers; it does not depend on the size.
constexpr std::size_t kRoundTripPixels = 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Picture picture;
    try {
        picture = DecodePng(std::span(data, size));
    } catch (const Error&) {
        return 0;
    }
    if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        fuzz::Fail("the picture's pixels do not match its size");
    }
    for (const std::uint32_t pixel : picture.pixels) {
        if (pixel >> 24) fuzz::Fail("a pixel with bits above blue");
    }
    if (picture.pixels.empty() || picture.pixels.size() > kRoundTripPixels) return 0;
    try {
        if (DecodePng(EncodePng(picture)).pixels != picture.pixels) fuzz::Fail("saved and opened again, the pixels differ");
    } catch (const Error& e) {
        fuzz::Fail(std::string("a picture that opened does not save and open again: ") + e.what());
    }
    return 0;
}
