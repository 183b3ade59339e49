#pragma once
// What the sample dump holds: a phone's worth of small files made here, byte for byte the same
// on every run. Names are those of the dump's list: without extension, at most seven letters,
// so that a name with the extension that unpacking adds still fits the list's 11 bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "samples/c10_writer.h"

namespace vesk::samples {

struct SampleFile {
    std::string name;       // as listed in the dump (UTF-8)
    std::string extension;  // of the source file in samples/
    std::vector<std::uint8_t> content;
};

// The files of the sample dump besides the system files, in build-list order.
std::vector<SampleFile> SampleFiles();

// The multi-frame header-form picture "Шарик": a ball bouncing over a checkered floor, each
// frame with its own palette.
inline constexpr int kBallSize = 64;
std::vector<C10Frame> BallFrames();
// The trailer-form picture "Фон".
inline constexpr int kBackgroundWidth = 48;
inline constexpr int kBackgroundHeight = 32;
C10Frame BackgroundFrame();

}  // namespace vesk::samples
