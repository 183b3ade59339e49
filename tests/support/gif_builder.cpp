#include "support/gif_builder.h"

#include <gif_lib.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace vesk::test {
namespace {

int Append(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

void Check(int result, GifFileType* gif) {
    if (result == GIF_ERROR) throw std::runtime_error(std::string("giflib: ") + GifErrorString(gif->Error));
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using Map = std::unique_ptr<ColorMapObject, MapDeleter>;

Map MakeMap(const std::vector<GifColour>& colours) {
    if (colours.empty()) return nullptr;
    int size = 2;
    while (size < static_cast<int>(colours.size())) size *= 2;
    std::vector<GifColorType> padded(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i) padded[i] = {colours[i].red, colours[i].green, colours[i].blue};
    return Map(GifMakeMapObject(size, padded.data()));
}

// The order in which an interlaced image's rows are stored: every 8th from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int> StoredRows(int height, bool interlaced) {
    std::vector<int> rows;
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    for (int y = 0; y < height; y += 8) rows.push_back(y);
    for (int y = 4; y < height; y += 8) rows.push_back(y);
    for (int y = 2; y < height; y += 4) rows.push_back(y);
    for (int y = 1; y < height; y += 2) rows.push_back(y);
    return rows;
}

}  // namespace

std::vector<std::uint8_t> MakeGif(int width, int height, const std::vector<GifColour>& global,
                                  const std::vector<GifFrameSpec>& frames) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    if (!gif) throw std::runtime_error("giflib cannot open an encoder");
    const auto close = [](GifFileType* g) { EGifCloseFile(g, nullptr); };
    std::unique_ptr<GifFileType, decltype(close)> owner(gif, close);
    EGifSetGifVersion(gif, true);
    const Map globalMap = MakeMap(global);
    Check(EGifPutScreenDesc(gif, width, height, 8, 0, globalMap.get()), gif);
    for (const GifFrameSpec& f : frames) {
        GraphicsControlBlock control{f.disposal, false, 10, f.transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension), gif);
        const Map local = MakeMap(f.palette);
        if (!local && gif->Image.ColorMap) {
            // giflib 5.2 drops the frame before's own palette here without freeing it.
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        Check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local.get()), gif);
        std::vector<GifPixelType> row(static_cast<std::size_t>(f.width));
        for (const int y : StoredRows(f.height, f.interlaced)) {
            for (int x = 0; x < f.width; ++x) row[static_cast<std::size_t>(x)] = f.indices.at(static_cast<std::size_t>(y * f.width + x));
            Check(EGifPutLine(gif, row.data(), f.width), gif);
        }
    }
    owner.release();
    if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error("giflib cannot finish the file");
    return out;
}

std::vector<std::uint8_t> WithScreenSize(std::vector<std::uint8_t> gif, int width, int height) {
    gif.at(6) = static_cast<std::uint8_t>(width & 0xFF);
    gif.at(7) = static_cast<std::uint8_t>(width >> 8);
    gif.at(8) = static_cast<std::uint8_t>(height & 0xFF);
    gif.at(9) = static_cast<std::uint8_t>(height >> 8);
    return gif;
}

}  // namespace vesk::test
