#pragma once
// Hand-built C10 files for the tests: each byte written out, so a test reads like the layout.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vesk::test {

// Colours as the decoder gives them (0x00BBGGRR) for a few RGB565 values.
inline constexpr std::uint32_t kRed = 0x0000F8;     // F800
inline constexpr std::uint32_t kGreen = 0x00FC00;   // 07E0
inline constexpr std::uint32_t kBlue = 0xF80000;    // 001F
inline constexpr std::uint32_t kWhite = 0xF8FCF8;   // FFFF
inline constexpr std::uint32_t kBlack = 0x000000;   // 0000
inline constexpr std::uint32_t kUntouched = 0x123456;  // a colour no C10 value decodes to

class C10Builder {
public:
    C10Builder& Add(std::initializer_list<int> bytes) {
        for (int b : bytes) bytes_.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    C10Builder& Word(int value) { return Add({value & 0xFF, (value >> 8) & 0xFF}); }
    // A frame header of the header form; the data size is filled in by EndFrame.
    C10Builder& FrameHeader(int frameCount, int paletteCount) {
        headerAt_ = bytes_.size();
        Add({0xFF, frameCount, 0x01, 0, 0, 0, 0, 0x09, paletteCount});
        return *this;
    }
    C10Builder& EndFrame() {
        const std::size_t size = bytes_.size() - (headerAt_ + 9);
        bytes_[headerAt_ + 3] = static_cast<std::uint8_t>(size & 0xFF);
        bytes_[headerAt_ + 4] = static_cast<std::uint8_t>(size >> 8);
        return *this;
    }
    std::vector<std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t headerAt_ = 0;
};

// A header-form file: width, height and one frame of the given palette and stream.
inline std::vector<std::uint8_t> OneFrameFile(int width, int height, std::initializer_list<int> palette,
                                             std::initializer_list<int> stream) {
    C10Builder b;
    b.Add({width, height}).FrameHeader(1, static_cast<int>(palette.size()));
    for (int colour : palette) b.Word(colour);
    b.Add(stream).EndFrame();
    return b.Bytes();
}

}  // namespace vesk::test
