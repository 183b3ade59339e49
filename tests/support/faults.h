#pragma once
// The tests' fault seam: a backend behind platform/system_calls.h, installed at the first call
// here, that makes the Nth write, flush or rename fail as a full or broken disk would (ENOSPC,
// EIO), and counts the calls. Every other call goes to the system.
namespace vesk::test {

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
