#pragma once
// The file system calls the byte files and the file output make, in one place, behaving as their
// POSIX namesakes: -1 and errno on failure. A backend may stand in for the system behind every
// one of them (the tests install one that makes the Nth write, flush or rename fail as a full or
// broken disk would); the program never installs one, and pays one indirect call per call, always
// to the same place.
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vesk::sys {

int Open(const std::string& path, int flags, mode_t mode = 0);
int Close(int fd);
ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset);
ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
int Fstat(int fd, struct stat* st);
int Lstat(const std::string& path, struct stat* st);
int Stat(const std::string& path, struct stat* st);
int Ftruncate(int fd, off_t length);
int Fsync(int fd);
int Fchmod(int fd, mode_t mode);
int Fchown(int fd, uid_t uid, gid_t gid);
int Rename(const std::string& from, const std::string& to);
int Unlink(const std::string& path);
int Access(const std::string& path, int mode);
int Mkdir(const std::string& path, mode_t mode);
int Symlink(const std::string& target, const std::string& path);
int Rmdir(const std::string& path);
int Flock(int fd, int operation);
int Statvfs(const std::string& path, struct statvfs* st);
int Fstatfs(int fd, struct statfs* st);
// Names in a folder (without "." and ".."), or false with errno.
bool ListFolder(const std::string& path, std::vector<std::string>& names);

// What stands behind the calls above. Each member is the system's own call; a backend overrides
// those it changes and calls these for the rest.
class Backend {
public:
    virtual ~Backend() = default;
    virtual int Open(const std::string& path, int flags, mode_t mode);
    virtual int Close(int fd);
    virtual ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset);
    virtual ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
    virtual int Fstat(int fd, struct stat* st);
    virtual int Lstat(const std::string& path, struct stat* st);
    virtual int Stat(const std::string& path, struct stat* st);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Fsync(int fd);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fchown(int fd, uid_t uid, gid_t gid);
    virtual int Rename(const std::string& from, const std::string& to);
    virtual int Unlink(const std::string& path);
    virtual int Access(const std::string& path, int mode);
    virtual int Mkdir(const std::string& path, mode_t mode);
    virtual int Symlink(const std::string& target, const std::string& path);
    virtual int Rmdir(const std::string& path);
    virtual int Flock(int fd, int operation);
    virtual int Statvfs(const std::string& path, struct statvfs* st);
    virtual int Fstatfs(int fd, struct statfs* st);
    virtual bool ListFolder(const std::string& path, std::vector<std::string>& names);
};

// Puts `backend` behind every call from now on, for the whole process (nullptr: the system
// itself, as at start); returns the one it replaces. Not thread-safe: install before the calls.
Backend* InstallBackend(Backend* backend);

}  // namespace vesk::sys
