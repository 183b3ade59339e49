// Writes the seed corpora of the fuzz targets: valid inputs made with the program's own
// commands and encoders (the sample installation, a dump built by "Собрать", pictures saved as
// C10, BMP and JPEG, settings files), and bitmaps of the kinds only other programs write, in
// each target's input layout. Nothing here is committed; scripts/fuzz runs this before the
// targets.
//
// Usage: fuzz_seeds FOLDER   (writes FOLDER/<target>/seed-N)
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QBuffer>
#include <QImage>

#include "assembly/commands.h"
#include "base/error.h"
#include "config/program_folder.h"
#include "dump/layout.h"
#include "form/form.h"
#include "dump_pieces.h"
#include "fuzz_support.h"
#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/gif_file.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"
#include "platform/cp1251.h"
#include "sample_dump/sample_dump.h"
#include "support/gif_builder.h"

#include <gif_lib.h>

using namespace vesk;
namespace fs = std::filesystem;

namespace {

class Corpus {
public:
    explicit Corpus(std::string root) : root_(std::move(root)) {}

    void Add(const std::string& target, const std::vector<std::uint8_t>& input) {
        const fs::path dir = fs::path(root_) / target;
        fs::create_directories(dir);
        int& n = counts_[target];
        fuzz::WriteFile((dir / ("seed-" + std::to_string(++n))).string(), input);
    }
    void Add(const std::string& target, const fuzz::InputWriter& input) { Add(target, input.Data()); }

private:
    std::string root_;
    std::map<std::string, int> counts_;
};

std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = fuzz::ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> Pattern(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((i * 31 + seed * 17) % 251);
    return bytes;
}

Picture Gradient(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y, PackColor(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), (x ^ y) & 0xFF));
    return picture;
}

// A dump seed twice: whole, for the scan of all 48 sectors, and cut after its last written
// byte with the list position typed in, which reads the list and unpacks at a fraction of the
// cost per run (bytes past the end of a short dump read as erased).
void AddDump(Corpus& corpus, const std::string& profile, const std::string& settings, const std::string& list,
             std::vector<std::uint8_t> dump) {
    const auto add = [&](const std::string& typed, std::uint32_t road) {
        fuzz::InputWriter input;
        input.Text(profile).Text(settings).Text(typed).Number(road, 1);
        fuzz::WriteDump(input, dump);
        // The pieces must give the dump back, or the fuzzer would start from other dumps.
        fuzz::InputReader in(input.Data().data(), input.Data().size());
        in.Text(), in.Text(), in.Text(), in.Number(1);
        fuzz::ErasedDump erased(dump.size());
        erased.Read(in);
        if (!std::ranges::equal(erased.Bytes(), dump)) {
            std::fprintf(stderr, "fuzz_seeds: a dump does not read back from its pieces\n");
            std::exit(1);
        }
        corpus.Add("dump_road", input);
    };
    // The typed unpacking on both, "Распаковка" on the short one.
    add("", 0);
    while (!dump.empty() && dump.back() == 0xFF) dump.pop_back();
    add(list, 0);
    add(list, 7);
}

// The reading road: the sample installation, with its current and its older list.
void SampleSeeds(Corpus& corpus, const std::string& dir) {
    const std::string dump = sample::WriteSampleInstallation(dir);
    const std::string profile = Text(dir + "Sample.ini");
    const std::string settings = Text(dir + "vesk.ini");
    for (const char* list : {sample::kCurrentList, sample::kOlderList}) {
        AddDump(corpus, profile, settings, list, fuzz::ReadFile(dump));
    }
    corpus.Add("ini_file", fuzz::InputWriter().Text(settings).Text("Temp").Text("Files").Text(dir + "files/"));
    corpus.Add("ini_file", fuzz::InputWriter().Text(profile).Text("Offsets").Text("Name").Text("0x0000000B"));
    const std::string cp1251 = Utf8ToCp1251(settings).value_or(settings);
    corpus.Add("ini_file", fuzz::InputWriter().Text(cp1251).Text("GROUP").Text("04").Text("Видео"));
    corpus.Add("ini_file", fuzz::InputWriter().Text("").Text("Temp").Text("X").Text("100"));
}

// A dump made by "Пустой "FF" файл", "Форматировать" and "Собрать" in both tag kinds, which
// the reading road reads back with the same profile and settings; and the build's own inputs.
void BuildSeeds(Corpus& corpus, const std::string& dir) {
    const std::string profile =
        "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\nFileNum=0x0000000E\n"
        "group=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
        "[FAT]\nFAT=0x0000050C\nSIZE=0x00000331\nAddrIs=address\ntodata=0x00000002\ndata=0x00000FFA\n";
    for (const std::string addrIs : {"address", "name"}) {
        std::string settings = "[FIX]\n2E=2E\n[KOD]\n00=?\n[GROUP]\n01=Звуки\n[EXT]\nFFD8FF=.jpg\n"
                               "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n[FAT]\nAddrIs=" + addrIs +
                               "\n[Address]\n";
        for (int k = 0; k < layout::kBlockPlaces; ++k) {
            settings += std::to_string(layout::BlockPlaceOffset(k)) + "=" + (k % 2 ? "C" : "4") +
                        (addrIs == "name" ? "2E" : "20") + std::to_string(k / 2) + "\n";
        }
        fs::remove_all(dir);
        fs::create_directories(dir + "bins");
        fs::create_directories(dir + "files");
        fuzz::WriteFile(dir + "vesk.ini", settings);
        const std::string readProfile = addrIs == "name" ? std::string(profile).replace(profile.find("address\n"), 8, "name\n") : profile;
        fuzz::WriteFile(dir + "T.ini", readProfile);

        const ProgramFolder folder(dir);
        Form form;
        InitGrids(form);
        form.FirmwareCombo = "T";
        fuzz::QuietHost host;
        const std::vector<std::size_t> sizes = {100, 4090, 9000};
        fuzz::InputWriter buildInput;
        buildInput.Text(readProfile).Text(settings).Number(static_cast<std::uint32_t>(layout::kDumpSize))
            .Number(static_cast<std::uint32_t>(sizes.size() - 1));
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::string source = dir + "files/file" + std::to_string(i) + ".dat";
            const std::vector<std::uint8_t> content = Pattern(sizes[i], static_cast<unsigned>(i));
            fuzz::WriteFile(source, content);
            AddSystemFile(form, host, folder, source);
            const int r = static_cast<int>(i) + 1;
            for (int col = kBuildNameCol; col <= kBuildNumberCol; ++col) buildInput.Text(form.BuildGrid.Cell(col, r));
            buildInput.Number(0).Text(std::span<const std::uint8_t>(content.data(), std::min<std::size_t>(content.size(), 300)));
        }
        corpus.Add("assemble", buildInput);
        // The same build into a short file, which grows to the end of the build: a cheaper run.
        fuzz::InputWriter shortInput;
        fuzz::InputReader again(buildInput.Data().data(), buildInput.Data().size());
        shortInput.Text(again.Text()).Text(again.Text());
        again.Number();
        shortInput.Number(static_cast<std::uint32_t>(layout::kSectorSize)).Rest(again.Rest());
        corpus.Add("assemble", shortInput);

        try {
            MakeBlankDump(form, host, folder);
            FormatDump(form, host, folder);
            AssembleDump(form, host, folder);
        } catch (const Error& e) {
            std::fprintf(stderr, "fuzz_seeds: the build was refused: %s\n", e.what());
            std::exit(1);
        }
        AddDump(corpus, readProfile, settings, "0x00000842", fuzz::ReadFile(dir + "bins/" + form.BuildNameEdit));
    }
}

// A header-form file of several frames with a palette and all four kinds of runs, put together
// from the program's own frame header.
std::vector<std::uint8_t> PaletteC10(int width, int height, int frames) {
    std::vector<std::uint8_t> file = {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height)};
    for (int f = 0; f < frames; ++f) {
        std::vector<std::uint8_t> body;
        const int palette = 4;
        for (int k = 0; k < palette; ++k) body.insert(body.end(), {static_cast<std::uint8_t>(k * 50 + f), static_cast<std::uint8_t>(0x10 * k)});
        int left = width * height;
        while (left > 0) {
            const int n = std::min(left, 5);
            body.insert(body.end(), {static_cast<std::uint8_t>(0xC0 | n), static_cast<std::uint8_t>(n % palette)});  // indexed fill
            left -= n;
            if (left <= 0) break;
            body.insert(body.end(), {static_cast<std::uint8_t>(0x80 | 3), 0x1F, static_cast<std::uint8_t>(0xF8 - f)});  // direct fill
            left -= 3;
            if (left <= 0) break;
            body.insert(body.end(), {static_cast<std::uint8_t>(0x40 | 2), 1, 2});  // indexed run
            left -= 2;
            if (left <= 0) break;
            body.insert(body.end(), {2, 0x00, 0x07, 0xE0, 0x07});  // direct run
            left -= 2;
        }
        C10FrameHeader header;
        header.frameCount = static_cast<std::uint8_t>(frames);
        header.dataSize = static_cast<std::uint16_t>(body.size());
        header.paletteCount = static_cast<std::uint8_t>(palette);
        const auto bytes = header.Bytes();
        file.insert(file.end(), bytes.begin(), bytes.end());
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

// The trailer form: palette count at 1, the stream from 2, width and height near the end.
std::vector<std::uint8_t> TrailerC10(int width, int height) {
    std::vector<std::uint8_t> file = {0x00, 0x00};
    for (int n = width * height; n > 0; n -= std::min(n, 63)) file.insert(file.end(), {static_cast<std::uint8_t>(0x80 | std::min(n, 63)), 0x34, 0x12});
    file.insert(file.end(), {0x00, 0x00, static_cast<std::uint8_t>(width), 0x00, static_cast<std::uint8_t>(height), 0x00});
    return file;
}

// A bitmap of a kind QImage does not write: `extra` (palette or masks) follows the info
// header of `infoSize` bytes, then the pixel data.
std::vector<std::uint8_t> HandBitmap(std::uint32_t infoSize, std::int32_t width, std::int32_t height, int bits,
                                     std::uint32_t compression, const std::vector<std::uint8_t>& extra,
                                     const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto put = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(infoSize, 4);
    if (infoSize == 12) {
        put(static_cast<std::uint32_t>(width), 2), put(static_cast<std::uint32_t>(height), 2), put(1, 2), put(static_cast<std::uint32_t>(bits), 2);
    } else {
        put(static_cast<std::uint32_t>(width), 4), put(static_cast<std::uint32_t>(height), 4), put(1, 2), put(static_cast<std::uint32_t>(bits), 2);
        put(compression, 4);
        b.resize(14 + infoSize);
    }
    b.insert(b.end(), extra.begin(), extra.end());
    const auto offBits = static_cast<std::uint32_t>(b.size());
    b.insert(b.end(), data.begin(), data.end());
    for (int i = 0; i < 4; ++i) b[2 + i] = static_cast<std::uint8_t>(b.size() >> (8 * i)), b[10 + i] = static_cast<std::uint8_t>(offBits >> (8 * i));
    return b;
}

void HandBitmapSeeds(Corpus& corpus) {
    std::vector<std::uint8_t> palette16;
    for (int i = 0; i < 16; ++i) palette16.insert(palette16.end(), {static_cast<std::uint8_t>(i * 16), 0x40, static_cast<std::uint8_t>(255 - i * 16), 0});
    std::vector<std::uint8_t> palette256;
    for (int i = 0; i < 256; ++i) palette256.insert(palette256.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i ^ 0x55), 0x80, 0});
    // Runs, a line end, a delta, a literal run with its padding byte, the end of the bitmap.
    corpus.Add("bmp", HandBitmap(40, 9, 4, 8, 1, palette256, {4, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 7, 200, 0, 1}));
    corpus.Add("bmp", HandBitmap(40, 9, -4, 4, 2, palette16, {5, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 1, 2, 3, 0xAB, 0, 1}));
    std::vector<std::uint8_t> core(palette256.size() / 4 * 3);
    for (std::size_t i = 0; i < core.size(); ++i) core[i] = palette256[i / 3 * 4 + i % 3];
    corpus.Add("bmp", HandBitmap(12, 3, 2, 8, 0, core, {1, 2, 3, 0, 4, 5, 6, 0}));
    const std::vector<std::uint8_t> pixels16 = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0xFF, 0xFF};
    corpus.Add("bmp", HandBitmap(40, 2, 2, 16, 3, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, pixels16));
    corpus.Add("bmp", HandBitmap(40, 2, 2, 16, 0, {}, pixels16));
    // A V5 header (masks inside) with rows from the top, and the 56-byte one.
    std::vector<std::uint8_t> pixels32(2 * 2 * 4);
    for (std::size_t i = 0; i < pixels32.size(); ++i) pixels32[i] = static_cast<std::uint8_t>(i * 37);
    for (const std::uint32_t infoSize : {56u, 124u}) {
        std::vector<std::uint8_t> v = HandBitmap(infoSize, 2, -2, 32, 3, {}, pixels32);
        const std::uint32_t masks[] = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 4; ++i) v[54 + 4 * k + i] = static_cast<std::uint8_t>(masks[k] >> (8 * i));
        corpus.Add("bmp", v);
    }
}

void PictureSeeds(Corpus& corpus) {
    const auto c10 = [&corpus](const std::vector<std::uint8_t>& file) {
        const C10Properties p = ReadC10Properties(file);
        fuzz::InputWriter input;
        input.Number(static_cast<std::uint32_t>(p.dataStart)).Number(static_cast<std::uint32_t>(p.paletteCount))
            .Number(static_cast<std::uint32_t>(p.width)).Number(static_cast<std::uint32_t>(p.height))
            .Number(static_cast<std::uint32_t>(p.dataSize)).Rest(file);
        corpus.Add("c10_codec", input);
    };
    c10(EncodeC10(Picture()));
    c10(EncodeC10(Gradient(5, 3)));
    c10(EncodeC10(Gradient(16, 16)));
    c10(PaletteC10(12, 7, 3));
    c10(TrailerC10(10, 6));

    for (const Picture& picture : {Gradient(1, 1), Gradient(7, 5), Gradient(32, 20)}) {
        corpus.Add("bmp", EncodeBmp(picture));
        corpus.Add("jpeg", EncodeJpeg(picture));
        corpus.Add("png", EncodePng(picture));
    }
    // Other depths, as other programs write them.
    const QImage source(reinterpret_cast<const uchar*>(Gradient(9, 6).pixels.data()), 9, 6, QImage::Format_RGB32);
    for (const QImage::Format format : {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_RGB888}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        source.convertToFormat(format).save(&buffer, "BMP");
        corpus.Add("bmp", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    HandBitmapSeeds(corpus);
    // PNG of the kinds our writer never makes: palettes, grey, alpha, 16 bits.
    for (const QImage::Format format : {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                        QImage::Format_Grayscale16, QImage::Format_ARGB32, QImage::Format_RGBA64}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        source.convertToFormat(format).save(&buffer, "PNG");
        corpus.Add("png", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
}

void GifSeeds(Corpus& corpus) {
    // As the program writes them: a still picture and an animation of whole frames.
    corpus.Add("gif", EncodeGif(Gradient(7, 5)));
    GifWriter animation(100);
    animation.Add(Gradient(12, 9));
    animation.Add(Picture(12, 9, 0x0000FF00));
    animation.Add(Gradient(12, 9));
    corpus.Add("gif", animation.Finish());
    // As other programs write them: frames in part of the screen, every disposal, transparency,
    // a palette of the frame's own, interlaced rows.
    const std::vector<test::GifColour> global{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    std::vector<test::GifFrameSpec> frames(4);
    frames[0] = {0, 0, 2, 2, {0, 1, 3, 2}, {}, DISPOSE_DO_NOT, 3};
    frames[1] = {1, 2, 3, 1, {0, 1, 0}, {{10, 20, 30}, {200, 100, 50}}, DISPOSE_BACKGROUND};
    frames[2] = {3, 0, 1, 3, {2, 2, 2}, {}, DISPOSE_PREVIOUS};
    frames[3] = {0, 0, 4, 3, std::vector<std::uint8_t>(12, 1), {}, DISPOSAL_UNSPECIFIED, -1, true};
    corpus.Add("gif", test::MakeGif(4, 3, global, frames));
    std::vector<std::uint8_t> rows;
    for (int i = 0; i < 10 * 9; ++i) rows.push_back(static_cast<std::uint8_t>(i % 4));
    corpus.Add("gif", test::MakeGif(10, 9, global, {{0, 0, 10, 9, rows, {}, DISPOSE_BACKGROUND, 0, true}}));
}

void HexSeeds(Corpus& corpus) {
    const char* texts[] = {"0x00000842", "2114", "$FF", "-1", "42E0", "0x7FFFFFFF", "0xFFFFFFFF", " +12", "x1F", "|0102"};
    std::uint32_t n = 0;
    for (const char* text : texts) {
        const std::vector<std::uint8_t> bytes = Pattern(n % 7, n);
        corpus.Add("hextext", fuzz::InputWriter().Number(n * 2654435761u).Number(n * 4 + 8).Text(text).Rest(bytes));
        ++n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    Corpus corpus(argv[1]);
    const std::string work = fuzz::ScratchFolder();
    SampleSeeds(corpus, work + "sample/");
    BuildSeeds(corpus, work + "assembly/");
    PictureSeeds(corpus);
    GifSeeds(corpus);
    HexSeeds(corpus);
    return 0;
}
