#include "platform/system_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/memory_files.h"

namespace vesk::sys {
namespace {

struct Armed {
    int countdown = 0;  // calls left before the failing one; 0: not armed
    int errnum = 0;
};

struct Seam {
    Armed write, fsync, rename;
    CallCounts counts;
};

Seam& TheSeam() {
    static Seam seam;
    return seam;
}

// Counts the call; true when this is the one that is to fail (errno is then set).
bool Fails(Armed& armed, int& count) {
    ++count;
    if (armed.countdown == 0 || --armed.countdown > 0) return false;
    errno = armed.errnum;
    return true;
}

bool memoryFiles = false;

}  // namespace

void FailNth(Fault operation, int n, int errnum) {
    Seam& seam = TheSeam();
    Armed& armed = operation == Fault::Write ? seam.write : operation == Fault::Fsync ? seam.fsync : seam.rename;
    armed = Armed{n > 0 ? n : 0, errnum};
}

CallCounts ResetFaults() {
    Seam& seam = TheSeam();
    const CallCounts counts = seam.counts;
    seam = Seam{};
    return counts;
}

void UseMemoryFiles() {
    memory::Reset();
    memoryFiles = true;
}

bool UsingMemoryFiles() { return memoryFiles; }

int Open(const std::string& path, int flags, mode_t mode) {
    if (memoryFiles) return memory::Open(path, flags, mode);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Close(int fd) { return memoryFiles ? memory::Close(fd) : ::close(fd); }

ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset) {
    return memoryFiles ? memory::Pread(fd, buffer, count, offset) : ::pread(fd, buffer, count, offset);
}

ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    Seam& seam = TheSeam();
    if (Fails(seam.write, seam.counts.writes)) return -1;
    return memoryFiles ? memory::Pwrite(fd, buffer, count, offset) : ::pwrite(fd, buffer, count, offset);
}

int Fstat(int fd, struct stat* st) { return memoryFiles ? memory::Fstat(fd, st) : ::fstat(fd, st); }
int Lstat(const std::string& path, struct stat* st) {
    return memoryFiles ? memory::Lstat(path, st) : ::lstat(path.c_str(), st);
}
int Stat(const std::string& path, struct stat* st) {
    return memoryFiles ? memory::Stat(path, st) : ::stat(path.c_str(), st);
}
int Ftruncate(int fd, off_t length) { return memoryFiles ? memory::Ftruncate(fd, length) : ::ftruncate(fd, length); }

int Fsync(int fd) {
    Seam& seam = TheSeam();
    if (Fails(seam.fsync, seam.counts.fsyncs)) return -1;
    return memoryFiles ? 0 : ::fsync(fd);
}

int Fchmod(int fd, mode_t mode) { return memoryFiles ? memory::Fchmod(fd, mode) : ::fchmod(fd, mode); }
int Fchown(int fd, uid_t uid, gid_t gid) { return memoryFiles ? 0 : ::fchown(fd, uid, gid); }

int Rename(const std::string& from, const std::string& to) {
    Seam& seam = TheSeam();
    if (Fails(seam.rename, seam.counts.renames)) return -1;
    return memoryFiles ? memory::Rename(from, to) : ::rename(from.c_str(), to.c_str());
}

int Unlink(const std::string& path) { return memoryFiles ? memory::Unlink(path) : ::unlink(path.c_str()); }
int Access(const std::string& path, int mode) {
    return memoryFiles ? memory::Access(path, mode) : ::access(path.c_str(), mode);
}
int Mkdir(const std::string& path, mode_t mode) {
    return memoryFiles ? memory::Mkdir(path, mode) : ::mkdir(path.c_str(), mode);
}

int Symlink(const std::string& target, const std::string& path) {
    return memoryFiles ? memory::Symlink(target, path) : ::symlink(target.c_str(), path.c_str());
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    if (memoryFiles) return memory::ListFolder(path, names);
    names.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return true;
}

}  // namespace vesk::sys
