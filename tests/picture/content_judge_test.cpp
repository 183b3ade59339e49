// What a file holds, judged by its content: one file of each kind, each cut short, every prefix
// of each picture (never a throw, never a whole picture), and the C10 frames as "Кадр" steps them.
#include <gtest/gtest.h>

#include "base/error.h"
#include "picture/content_judge.h"
#include "picture/animation.h"
#include "picture/bmp_file.h"
#include "picture/c10_compact.h"
#include "picture/c10_codec.h"
#include "picture/c10_test_files.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"
#include "platform/cp1251.h"
#include "support/gif_builder.h"
#include "support/program_files.h"

namespace vesk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Picture Gradient(int width, int height) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) p.SetPixel(x, y, static_cast<std::uint32_t>(x * 13 | (y * 7) << 8 | ((x + y) * 5) << 16));
    }
    return p;
}

// Two frames of 2 x 1: red by a palette fill, then blue by a direct fill.
Bytes TwoFrames() {
    C10Builder b;
    b.Add({2, 1}).FrameHeader(2, 1).Word(0xF800).Add({0xC2, 0}).EndFrame();
    b.FrameHeader(2, 0).Add({0x82}).Word(0x001F).EndFrame();
    return b.Bytes();
}

// The trailer form: a palette of two, two indexed fills of 32 covering 8 x 8, then the size.
Bytes TrailerForm() { return {0x00, 0x02, 0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x00, 0xE0, 0x01, 8, 0, 8, 0}; }

Bytes Gif() {
    return MakeGif(3, 2, {{255, 0, 0}, {0, 0, 255}},
                   {GifFrameSpec(0, 0, 3, 2, {0, 1, 0, 1, 0, 1}), GifFrameSpec(0, 0, 3, 2, {1, 1, 1, 0, 0, 0})});
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Sample {
    const char* what;
    Bytes bytes;
    ContentKind kind;
    const char* kindName;
    int width, height, frames;
};

std::vector<Sample> OneOfEachPicture() {
    return {
        {"C10, header form", EncodeC10(Gradient(16, 12)), ContentKind::C10, "C10", 16, 12, 1},
        {"C10, two frames", TwoFrames(), ContentKind::C10, "C10", 2, 1, 2},
        {"C10, trailer form", TrailerForm(), ContentKind::C10, "C10", 8, 8, 1},
        {"C10, compact", EncodeC10Compact(Gradient(40, 30)), ContentKind::C10, "C10", 40, 30, 1},
        {"C10, a GIF's frames", ConvertGifToC10(Gif()), ContentKind::C10, "C10", 3, 2, 2},
        {"JPEG", EncodeJpeg(Gradient(16, 12)), ContentKind::Jpeg, "JPEG", 16, 12, 1},
        {"BMP", EncodeBmp(Gradient(16, 12)), ContentKind::Bmp, "BMP", 16, 12, 1},
        {"PNG", EncodePng(Gradient(16, 12)), ContentKind::Png, "PNG", 16, 12, 1},
        {"GIF", Gif(), ContentKind::Gif, "GIF", 3, 2, 2},
    };
}

TEST(JudgeContent, TellsEachPictureKindWithItsSizeAndFrames) {
    for (const Sample& s : OneOfEachPicture()) {
        const ContentInfo info = JudgeContent(s.bytes, ".bin");
        EXPECT_EQ(info.kind, s.kind) << s.what;
        EXPECT_EQ(info.kindName, s.kindName) << s.what;
        EXPECT_FALSE(info.damaged) << s.what << ": " << info.problem;
        EXPECT_EQ(info.width, s.width) << s.what;
        EXPECT_EQ(info.height, s.height) << s.what;
        EXPECT_EQ(info.frames, s.frames) << s.what;
        EXPECT_EQ(info.c10.has_value(), s.kind == ContentKind::C10) << s.what;
    }
    EXPECT_EQ(DescribeContent(JudgeContent(TwoFrames(), ".bin")), "C10 2 x 1, кадров: 2");
    EXPECT_EQ(DescribeContent(JudgeContent(EncodePng(Gradient(16, 12)), ".bin")), "PNG 16 x 12");
}

TEST(JudgeContent, APictureCutShortIsDamagedAndNoPrefixThrowsOrPassesAsWhole) {
    for (const Sample& s : OneOfEachPicture()) {
        // Cut in the middle: still told by its start, and damaged.
        const Bytes half(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(s.bytes.size() / 2));
        const ContentInfo info = JudgeContent(half, ".bin");
        if (std::string(s.what) == "C10, trailer form") {
            // Its size stands at its end: cut, it is no C10 file at all.
            EXPECT_NE(info.kind, ContentKind::C10);
        } else {
            EXPECT_EQ(info.kind, s.kind) << s.what;
            EXPECT_TRUE(info.damaged) << s.what;
            EXPECT_FALSE(info.problem.empty()) << s.what;
            EXPECT_NE(DescribeContent(info).find("повреждён"), std::string::npos) << s.what;
        }
        // Every prefix: a clean answer, and never a whole picture of this kind.
        for (std::size_t n = 0; n < s.bytes.size(); ++n) {
            const Bytes prefix(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(n));
            ContentInfo cut;
            ASSERT_NO_THROW(cut = JudgeContent(prefix, ".bin")) << s.what << " cut to " << n;
            EXPECT_FALSE(cut.kind == s.kind && !cut.damaged) << s.what << " cut to " << n;
        }
    }
}

TEST(JudgeContent, TextInEitherEncodingAndAnythingElseByItsExtension) {
    ContentInfo info = JudgeContent(Text("\xEF\xBB\xBF" "Привет\r\n"), ".txt");
    EXPECT_EQ(info.kind, ContentKind::Text);
    EXPECT_EQ(info.kindName, "text");
    EXPECT_EQ(info.encoding, "UTF-8");
    EXPECT_EQ(ContentText(Text("\xEF\xBB\xBF" "Привет\r\n"), info), "Привет\r\n");

    const Bytes cp1251 = Text(*Utf8ToCp1251("Хлеб\tМолоко\r\n"));
    info = JudgeContent(cp1251, ".bin");
    EXPECT_EQ(info.encoding, "Windows-1251");
    EXPECT_EQ(ContentText(cp1251, info), "Хлеб\tМолоко\r\n");
    EXPECT_EQ(DescribeContent(info), "текст (Windows-1251)");

    // A tab at offset 9, where the header form's marker stands, is still text.
    EXPECT_EQ(JudgeContent(Text("Name:\x20\x20\x20\x20\tvalue\n"), ".bin").kind, ContentKind::Text);
    // "BM" starts many texts; without a bitmap header it is one.
    EXPECT_EQ(JudgeContent(Text("BMW 320i, 1998 year, blue\n"), ".bin").kind, ContentKind::Text);

    // A melody, a control byte in text, the one byte Windows-1251 lacks, and nothing at all.
    const Bytes midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96};
    info = JudgeContent(midi, ".mid");
    EXPECT_EQ(info.kind, ContentKind::Other);
    EXPECT_EQ(info.kindName, ".mid");
    EXPECT_FALSE(info.IsPicture());
    EXPECT_EQ(DescribeContent(info), "файл .mid");
    EXPECT_EQ(JudgeContent(Text("abc\x01" "def"), ".bin").kindName, ".bin");
    EXPECT_EQ(JudgeContent(Text("abc\x98"), ".bin").kind, ContentKind::Other);
    EXPECT_EQ(JudgeContent(Bytes{}, ".bin").kindName, ".bin");
}

TEST(JudgeContent, DataWithoutSignatureIsNoWholeC10Picture) {
    // C10 has no signature: its runs must fill the picture and end where its data ends, which
    // bytes of any other kind almost never do.
    int c10 = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        const ContentInfo info = JudgeContent(Pattern(500 + 37 * seed, seed), ".bin");
        if (info.kind == ContentKind::C10 && !info.damaged) ++c10;
    }
    EXPECT_EQ(c10, 0);
}

TEST(C10Frames, StepsAsTheFrameButtonAndStartsAgain) {
    C10Frames frames(TwoFrames());
    EXPECT_EQ(frames.Frame(), 1);
    EXPECT_EQ(frames.FrameCount(), 2);
    EXPECT_EQ(frames.Shown().pixels, (std::vector<std::uint32_t>{kRed, kRed}));
    ASSERT_TRUE(frames.HasNext());
    frames.Next();
    EXPECT_EQ(frames.Frame(), 2);
    EXPECT_EQ(frames.Shown().pixels, (std::vector<std::uint32_t>{kBlue, kBlue}));
    EXPECT_FALSE(frames.HasNext());
    frames.Next();  // nothing past the last frame
    EXPECT_EQ(frames.Frame(), 2);
    frames.Restart();
    EXPECT_EQ(frames.Frame(), 1);
    EXPECT_EQ(frames.Shown().pixels, (std::vector<std::uint32_t>{kRed, kRed}));

    // The second frame's header cut off: the step fails with the codec's error, cleanly.
    Bytes cut = TwoFrames();
    cut.resize(cut.size() - 4);
    C10Frames broken(cut);
    EXPECT_THROW(broken.Next(), Error);
}

}  // namespace
}  // namespace vesk::test
