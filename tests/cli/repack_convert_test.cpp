// vesk repack --replace with --convert: a picture in place of a picture of another kind or size
// takes the old one's kind and size, read back from the built dump; without --convert the build
// names each picture that changed.
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"
#include "picture/picture_shape.h"
#include "picture/png_file.h"

namespace vesk::test {
namespace {

// Colours that no side of the picture shares with black: every pixel has red 200 or more.
Picture Bright(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.SetPixel(x, y, 0xC8u | static_cast<std::uint32_t>(x % 256) << 8 | static_cast<std::uint32_t>(y % 256) << 16);
    }
    return picture;
}

class RepackConvertTest : public CliTest {
protected:
    void SetUp() override {
        sunset = EncodeJpeg(Bright(96, 72));
        background = EncodeC10(Bright(32, 32));
        dump = BuildWithWindowCommands("d.bin", {Source("Закат", sunset), Source("Фон", background),
                                                 Source("Текст", Bytes{'t', 'e', 'x', 't', '\n'})});
        before = ReadBytes(dump);
        wide = Source("wide.png", EncodePng(Bright(300, 200)));
    }
    // The entry's bytes as the built dump gives them (unpacked by name, whatever extension it gets).
    Bytes Entry(const std::string& name) {
        const std::string out = temp_.File("out" + std::to_string(++outs));
        const CliResult r = Run({"unpack", dump, "--out", out, name});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        const auto files = FolderContents(out);
        EXPECT_EQ(files.size(), 1u) << name;
        return files.empty() ? Bytes{} : files.front().second;
    }
    void ExpectRefused(const CliResult& r, const std::string& says) {
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(dump), before);
        EXPECT_FALSE(std::filesystem::exists(dump + ".bak"));
    }

    Bytes sunset, background, before;
    std::string dump, wide;
    int outs = 0;
};

TEST_F(RepackConvertTest, APictureTakesTheKindAndSizeOfTheEntryItReplaces) {
    const CliResult r = Run({"repack", dump, "--replace", "Закат", wide, "--replace", "Фон", wide, "--convert"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");  // nothing changed kind or size, so nothing is named
    EXPECT_EQ(JudgePicture(Entry("Закат")), (PictureShape{ContentKind::Jpeg, 96, 72}));
    const Bytes c10 = Entry("Фон");
    ASSERT_EQ(JudgePicture(c10), (PictureShape{ContentKind::C10, 32, 32}));
    // 300 x 200 into 32 x 32: 32 x 21 (21.33 rounded) from row 5, black above and below.
    const C10Properties p = ReadC10Properties(c10);
    EXPECT_GT(p.paletteCount, 0);  // the compact coding, not one direct run per pixel
    Picture shown(32, 32, 0x123456);
    DecodeC10Frame(c10, p.dataStart, p.paletteCount, 32, 32, shown);
    for (int y : {0, 4, 26, 31}) EXPECT_EQ(shown.Pixel(16, y), 0u) << y;
    for (int y : {5, 15, 25}) EXPECT_GE(shown.Pixel(16, y) & 0xFF, 0xC0u) << y;
    // The text stays as it was.
    EXPECT_EQ(Entry("Текст"), (Bytes{'t', 'e', 'x', 't', '\n'}));
}

TEST_F(RepackConvertTest, WithoutConvertTheBuildNamesEachPictureThatChanged) {
    const CliResult r = Run({"repack", dump, "--replace", "Закат", wide, "--replace", "Фон", Source("same.c10", background),
                             "--replace", "Текст", wide});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // Фон got a picture of its own kind and size, Текст was no picture.
    EXPECT_EQ(r.err, "Закат: был JPEG 96 x 72, стал PNG 300 x 200\n");
    EXPECT_EQ(Entry("Закат"), ReadBytes(wide));
}

TEST_F(RepackConvertTest, ConvertRefusesWhatIsNoPictureAndTakesAPictureOfTheSameShapeAsItIs) {
    ExpectRefused(Run({"repack", dump, "--replace", "Текст", wide, "--convert"}), "«Текст» не картинка");
    ExpectRefused(Run({"repack", dump, "--replace", "Закат", Source("note.txt", Bytes{'h', 'i'}), "--convert"}),
                  "note.txt» не картинка");
    // A truncated picture is none either.
    const Bytes png = ReadBytes(wide);
    ExpectRefused(Run({"repack", dump, "--replace", "Закат", Source("cut.png", Bytes(png.begin(), png.begin() + png.size() / 2)), "--convert"}),
                  "cut.png» не картинка");
    // Another C10 of 32 x 32 is taken byte for byte, not coded again.
    const Bytes other = EncodeC10(Picture(32, 32, 0x00FF00));
    const CliResult r = Run({"repack", dump, "--replace", "Фон", Source("other.c10", other), "--convert"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(Entry("Фон"), other);
}

}  // namespace
}  // namespace vesk::test
