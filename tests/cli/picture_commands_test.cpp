// info and convert on pictures made with the codec and the picture files.
#include <cstdlib>
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "cli/json_writer.h"
#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"

namespace vesk::test {
namespace {

// Colours that C10 holds exactly (RGB565 decoded), in four flat quadrants so that JPEG keeps
// them close.
Picture Quadrants(int width, int height, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint16_t v = y < height / 2 ? (x < width / 2 ? a : b) : (x < width / 2 ? c : d);
            p.SetPixel(x, y, Rgb565ToColor(v));
        }
    }
    return p;
}

constexpr int kJpegTolerance = 12;
constexpr int kJpegMargin = 4;

const Picture kFirst = Quadrants(32, 16, 0xF800, 0x07E0, 0x001F, 0xFFFF);
const Picture kSecond = Quadrants(32, 16, 0x0000, 0x8410, 0xFFE0, 0x07FF);

// The two pictures as the frames of one C10 file.
Bytes TwoFrames() {
    return TwoFrameC10(kFirst, kSecond);
}

// Each channel within the tolerance. JPEG blurs the colour across the quadrant edges, so a
// margin around them can be left out.
::testing::AssertionResult Close(const Picture& expected, const Picture& actual, int tolerance, int margin = 0) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure() << actual.width << "x" << actual.height;
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (std::abs(2 * x + 1 - expected.width) < 2 * margin || std::abs(2 * y + 1 - expected.height) < 2 * margin) {
                continue;
            }
            for (int shift : {0, 8, 16}) {
                const int e = static_cast<int>((expected.Pixel(x, y) >> shift) & 0xFF);
                const int a = static_cast<int>((actual.Pixel(x, y) >> shift) & 0xFF);
                if (std::abs(e - a) > tolerance) {
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex
                                                         << actual.Pixel(x, y) << " for " << expected.Pixel(x, y);
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class PictureCommandsTest : public CliTest {
protected:
    PictureCommandsTest() {
        c10_ = temp_.Write("pic/two.c10", TwoFrames());
        bmp_ = temp_.Write("pic/one.bmp", EncodeBmp(kFirst));
        jpg_ = temp_.Write("pic/one.jpg", EncodeJpeg(kFirst));
    }
    std::string c10_, bmp_, jpg_;
};

TEST_F(PictureCommandsTest, InfoShowsThePropertyFields) {
    CliResult r = Run({"info", c10_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "Файл             " + c10_ +
                         "\n"
                         "Формат           C10, заголовок в начале\n"
                         "Размер           1536\n"
                         "Кол-во кадров    2\n"
                         "Палитра          0\n"
                         "Начальный адрес  11\n"
                         "Ширина           32\n"
                         "Высота           16\n");

    r = Run({"info", bmp_, "--json"});
    EXPECT_EQ(r.out, "{\"file\":" + cli::JsonString(bmp_) + ",\"kind\":\"BMP\",\"form\":null,\"dataSize\":" +
                         std::to_string(std::filesystem::file_size(bmp_)) +
                         ",\"frameCount\":1,\"paletteCount\":0,\"dataStart\":0,\"width\":32,\"height\":16}\n");
    r = Run({"info", jpg_, "--json"});
    EXPECT_EQ(r.out, "{\"file\":" + cli::JsonString(jpg_) + ",\"kind\":\"JPEG\",\"form\":null,\"dataSize\":" +
                         std::to_string(std::filesystem::file_size(jpg_)) +
                         ",\"frameCount\":1,\"paletteCount\":0,\"dataStart\":0,\"width\":32,\"height\":16}\n");
}

TEST_F(PictureCommandsTest, ConvertBetweenC10BmpAndJpeg) {
    // C10 -> BMP holds the decoded colours exactly; BMP -> C10 is the encoder's file.
    ASSERT_EQ(Run({"convert", c10_, temp_.File("a.bmp")}).status, kExitOk);
    EXPECT_TRUE(Close(kFirst, LoadBmp(temp_.File("a.bmp")), 0));
    ASSERT_EQ(Run({"convert", temp_.File("a.bmp"), temp_.File("b.c10")}).status, kExitOk);
    EXPECT_EQ(ReadBytes(temp_.File("b.c10")), EncodeC10(kFirst));

    // JPEG is lossy: flat areas stay close.
    ASSERT_EQ(Run({"convert", temp_.File("b.c10"), temp_.File("c.jpg")}).status, kExitOk);
    EXPECT_TRUE(Close(kFirst, LoadJpeg(temp_.File("c.jpg")), kJpegTolerance, kJpegMargin));
    ASSERT_EQ(Run({"convert", temp_.File("c.jpg"), temp_.File("d.bmp")}).status, kExitOk);
    EXPECT_TRUE(Close(LoadJpeg(temp_.File("c.jpg")), LoadBmp(temp_.File("d.bmp")), 0));
    ASSERT_EQ(Run({"convert", jpg_, temp_.File("e.c10")}).status, kExitOk);
    EXPECT_EQ(ReadBytes(temp_.File("e.c10")), EncodeC10(LoadJpeg(jpg_)));
}

TEST_F(PictureCommandsTest, OutIsExactlyTheNameWritten) {
    const std::string out = temp_.MakeDir("out");
    for (const char* name : {"x.jpeg", "Y.BMP", "z.C10", "w.jpg"}) {
        const CliResult r = Run({"convert", bmp_, out + name});
        EXPECT_EQ(r.status, kExitOk) << name << r.err;
        EXPECT_EQ(r.out + r.err, "");
    }
    std::vector<std::string> names;
    for (const auto& [name, bytes] : FolderContents(out)) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Y.BMP", "w.jpg", "x.jpeg", "z.C10"}));
    EXPECT_TRUE(Close(kFirst, LoadJpeg(out + "x.jpeg"), kJpegTolerance, kJpegMargin));
    EXPECT_TRUE(Close(kFirst, LoadBmp(out + "Y.BMP"), 0));
    EXPECT_EQ(ReadBytes(out + "z.C10"), EncodeC10(kFirst));
}

TEST_F(PictureCommandsTest, FrameStepsAsTheFrameButtonDoes) {
    ASSERT_EQ(Run({"convert", c10_, temp_.File("f1.bmp"), "--frame", "1"}).status, kExitOk);
    EXPECT_TRUE(Close(kFirst, LoadBmp(temp_.File("f1.bmp")), 0));
    ASSERT_EQ(Run({"convert", c10_, temp_.File("f2.bmp"), "--frame=2"}).status, kExitOk);
    EXPECT_TRUE(Close(kSecond, LoadBmp(temp_.File("f2.bmp")), 0));

    CliResult r = Run({"convert", c10_, temp_.File("f3.bmp"), "--frame", "3"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Нет кадра 3 в файле " + c10_ + " (кадров: 2)\n");
    r = Run({"convert", bmp_, temp_.File("g.c10"), "--frame", "2"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Нет кадра 2 в файле " + bmp_ + " (кадров: 1)\n");
    EXPECT_FALSE(std::filesystem::exists(temp_.File("f3.bmp")));
    EXPECT_FALSE(std::filesystem::exists(temp_.File("g.c10")));
}

TEST_F(PictureCommandsTest, FailuresGiveTheirMessagesAndWriteNothing) {
    CliResult r = Run({"convert", temp_.File("none.c10"), temp_.File("n.bmp")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("none.c10") + ": File not found\n");

    const std::string broken = temp_.Write("pic/broken.bmp", std::string("BM not really"));
    r = Run({"info", broken});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "vesk: " + broken + ": Bitmap image is not valid\n");

    // A C10 file whose frame ends early: the error of the preview, and nothing is saved.
    Bytes cut = EncodeC10(kFirst);
    cut.resize(cut.size() - 1);
    r = Run({"convert", temp_.Write("pic/cut.c10", cut), temp_.File("cut.bmp")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("pic/cut.c10") + ": Read beyond end of file\n");
    EXPECT_FALSE(std::filesystem::exists(temp_.File("cut.bmp")));

    r = Run({"convert", bmp_, temp_.File("out.tif")});
    EXPECT_EQ(r.status, kExitUsage);

    // The program's own refusals name their file too: a file too large to be a C10 picture,
    // a picture too large for the C10 header.
    const std::string big = temp_.Write("pic/big.c10", std::string("x"));
    std::filesystem::resize_file(big, kC10MaxFileSize + 1);
    r = Run({"info", big});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err.rfind("vesk: " + big + ": Файл слишком велик для рисунка C10", 0), 0u) << r.err;
    const std::string wide = temp_.File("pic/wide.bmp");
    SaveBmp(Picture(300, 10), wide);
    r = Run({"convert", wide, temp_.File("wide.c10")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err.rfind("vesk: " + temp_.File("wide.c10") + ": Нельзя сохранить в C10 изображение 300 x 10", 0), 0u) << r.err;
}

}  // namespace
}  // namespace vesk::test
