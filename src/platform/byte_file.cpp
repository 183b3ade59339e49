#include "platform/byte_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vesk {
namespace {

// The numbers of "I/O error N" for failures without a text of their own
// (docs/COMPATIBILITY.md, Errors).
constexpr int kTooManyOpenFiles = 4;
constexpr int kInvalidHandle = 6;
constexpr int kNotEnoughMemory = 8;
constexpr int kSharingViolation = 32;
constexpr int kGeneralFailure = 31;
constexpr int kInvalidParameter = 87;
constexpr int kFileNotOpen = 103;
constexpr int kNotOpenForInput = 104;
constexpr int kNotOpenForOutput = 105;
constexpr int kInvalidName = 123;
constexpr int kNegativeSeek = 131;
constexpr int kNameTooLong = 206;
constexpr int kCannotResolveName = 1921;

// A whole-file read refuses anything far larger than any file the program handles.
constexpr std::int64_t kWholeFileCap = std::int64_t{1} << 30;

// Without any write bit a file is read-only, without any read bit unreadable, for everybody,
// root included (docs/COMPATIBILITY.md, Read-only and unreadable files).
bool HasNoWriteBit(const struct stat& st) { return (st.st_mode & 0222) == 0; }
bool HasNoReadBit(const struct stat& st) { return (st.st_mode & 0444) == 0; }

}  // namespace

void ThrowErrno(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            ThrowError(kFileNotFound);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            ThrowError(kFileAccessDenied);
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            ThrowError(kDiskFull);
        case EMFILE:
        case ENFILE:
            ThrowIoError(kTooManyOpenFiles);
        case EBADF:
            ThrowIoError(kInvalidHandle);
        case ENOMEM:
            ThrowIoError(kNotEnoughMemory);
        case EBUSY:
        case EAGAIN:
            ThrowIoError(kSharingViolation);
        case EINVAL:
            ThrowIoError(kInvalidParameter);
        case EILSEQ:
            ThrowIoError(kInvalidName);
        case ENAMETOOLONG:
            ThrowIoError(kNameTooLong);
        case ELOOP:
            ThrowIoError(kCannotResolveName);
        default:
            ThrowIoError(kGeneralFailure);
    }
}

ByteFile ByteFile::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read: flags |= O_RDONLY; break;
        case Mode::ReadWrite: flags |= O_RDWR; break;
        case Mode::Create: flags |= O_RDWR | O_CREAT; break;
    }
    // Not blocking while opening: a pipe dropped on the window must not hang it. Opening with
    // O_CREAT but without O_TRUNC changes nothing in an existing file, so every check below
    // still comes before anything is emptied.
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
    if (fd < 0) ThrowErrno(errno);
    ByteFile file(fd, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) ThrowErrno(errno);
    // Linux opens a folder for reading; to the program it is no file.
    if (S_ISDIR(st.st_mode)) ThrowError(kFileAccessDenied);
    // Root passes the permission check of open(), so the read-only rule is ours to apply.
    if (S_ISREG(st.st_mode) && ((mode != Mode::Read && HasNoWriteBit(st)) || HasNoReadBit(st))) {
        ThrowError(kFileAccessDenied);
    }
    // Reads and writes then block as usual. A regular file ignores the flag, which saves two
    // calls for each of the hundreds of files a build or an unpacking opens.
    if (!S_ISREG(st.st_mode)) {
        const int status = ::fcntl(fd, F_GETFL);
        if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) ThrowErrno(errno);
    }
    if (mode == Mode::Create && ::ftruncate(fd, 0) != 0) ThrowErrno(errno);
    return file;
}

ByteFile::ByteFile(ByteFile&& other) noexcept
    : fd_(other.fd_), position_(other.position_), path_(std::move(other.path_)) {
    other.fd_ = -1;
    other.position_ = 0;
}

ByteFile& ByteFile::operator=(ByteFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        position_ = other.position_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
        other.position_ = 0;
    }
    return *this;
}

ByteFile::~ByteFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t ByteFile::Size() const {
    if (fd_ < 0) ThrowIoError(kFileNotOpen);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) ThrowErrno(errno);
    return static_cast<std::int64_t>(st.st_size);
}

void ByteFile::Seek(std::int64_t position) {
    if (fd_ < 0) ThrowIoError(kFileNotOpen);
    if (position < 0) ThrowIoError(kNegativeSeek);
    // A position past the end is allowed; reading there fails, writing there extends the file.
    position_ = position;
}

std::size_t ByteFile::ReadSome(std::span<std::uint8_t> data) {
    if (fd_ < 0) ThrowIoError(kFileNotOpen);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(fd_, data.data() + done, data.size() - done, static_cast<off_t>(position_));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EBADF) ThrowIoError(kNotOpenForInput);
            ThrowErrno(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        position_ += n;
    }
    return done;
}

void ByteFile::Read(std::span<std::uint8_t> data) {
    if (ReadSome(data) != data.size()) ThrowError(kReadBeyondEnd);
}

void ByteFile::Write(std::span<const std::uint8_t> data) {
    if (fd_ < 0) ThrowIoError(kFileNotOpen);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(position_));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EBADF) ThrowIoError(kNotOpenForOutput);
            ThrowErrno(errno);
        }
        // Nothing written and no error: the device has no room left.
        if (n == 0) ThrowError(kDiskFull);
        done += static_cast<std::size_t>(n);
        position_ += n;
    }
}

std::uint8_t ByteFile::ByteAt(std::int64_t position) {
    std::uint8_t byte = 0;
    ReadAt(position, std::span<std::uint8_t>(&byte, 1));
    return byte;
}

void ByteFile::Close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    // A failed close can be the first sign that written data did not reach the disk.
    if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

std::int64_t FileSizeOrMinusOne(const std::string& path) {
    // Reading only, so a read-only file has a size too; not blocking, so a named pipe gives -1
    // at once instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !HasNoReadBit(st);
    ::close(fd);
    return ok ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    ByteFile file = ByteFile::Open(path, ByteFile::Mode::Read);
    const std::int64_t size = file.Size();
    if (size > kWholeFileCap) ThrowIoError(kNotEnoughMemory);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.Read(bytes);
    // A file that grew while we read keeps what was there when we looked.
    return bytes;
}

}  // namespace vesk
