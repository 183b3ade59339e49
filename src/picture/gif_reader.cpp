#include "picture/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/error.h"
#include "picture/picture_limits.h"

// giflib reports failures by return values and the file's error code; nothing jumps. The input
// callback is ours and throws nothing, so an exception leaves giflib only from our own frames.

namespace vesk {
namespace {

constexpr std::uint32_t kWhite = 0x00FFFFFF;

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

// Gives what is left when less is left than asked: giflib takes a short read as the file's end.
int ReadMemory(GifFileType* gif, GifByteType* data, int length) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(length, 0)), in->bytes.size() - in->at);
    if (n > 0) std::memcpy(data, in->bytes.data() + in->at, n);
    in->at += n;
    return static_cast<int>(n);
}

[[noreturn]] void ThrowGifError(int code) {
    const char* text = GifErrorString(code);
    ThrowError(std::string("GIF error: ") + (text ? text : std::to_string(code)));
}

class GifInput {
public:
    explicit GifInput(std::span<const std::uint8_t> bytes) : input_{bytes} {
        int error = 0;
        gif_ = DGifOpen(&input_, ReadMemory, &error);
        if (!gif_) ThrowGifError(error);
    }
    GifInput(const GifInput&) = delete;
    GifInput& operator=(const GifInput&) = delete;
    ~GifInput() { DGifCloseFile(gif_, nullptr); }

    GifFileType* operator->() const { return gif_; }
    GifFileType* get() const { return gif_; }
    void Check(int result) const {
        if (result == GIF_ERROR) ThrowGifError(gif_->Error);
    }

private:
    MemoryInput input_;
    GifFileType* gif_ = nullptr;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The rows of an interlaced image arrive in four passes.
int RowAt(int line, int height, bool interlaced) {
    if (!interlaced) return line;
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (line < rows) return kStart[pass] + line * kStep[pass];
        line -= rows;
    }
    return line;  // not reached: there are `height` lines
}

class Screen {
public:
    Screen(int width, int height) : picture_(width, height, kWhite) {}
    const Picture& Shown() const { return picture_; }

    std::uint32_t* Row(int y, int x) {
        return picture_.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture_.width) +
               static_cast<std::size_t>(x);
    }
    void Fill(const Rect& r, std::uint32_t colour) {
        for (int y = 0; y < r.height; ++y) std::fill_n(Row(r.top + y, r.left), r.width, colour);
    }
    std::vector<std::uint32_t> Copy(const Rect& r) {
        std::vector<std::uint32_t> copy;
        copy.reserve(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height));
        for (int y = 0; y < r.height; ++y) copy.insert(copy.end(), Row(r.top + y, r.left), Row(r.top + y, r.left) + r.width);
        return copy;
    }
    void Restore(const Rect& r, const std::vector<std::uint32_t>& copy) {
        for (int y = 0; y < r.height; ++y) {
            std::copy_n(copy.begin() + static_cast<std::ptrdiff_t>(y) * r.width, r.width, Row(r.top + y, r.left));
        }
    }

private:
    Picture picture_;
};

// Reads the image data of the frame just described and draws it.
void DrawFrame(const GifInput& gif, Screen& screen, const Rect& place, const ColorMapObject& map, int transparent) {
    if (place.width == 0 || place.height == 0) {  // nothing to draw; its data is skipped
        int codeSize = 0;
        GifByteType* block = nullptr;
        gif.Check(DGifGetCode(gif.get(), &codeSize, &block));
        while (block) gif.Check(DGifGetCodeNext(gif.get(), &block));
        return;
    }
    std::vector<std::uint32_t> colours(256, 0);  // an index past the palette draws black
    for (int i = 0; i < std::min(map.ColorCount, 256); ++i) {
        const GifColorType& c = map.Colors[i];
        colours[static_cast<std::size_t>(i)] = c.Red | c.Green << 8 | static_cast<std::uint32_t>(c.Blue) << 16;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(place.width));
    const bool interlaced = gif->Image.Interlace;
    for (int n = 0; n < place.height; ++n) {
        gif.Check(DGifGetLine(gif.get(), line.data(), place.width));
        std::uint32_t* row = screen.Row(place.top + RowAt(n, place.height, interlaced), place.left);
        for (int x = 0; x < place.width; ++x) {
            if (line[static_cast<std::size_t>(x)] != transparent) row[x] = colours[line[static_cast<std::size_t>(x)]];
        }
    }
}

}  // namespace

void ReadGifFrames(std::span<const std::uint8_t> bytes, const std::function<void(int width, int height)>& screenSize,
                   const std::function<void(const Picture& shown)>& frame) {
    const GifInput gif(bytes);
    const int width = gif->SWidth, height = gif->SHeight;
    CheckPictureSize(width, height);
    screenSize(width, height);

    Screen screen(width, height);
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    // The frame shown last, and how it is to be disposed of before the next one is drawn.
    int disposal = DISPOSAL_UNSPECIFIED;
    Rect shownPlace;
    std::vector<std::uint32_t> underShown;  // what its place held, for DISPOSE_PREVIOUS
    int frames = 0;

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        gif.Check(DGifGetRecordType(gif.get(), &type));
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            gif.Check(DGifGetExtension(gif.get(), &code, &block));
            // A graphics control block is for the next frame; one of another length is ignored.
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) DGifExtensionToGCB(4, block + 1, &control);
            while (block) gif.Check(DGifGetExtensionNext(gif.get(), &block));
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;  // giflib refuses any other record itself

        gif.Check(DGifGetImageDesc(gif.get()));
        ++frames;
        const GifImageDesc& desc = gif->Image;
        const Rect place{desc.Left, desc.Top, desc.Width, desc.Height};
        // Checked before its lines are read: the picture is the screen, and every frame its part.
        if (place.left + place.width > width || place.top + place.height > height) {
            Refuse("Кадры GIF разного размера: кадр " + std::to_string(frames) + " (" + std::to_string(place.width) + " x " +
                   std::to_string(place.height) + " с точки " + std::to_string(place.left) + ", " +
                   std::to_string(place.top) + ") выходит за пределы изображения " + std::to_string(width) + " x " +
                   std::to_string(height) + ".");
        }
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map) ThrowGifError(D_GIF_ERR_NO_COLOR_MAP);

        if (disposal == DISPOSE_BACKGROUND) screen.Fill(shownPlace, kWhite);
        if (disposal == DISPOSE_PREVIOUS) screen.Restore(shownPlace, underShown);
        disposal = control.DisposalMode;
        shownPlace = place;
        if (disposal == DISPOSE_PREVIOUS) underShown = screen.Copy(place);

        DrawFrame(gif, screen, place, *map, control.TransparentColor);
        control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        frame(screen.Shown());
    }
    if (frames == 0) Refuse("В файле GIF нет ни одного кадра.");
}

}  // namespace vesk
