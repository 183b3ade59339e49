// A full build: "Пустой "FF" файл", "Форматировать" and "Собрать" of 100 files that take all
// 409 FAT slots, beside its I/O floor in the same run: reading the same source files and
// writing the same bytes with two large writes (the erased image, then the region the build
// fills). Compare BM_FullBuild with BM_FullBuildFloor.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "assembly/commands.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace {

constexpr int kFiles = 100;
constexpr int kSlots = 409;
constexpr std::int64_t kContent = 4090;
constexpr std::int64_t kDumpSize = 48 * 0x10000;

using NullHost = vesk::SilentHost;

// Runs commands that may refuse; a refusal skips the benchmark with its text.
bool Ran(benchmark::State& state, const std::function<void()>& commands) {
    try {
        commands();
        return true;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A program folder with settings, a profile and 100 source files whose blocks (one per 4090
// bytes begun, and one more each) fill exactly 409 slots.
struct Setup {
    std::string dir;
    vesk::ProgramFolder folder{"/"};
    vesk::Form form;
    std::vector<std::string> sources;

    Setup() {
        dir = (std::filesystem::temp_directory_path() / ("vesk-bench-build-" + std::to_string(::getpid()))).string() + "/";
        std::filesystem::create_directories(dir + "bins");
        std::filesystem::create_directories(dir + "files");
        folder = vesk::ProgramFolder(dir);
        std::string settings = "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n[FAT]\nAddrIs=address\n[Address]\n";
        for (int k = 0; k < 15; ++k) {
            settings += std::to_string(2114 + 4096 * k) + "=" + (k % 2 ? "C" : "4") + "20" + std::to_string(k / 2) + "\n";
        }
        WriteFile(dir + "vesk.ini", settings);
        WriteFile(dir + "Bench.ini",
                  "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\n"
                  "FileNum=0x0000000E\ngroup=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
                  "[FAT]\nFAT=0x0000050C\ntodata=0x00000002\ndata=0x00000FFA\n");
        form.FirmwareCombo = "Bench";

        NullHost host;
        int blocksLeft = kSlots;
        for (int i = 0; i < kFiles; ++i) {
            const int blocks = blocksLeft / (kFiles - i);
            blocksLeft -= blocks;
            // blocks - 1 blocks of content, the last one not quite full.
            const std::int64_t size = (blocks - 1) * kContent - (blocks > 1 ? 7 * i % 100 : 0);
            std::string content(static_cast<std::size_t>(size), '\0');
            for (std::size_t j = 0; j < content.size(); ++j) content[j] = static_cast<char>(j * 31 + i);
            const std::string path = dir + "files/f" + std::to_string(1000 + i).substr(1) + ".dat";
            WriteFile(path, content);
            sources.push_back(path);
            vesk::AddSystemFile(form, host, folder, path);  // a row as "Системные" makes it
        }
    }
    ~Setup() { std::filesystem::remove_all(dir); }
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

// A whole build as vesk build makes it: blank, format and assemble on an image in memory, then
// one write that replaces the dump and reaches the disk.
void BM_FullBuild(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    for (auto _ : state) {
        if (!Ran(state, [&] {
                std::vector<std::uint8_t> image = vesk::BlankImage();
                vesk::FormatImage(image, vesk::FormatHeader(s.folder), host);
                vesk::AssembleImage(s.form, host, s.folder, image);
                vesk::WriteWholeFile(s.folder.Bins() + s.form.BuildNameEdit, image, vesk::Durability::Durable);
            }))
            return;
    }
    state.SetBytesProcessed(state.iterations() * kDumpSize);
}
BENCHMARK(BM_FullBuild)->Unit(benchmark::kMillisecond);

// The window's three buttons, each a command that replaces the dump whole and flushes it: three
// times the floor's writing, the price of a dump that is never left half written between them.
void BM_ThreeButtonBuild(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    for (auto _ : state) {
        if (!Ran(state, [&] {
                vesk::MakeBlankDump(s.form, host, s.folder);
                vesk::FormatDump(s.form, host, s.folder);
                vesk::AssembleDump(s.form, host, s.folder);
            }))
            return;
    }
}
BENCHMARK(BM_ThreeButtonBuild)->Unit(benchmark::kMillisecond);

// The floor: the same sources read whole, the erased image written in one write and the
// region that the build fills (taken from a real build) in a second one.
void BM_FullBuildFloor(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    if (!Ran(state, [&] {
            vesk::MakeBlankDump(s.form, host, s.folder);
            vesk::FormatDump(s.form, host, s.folder);
            vesk::AssembleDump(s.form, host, s.folder);
        }))
        return;
    std::vector<std::uint8_t> built = vesk::ReadWholeFile(s.folder.Bins() + s.form.BuildNameEdit);
    // Slot 408, the last one the readers walk, lies in sector 27; slot 409 would be the next.
    const std::size_t lastSlot = 27 * 0x10000 + 0x50C + 2 * 408;
    if (built[lastSlot] == 0xFF || built[lastSlot + 2] != 0xFF) {
        state.SkipWithError("the build does not fill exactly 409 slots");
        return;
    }
    // The build reaches to the end of its last block; beyond that the image is still erased.
    std::int64_t end = kDumpSize;
    while (end > 0 && built[static_cast<std::size_t>(end - 1)] == 0xFF) --end;
    built.resize(static_cast<std::size_t>(end));
    const std::vector<std::uint8_t> erased(static_cast<std::size_t>(kDumpSize), 0xFF);
    const std::string path = s.dir + "bins/floor.bin";
    for (auto _ : state) {
        for (const std::string& source : s.sources) benchmark::DoNotOptimize(vesk::ReadWholeFile(source).data());
        // Written as plainly as a file is, and flushed once: a dump must reach the disk.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::pwrite(fd, erased.data(), erased.size(), 0) != static_cast<ssize_t>(erased.size()) ||
            ::pwrite(fd, built.data(), built.size(), 0) != static_cast<ssize_t>(built.size()) || ::fsync(fd) != 0) {
            std::abort();
        }
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * kDumpSize);
}
BENCHMARK(BM_FullBuildFloor)->Unit(benchmark::kMillisecond);

}  // namespace

// "Системные" with 20,000 keys in [Files]: one pass over the section and the list, where a
// lookup per key and a walk of the list per file took minutes.
void BM_SystemFiles20000(benchmark::State& state) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("vesk-bench-system-" + std::to_string(::getpid()))).string() + "/";
    std::filesystem::create_directories(dir + "system");
    std::string settings = "[GROUP1]\na=0A\n[Files]\n";
    for (int n = 1; n <= 20000; ++n) settings += std::to_string(n) + "=system\\f" + std::to_string(n) + "\n";
    WriteFile(dir + "vesk.ini", settings);
    const vesk::ProgramFolder folder(dir);
    NullHost host;
    for (auto _ : state) {
        vesk::Form form;
        vesk::InitGrids(form);
        vesk::AddSystemFiles(form, host, folder);
        if (form.BuildGrid.Cell(vesk::kBuildPathCol, 20000) != dir + "system/f20000") state.SkipWithError("not every file listed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SystemFiles20000)->Unit(benchmark::kMillisecond);

// The three commands one by one, to see where a full build spends its time.
namespace {

void BM_BlankDump(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    for (auto _ : state) vesk::MakeBlankDump(s.form, host, s.folder);
}
BENCHMARK(BM_BlankDump)->Unit(benchmark::kMillisecond);

void BM_FormatDump(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    for (auto _ : state) vesk::FormatDump(s.form, host, s.folder);
}
BENCHMARK(BM_FormatDump)->Unit(benchmark::kMillisecond);

void BM_AssembleDump(benchmark::State& state) {
    Setup& s = TheSetup();
    NullHost host;
    for (auto _ : state) {
        if (!Ran(state, [&] { vesk::AssembleDump(s.form, host, s.folder); })) return;
    }
}
BENCHMARK(BM_AssembleDump)->Unit(benchmark::kMillisecond);

}  // namespace
