// Beyond the window's commands: PNG in info and convert, animated GIF and thumbnails.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "cli/json_writer.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"

namespace vesk::test {
namespace {

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

}  // namespace
}  // namespace vesk::test
