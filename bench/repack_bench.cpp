// vesk repack of a full dump (100 files in 409 blocks) with one file replaced, beside its floor
// in the same run: reading the dump once and writing it once, flushed, as a dump must be. The
// repack takes the files out, assembles, reads the image back and checks it, and writes it
// durably. Compare BM_Repack with BM_RepackFloor.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "cli/cli.h"
#include "platform/byte_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFiles = 100;
constexpr int kSlots = 409;
constexpr std::int64_t kContent = 4090;

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

int Vesk(std::vector<std::string> args, const std::string& home) {
    args.push_back("--home");
    args.push_back(home);
    std::ostringstream out, err;
    return vesk::RunCli(args, out, err);
}

// A program folder whose bins/full.bin holds 100 files in exactly 409 blocks, built by vesk
// build, and a file to put in place of one of them.
struct World {
    std::string dir;
    std::string dump;
    std::string replacement;

    World() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesk-bench-repack-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern + "/";
        std::filesystem::create_directories(dir + "src");
        std::string settings = "[Firmwares]\n1=Other\n2=Bench\n[FIX]\n2E=2E\n[KOD]\n00=?\nFF=?\n"
                               "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n[FAT]\nAddrIs=address\n[Address]\n";
        for (int k = 0; k < 15; ++k) {
            settings += std::to_string(2114 + 4096 * k) + "=" + (k % 2 ? "C" : "4") + "20" + std::to_string(k / 2) + "\n";
        }
        WriteFile(dir + "vesk.ini", settings);
        WriteFile(dir + "Bench.ini",
                  "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\n"
                  "FileNum=0x0000000E\ngroup=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
                  "[FAT]\nFAT=0x0000050C\nSIZE=0x00000331\nAddrIs=address\ntodata=0x00000002\ndata=0x00000FFA\n");
        std::vector<std::string> args = {"build", "full.bin"};
        int blocksLeft = kSlots;
        for (int i = 0; i < kFiles; ++i) {
            const int blocks = blocksLeft / (kFiles - i);
            blocksLeft -= blocks;
            const std::int64_t size = (blocks - 1) * kContent - (blocks > 1 ? 7 * i % 100 : 0);
            std::string content(static_cast<std::size_t>(size), '\0');
            for (std::size_t j = 0; j < content.size(); ++j) content[j] = static_cast<char>(j * 31 + i + 1);
            args.push_back(dir + "src/f" + std::to_string(1000 + i).substr(1));
            WriteFile(args.back(), content);
        }
        if (Vesk(args, dir) != 0) std::abort();
        dump = dir + "bins/full.bin";
        // Slot 408, the last one the readers walk, lies in sector 27: the dump is full.
        if (vesk::ReadWholeFile(dump)[27 * 0x10000 + 0x50C + 2 * 408] == 0xFF) std::abort();
        // f050 has as many blocks as its replacement needs, so the build still fits.
        replacement = dir + "src/replacement";
        WriteFile(replacement, std::string(static_cast<std::size_t>(std::filesystem::file_size(dir + "src/f050")), 'R'));
    }
    ~World() { std::filesystem::remove_all(dir); }
};

World& TheWorld() {
    static World world;
    return world;
}

// vesk repack DUMP --replace f050 FILE --out NEW, NEW removed between runs (so that no .bak is
// kept: one durable write, as in the floor).
void BM_Repack(benchmark::State& state) {
    World& w = TheWorld();
    const std::string out = w.dir + "bins/new.bin";
    for (auto _ : state) {
        std::filesystem::remove(out);
        const auto start = Clock::now();
        if (Vesk({"repack", w.dump, "--replace", "f050", w.replacement, "--out", out}, w.dir) != 0) {
            state.SkipWithError("repack failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_Repack)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same replacing DUMP itself: the previous dump is kept as DUMP.bak, a second durable write.
void BM_RepackInPlace(benchmark::State& state) {
    World& w = TheWorld();
    const std::string copy = w.dir + "bins/copy.bin";
    std::filesystem::copy_file(w.dump, copy, std::filesystem::copy_options::overwrite_existing);
    for (auto _ : state) {
        if (Vesk({"repack", copy, "--replace", "f050", w.replacement}, w.dir) != 0) {
            state.SkipWithError("repack failed");
            return;
        }
    }
}
BENCHMARK(BM_RepackInPlace)->Unit(benchmark::kMillisecond);

// The floor: the dump read whole, and the same bytes written once as a dump must be, old or new
// (WriteDurably).
void BM_RepackFloor(benchmark::State& state) {
    World& w = TheWorld();
    const std::string out = w.dir + "bins/floor.bin";
    for (auto _ : state) {
        std::filesystem::remove(out);
        const auto start = Clock::now();
        const std::vector<std::uint8_t> bytes = vesk::ReadWholeFile(w.dump);
        vesk::bench::WriteDurably(out, bytes.data(), bytes.size());
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_RepackFloor)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
