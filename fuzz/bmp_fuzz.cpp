// Opening any file as a BMP. What opens must save and open again to the same pixels.
#include <cstdint>
#include <span>

#include "c10/bmp_file.h"
#include "fuzz_support.h"
#include "hextext/error.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Picture picture;
    try {
        picture = DecodeBmp(std::span(data, size));
    } catch (const Error&) {
        return 0;  // "Bitmap image is not valid", or a size past the limits
    }
    if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        fuzz::Fail("the picture's pixels do not match its size");
    }
    // The round trip costs seconds under the sanitizers for the largest pictures the limits let
    // in (a run-length bitmap of a few bytes can claim them); those are checked by their size.
    if (picture.pixels.size() > 4 * 1024 * 1024) return 0;
    const Picture again = DecodeBmp(EncodeBmp(picture));
    if (again.width != picture.width || again.height != picture.height || again.pixels != picture.pixels) {
        fuzz::Fail("a BMP we wrote does not read back the same");
    }
    return 0;
}
