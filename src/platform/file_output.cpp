#include "platform/file_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>
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
    for (std::size_t i = 0; i < kTempLetters; ++i, value /= 36) name += kDigits[value % 36];
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

// The temporaries being written, for a signal handler to remove: fixed buffers, so that the
// handler reads them without allocating. A write beyond the slots is still removed an hour later.
constexpr int kTempSlots = 16;
// A slot is taken first and shown to the handler only once its path is whole.
char tempPaths[kTempSlots][4096];
std::atomic<bool> tempTaken[kTempSlots];
std::atomic<bool> tempShown[kTempSlots];

int RegisterTemp(const std::string& path) {
    if (path.size() >= sizeof tempPaths[0]) return -1;
    for (int i = 0; i < kTempSlots; ++i) {
        bool expected = false;
        if (!tempTaken[i].load() && tempTaken[i].compare_exchange_strong(expected, true)) {
            std::memcpy(tempPaths[i], path.c_str(), path.size() + 1);
            tempShown[i].store(true);
            return i;
        }
    }
    return -1;
}

void UnregisterTemp(int slot) {
    if (slot < 0) return;
    tempShown[slot].store(false);
    tempTaken[slot].store(false);
}

extern "C" void RemoveTempsAndEnd(int signal) {
    for (int i = 0; i < kTempSlots; ++i) {
        if (tempShown[i].load()) ::unlink(tempPaths[i]);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// An hour old: surely no running write's.
constexpr std::int64_t kStaleTemp = 3600;

// Each folder written into is swept of stale temporaries once per process.
void SweepOnce(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (!swept.insert(folder).second) return;
    }
    RemoveOldTemporaries(folder, kStaleTemp);
}

}  // namespace

bool IsTempName(std::string_view fileName) {
    if (!fileName.starts_with(kTempPrefix) || fileName.size() != kTempPrefix.size() + kTempLetters) return false;
    return std::all_of(fileName.begin() + static_cast<std::ptrdiff_t>(kTempPrefix.size()), fileName.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
}

void RemoveTemporariesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, RemoveTempsAndEnd);
}

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
    SweepOnce(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = folder + "/" + TempName();
        const int fd = sys::Open(temp, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, out.mode_ ? out.mode_ : 0666);
        if (fd >= 0) {
            out.temp_ = temp;
            out.fd_ = fd;
            out.slot_ = RegisterTemp(temp);
            return out;
        }
        if (errno == EEXIST) continue;
        const bool folderRefuses = errno == EACCES || errno == EPERM || errno == EROFS;
        // A folder that takes no new file, around a settings file that may be written: in place,
        // as the settings file in a read-only program folder has always been written.
        if (folderRefuses && durability == Durability::SettingsFile && exists && S_ISREG(st.st_mode)) {
            const int inPlace = sys::Open(target, O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
            if (inPlace < 0) Fail(errno, target);
            out.fd_ = inPlace;
            return out;
        }
        // Anything else in place could be left half written: the folder is what refuses.
        if (folderRefuses) ThrowUnableToWrite(folder);
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
      group_(other.group_),
      slot_(other.slot_) {
    other.fd_ = -1;
    other.temp_.clear();
    other.slot_ = -1;
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
        slot_ = other.slot_;
        other.fd_ = -1;
        other.temp_.clear();
        other.slot_ = -1;
    }
    return *this;
}

FileOutput::~FileOutput() { Discard(); }

void FileOutput::Discard() noexcept {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = -1;
    if (!temp_.empty()) sys::Unlink(temp_);
    temp_.clear();
    UnregisterTemp(slot_);
    slot_ = -1;
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

void FileOutput::Close() {
    if (fd_ < 0) ThrowIoError(103, target_);
    if (keepMode_ && !temp_.empty()) {
        sys::Fchmod(fd_, mode_);
        // Only root can give the file back to its owner; for anyone else it is theirs already.
        sys::Fchown(fd_, owner_, group_);
    }
    if (durability_ != Durability::Replaceable && sys::Fsync(fd_) != 0) Fail(errno, target_);
    const int fd = fd_;
    fd_ = -1;
    // A failed close can be the first sign that written data did not reach the disk.
    if (sys::Close(fd) != 0 && errno != EINTR) Fail(errno, target_);
}

void FileOutput::SyncFolder(const std::string& path) const {
    if (durability_ == Durability::Replaceable) return;
    // The rename itself reaches the disk with the folder.
    const int dir = sys::Open(FolderOf(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    const int synced = sys::Fsync(dir);
    const int error = errno;
    sys::Close(dir);
    // The new file is in place under its name; only its survival of a power cut is in doubt.
    if (synced != 0) Fail(error, path);
}

void FileOutput::Commit() {
    Close();
    if (temp_.empty()) return;  // written in place
    if (sys::Rename(temp_, target_) != 0) Fail(errno, target_);
    temp_.clear();
    UnregisterTemp(slot_);
    slot_ = -1;
    SyncFolder(target_);
}

void FileOutput::CommitKeepingBackup(const std::string& backup) {
    // Only a regular file of its own at the target's name is kept: a link is replaced as every
    // writer replaces one, and the file behind it is neither read nor copied.
    struct stat st {};
    const bool keep = !temp_.empty() && sys::Lstat(target_, &st) == 0 && S_ISREG(st.st_mode);
    if (!keep) {
        Commit();
        return;
    }
    Close();
    std::vector<std::uint8_t> old;
    {
        const int fd = sys::Open(target_, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) Fail(errno, target_);
        struct stat opened {};
        const bool regular = sys::Fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
        sys::Close(fd);
        if (!regular) ThrowError(kFileAccessDenied, target_);
        old = ReadWholeFile(target_);
    }
    FileOutput copy = FileOutput::Create(backup, Durability::Durable);
    // The copy is the dump's, with the dump's permission bits: a backup is no wider to read.
    copy.mode_ = st.st_mode & 07777;
    copy.keepMode_ = true;
    copy.owner_ = st.st_uid;
    copy.group_ = st.st_gid;
    copy.Write(old);
    copy.Close();

    // An older backup is set aside, to come back if what follows fails.
    const std::string folder = FolderOf(backup);
    std::string aside;
    struct stat older {};
    if (sys::Lstat(backup, &older) == 0) {
        aside = folder + "/" + TempName();
        if (sys::Rename(backup, aside) != 0) Fail(errno, backup);
    }
    const auto putBack = [&] {
        if (!aside.empty()) {
            sys::Rename(aside, backup);
        } else {
            sys::Unlink(backup);
        }
    };
    if (sys::Rename(copy.temp_, backup) != 0) {
        const int error = errno;
        if (!aside.empty()) sys::Rename(aside, backup);
        Fail(error, backup);
    }
    copy.temp_.clear();
    if (sys::Rename(temp_, target_) != 0) {
        const int error = errno;
        putBack();
        Fail(error, target_);
    }
    temp_.clear();
    UnregisterTemp(slot_);
    slot_ = -1;
    if (!aside.empty()) sys::Unlink(aside);
    copy.SyncFolder(backup);
    SyncFolder(target_);
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

void CheckRegularOrMissing(const std::string& path) {
    struct stat st {};
    if (sys::Stat(path, &st) != 0) return;
    if (!S_ISREG(st.st_mode) || !ByteFile::Open(path).IsRegular()) ThrowError(kFileAccessDenied, path);
}

std::optional<std::int64_t> FreeBytes(const std::string& folder) {
    struct statvfs st {};
    if (sys::Statvfs(folder, &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

void CheckRoomFor(const std::string& folder, std::span<const std::int64_t> fileSizes) {
    // A folder still to be made takes its room from the nearest one that stands.
    std::string standing = folder;
    struct statvfs st {};
    while (sys::Statvfs(standing.empty() ? "." : standing, &st) != 0) {
        if (errno != ENOENT || standing.empty() || standing == "/") return;
        while (!standing.empty() && standing.back() == '/') standing.pop_back();
        const std::size_t slash = standing.rfind('/');
        standing = slash == std::string::npos ? "" : standing.substr(0, slash == 0 ? 1 : slash);
    }
    const std::int64_t block = std::max<std::int64_t>(1, static_cast<std::int64_t>(st.f_frsize));
    const std::int64_t free = static_cast<std::int64_t>(st.f_bavail) * block;
    std::int64_t need = 0;
    for (const std::int64_t size : fileSizes) need += (std::max<std::int64_t>(size, 0) + block - 1) / block * block;
    if (need <= free) return;
    ThrowError("Не хватает места: нужно " + std::to_string(need) + " байт, свободно " + std::to_string(free) +
                   " байт. Ничего не записано.",
               folder);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (sys::Stat(path, &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::int64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileLock FileLock::Hold(const std::string& path) {
    for (;;) {
        const int fd = sys::Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return FileLock(-1);
            Fail(errno, path);
        }
        if (sys::Flock(fd, LOCK_EX) != 0) {
            const int error = errno;
            sys::Close(fd);
            Fail(error, path);
        }
        // Another change may have put a new file under the name while this one waited: the lock
        // on the old one holds nothing, and the new one is what is read from now on.
        struct stat held {}, named {};
        if (sys::Fstat(fd, &held) == 0 && sys::Stat(path, &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            return FileLock(fd);
        }
        sys::Close(fd);
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) sys::Close(fd_);  // closing releases the lock
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
