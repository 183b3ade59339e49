// The compact C10 encoding: for each picture its encoding time, and as counters the numbers of
// the README's size table (scripts/bench prints it): the compact size against the described
// encoding and against the sample tool's hand-laid files for the same pixels, on the sample
// pictures and on photos made here. A program of its own, since CSV output wants the same
// counters in every row.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/c10_compact.h"
#include "picture/jpeg_file.h"
#include "samples/sample_content.h"

namespace {

using vesk::Picture;

std::uint32_t Clamped(double red, double green, double blue) {
    const auto c = [](double v) { return std::clamp(static_cast<int>(v), 0, 255); };
    return vesk::PackColor(c(red), c(green), c(blue));
}

// A photo as a phone's camera or a scanned picture gives it: smooth light and shade over the
// whole picture, and sensor noise on every pixel (each channel moved by up to `noise` levels).
Picture Photo(int width, int height, int noise, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-noise, noise);
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const double light = 0.6 + 0.4 * std::sin(3.0 * u + 2.0 * v) * std::cos(4.0 * v - u);
            picture.SetPixel(x, y, Clamped(200 * light * (1 - v) + 40 + grain(random), 150 * light + 30 * u + grain(random),
                                           90 + 120 * v * light + grain(random)));
        }
    return picture;
}

Picture FromRgb565(int width, int height, const std::vector<std::uint16_t>& pixels) {
    Picture picture(width, height);
    std::transform(pixels.begin(), pixels.end(), picture.pixels.begin(), vesk::Rgb565ToColor);
    return picture;
}

struct SizeCase {
    const char* name;        // the benchmark's name, ASCII
    const char* label;       // the table's (no commas or quotes: it goes through CSV)
    std::vector<Picture> frames;
    std::size_t sampleSize;  // the sample tool's hand-laid file of the same pixels; 0: none
};

const vesk::samples::SampleFile& Sample(const std::string& name) {
    static const std::vector<vesk::samples::SampleFile> files = vesk::samples::SampleFiles();
    return *std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.name == name; });
}

std::vector<SizeCase> SizeCases() {
    namespace s = vesk::samples;
    std::vector<SizeCase> cases;
    const s::C10Frame background = s::BackgroundFrame();
    cases.push_back({"Fon", "Фон (the sample tool's: palette and fills)", {FromRgb565(s::kBackgroundWidth, s::kBackgroundHeight, background.pixels)},
                     s::EncodeTrailerForm(s::kBackgroundWidth, s::kBackgroundHeight, background).size()});
    SizeCase ball{"Sharik", "Шарик (the sample tool's: palettes and fills)", {}, 0};
    std::vector<s::C10Frame> ballFrames = s::BallFrames();
    for (const s::C10Frame& f : ballFrames) ball.frames.push_back(FromRgb565(s::kBallSize, s::kBallSize, f.pixels));
    ball.sampleSize = s::EncodeHeaderForm(s::kBallSize, s::kBallSize, ballFrames).size();
    cases.push_back(std::move(ball));
    // The samples that the program's own encoding wrote, and the JPEG photos, opened.
    const auto opened = [](const std::string& name) {
        const std::vector<std::uint8_t>& bytes = Sample(name).content;
        const vesk::C10Properties p = vesk::ReadC10Properties(bytes);
        Picture picture(p.width, p.height);
        vesk::DecodeC10Frame(bytes, p.dataStart, p.paletteCount, p.width, p.height, picture);
        return picture;
    };
    cases.push_back({"Zvezda", "Звезда (sample)", {opened("Звезда")}, 0});
    cases.push_back({"Smail", "Смайл (sample)", {opened("Смайл")}, 0});
    cases.push_back({"Zakat", "Закат (sample JPEG)", {vesk::DecodeJpeg(Sample("Закат").content)}, 0});
    cases.push_back({"More", "Море (sample JPEG)", {vesk::DecodeJpeg(Sample("Море").content)}, 0});
    cases.push_back({"Tsvetok", "Цветок (sample JPEG)", {vesk::DecodeJpeg(Sample("Цветок").content)}, 0});
    cases.push_back({"Photo255", "Photo: light noise", {Photo(255, 255, 3, 1)}, 0});
    cases.push_back({"PhotoNoisy255", "Photo: heavy noise", {Photo(255, 255, 12, 2)}, 0});
    cases.push_back({"Photo128x160", "Photo: a phone screen's size", {Photo(128, 160, 3, 3)}, 0});
    cases.push_back({"Gradient255", "Photo without noise", {Photo(255, 255, 0, 4)}, 0});
    cases.push_back({"Jpeg255", "Photo through JPEG (quality 90)", {vesk::DecodeJpeg(vesk::EncodeJpeg(Photo(255, 255, 3, 5)))}, 0});
    return cases;
}

std::size_t Colours(const std::vector<Picture>& frames) {
    std::vector<bool> seen(65536);
    std::size_t n = 0;
    for (const Picture& f : frames)
        for (const std::uint32_t p : f.pixels) n += !seen[vesk::ColorToRgb565(p)], seen[vesk::ColorToRgb565(p)] = true;
    return n;
}

// One row of the size table: the time to encode the picture compact (all its frames), and as
// counters its size against the described encoding (per frame a header and three bytes a pixel)
// and against the sample tool's file.
void BM_C10CompactSize(benchmark::State& state, const SizeCase& c) {
    std::vector<std::uint8_t> compact;
    for (auto _ : state) {
        compact = vesk::EncodeC10Frames(c.frames);
        benchmark::DoNotOptimize(compact.data());
    }
    const Picture& first = c.frames.front();
    const std::size_t pixels = first.pixels.size();
    state.counters["frames"] = static_cast<double>(c.frames.size());
    state.counters["width"] = first.width;
    state.counters["height"] = first.height;
    state.counters["colours"] = static_cast<double>(Colours(c.frames));
    state.counters["described"] = static_cast<double>(2 + c.frames.size() * (9 + 3 * pixels));
    state.counters["sample"] = static_cast<double>(c.sampleSize);
    state.counters["compact"] = static_cast<double>(compact.size());
    state.SetLabel(c.label);
}

const bool kSizeCasesRegistered = [] {
    static const std::vector<SizeCase> cases = SizeCases();
    for (const SizeCase& c : cases) {
        benchmark::RegisterBenchmark(("BM_C10CompactSize/" + std::string(c.name)).c_str(), BM_C10CompactSize, c);
    }
    return true;
}();

}  // namespace
