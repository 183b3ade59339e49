#pragma once
// Files held in memory behind the calls of system_calls.h, for the fuzz targets. The same
// semantics as a POSIX file system for what the program does: regular files, folders and
// symbolic links; open with O_CREAT, O_EXCL, O_TRUNC, O_NOFOLLOW, O_DIRECTORY and the access
// modes; permission bits checked as for a user who is not root; rename replacing the target's
// entry (a link's own entry, never what it points to). Not thread-safe: the fuzzers run one input
// at a time.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vesk::sys::memory {

// An empty tree: the root folder only.
void Reset();

int Open(const std::string& path, int flags, mode_t mode);
int Close(int fd);
ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset);
ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
int Fstat(int fd, struct stat* st);
int Lstat(const std::string& path, struct stat* st);
int Stat(const std::string& path, struct stat* st);
int Ftruncate(int fd, off_t length);
int Fchmod(int fd, mode_t mode);
int Rename(const std::string& from, const std::string& to);
int Unlink(const std::string& path);
int Access(const std::string& path, int mode);
int Mkdir(const std::string& path, mode_t mode);
bool ListFolder(const std::string& path, std::vector<std::string>& names);
// A symbolic link at `path` whose text is `target`.
int Symlink(const std::string& target, const std::string& path);

}  // namespace vesk::sys::memory
