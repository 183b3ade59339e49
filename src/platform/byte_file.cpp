#include "platform/byte_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_calls.h"

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
constexpr int kInvalidName = 123;
constexpr int kNegativeSeek = 131;
constexpr int kNameTooLong = 206;
constexpr int kCannotResolveName = 1921;

// Without any write bit a file is read-only, without any read bit unreadable, for everybody,
// root included (docs/COMPATIBILITY.md, Read-only and unreadable files).
bool HasNoReadBit(const struct stat& st) { return (st.st_mode & 0444) == 0; }

}  // namespace

void ThrowErrno(int errnum, std::string_view file) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            ThrowError(kFileNotFound, file);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            ThrowError(kFileAccessDenied, file);
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            ThrowError(kDiskFull, file);
        case EMFILE:
        case ENFILE:
            ThrowIoError(kTooManyOpenFiles, file);
        case EBADF:
            ThrowIoError(kInvalidHandle, file);
        case ENOMEM:
            ThrowIoError(kNotEnoughMemory, file);
        case EBUSY:
        case EAGAIN:
            ThrowIoError(kSharingViolation, file);
        case EINVAL:
            ThrowIoError(kInvalidParameter, file);
        case EILSEQ:
            ThrowIoError(kInvalidName, file);
        case ENAMETOOLONG:
            ThrowIoError(kNameTooLong, file);
        case ELOOP:
            ThrowIoError(kCannotResolveName, file);
        default:
            ThrowIoError(kGeneralFailure, file);
    }
}

std::string ErrnoText(int errnum) {
    try {
        ThrowErrno(errnum);
    } catch (const Error& e) {
        return e.what();
    }
}

ByteFile ByteFile::Open(const std::string& path) {
    // Not blocking while opening: a pipe dropped on the window must not hang it.
    const int fd = sys::Open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) ThrowErrno(errno, path);
    ByteFile file(fd, path);
    struct stat st {};
    if (sys::Fstat(fd, &st) != 0) ThrowErrno(errno, path);
    // Linux opens a folder for reading; to the program it is no file.
    if (S_ISDIR(st.st_mode)) ThrowError(kFileAccessDenied, path);
    // Root passes the permission check of open(), so the unreadable rule is ours to apply.
    if (S_ISREG(st.st_mode) && HasNoReadBit(st)) ThrowError(kFileAccessDenied, path);
    file.sizeAtOpen_ = static_cast<std::int64_t>(st.st_size);
    // Reads then block as usual. A regular file ignores the flag, which saves two calls for
    // each of the hundreds of files a build or an unpacking opens.
    if (!S_ISREG(st.st_mode)) {
        const int status = ::fcntl(fd, F_GETFL);
        if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) ThrowErrno(errno, path);
    }
    return file;
}

ByteFile::ByteFile(ByteFile&& other) noexcept
    : fd_(other.fd_), position_(other.position_), sizeAtOpen_(other.sizeAtOpen_), path_(std::move(other.path_)) {
    other.fd_ = -1;
    other.position_ = 0;
}

ByteFile& ByteFile::operator=(ByteFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) sys::Close(fd_);
        fd_ = other.fd_;
        position_ = other.position_;
        sizeAtOpen_ = other.sizeAtOpen_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
        other.position_ = 0;
    }
    return *this;
}

ByteFile::~ByteFile() {
    if (fd_ >= 0) sys::Close(fd_);
}

bool ByteFile::IsRegular() const {
    struct stat st {};
    if (fd_ < 0 || sys::Fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // /proc and /sys call their files regular, yet each read makes their content anew.
    constexpr long kProc = 0x9fa0, kSys = 0x62656572;
    struct statfs fs {};
    return sys::Fstatfs(fd_, &fs) != 0 || (fs.f_type != kProc && fs.f_type != kSys);
}

std::int64_t ByteFile::Size() const {
    if (fd_ < 0) ThrowIoError(kFileNotOpen, path_);
    struct stat st {};
    if (sys::Fstat(fd_, &st) != 0) ThrowErrno(errno, path_);
    return static_cast<std::int64_t>(st.st_size);
}

void ByteFile::Seek(std::int64_t position) {
    if (fd_ < 0) ThrowIoError(kFileNotOpen, path_);
    if (position < 0) ThrowIoError(kNegativeSeek, path_);
    // A position past the end is allowed; reading there fails.
    position_ = position;
}

std::size_t ByteFile::ReadSome(std::span<std::uint8_t> data) {
    if (fd_ < 0) ThrowIoError(kFileNotOpen, path_);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = sys::Pread(fd_, data.data() + done, data.size() - done, static_cast<off_t>(position_));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EBADF) ThrowIoError(kNotOpenForInput, path_);
            ThrowErrno(errno, path_);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        position_ += n;
    }
    return done;
}

void ByteFile::Read(std::span<std::uint8_t> data) {
    if (ReadSome(data) != data.size()) ThrowError(kReadBeyondEnd, path_);
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
    sys::Close(fd);
}

std::int64_t FileSizeOrMinusOne(const std::string& path) {
    // Reading only, so a read-only file has a size too; not blocking, so a named pipe gives -1
    // at once instead of waiting for a writer.
    const int fd = sys::Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const bool ok = sys::Fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !HasNoReadBit(st);
    sys::Close(fd);
    return ok ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::int64_t cap) {
    ByteFile file = ByteFile::Open(path);
    const std::int64_t size = file.SizeAtOpen();
    if (size > cap) ThrowIoError(kNotEnoughMemory, path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.Read(bytes);
    // A file that grew while we read keeps what was there when we looked.
    return bytes;
}

}  // namespace vesk
