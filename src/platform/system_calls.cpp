#include "platform/system_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vesk::sys {
namespace {

// The system's calls are Backend's own members.
constinit Backend theSystem;
Backend* active = &theSystem;

}  // namespace

Backend* InstallBackend(Backend* backend) {
    Backend* const before = active == &theSystem ? nullptr : active;
    active = backend ? backend : &theSystem;
    return before;
}

// The system's own calls.

int Backend::Open(const std::string& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Backend::Close(int fd) { return ::close(fd); }
ssize_t Backend::Pread(int fd, void* buffer, std::size_t count, off_t offset) { return ::pread(fd, buffer, count, offset); }
ssize_t Backend::Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}
int Backend::Fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int Backend::Lstat(const std::string& path, struct stat* st) { return ::lstat(path.c_str(), st); }
int Backend::Stat(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st); }
int Backend::Ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int Backend::Fsync(int fd) { return ::fsync(fd); }
int Backend::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int Backend::Fchown(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid); }
int Backend::Rename(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()); }
int Backend::Unlink(const std::string& path) { return ::unlink(path.c_str()); }
int Backend::Access(const std::string& path, int mode) { return ::access(path.c_str(), mode); }
int Backend::Mkdir(const std::string& path, mode_t mode) { return ::mkdir(path.c_str(), mode); }
int Backend::Symlink(const std::string& target, const std::string& path) { return ::symlink(target.c_str(), path.c_str()); }
int Backend::Rmdir(const std::string& path) { return ::rmdir(path.c_str()); }
int Backend::Flock(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result < 0 && errno == EINTR);
    return result;
}
int Backend::Statvfs(const std::string& path, struct statvfs* st) { return ::statvfs(path.c_str(), st); }
int Backend::Fstatfs(int fd, struct statfs* st) { return ::fstatfs(fd, st); }

bool Backend::ListFolder(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return true;
}

// Every call through the active backend: the system itself unless a test installed another.
int Open(const std::string& path, int flags, mode_t mode) { return active->Open(path, flags, mode); }
int Close(int fd) { return active->Close(fd); }
ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset) { return active->Pread(fd, buffer, count, offset); }
ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) { return active->Pwrite(fd, buffer, count, offset); }
int Fstat(int fd, struct stat* st) { return active->Fstat(fd, st); }
int Lstat(const std::string& path, struct stat* st) { return active->Lstat(path, st); }
int Stat(const std::string& path, struct stat* st) { return active->Stat(path, st); }
int Ftruncate(int fd, off_t length) { return active->Ftruncate(fd, length); }
int Fsync(int fd) { return active->Fsync(fd); }
int Fchmod(int fd, mode_t mode) { return active->Fchmod(fd, mode); }
int Fchown(int fd, uid_t uid, gid_t gid) { return active->Fchown(fd, uid, gid); }
int Rename(const std::string& from, const std::string& to) { return active->Rename(from, to); }
int Unlink(const std::string& path) { return active->Unlink(path); }
int Access(const std::string& path, int mode) { return active->Access(path, mode); }
int Mkdir(const std::string& path, mode_t mode) { return active->Mkdir(path, mode); }
int Symlink(const std::string& target, const std::string& path) { return active->Symlink(target, path); }
int Rmdir(const std::string& path) { return active->Rmdir(path); }
int Flock(int fd, int operation) { return active->Flock(fd, operation); }
int Statvfs(const std::string& path, struct statvfs* st) { return active->Statvfs(path, st); }
int Fstatfs(int fd, struct statfs* st) { return active->Fstatfs(fd, st); }
bool ListFolder(const std::string& path, std::vector<std::string>& names) { return active->ListFolder(path, names); }

}  // namespace vesk::sys
