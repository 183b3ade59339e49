#include "platform/memory_files.h"

#include <cerrno>

// Placeholder until the in-memory tree lands: every call fails as an unsupported operation.
namespace vesk::sys::memory {

void Reset() {}
int Open(const std::string&, int, mode_t) { return errno = ENOSYS, -1; }
int Close(int) { return errno = ENOSYS, -1; }
ssize_t Pread(int, void*, std::size_t, off_t) { return errno = ENOSYS, -1; }
ssize_t Pwrite(int, const void*, std::size_t, off_t) { return errno = ENOSYS, -1; }
int Fstat(int, struct stat*) { return errno = ENOSYS, -1; }
int Lstat(const std::string&, struct stat*) { return errno = ENOSYS, -1; }
int Stat(const std::string&, struct stat*) { return errno = ENOSYS, -1; }
int Ftruncate(int, off_t) { return errno = ENOSYS, -1; }
int Fchmod(int, mode_t) { return errno = ENOSYS, -1; }
int Rename(const std::string&, const std::string&) { return errno = ENOSYS, -1; }
int Unlink(const std::string&) { return errno = ENOSYS, -1; }
int Access(const std::string&, int) { return errno = ENOSYS, -1; }
int Mkdir(const std::string&, mode_t) { return errno = ENOSYS, -1; }
bool ListFolder(const std::string&, std::vector<std::string>&) { return errno = ENOSYS, false; }
int Symlink(const std::string&, const std::string&) { return errno = ENOSYS, -1; }

}  // namespace vesk::sys::memory
