// GIF files written by giflib's encoder, read frame by frame as a viewer composes them, and
// converted into one compact C10 that "Открыть" and "Кадр" show frame for frame.
#include "picture/gif_reader.h"

#include <gtest/gtest.h>

#include <gif_lib.h>

#include <random>
#include <string>

#include "hextext/hextext.h"
#include "picture/animation.h"
#include "picture/commands.h"
#include "support/error_text.h"
#include "support/gif_builder.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;
using test::GifColour;
using test::GifFrameSpec;
using test::MakeGif;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t W = 0xFFFFFF;  // white: nothing drawn there
constexpr std::uint32_t R = 0x0000FF, G = 0x00FF00, B = 0xFF0000, Y = 0x00FFFF;
constexpr std::uint32_t A = 0x1E140A, C = 0x3264C8;  // the local palette's (10, 20, 30) and (200, 100, 50)

std::vector<Picture> Frames(const Bytes& gif) {
    std::vector<Picture> frames;
    ReadGifFrames(gif, [](int, int) {}, [&](const Picture& shown) { frames.push_back(shown); });
    return frames;
}

Picture Pixels(int width, int height, std::vector<std::uint32_t> pixels) {
    Picture picture(width, height);
    picture.pixels = std::move(pixels);
    return picture;
}

// 4 x 3, global palette red, green, blue, yellow: four frames at places of their own, one with a
// palette of its own, with each disposal and a transparent index.
Bytes Disposals() {
    const std::vector<GifColour> global{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    std::vector<GifFrameSpec> frames(4);
    frames[0] = {0, 0, 2, 2, {0, 1, 3, 2}, {}, DISPOSE_DO_NOT, 3};          // yellow is transparent
    frames[1] = {1, 2, 3, 1, {0, 1, 0}, {{10, 20, 30}, {200, 100, 50}}, DISPOSE_BACKGROUND};
    frames[2] = {3, 0, 1, 3, {2, 2, 2}, {}, DISPOSE_PREVIOUS};
    frames[3] = {0, 2, 2, 1, {1, 0}, {}, DISPOSAL_UNSPECIFIED};
    return MakeGif(4, 3, global, frames);
}

// What a viewer shows for each frame of Disposals().
std::vector<Picture> DisposalsShown() {
    return {
        Pixels(4, 3, {R, G, W, W,
                      W, B, W, W,
                      W, W, W, W}),  // the transparent pixel shows the white it was never covered from
        Pixels(4, 3, {R, G, W, W,
                      W, B, W, W,
                      W, A, C, A}),
        Pixels(4, 3, {R, G, W, B,   // frame 2's place cleared to white first
                      W, B, W, B,
                      W, W, W, B}),
        Pixels(4, 3, {R, G, W, W,   // frame 3's place given back what it held
                      W, B, W, W,
                      G, R, W, W}),
    };
}

TEST(ReadGifFrames, ComposesEveryFrameAsAViewerShowsIt) {
    int screenWidth = 0, screenHeight = 0;
    std::vector<Picture> frames;
    ReadGifFrames(Disposals(), [&](int w, int h) { screenWidth = w, screenHeight = h; },
                  [&](const Picture& shown) { frames.push_back(shown); });
    EXPECT_EQ(screenWidth, 4);
    EXPECT_EQ(screenHeight, 3);
    const std::vector<Picture> expected = DisposalsShown();
    ASSERT_EQ(frames.size(), expected.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        EXPECT_EQ(frames[k].width, 4);
        EXPECT_EQ(frames[k].pixels, expected[k].pixels) << "frame " << k + 1;
    }

    // Interlaced rows arrive in four passes and land in their own places.
    std::vector<GifColour> grey;
    for (int i = 0; i < 16; ++i) grey.push_back({static_cast<std::uint8_t>(16 * i), static_cast<std::uint8_t>(16 * i), 0});
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < 11; ++y) rows.insert(rows.end(), {static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(15 - y)});
    frames = Frames(MakeGif(2, 11, grey, {{0, 0, 2, 11, rows, {}, 0, -1, true}}));
    ASSERT_EQ(frames.size(), 1u);
    for (int y = 0; y < 11; ++y) {
        EXPECT_EQ(frames[0].Pixel(0, y), PackColor(16 * y, 16 * y, 0)) << "row " << y;
        EXPECT_EQ(frames[0].Pixel(1, y), PackColor(16 * (15 - y), 16 * (15 - y), 0)) << "row " << y;
    }
}

// The frames "Открыть" and "Кадр" show for a C10 file.
std::vector<Picture> FramesAsShown(const Bytes& c10) {
    test::TempFolder folder;
    const std::string path = folder.Write("anim.c10", c10);
    Form form;
    test::RecordingHost host;
    OpenImage(form, host, path, PictureKind::C10);
    std::vector<Picture> shown{form.ImageView};
    while (form.NextFrameButtonEnabled) {
        NextFrame(form, host);
        shown.push_back(form.ImageView);
    }
    return shown;
}

Picture InRgb565(Picture picture) {
    for (std::uint32_t& p : picture.pixels) p = Rgb565ToColor(ColorToRgb565(p));
    return picture;
}

TEST(ConvertGifToC10, GivesTheGifsFramesInRgb565) {
    std::vector<Picture> shown = FramesAsShown(ConvertGifToC10(Disposals()));
    std::vector<Picture> expected = DisposalsShown();
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t k = 0; k < shown.size(); ++k) EXPECT_EQ(shown[k].pixels, InRgb565(expected[k]).pixels) << "frame " << k + 1;

    // Larger: a noisy 200 x 150 picture of 256 colours, a part of it redrawn through a palette of
    // its own with holes, then the whole picture again.
    std::mt19937 random(4);
    std::vector<GifColour> global(256), local(256);
    for (GifColour& c : global) c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
    for (GifColour& c : local) c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
    const auto noise = [&](std::size_t n) {
        std::vector<std::uint8_t> v(n);
        for (std::uint8_t& i : v) i = static_cast<std::uint8_t>(random());
        return v;
    };
    const auto colour = [](const GifColour& c) { return PackColor(c.red, c.green, c.blue); };
    const GifFrameSpec first{0, 0, 200, 150, noise(200 * 150)};
    const GifFrameSpec part{30, 20, 50, 40, noise(50 * 40), local, DISPOSE_DO_NOT, 7};
    const GifFrameSpec last{0, 0, 200, 150, noise(200 * 150)};
    expected.assign(3, Picture(200, 150));
    for (std::size_t i = 0; i < first.indices.size(); ++i) {
        expected[0].pixels[i] = colour(global[first.indices[i]]);
        expected[2].pixels[i] = colour(global[last.indices[i]]);
    }
    expected[1] = expected[0];
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const std::uint8_t i = part.indices[static_cast<std::size_t>(y * 50 + x)];
            if (i != 7) expected[1].SetPixel(30 + x, 20 + y, colour(local[i]));
        }
    shown = FramesAsShown(ConvertGifToC10(MakeGif(200, 150, global, {first, part, last})));
    ASSERT_EQ(shown.size(), 3u);
    for (std::size_t k = 0; k < shown.size(); ++k) EXPECT_EQ(shown[k].pixels, InRgb565(expected[k]).pixels) << "frame " << k + 1;
}

TEST(ConvertGifToC10, RefusesWithAClearMessage) {
    const std::vector<GifColour> two{{0, 0, 0}, {255, 255, 255}};
    const GifFrameSpec dot{0, 0, 1, 1, {1}};

    // A frame reaching past the screen: a frame of another size than the picture.
    const Bytes past = test::WithScreenSize(MakeGif(8, 8, two, {dot, {3, 2, 2, 2, {0, 1, 1, 0}}}), 4, 3);
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(past); }),
              "Кадры GIF разного размера: кадр 2 (2 x 2 с точки 3, 2) выходит за пределы изображения 4 x 3.");
    EXPECT_EQ(ErrorOf([&] { Frames(past); }), ErrorOf([&] { ConvertGifToC10(past); }));

    // Cut anywhere, the file is refused with giflib's word for it.
    const Bytes whole = Disposals();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::string error = ErrorOf([&] { ConvertGifToC10(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size))); });
        EXPECT_EQ(error.rfind("GIF error: ", 0), 0u) << size << " bytes: " << error;
    }
    EXPECT_EQ(ErrorOf([] { ConvertGifToC10(Bytes{'G', 'I', 'F'}); }), "GIF error: Failed to read from given file");
    EXPECT_EQ(ErrorOf([] { ConvertGifToC10(Bytes{'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}); }),
              "GIF error: Data is not in GIF format");

    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(MakeGif(256, 1, two, {dot})); }),
              "Нельзя сохранить в C10 изображение 256 x 1: в C10 не больше 255 точек по ширине и по высоте. Файл не записан.");
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(test::WithScreenSize(MakeGif(1, 1, two, {dot}), 65535, 65535)); }),
              "Изображение слишком большое: 65535 x 65535 (допускается не более 16384 точек по стороне и 64 мегапикселей)");
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(MakeGif(1, 1, two, std::vector<GifFrameSpec>(256, dot))); }),
              "Нельзя сохранить в C10 анимацию: в GIF больше 255 кадров, а в C10 их не больше 255. Файл не записан.");
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(MakeGif(1, 1, two, {})); }), "В файле GIF нет ни одного кадра.");

    // 255 x 255 of noise takes more than a frame's 65535 bytes, which only a lone frame may.
    std::mt19937 random(9);
    GifFrameSpec noise{0, 0, 255, 255, std::vector<std::uint8_t>(255 * 255)};
    for (std::uint8_t& i : noise.indices) i = static_cast<std::uint8_t>(random());
    std::vector<GifColour> many(256);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7), 0};
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(MakeGif(255, 255, many, {noise})); }), "");
    EXPECT_EQ(ErrorOf([&] { ConvertGifToC10(MakeGif(255, 255, many, {noise, noise})); }).rfind("Нельзя сохранить в C10 анимацию: кадр 1 занимает ", 0),
              0u);
}

}  // namespace
}  // namespace vesk
