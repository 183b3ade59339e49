#pragma once
// What the benchmark programs share: timing a command beside its floor in the same run, and the
// plainest way to write files, which is the floor of every command that writes them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace vesk::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Each iteration runs the floor and the command back to back, each after `prepare` (not
// timed); only the command's time is the iteration's time, and the ratio compares the two sums.
template <class Command, class Floor, class Prepare>
void Compare(benchmark::State& state, Command command, Floor floor, Prepare prepare) {
    double commandTotal = 0;
    double floorTotal = 0;
    for (auto _ : state) {
        prepare();
        auto start = Clock::now();
        floor();
        floorTotal += Seconds(start);
        prepare();
        start = Clock::now();
        command();
        const double elapsed = Seconds(start);
        commandTotal += elapsed;
        state.SetIterationTime(elapsed);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["floor_us"] = floorTotal / n * 1e6;
    state.counters["command_us"] = commandTotal / n * 1e6;
    state.counters["ratio"] = commandTotal / floorTotal;
}

template <class Command, class Floor>
void Compare(benchmark::State& state, Command command, Floor floor) {
    Compare(state, command, floor, [] {});
}

// A whole file read as plainly as it can be: open, one look at its size, one read into memory
// that is not cleared first, close. The floor of every command that reads a dump.
struct PlainRead {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};
inline PlainRead ReadPlainly(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) std::abort();
    PlainRead read{std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(st.st_size)),
                   static_cast<std::size_t>(st.st_size)};
    if (::pread(fd, read.bytes.get(), read.size, 0) != static_cast<ssize_t>(read.size)) std::abort();
    ::close(fd);
    return read;
}

// Each file created or emptied and written with one write, as plainly as a file is written.
template <class Files>
void WriteEachOnce(const Files& files) {
    for (const auto& [path, content] : files) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) std::abort();
        ::close(fd);
    }
}

// The least a file written "old or new, never half" costs: its bytes with one write into a new
// file beside it, flushed, renamed over the target, and the folder flushed. The floor of every
// command that must leave a saved picture or a dump on the disk.
inline void WriteDurably(const std::string& path, const void* data, std::size_t size) {
    const std::string temporary = path + ".floor-tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size) || ::fsync(fd) != 0) std::abort();
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) std::abort();
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0) std::abort();
    ::close(dir);
}

}  // namespace vesk::bench
