// The C10 codec on any file and any values in the property fields: ReadC10Properties,
// ReadNextFrameProperties and DecodeC10Frame directly, then the picture page's commands as
// the user drives them (open, type into the fields, preview, step through frames). Decoding
// must never change the picture's size.
//
// Input: five numbers that the user types into "Начальный адрес", "Палитра", "Ширина",
// "Высота" and "Размер" (as signed 32-bit values), then the file.
#include <cstdint>
#include <functional>
#include <string>

#include "base/error.h"
#include "form/form.h"
#include "fuzz_support.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"

using namespace vesk;

namespace {

void Quietly(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error&) {
        // "Read beyond end of file" and the like end a command; they are documented results.
    }
}

void Decode(std::span<const std::uint8_t> file, std::int64_t dataStart, std::int64_t palette, std::int64_t width,
            std::int64_t height, Picture& picture) {
    const int w = picture.width, h = picture.height;
    Quietly([&] { DecodeC10Frame(file, dataStart, palette, width, height, picture); });
    if (picture.width != w || picture.height != h ||
        picture.pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
        fuzz::Fail("decoding changed the picture's size");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const auto dataStart = static_cast<std::int32_t>(in.Number());
    const auto palette = static_cast<std::int32_t>(in.Number());
    const auto width = static_cast<std::int32_t>(in.Number());
    const auto height = static_cast<std::int32_t>(in.Number());
    const auto dataSize = static_cast<std::int32_t>(in.Number());
    const std::vector<std::uint8_t> file = in.Rest();

    // The codec as the file describes itself.
    Quietly([&] {
        const C10Properties p = ReadC10Properties(file);
        if (p.width < 0 || p.width > 255 || p.height < 0 || p.height > 255) fuzz::Fail("a C10 side above 255");
        Picture picture(p.width, p.height);
        Decode(file, p.dataStart, p.paletteCount, p.width, p.height, picture);
        Quietly([&] { ReadNextFrameProperties(file, p.dataStart, p.dataSize); });
    });
    // And with whatever the fields hold.
    Picture small(17, 9);
    Decode(file, dataStart, palette, width, height, small);
    Quietly([&] { ReadNextFrameProperties(file, dataStart, dataSize); });

    // The commands: open, type the values, preview, then three presses of the frame button.
    const std::string path = fuzz::ScratchFolder() + "picture.c10";
    fuzz::WriteFile(path, file);
    Form form;
    fuzz::QuietHost host;
    Quietly([&] { OpenImage(form, host, path, PictureKind::C10); });
    Quietly([&] { NextFrame(form, host); });
    form.DataStartEdit = std::to_string(dataStart);
    form.PaletteCountEdit = std::to_string(palette);
    form.ImageWidthEdit = std::to_string(width);
    form.ImageHeightEdit = std::to_string(height);
    form.DataSizeEdit = std::to_string(dataSize);
    Quietly([&] { PreviewImage(form, host); });
    for (int press = 0; press < 3; ++press) Quietly([&] { NextFrame(form, host); });
    return 0;
}
