#pragma once
// The one way the program reads files: an untyped file of bytes, positioned by absolute offset,
// opened for reading only, so a read-only file opens too. (Writing goes through FileOutput,
// file_output.h.) Failures raise vesk::Error with the kept texts (docs/COMPATIBILITY.md, Errors),
// naming the file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"

namespace vesk {

class ByteFile {
public:
    // Never blocks: a pipe or a device opens at once. A folder is refused ("File access denied").
    static ByteFile Open(const std::string& path);

    ByteFile(ByteFile&& other) noexcept;
    ByteFile& operator=(ByteFile&& other) noexcept;
    ByteFile(const ByteFile&) = delete;
    ByteFile& operator=(const ByteFile&) = delete;
    ~ByteFile();

    // The size now (another process may have grown or cut the file since it was opened).
    std::int64_t Size() const;
    // The size when it was opened, from the look Open takes anyway: a reader that takes the file
    // as it was then saves a call.
    std::int64_t SizeAtOpen() const { return sizeAtOpen_; }
    // A regular file: not a pipe, a device or a file of /proc, whose content is no file's.
    bool IsRegular() const;
    std::int64_t Position() const { return position_; }
    // A negative position raises "I/O error 131" (docs/COMPATIBILITY.md, Negative seek).
    void Seek(std::int64_t position);

    // Reads exactly data.size() bytes at the current position, else "Read beyond end of file".
    void Read(std::span<std::uint8_t> data);
    // Reads up to data.size() bytes; returns how many were read (0 at the end).
    std::size_t ReadSome(std::span<std::uint8_t> data);

    void ReadAt(std::int64_t position, std::span<std::uint8_t> data) { Seek(position); Read(data); }
    std::uint8_t ByteAt(std::int64_t position);

    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    ByteFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::int64_t position_ = 0;
    std::int64_t sizeAtOpen_ = 0;
    std::string path_;
};

// Size of a regular file that can be read, or -1 for anything else: missing, unreadable, a
// folder, a pipe or a device. Never blocks.
std::int64_t FileSizeOrMinusOne(const std::string& path);

// A whole-file read refuses anything far larger than any file the program handles.
inline constexpr std::int64_t kWholeFileCap = std::int64_t{1} << 30;

// The whole content of a file. A file larger than `cap` bytes is refused before it is read
// ("I/O error 8", not enough memory, docs/COMPATIBILITY.md, Errors).
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::int64_t cap = kWholeFileCap);

// The text of the error kept for an errno value.
std::string ErrnoText(int errnum);
// Throws the error kept for an errno value (docs/COMPATIBILITY.md, Errors), naming `file`.
[[noreturn]] void ThrowErrno(int errnum, std::string_view file = {});

}  // namespace vesk
