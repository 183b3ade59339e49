#include "support/faults.h"

#include <sys/statvfs.h>

#include <cerrno>

#include "platform/system_calls.h"

namespace vesk::test {
namespace {

struct Armed {
    int countdown = 0;  // calls left before the failing one; 0: not armed
    int errnum = 0;
};

// Counts the call; true when this is the one that is to fail (errno is then set).
bool Fails(Armed& armed, int& count) {
    ++count;
    if (armed.countdown == 0 || --armed.countdown > 0) return false;
    errno = armed.errnum;
    return true;
}

class FaultBackend : public sys::Backend {
public:
    ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        return Fails(write, counts.writes) ? -1 : Backend::Pwrite(fd, buffer, count, offset);
    }
    int Fsync(int fd) override { return Fails(fsync, counts.fsyncs) ? -1 : Backend::Fsync(fd); }
    int Rename(const std::string& from, const std::string& to) override {
        return Fails(rename, counts.renames) ? -1 : Backend::Rename(from, to);
    }

    Armed write, fsync, rename;
    CallCounts counts;
};

FaultBackend& Installed() {
    static FaultBackend backend;
    static const bool installed = (sys::InstallBackend(&backend), true);
    (void)installed;
    return backend;
}

}  // namespace

void FailNth(Fault operation, int n, int errnum) {
    FaultBackend& b = Installed();
    Armed& armed = operation == Fault::Write ? b.write : operation == Fault::Fsync ? b.fsync : b.rename;
    armed = Armed{n > 0 ? n : 0, errnum};
}

CallCounts ResetFaults() {
    FaultBackend& b = Installed();
    const CallCounts counts = b.counts;
    b.write = b.fsync = b.rename = Armed{};
    b.counts = CallCounts{};
    return counts;
}

class FreeSpace::Disk : public sys::Backend {
public:
    Disk(std::int64_t bytes, sys::Backend* below) : blocks(bytes / 4096), below(below) {}
    int Statvfs(const std::string& path, struct statvfs* st) override {
        asked = path;
        const int result = below ? below->Statvfs(path, st) : Backend::Statvfs(path, st);
        st->f_frsize = 4096;
        st->f_bavail = static_cast<fsblkcnt_t>(blocks);
        return result;
    }
    std::int64_t blocks;
    sys::Backend* below;
    std::string asked;
};

FreeSpace::FreeSpace(std::int64_t bytes) : disk_(new Disk(bytes, nullptr)), replaced_(sys::InstallBackend(disk_)) {
    disk_->below = replaced_;
}

FreeSpace::~FreeSpace() {
    sys::InstallBackend(replaced_);
    delete disk_;
}

const std::string& FreeSpace::Asked() const { return disk_->asked; }

}  // namespace vesk::test
