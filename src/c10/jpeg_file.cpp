#include "c10/jpeg_file.h"

// jpeglib.h expects size_t and FILE to be declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

#include "c10/picture_limits.h"
#include "hextext/error.h"
#include "platform/byte_file.h"

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

struct DecodeJob {
    std::span<const std::uint8_t> input;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    bool grey = false;

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
    jpeg_mem_src(&job.cinfo, job.input.data(), static_cast<unsigned long>(job.input.size()));
    jpeg_read_header(&job.cinfo, TRUE);
    job.grey = job.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    return true;
}

// Decodes into `row` (width x 3 bytes) and hands each row to picture row y.
bool ReadJpegPixels(DecodeJob& job, std::uint8_t* row, std::uint32_t* pixels) {
    if (setjmp(job.errors.jump)) return false;
    job.cinfo.out_color_space = job.grey ? JCS_GRAYSCALE : JCS_RGB;
    job.cinfo.scale_num = 1;
    job.cinfo.scale_denom = 1;
    job.cinfo.do_block_smoothing = TRUE;
    job.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&job.cinfo);
    const JDIMENSION width = job.cinfo.output_width;
    JSAMPROW rows[1] = {row};
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        std::uint32_t* out = pixels + static_cast<std::size_t>(job.cinfo.output_scanline) * width;
        jpeg_read_scanlines(&job.cinfo, rows, 1);
        for (JDIMENSION x = 0; x < width; ++x) {
            if (job.grey) {
                const std::uint32_t v = row[x];
                out[x] = v | v << 8 | v << 16;
            } else {
                const std::uint8_t* rgb = row + 3 * static_cast<std::size_t>(x);
                out[x] = static_cast<std::uint32_t>(rgb[0]) | static_cast<std::uint32_t>(rgb[1]) << 8 |
                         static_cast<std::uint32_t>(rgb[2]) << 16;
            }
        }
    }
    jpeg_finish_decompress(&job.cinfo);
    return true;
}

// ---- encoding

// Collects the compressed bytes in a malloc'd buffer that the job owns, so an error that
// jumps out of the library in the middle leaves nothing unowned.
struct EncodeJob {
    jpeg_destination_mgr destination{};  // first member: the library's pointer to it is ours
    std::uint8_t* buffer = nullptr;
    std::size_t capacity = 0;
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};

    EncodeJob() = default;
    EncodeJob(const EncodeJob&) = delete;
    EncodeJob& operator=(const EncodeJob&) = delete;
    ~EncodeJob() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }

    std::size_t Used() const { return capacity - destination.free_in_buffer; }
};

EncodeJob& JobOf(j_compress_ptr cinfo) { return *reinterpret_cast<EncodeJob*>(cinfo->dest); }

void StartBuffer(j_compress_ptr cinfo) {
    EncodeJob& job = JobOf(cinfo);
    job.destination.next_output_byte = job.buffer;
    job.destination.free_in_buffer = job.capacity;
}

// Called when the buffer is full (free_in_buffer is then 0): double it.
boolean GrowBuffer(j_compress_ptr cinfo) {
    EncodeJob& job = JobOf(cinfo);
    const std::size_t used = job.capacity;
    const std::size_t grown = job.capacity * 2;
    auto* bigger = static_cast<std::uint8_t*>(std::realloc(job.buffer, grown));
    if (!bigger) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
    job.buffer = bigger;
    job.capacity = grown;
    job.destination.next_output_byte = bigger + used;
    job.destination.free_in_buffer = grown - used;
    return TRUE;
}

void EndBuffer(j_compress_ptr) {}

bool WriteJpeg(EncodeJob& job, const std::uint8_t* rgb, int width, int height) {
    job.cinfo.err = InstallErrors(job.errors);
    if (setjmp(job.errors.jump)) return false;
    jpeg_create_compress(&job.cinfo);
    job.destination.init_destination = StartBuffer;
    job.destination.empty_output_buffer = GrowBuffer;
    job.destination.term_destination = EndBuffer;
    job.cinfo.dest = &job.destination;

    job.cinfo.image_width = static_cast<JDIMENSION>(width);
    job.cinfo.image_height = static_cast<JDIMENSION>(height);
    job.cinfo.input_components = 3;
    job.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job.cinfo);
    jpeg_set_quality(&job.cinfo, kJpegQuality, TRUE);
    jpeg_start_compress(&job.cinfo, TRUE);
    const std::size_t stride = 3 * static_cast<std::size_t>(width);
    while (job.cinfo.next_scanline < job.cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(rgb + job.cinfo.next_scanline * stride)};
        jpeg_write_scanlines(&job.cinfo, rows, 1);
    }
    jpeg_finish_compress(&job.cinfo);
    return true;
}

}  // namespace

Picture DecodeJpeg(std::span<const std::uint8_t> bytes) {
    DecodeJob job;
    job.input = bytes;
    if (!ReadJpegHeader(job)) ThrowJpegError(job.errors.manager.msg_code);
    CheckPictureSize(job.cinfo.image_width, job.cinfo.image_height);

    Picture picture(static_cast<int>(job.cinfo.image_width), static_cast<int>(job.cinfo.image_height));
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(job.cinfo.image_width));
    if (!ReadJpegPixels(job, row.data(), picture.pixels.data())) ThrowJpegError(job.errors.manager.msg_code);
    return picture;
}

Picture LoadJpeg(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return DecodeJpeg(bytes);
}

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture) {
    // The library takes 8-bit red, green and blue, three bytes a pixel.
    std::vector<std::uint8_t> rgb;
    rgb.reserve(3 * picture.pixels.size());
    for (const std::uint32_t c : picture.pixels) {
        rgb.push_back(static_cast<std::uint8_t>(c));
        rgb.push_back(static_cast<std::uint8_t>(c >> 8));
        rgb.push_back(static_cast<std::uint8_t>(c >> 16));
    }

    EncodeJob job;
    job.capacity = 4096 + rgb.size() / 4;  // a quality-90 JPEG is mostly below a quarter of the raw size
    job.buffer = static_cast<std::uint8_t*>(std::malloc(job.capacity));
    if (!job.buffer) throw std::bad_alloc();
    if (!WriteJpeg(job, rgb.data(), picture.width, picture.height)) ThrowJpegError(job.errors.manager.msg_code);
    return std::vector<std::uint8_t>(job.buffer, job.buffer + job.Used());
}

void SaveJpeg(const Picture& picture, const std::string& path) {
    const std::vector<std::uint8_t> bytes = EncodeJpeg(picture);
    ByteFile file = ByteFile::Open(path, ByteFile::Mode::Create);
    file.Write(bytes);
    file.Close();
}

}  // namespace vesk
