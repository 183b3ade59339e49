// The picture page's work on a 255 x 255 picture, the largest a C10 file holds: C10 decode and
// encode, and JPEG save and load beside the bare libjpeg calls doing the same job in the same
// run (the floor). Compare BM_JpegSave with BM_JpegSaveFloor, BM_JpegLoad with BM_JpegLoadFloor;
// the same for PNG and the bare libpng calls (BM_PngSave, BM_PngLoad and their floors).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "bench/compare.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"
#include "src/platform/byte_file.h"

namespace {

using vesk::Picture;

constexpr int kSide = 255;

Picture SamplePicture() {
    Picture picture(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            picture.SetPixel(x, y, static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 8 |
                                       static_cast<std::uint32_t>((x * y) & 0xFF) << 16);
    return picture;
}

std::string BenchFile(const char* name) {
    static const std::filesystem::path folder = [] {
        auto dir = std::filesystem::temp_directory_path() / ("vesk-bench-c10-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir;
    }();
    return (folder / name).string();
}

void BM_C10Decode(benchmark::State& state) {
    // One-pixel runs, as the program writes them: the longest stream a 255 x 255 frame can have.
    const std::vector<std::uint8_t> file = vesk::EncodeC10(SamplePicture());
    const vesk::C10Properties p = vesk::ReadC10Properties(file);
    Picture picture(p.width, p.height);
    for (auto _ : state) {
        vesk::DecodeC10Frame(file, p.dataStart, p.paletteCount, p.width, p.height, picture);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_C10Decode);

void BM_C10Encode(benchmark::State& state) {
    const Picture picture = SamplePicture();
    for (auto _ : state) benchmark::DoNotOptimize(vesk::EncodeC10(picture));
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_C10Encode);

void BM_JpegSave(benchmark::State& state) {
    const Picture picture = SamplePicture();
    const std::string path = BenchFile("ours.jpg");
    for (auto _ : state) vesk::SaveJpeg(picture, path);
}
BENCHMARK(BM_JpegSave);

// The floor: an RGB buffer made once, compressed with the same settings into memory, and written
// as a saved picture must be, old or new (WriteDurably).
void BM_JpegSaveFloor(benchmark::State& state) {
    const Picture picture = SamplePicture();
    std::vector<std::uint8_t> rgb;
    for (const std::uint32_t c : picture.pixels) rgb.insert(rgb.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
    const std::string path = BenchFile("floor.jpg");
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = kSide;
        cinfo.image_height = kSide;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = rgb.data() + cinfo.next_scanline * 3 * kSide;
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        vesk::bench::WriteDurably(path, out, size);
        jpeg_destroy_compress(&cinfo);
        std::free(out);
    }
}
BENCHMARK(BM_JpegSaveFloor);

void BM_JpegLoad(benchmark::State& state) {
    const std::string path = BenchFile("load.jpg");
    vesk::SaveJpeg(SamplePicture(), path);
    for (auto _ : state) benchmark::DoNotOptimize(vesk::LoadJpeg(path));
}
BENCHMARK(BM_JpegLoad);

// The floor: read the file and decompress with the same settings into an RGB buffer.
void BM_JpegLoadFloor(benchmark::State& state) {
    const std::string path = BenchFile("load-floor.jpg");
    vesk::SaveJpeg(SamplePicture(), path);
    std::vector<std::uint8_t> rgb(3 * kSide * kSide);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<unsigned char> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
        std::fread(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        cinfo.do_block_smoothing = TRUE;
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = rgb.data() + cinfo.output_scanline * 3 * kSide;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(rgb.data());
    }
}
BENCHMARK(BM_JpegLoadFloor);

void BM_PngSave(benchmark::State& state) {
    const Picture picture = SamplePicture();
    const std::string path = BenchFile("ours.png");
    for (auto _ : state) vesk::SavePng(picture, path);
}
BENCHMARK(BM_PngSave);

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// The floor: an RGB buffer made once, compressed with the library's defaults into memory and
// written as a saved picture must be (WriteDurably), as SavePng does it.
void BM_PngSaveFloor(benchmark::State& state) {
    const Picture picture = SamplePicture();
    std::vector<std::uint8_t> rgb;
    for (const std::uint32_t c : picture.pixels) rgb.insert(rgb.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
    std::vector<png_bytep> rows;
    for (int y = 0; y < kSide; ++y) rows.push_back(rgb.data() + static_cast<std::size_t>(y) * 3 * kSide);
    const std::string path = BenchFile("floor.png");
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, AppendPng, nullptr);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        vesk::bench::WriteDurably(path, out.data(), out.size());
    }
}
BENCHMARK(BM_PngSaveFloor);

void BM_PngLoad(benchmark::State& state) {
    const std::string path = BenchFile("load.png");
    vesk::SavePng(SamplePicture(), path);
    for (auto _ : state) benchmark::DoNotOptimize(vesk::LoadPng(path));
}
BENCHMARK(BM_PngLoad);

struct PngSource {
    const std::vector<unsigned char>* bytes;
    std::size_t at;
};

void ReadPng(png_structp png, png_bytep data, png_size_t length) {
    auto* in = static_cast<PngSource*>(png_get_io_ptr(png));
    std::copy_n(in->bytes->data() + in->at, length, data);
    in->at += length;
}

// The floor: read the file and decode it into an RGB buffer.
void BM_PngLoadFloor(benchmark::State& state) {
    const std::string path = BenchFile("load-floor.png");
    vesk::SavePng(SamplePicture(), path);
    std::vector<std::uint8_t> rgb(3 * kSide * kSide);
    std::vector<png_bytep> rows;
    for (int y = 0; y < kSide; ++y) rows.push_back(rgb.data() + static_cast<std::size_t>(y) * 3 * kSide);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<unsigned char> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
        std::fread(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        PngSource source{&bytes, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &source, ReadPng);
        png_read_info(png, info);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(rgb.data());
    }
}
BENCHMARK(BM_PngLoadFloor);

}  // namespace
