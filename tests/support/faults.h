#pragma once
// The tests' fault seam: a backend behind platform/system_calls.h, installed at the first call
// here, that makes the Nth write, flush or rename fail as a full or broken disk would (ENOSPC,
// EIO), and counts the calls. Every other call goes to the system.
#include <cstdint>
#include <string>

namespace vesk::sys {
class Backend;
}

namespace vesk::test {

// While it lives, every file system says it has `bytes` free, in blocks of 4096 bytes (rounded
// down), and the last folder asked about is kept: the room that a plan of files is checked
// against, without filling a disk.
class FreeSpace {
public:
    explicit FreeSpace(std::int64_t bytes);
    ~FreeSpace();
    FreeSpace(const FreeSpace&) = delete;
    FreeSpace& operator=(const FreeSpace&) = delete;
    const std::string& Asked() const;

private:
    class Disk;
    Disk* disk_;
    sys::Backend* replaced_;
};

// The Nth call of an operation from now on (1 = the next one) fails with errnum, once. Failures
// are counted across every file, temporary or not.
enum class Fault { Write, Fsync, Rename };
void FailNth(Fault operation, int n, int errnum);

// Disarms every fault; returns how many calls of each operation were made since the last reset.
struct CallCounts {
    int writes = 0;
    int fsyncs = 0;
    int renames = 0;
};
CallCounts ResetFaults();

}  // namespace vesk::test
