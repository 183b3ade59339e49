#include "picture/gif_file.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <unordered_map>

#include "base/error.h"

// giflib reports failures by return values and its file's error code; nothing jumps. Its
// output callback is ours and never lets an exception out.

namespace vesk {
namespace {

[[noreturn]] void ThrowGifError(int code) {
    const char* text = GifErrorString(code);
    ThrowError(std::string("GIF error: ") + (text ? text : std::to_string(code)));
}

int AppendToMemory(GifFileType* gif, const GifByteType* data, int length) {
    auto* output = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        output->insert(output->end(), data, data + length);
        return length;
    } catch (...) {
        return 0;  // giflib takes a short write as a failed one
    }
}

// A frame as palette indices and its palette.
struct IndexedFrame {
    std::vector<GifPixelType> indices;
    std::vector<GifColorType> colors;
};

GifColorType ColorOf(std::uint32_t pixel) {  // 0x00BBGGRR
    return {static_cast<GifByteType>(pixel & 0xFF), static_cast<GifByteType>((pixel >> 8) & 0xFF),
            static_cast<GifByteType>((pixel >> 16) & 0xFF)};
}

// Every colour kept when there are at most 256 of them (the usual case for the phone's pictures).
bool IndexExactly(const Picture& frame, IndexedFrame& out) {
    std::unordered_map<std::uint32_t, GifPixelType> index;
    out.indices.resize(frame.pixels.size());
    out.colors.clear();
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        const std::uint32_t pixel = frame.pixels[i] & 0x00FFFFFFu;
        auto found = index.find(pixel);
        if (found == index.end()) {
            if (out.colors.size() == 256) return false;
            found = index.emplace(pixel, static_cast<GifPixelType>(out.colors.size())).first;
            out.colors.push_back(ColorOf(pixel));
        }
        out.indices[i] = found->second;
    }
    return true;
}

void Quantize(const Picture& frame, IndexedFrame& out) {
    const std::size_t n = frame.pixels.size();
    std::vector<GifByteType> red(n), green(n), blue(n);
    for (std::size_t i = 0; i < n; ++i) {
        const GifColorType c = ColorOf(frame.pixels[i]);
        red[i] = c.Red;
        green[i] = c.Green;
        blue[i] = c.Blue;
    }
    int count = 256;
    out.colors.assign(256, GifColorType{});
    out.indices.resize(n);
    if (GifQuantizeBuffer(static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height), &count, red.data(),
                          green.data(), blue.data(), out.indices.data(), out.colors.data()) == GIF_ERROR) {
        ThrowGifError(E_GIF_ERR_NOT_ENOUGH_MEM);
    }
    out.colors.resize(static_cast<std::size_t>(std::clamp(count, 1, 256)));
}

// A palette's size is a power of two from 2 to 256; the rest is padded with black.
struct ColorMap {
    ColorMapObject* map;
    explicit ColorMap(const std::vector<GifColorType>& colors) {
        int size = 2;
        while (size < static_cast<int>(colors.size())) size *= 2;
        std::vector<GifColorType> padded(colors);
        padded.resize(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
        map = GifMakeMapObject(size, padded.data());
        if (!map) ThrowGifError(E_GIF_ERR_NOT_ENOUGH_MEM);
    }
    ColorMap(const ColorMap&) = delete;
    ColorMap& operator=(const ColorMap&) = delete;
    ~ColorMap() { GifFreeMapObject(map); }
};

}  // namespace

struct GifWriter::Encoder {
    std::vector<std::uint8_t> output;
    GifFileType* gif = nullptr;

    Encoder() {
        int error = 0;
        gif = EGifOpen(&output, AppendToMemory, &error);
        if (!gif) ThrowGifError(error);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder() {
        if (gif) EGifCloseFile(gif, nullptr);
    }
    void Check(int result) const {
        if (result == GIF_ERROR) ThrowGifError(gif->Error);
    }
    // Writes the trailer and frees the file.
    void Close() {
        int error = 0;
        const int result = EGifCloseFile(gif, &error);
        gif = nullptr;
        if (result == GIF_ERROR) ThrowGifError(error);
    }
};

GifWriter::GifWriter(int delayMs) : delay_(std::clamp((delayMs + 5) / 10, 0, 65535)) {}

GifWriter::~GifWriter() = default;

void GifWriter::Add(const Picture& frame) {
    if (frame.pixels.empty()) Refuse("Нечего сохранять в GIF: изображение пустое (" + std::to_string(frame.width) + " x " +
                                     std::to_string(frame.height) + ")");
    if (frames_ > 0 && (frame.width != first_.width || frame.height != first_.height)) {
        ThrowError("GIF error: the frames of one animation differ in size");
    }
    ++frames_;
    if (frames_ == 1) {
        first_ = frame;
        return;
    }
    if (frames_ == 2) {
        Start(true);
        Put(first_);
        first_.pixels = {};
    }
    Put(frame);
}

std::vector<std::uint8_t> GifWriter::Finish() {
    if (frames_ == 0) ThrowError("GIF error: no frame to write");
    if (frames_ == 1) {
        Start(false);
        Put(first_);
    }
    encoder_->Close();
    return std::move(encoder_->output);
}

void GifWriter::Start(bool animated) {
    encoder_ = std::make_unique<Encoder>();
    GifFileType* gif = encoder_->gif;
    EGifSetGifVersion(gif, animated);
    encoder_->Check(EGifPutScreenDesc(gif, first_.width, first_.height, 8, 0, nullptr));
    if (!animated) return;
    // The application extension that browsers read as "loop for ever".
    static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoopForever[] = {1, 0, 0};
    encoder_->Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    encoder_->Check(EGifPutExtensionBlock(gif, sizeof kNetscape, kNetscape));
    encoder_->Check(EGifPutExtensionBlock(gif, sizeof kLoopForever, kLoopForever));
    encoder_->Check(EGifPutExtensionTrailer(gif));
}

void GifWriter::Put(const Picture& frame) {
    GifFileType* gif = encoder_->gif;
    if (frames_ > 1) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;  // every frame covers the whole picture anyway
        control.UserInputFlag = false;
        control.DelayTime = delay_;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        std::array<GifByteType, 4> bytes{};
        EGifGCBToExtension(&control, bytes.data());
        encoder_->Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(bytes.size()), bytes.data()));
    }
    IndexedFrame indexed;
    if (!IndexExactly(frame, indexed)) Quantize(frame, indexed);
    const ColorMap map(indexed.colors);
    encoder_->Check(EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, map.map));
    encoder_->Check(EGifPutLine(gif, indexed.indices.data(), static_cast<int>(indexed.indices.size())));
}

std::vector<std::uint8_t> EncodeGif(const Picture& picture) {
    GifWriter writer(0);
    writer.Add(picture);
    return writer.Finish();
}

}  // namespace vesk
