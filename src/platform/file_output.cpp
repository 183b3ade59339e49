#include "platform/file_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>

#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/system_calls.h"

namespace vesk {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TempName() {
    // Unique within the folder even for two processes started in the same instant: the name is
    // random, and created exclusively, so a clash only means another try.
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name(kTempPrefix);
    std::uint64_t value = random();
    for (int i = 0; i < 12; ++i, value /= 36) name += kDigits[value % 36];
    return name;
}

[[noreturn]] void Fail(int errnum, const std::string& target) { ThrowErrno(errnum, target); }

// A file without any write bit, or one this user may not write, is read-only (docs/COMPATIBILITY.md,
// Read-only and unreadable files); so are folders, devices and pipes: nothing is written there.
void CheckWritable(const std::string& target, const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return;  // the link's own entry is replaced
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) ThrowError(kFileAccessDenied, target);
    // The owner's own bit decides for the owner; anybody else asks the system.
    const bool owner = st.st_uid == ::geteuid();
    if ((owner && (st.st_mode & S_IWUSR) == 0) || (!owner && sys::Access(target, W_OK) != 0)) {
        ThrowError(kFileAccessDenied, target);
    }
}

// The permission bits a new file gets from the process's mask, read once.
mode_t CreationMask() {
    static const mode_t mask = [] {
        const mode_t old = ::umask(0);
        ::umask(old);
        return old;
    }();
    return mask;
}

}  // namespace

bool IsTempName(std::string_view fileName) { return fileName.starts_with(kTempPrefix); }

FileOutput FileOutput::Create(const std::string& target, Durability durability) {
    FileOutput out;
    out.target_ = target;
    out.durability_ = durability;
    struct stat st {};
    const bool exists = sys::Lstat(target, &st) == 0;
    if (!exists && errno != ENOENT) Fail(errno, target);
    if (exists) {
        CheckWritable(target, st);
        if (S_ISREG(st.st_mode)) {
            out.mode_ = st.st_mode & 07777;
            // The temporary is made with the old file's bits; only those the mask takes away, or
            // another owner, need a call of their own.
            out.keepMode_ = (out.mode_ & CreationMask()) != 0 || st.st_uid != ::geteuid() || st.st_gid != ::getegid();
            out.owner_ = st.st_uid;
            out.group_ = st.st_gid;
        }
    }
    const std::string folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = folder + "/" + TempName();
        const int fd = sys::Open(temp, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, out.mode_ ? out.mode_ : 0666);
        if (fd >= 0) {
            out.temp_ = temp;
            out.fd_ = fd;
            return out;
        }
        if (errno == EEXIST) continue;
        // A folder that takes no new file, around a file that may be written: in place, as the
        // settings file in a read-only program folder has always been written.
        if ((errno == EACCES || errno == EPERM || errno == EROFS) && exists && S_ISREG(st.st_mode)) {
            const int inPlace = sys::Open(target, O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
            if (inPlace < 0) Fail(errno, target);
            out.fd_ = inPlace;
            return out;
        }
        Fail(errno, target);
    }
    Fail(EEXIST, target);
}

FileOutput::FileOutput(FileOutput&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      fd_(other.fd_),
      position_(other.position_),
      durability_(other.durability_),
      keepMode_(other.keepMode_),
      mode_(other.mode_),
      owner_(other.owner_),
      group_(other.group_) {
    other.fd_ = -1;
    other.temp_.clear();
}

FileOutput& FileOutput::operator=(FileOutput&& other) noexcept {
    if (this != &other) {
        Discard();
        target_ = std::move(other.target_);
        temp_ = std::move(other.temp_);
        fd_ = other.fd_;
        position_ = other.position_;
        durability_ = other.durability_;
        keepMode_ = other.keepMode_;
        mode_ = other.mode_;
        owner_ = other.owner_;
        group_ = other.group_;
        other.fd_ = -1;
        other.temp_.clear();
    }
    return *this;
}

FileOutput::~FileOutput() { Discard(); }

void FileOutput::Discard() noexcept {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = -1;
    if (!temp_.empty()) sys::Unlink(temp_);
    temp_.clear();
}

void FileOutput::Write(std::span<const std::uint8_t> bytes) { WriteAt(position_, bytes); }

void FileOutput::WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) ThrowIoError(103, target_);  // committed or moved away: no file open
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = sys::Pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno, target_);
        }
        // Nothing written and no error: the device has no room left.
        if (n == 0) Fail(ENOSPC, target_);
        done += static_cast<std::size_t>(n);
    }
    position_ = position + static_cast<std::int64_t>(bytes.size());
}

void FileOutput::Commit() {
    if (fd_ < 0) ThrowIoError(103, target_);
    const bool durable = durability_ == Durability::Durable;
    if (keepMode_ && !temp_.empty()) {
        sys::Fchmod(fd_, mode_);
        // Only root can give the file back to its owner; for anyone else it is theirs already.
        sys::Fchown(fd_, owner_, group_);
    }
    if (durable && sys::Fsync(fd_) != 0) Fail(errno, target_);
    const int fd = fd_;
    fd_ = -1;
    // A failed close can be the first sign that written data did not reach the disk.
    if (sys::Close(fd) != 0 && errno != EINTR) Fail(errno, target_);
    if (temp_.empty()) return;  // written in place
    if (sys::Rename(temp_, target_) != 0) Fail(errno, target_);
    temp_.clear();
    if (durable) {
        // The rename itself reaches the disk with the folder.
        const int dir = sys::Open(FolderOf(target_), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            const int synced = sys::Fsync(dir);
            const int error = errno;
            sys::Close(dir);
            // The new file is in place under its name; only its survival of a power cut is in doubt.
            if (synced != 0) Fail(error, target_);
        }
    }
}

void WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes, Durability durability) {
    FileOutput out = FileOutput::Create(target, durability);
    out.Write(bytes);
    out.Commit();
}

bool WriteIntoCallersFile(const std::string& target, std::span<const std::uint8_t> bytes, Durability durability) {
    struct stat st {};
    if (sys::Lstat(target, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    if ((st.st_mode & S_IWUSR) == 0) ThrowError(kFileAccessDenied, target);
    // Not truncated on opening: only once the descriptor is known to be the file looked at.
    const int fd = sys::Open(target, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOENT) return false;  // replaced by a link, or gone, meanwhile
        Fail(errno, target);
    }
    struct stat opened {};
    const bool same = sys::Fstat(fd, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino;
    if (!same) {
        sys::Close(fd);
        return false;
    }
    int error = 0;
    if (sys::Ftruncate(fd, 0) != 0) error = errno;
    for (std::size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t n = sys::Pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) error = n < 0 ? errno : ENOSPC;
        else done += static_cast<std::size_t>(n);
    }
    if (error == 0 && durability == Durability::Durable && sys::Fsync(fd) != 0) error = errno;
    if (sys::Close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) Fail(error, target);
    return true;
}

void CheckChangeable(const std::string& target) {
    struct stat st {};
    if (sys::Lstat(target, &st) != 0) Fail(errno, target);
    if (!S_ISLNK(st.st_mode)) CheckWritable(target, st);
}

void ChangeFile(const std::string& target, Durability durability,
                const std::function<void(std::vector<std::uint8_t>& content)>& change) {
    // The old file must be there and may be written: changing part of a file never creates it.
    CheckChangeable(target);
    std::vector<std::uint8_t> content = ReadWholeFile(target);
    change(content);
    WriteWholeFile(target, content, durability);
}

void RemoveOldTemporaries(const std::string& folder, std::int64_t age) {
    std::vector<std::string> names;
    if (!sys::ListFolder(folder, names)) return;
    const std::time_t now = std::time(nullptr);
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& name : names) {
        if (!IsTempName(name)) continue;
        struct stat st {};
        if (sys::Lstat(base + name, &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime > age) sys::Unlink(base + name);
    }
}

}  // namespace vesk
