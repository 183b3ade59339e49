// Beyond the window's commands: PNG in info and convert, animated GIF, compact and animated C10,
// and thumbnails.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "cli/json_writer.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"
#include "support/gif_builder.h"

namespace vesk::test {
namespace {

using test::GifColour;
using test::GifFrameSpec;
using test::MakeGif;
using test::WithScreenSize;

Picture Stripes(int width, int height) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.SetPixel(x, y, Rgb565ToColor(static_cast<std::uint16_t>(x * 2048 + y * 37)));
    return p;
}

// Two frames of 8 x 4: stripes, then black.
Bytes TwoFrames() {
    return TwoFrameC10(Stripes(8, 4), Picture(8, 4, 0));
}

// How often a run of bytes occurs.
int Count(const Bytes& haystack, const Bytes& needle) {
    int n = 0;
    for (auto at = haystack.begin(); (at = std::search(at, haystack.end(), needle.begin(), needle.end())) != haystack.end(); ++at) ++n;
    return n;
}

class PictureExtrasTest : public CliTest {};

TEST_F(PictureExtrasTest, C10ThroughPngBackToC10IsByteForByte) {
    const Bytes original = EncodeC10(Stripes(40, 24));
    const std::string c10 = temp_.Write("pic/a.c10", original);
    CliResult r = Run({"convert", c10, temp_.File("a.png")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("a.png"))).pixels, Stripes(40, 24).pixels);
    ASSERT_EQ(Run({"convert", temp_.File("a.png"), temp_.File("b.C10")}).status, kExitOk);
    EXPECT_EQ(ReadWholeFile(temp_.File("b.C10")), original);

    r = Run({"info", temp_.File("a.png"), "--json"});
    EXPECT_EQ(r.out, "{\"file\":" + cli::JsonString(temp_.File("a.png")) + ",\"kind\":\"PNG\",\"form\":null,\"dataSize\":" +
                         std::to_string(std::filesystem::file_size(temp_.File("a.png"))) +
                         ",\"frameCount\":1,\"paletteCount\":0,\"dataStart\":0,\"width\":40,\"height\":24}\n");
    r = Run({"info", temp_.Write("pic/bad.png", std::string("not a picture"))});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("pic/bad.png") + ": PNG error: Not a PNG file\n");
}

TEST_F(PictureExtrasTest, GifHoldsEveryFrameFromTheChosenOneWithTheDelay) {
    const std::string c10 = temp_.Write("pic/two.c10", TwoFrames());
    const Bytes control35{0x21, 0xF9, 0x04, 0x04, 35, 0x00};  // graphics control: kept in place, 35 hundredths
    const Bytes descriptor{0x2C, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x04, 0x00};  // an 8 x 4 frame at 0, 0

    CliResult r = Run({"convert", c10, temp_.File("all.gif"), "--delay", "350"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    Bytes gif = ReadWholeFile(temp_.File("all.gif"));
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(Count(gif, control35), 2);
    EXPECT_EQ(Count(gif, descriptor), 2);
    EXPECT_EQ(gif.back(), 0x3B);  // the trailer

    // From frame 2 on there is one frame left: a still picture. The default delay is 200 ms.
    ASSERT_EQ(Run({"convert", c10, temp_.File("last.gif"), "--frame", "2"}).status, kExitOk);
    gif = ReadWholeFile(temp_.File("last.gif"));
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
    EXPECT_EQ(Count(gif, descriptor), 1);
    ASSERT_EQ(Run({"convert", c10, temp_.File("default.gif")}).status, kExitOk);
    EXPECT_EQ(Count(ReadWholeFile(temp_.File("default.gif")), Bytes{0x21, 0xF9, 0x04, 0x04, 20, 0x00}), 2);
}

TEST_F(PictureExtrasTest, ThumbnailFitsIntoTheSizeAsPngWhateverTheName) {
    const std::string c10 = temp_.Write("pic/wide.c10", TwoFrames());  // 8 x 4, first frame shown
    struct Case {
        const char* size;
        int width, height;
    };
    for (const Case& c : {Case{"4", 4, 2}, Case{"6", 6, 3}, Case{"8", 8, 4}, Case{"256", 8, 4}}) {
        const std::string out = temp_.File(std::string("thumb-") + c.size);  // no extension, as desktops name them
        const CliResult r = Run({"thumbnail", c10, out, c.size});
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Picture thumb = DecodePng(ReadWholeFile(out));
        EXPECT_EQ(thumb.width, c.width) << c.size;
        EXPECT_EQ(thumb.height, c.height) << c.size;
    }
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("thumb-8"))).pixels, Stripes(8, 4).pixels);

    const CliResult r = Run({"thumbnail", temp_.File("none.c10"), temp_.File("t.png"), "128"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("none.c10") + ": File not found\n");
    EXPECT_FALSE(std::filesystem::exists(temp_.File("t.png")));
}

// tumbler makes OUT, runs vesk thumbnail and reads what it wrote through the descriptor it kept.
TEST_F(PictureExtrasTest, ThumbnailGoesIntoTheOutputFileTheCallerMade) {
    const std::string c10 = temp_.Write("pic/wide.c10", TwoFrames());
    const std::string out = temp_.Write("cache/tumbler-Q2XH1Z.png", std::string(100, 'x'));
    const int held = ::open(out.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(Run({"thumbnail", c10, out, "8"}).status, kExitOk);
    Bytes seen(1000);
    const ssize_t n = ::pread(held, seen.data(), seen.size(), 0);
    ::close(held);
    ASSERT_GT(n, 0);
    seen.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(seen, ReadWholeFile(out));
    EXPECT_EQ(DecodePng(seen).pixels, Stripes(8, 4).pixels);
    EXPECT_EQ(FolderContents(temp_.File("cache")).size(), 1u);  // no temporary left beside it
}

TEST_F(PictureExtrasTest, CompactC10OpensToTheSamePixelsInFewerBytes) {
    // Four colours in stretches, and the stripes: a palette and fills, and direct runs.
    Picture tiles(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) tiles.SetPixel(x, y, Rgb565ToColor(static_cast<std::uint16_t>(0x1234 * ((x / 7 + y / 5) % 4))));
    const std::string png = temp_.Write("pic/tiles.png", EncodePng(tiles));
    ASSERT_EQ(Run({"convert", png, temp_.File("plain.c10")}).status, kExitOk);
    CliResult r = Run({"convert", png, temp_.File("compact.c10"), "--compact"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadWholeFile(temp_.File("plain.c10")), EncodeC10(tiles));  // the default stays the described bytes
    EXPECT_LT(3 * std::filesystem::file_size(temp_.File("compact.c10")), std::filesystem::file_size(temp_.File("plain.c10")));
    r = Run({"info", temp_.File("compact.c10"), "--json"});
    EXPECT_NE(r.out.find("\"frameCount\":1,\"paletteCount\":4,\"dataStart\":11,\"width\":60,\"height\":40}"), std::string::npos) << r.out;
    ASSERT_EQ(Run({"convert", temp_.File("compact.c10"), temp_.File("back.png")}).status, kExitOk);
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("back.png"))).pixels, tiles.pixels);

    // Frame 2 of a C10, compact.
    const std::string two = temp_.Write("pic/two.c10", TwoFrames());
    ASSERT_EQ(Run({"convert", two, temp_.File("second.c10"), "--frame", "2", "--compact"}).status, kExitOk);
    ASSERT_EQ(Run({"convert", temp_.File("second.c10"), temp_.File("second.png")}).status, kExitOk);
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("second.png"))).pixels, Picture(8, 4, 0).pixels);

    struct Usage {
        std::vector<std::string> args;
        std::string problem;
    };
    for (const Usage& u : {Usage{{"convert", png, "x.png", "--compact"}, "--compact applies to a .c10 OUT only"},
                           Usage{{"convert", png, "x.gif", "--compact"}, "--compact applies to a .c10 OUT only"},
                           Usage{{"convert", "a.GIF", "x.gif"}, "a .gif IN converts to a .c10 OUT only"},
                           Usage{{"convert", "a.gif", "x.c10", "--frame", "2"}, "--frame applies to a C10 IN only: a .gif IN gives all its frames"}}) {
        r = Run(u.args);
        EXPECT_EQ(r.status, kExitUsage);
        EXPECT_EQ(r.err, "vesk: " + u.problem + "\n" + cli::UsageLine(cli::FindCommand("convert")) + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(temp_.File("x.png")));
}

// 6 x 4: a white screen, a red frame over its left half, then a blue dot with a hole.
Bytes SmallAnimation() {
    const std::vector<GifColour> palette{{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    return MakeGif(6, 4, palette, {{0, 0, 3, 4, Bytes(12, 0)}, {4, 1, 2, 2, {1, 2, 1, 1}, {}, 0, 2}});
}

TEST_F(PictureExtrasTest, GifBecomesOneAnimatedC10ThatKadrStepsThrough) {
    const std::string gif = temp_.Write("pic/anim.gif", SmallAnimation());
    CliResult r = Run({"convert", gif, temp_.File("anim.c10")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    r = Run({"info", temp_.File("anim.c10"), "--json"});
    EXPECT_NE(r.out.find("\"form\":\"header\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"frameCount\":2,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"width\":6,\"height\":4}"), std::string::npos) << r.out;

    constexpr std::uint32_t R = 0x0000F8, B = 0xF80000, W = 0xF8FCF8;  // as RGB565 keeps them
    const std::vector<std::uint32_t> first{R, R, R, W, W, W, R, R, R, W, W, W, R, R, R, W, W, W, R, R, R, W, W, W};
    std::vector<std::uint32_t> second = first;
    second[6 + 4] = B;  // (4, 1); (5, 1) is the transparent index and stays white
    second[12 + 4] = second[12 + 5] = B;
    ASSERT_EQ(Run({"convert", temp_.File("anim.c10"), temp_.File("1.png")}).status, kExitOk);
    ASSERT_EQ(Run({"convert", temp_.File("anim.c10"), temp_.File("2.png"), "--frame", "2"}).status, kExitOk);
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("1.png"))).pixels, first);
    EXPECT_EQ(DecodePng(ReadWholeFile(temp_.File("2.png"))).pixels, second);
    r = Run({"convert", temp_.File("anim.c10"), temp_.File("3.png"), "--frame", "3"});
    EXPECT_EQ(r.err, "Нет кадра 3 в файле " + temp_.File("anim.c10") + " (кадров: 2)\n");
}

TEST_F(PictureExtrasTest, BadGifIsRefusedAndNothingIsWritten) {
    const Bytes good = SmallAnimation();
    const std::vector<GifColour> two{{0, 0, 0}, {255, 255, 255}};
    const GifFrameSpec dot{0, 0, 1, 1, {1}};
    struct Case {
        const char* name;
        Bytes gif;
        std::string message;  // after "vesk: GIF: "
    };
    const Case cases[] = {
        {"past.gif", WithScreenSize(good, 5, 4),
         "Кадры GIF разного размера: кадр 2 (2 x 2 с точки 4, 1) выходит за пределы изображения 5 x 4."},
        {"cut.gif", Bytes(good.begin(), good.end() - 12), "GIF error: Failed to read from given file"},
        {"huge.gif", WithScreenSize(good, 20000, 20000),
         "Изображение слишком большое: 20000 x 20000 (допускается не более 16384 точек по стороне и 64 мегапикселей)"},
        {"wide.gif", MakeGif(300, 2, two, {dot}),
         "Нельзя сохранить в C10 изображение 300 x 2: в C10 не больше 255 точек по ширине и по высоте. Файл не записан."},
        {"long.gif", MakeGif(1, 1, two, std::vector<GifFrameSpec>(300, dot)),
         "Нельзя сохранить в C10 анимацию: в GIF больше 255 кадров, а в C10 их не больше 255. Файл не записан."},
    };
    const Bytes old{1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string gif = temp_.Write(std::string("bad/") + c.name, c.gif);
        const std::string kept = temp_.Write("out/kept.c10", old);
        CliResult r = Run({"convert", gif, kept});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_EQ(r.err, "vesk: " + gif + ": " + c.message + "\n");
        EXPECT_EQ(ReadWholeFile(kept), old);
        EXPECT_EQ(Run({"convert", gif, temp_.File("out/new.c10")}).status, kExitFailed);
        EXPECT_EQ(FolderContents(temp_.File("out")).size(), 1u);  // no new file, no temporary left
    }
}

}  // namespace
}  // namespace vesk::test
