#include "platform/system_calls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_output.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

// Counts the calls a replacement makes, and lets them through to the system.
class Counting : public sys::Backend {
public:
    int Open(const std::string& path, int flags, mode_t mode) override {
        ++opens;
        return Backend::Open(path, flags, mode);
    }
    ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        ++writes;
        return Backend::Pwrite(fd, buffer, count, offset);
    }
    int Fsync(int fd) override {
        ++fsyncs;
        return Backend::Fsync(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        ++renames;
        return Backend::Rename(from, to);
    }
    int opens = 0, writes = 0, fsyncs = 0, renames = 0;
};

// The fault tests see only the calls that go through the seam: a durable replacement makes every
// one of its calls there, and taking the backend out gives the system back.
TEST(SystemCalls, AnInstalledBackendSeesEveryCallOfAReplacementUntilItIsTakenOut) {
    test::TempFolder dir;
    const std::vector<std::uint8_t> content(70000, 0x42);
    Counting counting;
    sys::Backend* const before = sys::InstallBackend(&counting);
    WriteWholeFile(dir.File("d.bin"), content, Durability::Durable);
    EXPECT_EQ(sys::InstallBackend(before), &counting);
    EXPECT_EQ(test::ReadBytes(dir.File("d.bin")), content);
    EXPECT_EQ(counting.opens, 2);    // the temporary, then the folder to flush it
    EXPECT_GE(counting.writes, 1);
    EXPECT_EQ(counting.fsyncs, 2);   // the file before the rename, its folder after
    EXPECT_EQ(counting.renames, 1);

    WriteWholeFile(dir.File("d.bin"), content, Durability::Durable);
    EXPECT_EQ(counting.opens + counting.fsyncs + counting.renames, 5);
}

}  // namespace
}  // namespace vesk
