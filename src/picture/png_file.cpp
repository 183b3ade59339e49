#include "picture/png_file.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "base/error.h"
#include "picture/picture_limits.h"
#include "picture/picture_memory.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

// The library reports a fatal error by calling our error function, which jumps back with
// longjmp to the function that started the library call (as jpeg_file.cpp does for libjpeg).
// A longjmp must not skip a C++ destructor, so every function that calls setjmp below holds only
// plain data; buffers and clean-up live in the callers, and no C++ exception ever passes
// through the library's frames (the memory writer catches its own).

namespace vesk {
namespace {

// The library's message, kept where the jump leaves it for us.
struct PngErrors {
    char message[160] = {};
};

[[noreturn]] void JumpOnPngError(png_structp png, png_const_charp message) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::strncpy(errors->message, message ? message : "", sizeof errors->message - 1);
    png_longjmp(png, 1);
}

// Warnings (a bad ancillary chunk, which the library drops) are not errors, and nothing is printed.
void IgnorePngWarning(png_structp, png_const_charp) {}

[[noreturn]] void ThrowPngError(const PngErrors& errors) { ThrowError(std::string("PNG error: ") + errors.message); }

// Chunks that would change the colours (gamma, profiles, the suggested background) or only say
// things about the picture: skipped unread, as the phone would never see them. Each name ends
// with a zero byte, as the library wants the list.
constexpr png_byte kSkippedChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
                                      "tEXt\0tIME\0zTXt";
constexpr int kSkippedChunkCount = 17;
// No chunk the reader keeps needs more; a larger one is an attack on memory.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;

// ---- decoding

struct MemorySource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->at) png_error(png, "the file ends inside the picture");
    std::memcpy(data, source->bytes.data() + source->at, length);
    source->at += length;
}

struct DecodeJob {
    PngErrors errors;
    MemorySource source;
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool alpha = false;  // the rows come out with an alpha byte rather than a zero filler

    explicit DecodeJob(std::span<const std::uint8_t> bytes) : source{bytes} {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, JumpOnPngError, IgnorePngWarning);
        if (png) info = png_create_info_struct(png);
        if (!png || !info) {
            png_destroy_read_struct(&png, &info, nullptr);
            ThrowError("PNG error: Insufficient memory");
        }
    }
    DecodeJob(const DecodeJob&) = delete;
    DecodeJob& operator=(const DecodeJob&) = delete;
    ~DecodeJob() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Returns false when the library failed; its message is in job.errors.
bool ReadPngHeader(DecodeJob& job) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_set_read_fn(job.png, &job.source, ReadFromMemory);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    png_set_crc_action(job.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(job.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    // The size is checked against our own limits once the header is read, with our message.
    png_set_user_limits(job.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(job.png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    png_read_info(job.png, job.info);
    return true;
}

// Every kind becomes four bytes a pixel, red, green, blue and alpha (or a zero filler), which is
// the picture's own layout: the rows are decoded straight into it.
bool ReadPngPixels(DecodeJob& job, png_bytepp rows) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    const png_byte colorType = png_get_color_type(job.png, job.info);
    job.alpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(job.png, job.info, PNG_INFO_tRNS);
    png_set_expand(job.png);    // palettes, 1 to 4-bit grey, transparency chunks
    png_set_scale_16(job.png);  // rounded, not cut, as Qt's reader does
    png_set_gray_to_rgb(job.png);
    if (!job.alpha) png_set_filler(job.png, 0, PNG_FILLER_AFTER);
    png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);
    if (png_get_rowbytes(job.png, job.info) != 4 * static_cast<png_size_t>(png_get_image_width(job.png, job.info))) {
        png_error(job.png, "unexpected row layout");
    }
    png_read_image(job.png, rows);
    // The chunks after the pixels are not read: nothing in them changes the picture.
    return true;
}

// c over white with alpha a, rounded.
inline std::uint32_t OverWhite(std::uint32_t c, std::uint32_t a) { return (c * a + 255 * (255 - a) + 127) / 255; }

void LayOverWhite(std::vector<std::uint32_t>& pixels) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24;
        if (a == 255) {
            p &= 0x00FFFFFFu;
        } else {
            p = OverWhite(p & 0xFF, a) | OverWhite((p >> 8) & 0xFF, a) << 8 | OverWhite((p >> 16) & 0xFF, a) << 16;
        }
    }
}

// ---- encoding

struct EncodeJob {
    PngErrors errors;
    std::vector<std::uint8_t> output;
    bool outOfMemory = false;
    png_structp png = nullptr;
    png_infop info = nullptr;

    EncodeJob() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, JumpOnPngError, IgnorePngWarning);
        if (png) info = png_create_info_struct(png);
        if (!png || !info) {
            png_destroy_write_struct(&png, &info);
            ThrowError("PNG error: Insufficient memory");
        }
    }
    EncodeJob(const EncodeJob&) = delete;
    EncodeJob& operator=(const EncodeJob&) = delete;
    ~EncodeJob() { png_destroy_write_struct(&png, &info); }
};

void AppendToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
    try {
        job->output.insert(job->output.end(), data, data + length);
    } catch (...) {
        job->outOfMemory = true;
    }
    if (job->outOfMemory) png_error(png, "Insufficient memory");  // outside the handler: no exception is live
}

void FlushNothing(png_structp) {}

bool WritePng(EncodeJob& job, png_bytepp rows, int width, int height) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_set_write_fn(job.png, &job, AppendToMemory, FlushNothing);
    png_set_IHDR(job.png, job.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job.png, job.info);
    png_set_filler(job.png, 0, PNG_FILLER_AFTER);  // the picture's fourth byte is not written
    png_write_image(job.png, rows);
    png_write_end(job.png, nullptr);
    return true;
}

std::vector<png_bytep> RowPointers(std::uint32_t* pixels, int width, int height) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = reinterpret_cast<png_bytep>(pixels + y * static_cast<std::size_t>(width));
    return rows;
}

}  // namespace

Picture DecodePng(std::span<const std::uint8_t> bytes) {
    DecodeJob job(bytes);
    if (!ReadPngHeader(job)) ThrowPngError(job.errors);
    const png_uint_32 width = png_get_image_width(job.png, job.info);
    const png_uint_32 height = png_get_image_height(job.png, job.info);
    CheckPictureSize(width, height);

    Picture picture;
    SizePicture(picture, static_cast<int>(width), static_cast<int>(height));
    std::vector<png_bytep> rows = RowPointers(picture.pixels.data(), picture.width, picture.height);
    if (!ReadPngPixels(job, rows.data())) ThrowPngError(job.errors);
    if (job.alpha) LayOverWhite(picture.pixels);
    return picture;
}

Picture LoadPng(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return NamingFile(path, [&] { return DecodePng(bytes); });
}

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    EncodeJob job;
    // The library only reads the rows; its row type is not const.
    std::vector<png_bytep> rows = RowPointers(const_cast<std::uint32_t*>(picture.pixels.data()), picture.width, picture.height);
    // Room for a small picture that barely compresses, so the output seldom moves.
    job.output.reserve(std::min<std::size_t>(picture.pixels.size() * 3 + 1024, std::size_t{1} << 22));
    if (!WritePng(job, rows.data(), picture.width, picture.height)) ThrowPngError(job.errors);
    return std::move(job.output);
}

void SavePng(const Picture& picture, const std::string& path) {
    // Encoded before the file is created: a failure leaves no file behind.
    const std::vector<std::uint8_t> bytes = EncodePng(picture);
    WriteWholeFile(path, bytes, Durability::Durable);
}

}  // namespace vesk
