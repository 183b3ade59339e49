#pragma once
// The file system calls the byte files and the file output make, in one place, for two seams:
// tests make the Nth write, flush or rename fail as a full or broken disk would, and the fuzz
// targets run on files held in memory (every input writes files, and a real disk would make
// them a hundred times slower). The calls behave as their POSIX namesakes: -1 and errno on
// failure.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
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
// Names in a folder (without "." and ".."), or false with errno.
bool ListFolder(const std::string& path, std::vector<std::string>& names);

// The fault seam: the Nth call of an operation from now on (1 = the next one) fails with errnum,
// once. Failures a test arms are counted across every file, temporary or not.
enum class Fault { Write, Fsync, Rename };
void FailNth(Fault operation, int n, int errnum);
// Disarms every fault; returns how many calls of each operation were made since the last reset.
struct CallCounts {
    int writes = 0;
    int fsyncs = 0;
    int renames = 0;
};
CallCounts ResetFaults();

// Files in memory instead of on disk, for the whole process from now on: a fresh, empty tree
// with the root folder only. Folders are made with Mkdir; the permission rules of the disk hold.
void UseMemoryFiles();
bool UsingMemoryFiles();

}  // namespace vesk::sys
