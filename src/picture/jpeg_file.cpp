#include "picture/jpeg_file.h"

// jpeglib.h expects size_t and FILE to be declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: decoding writes its RGBX pixels straight into the picture"
#endif

#include "base/error.h"
#include "picture/picture_limits.h"
#include "picture/picture_memory.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

// The library reports a fatal error by calling error_exit, which must not return. Ours jumps
// back with longjmp to the function that started the library call. A longjmp must not skip a
// C++ destructor, so every function that calls setjmp below holds only plain data; buffers and
// clean-up live in the callers, and no C++ exception ever passes through the library's frames.

namespace vesk {
namespace {

struct JpegErrors {
    jpeg_error_mgr manager;  // first member: the library's pointer to it is a pointer to us
    std::jmp_buf jump;
};

void JumpOnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings (a truncated file, a bad marker the library can step over) are not errors; the
// library goes on with what it has, and nothing is printed.
void IgnoreJpegMessage(j_common_ptr) {}

jpeg_error_mgr* InstallErrors(JpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.manager);
    manager->error_exit = JumpOnJpegError;
    manager->output_message = IgnoreJpegMessage;
    return manager;
}

// ---- decoding

// A progressive file may hold any number of scans, each read over the whole picture: a few
// thousand tiny ones take minutes and hundreds of megabytes. Real files have a dozen or so.
struct ScanLimit {
    jpeg_progress_mgr manager;  // first member: the library's pointer to it is a pointer to us
    bool exceeded = false;
};

void StopPastTheScanLimit(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kJpegMaxScans) return;
    reinterpret_cast<ScanLimit*>(cinfo->progress)->exceeded = true;
    cinfo->err->error_exit(cinfo);
}

struct DecodeJob {
    std::span<const std::uint8_t> input;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    ScanLimit scans{};

    DecodeJob() = default;
    DecodeJob(const DecodeJob&) = delete;
    DecodeJob& operator=(const DecodeJob&) = delete;
    // Releases the decoder on every path; harmless when it was never created.
    ~DecodeJob() { jpeg_destroy_decompress(&cinfo); }
};

// Returns false when the library failed; its message code is in job.errors.
bool ReadJpegHeader(DecodeJob& job) {
    job.cinfo.err = InstallErrors(job.errors);
    if (setjmp(job.errors.jump)) return false;
    jpeg_create_decompress(&job.cinfo);
    job.scans.manager.progress_monitor = StopPastTheScanLimit;
    job.cinfo.progress = &job.scans.manager;
    jpeg_mem_src(&job.cinfo, job.input.data(), static_cast<unsigned long>(job.input.size()));
    jpeg_read_header(&job.cinfo, TRUE);
    return true;
}

// In blocks of 8, which the compiler turns into a few vector operations.
void ClearFillerBytes(std::uint32_t* row, std::size_t width) {
    std::size_t x = 0;
    for (; x + 8 <= width; x += 8)
        for (std::size_t k = 0; k < 8; ++k) row[x + k] &= 0x00FFFFFFu;
    for (; x < width; ++x) row[x] &= 0x00FFFFFFu;
}

// Decodes straight into `pixels`, rows from the top. libjpeg-turbo writes red, green, blue and a
// filler byte per pixel (from colour and greyscale files alike), which is our colour layout but
// for the filler; clearing it is far cheaper than repacking 3-byte pixels.
// Four-colour files (CMYK, and YCCK, which the library turns into CMYK) come out as C, M, Y, K
// bytes: the library converts them to nothing else. Photoshop, which writes the Adobe marker,
// stores them inverted (0 is full ink); other writers store them plainly.
void CmykToRgb(std::uint32_t* row, std::size_t width, bool inverted) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t p = row[x];
        std::uint32_t c = p & 0xFF, m = p >> 8 & 0xFF, y = p >> 16 & 0xFF, k = p >> 24;
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        row[x] = (c * k + 127) / 255 | (m * k + 127) / 255 << 8 | (y * k + 127) / 255 << 16;
    }
}

bool ReadJpegPixels(DecodeJob& job, std::uint32_t* pixels) {
    if (setjmp(job.errors.jump)) return false;
    const bool fourColours = job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
    job.cinfo.out_color_space = fourColours ? JCS_CMYK : JCS_EXT_RGBX;
    job.cinfo.scale_num = 1;
    job.cinfo.scale_denom = 1;
    job.cinfo.do_block_smoothing = TRUE;
    job.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&job.cinfo);
    const std::size_t width = job.cinfo.output_width;
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        std::uint32_t* out = pixels + job.cinfo.output_scanline * width;
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(out)};
        jpeg_read_scanlines(&job.cinfo, rows, 1);
        if (fourColours) {
            CmykToRgb(out, width, job.cinfo.saw_Adobe_marker);
        } else {
            ClearFillerBytes(out, width);
        }
    }
    jpeg_finish_decompress(&job.cinfo);
    return true;
}

// ---- encoding

// The compressed bytes go to libjpeg's memory destination, which mallocs the buffer and doubles
// it as it fills; the buffer is ours to free() once the compressor is destroyed. When it grows,
// the library frees the old buffer at once but reports the new one only from term_destination,
// which jpeg_finish_compress calls and an error that jumps out skips. So after such an error we
// call term_destination ourselves before destroying the compressor: otherwise `output` would
// name a freed buffer and the live one would leak.
struct EncodeJob {
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};
    unsigned char* output = nullptr;
    unsigned long size = 0;
    bool unreported = false;  // cinfo.dest is the memory destination and has not told us its buffer

    EncodeJob() = default;
    EncodeJob(const EncodeJob&) = delete;
    EncodeJob& operator=(const EncodeJob&) = delete;
    ~EncodeJob() {
        if (unreported) cinfo.dest->term_destination(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::free(output);
    }
};

// The picture's rows go to the library as they are: red, green, blue and an ignored fourth
// byte per pixel (libjpeg-turbo's RGBX). The library converts them exactly as it would a
// 3-byte RGB copy (the tests compare the files byte for byte), without the copy.
bool WriteJpeg(EncodeJob& job, const std::uint32_t* pixels, int width, int height) {
    job.cinfo.err = InstallErrors(job.errors);
    if (setjmp(job.errors.jump)) return false;
    jpeg_create_compress(&job.cinfo);
    jpeg_mem_dest(&job.cinfo, &job.output, &job.size);
    job.unreported = true;

    job.cinfo.image_width = static_cast<JDIMENSION>(width);
    job.cinfo.image_height = static_cast<JDIMENSION>(height);
    job.cinfo.input_components = 4;
    job.cinfo.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&job.cinfo);
    jpeg_set_quality(&job.cinfo, kJpegQuality, TRUE);
    jpeg_start_compress(&job.cinfo, TRUE);
    const auto stride = static_cast<std::size_t>(width);
    while (job.cinfo.next_scanline < job.cinfo.image_height) {
        const std::uint32_t* row = pixels + job.cinfo.next_scanline * stride;
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(row))};
        jpeg_write_scanlines(&job.cinfo, rows, 1);
    }
    jpeg_finish_compress(&job.cinfo);  // reports the buffer and its length
    job.unreported = false;
    return true;
}

}  // namespace

Picture DecodeJpeg(std::span<const std::uint8_t> bytes) {
    DecodeJob job;
    job.input = bytes;
    if (!ReadJpegHeader(job)) ThrowJpegError(job.errors.manager.msg_code);
    CheckPictureSize(job.cinfo.image_width, job.cinfo.image_height);

    // Every pixel is written by the decoder, so the pixels start zeroed rather than white.
    Picture picture;
    SizePicture(picture, static_cast<int>(job.cinfo.image_width), static_cast<int>(job.cinfo.image_height));
    if (!ReadJpegPixels(job, picture.pixels.data())) {
        if (job.scans.exceeded) {
            Refuse("Файл JPEG не открыт: в нём больше " + std::to_string(kJpegMaxScans) +
                   " проходов (сканов), столько в настоящих снимках не бывает.");
        }
        ThrowJpegError(job.errors.manager.msg_code);
    }
    return picture;
}

Picture LoadJpeg(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return NamingFile(path, [&] { return DecodeJpeg(bytes); });
}

namespace {

// Runs the encoder; `job` then holds the compressed bytes.
void Encode(const Picture& picture, EncodeJob& job) {
    if (!WriteJpeg(job, picture.pixels.data(), picture.width, picture.height)) {
        ThrowJpegError(job.errors.manager.msg_code);
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture) {
    EncodeJob job;
    Encode(picture, job);
    return std::vector<std::uint8_t>(job.output, job.output + job.size);
}

void SaveJpeg(const Picture& picture, const std::string& path) {
    EncodeJob job;
    Encode(picture, job);  // before the file is created: a failure leaves no file behind
    WriteWholeFile(path, std::span<const std::uint8_t>(job.output, job.size), Durability::Durable);
}

}  // namespace vesk
