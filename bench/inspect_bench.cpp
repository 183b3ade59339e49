// The dump inspection on a full generated dump (a current list of 100 entries, 409 data blocks,
// two older lists), each command beside its floor measured in the same run: reading the dump once
// (map, check); reading it and copying out the files of two lists, as two unpackings into memory
// do at the least (diff); reading it and writing the same files as recovery, one write each
// (recover). "ratio" is command / floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "bench/full_dump.h"
#include "config/program_folder.h"
#include "dump/messages.h"
#include "form/form.h"
#include "form/host.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "inspect/list_diff.h"
#include "inspect/recover.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace {

using namespace vesk;
using namespace vesk::bench;

constexpr int kOlderSectors[] = {40, 41};

struct World {
    std::string dir;
    std::string dump;
    std::string out;
    std::vector<std::uint8_t> image;
    // Where each file's content parts lie in the dump, and its size: the current list's and the
    // first older list's (the diff's two lists).
    struct Span {
        std::vector<std::int64_t> parts;
        std::uint32_t size = 0;
    };
    std::vector<Span> current;
    std::vector<Span> older;
    // What recovery writes: path and content.
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> recovered;
    std::vector<std::string> recoveredFolders;

    World() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesk-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern + "/";
        std::filesystem::create_directories(dir + "bins");
        dump = dir + "bins/full.bin";
        out = dir + "recovered/";
        WriteFullDumpSettings(dir);
        Generate();
        Expect();
    }
    ~World() { std::filesystem::remove_all(dir); }

    void Put(std::int64_t at, std::uint8_t byte) { image[static_cast<std::size_t>(at)] = byte; }

    void Generate() {
        std::vector<FullDumpFile> files;
        image = FullDumpImage(files);
        const std::int64_t list = BlockAt(0, 0);
        for (FullDumpFile& f : files) current.push_back({std::move(f.parts), static_cast<std::uint32_t>(f.content.size())});
        // The older lists: the first names the first ten files otherwise and lacks the last ten;
        // the second is the current one as it was.
        for (const int sector : kOlderSectors) {
            const std::int64_t at = BlockAt(sector, 0);
            std::copy_n(image.begin() + list, 4096, image.begin() + at);
            Put(kSector * sector + 1, 0x42), Put(kSector * sector + 2, 0xE0), Put(kSector * sector + 11, 0x00);
        }
        const std::int64_t first = BlockAt(kOlderSectors[0], 0);
        for (int i = 0; i < 10; ++i) Put(first + 24 * i, 'o');
        for (int i = 90; i < 100; ++i) std::fill_n(image.begin() + first + 24 * i, 24, 0x00);
        older.assign(current.begin(), current.begin() + 90);
        WriteWholeFile(dump, image, Durability::Replaceable);
    }

    // What recovery writes, taken from one recovery outside the timing, for the floor to write.
    void Expect() {
        SilentHost host;
        RecoverAll(Request(), ProgramFolder(dir), host);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
            if (entry.is_directory()) {
                recoveredFolders.push_back(entry.path().string());
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            recovered.emplace_back(entry.path().string(),
                                   std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
        }
        std::filesystem::remove_all(out);
    }

    RecoverRequest Request() const { return {dump, "T", std::nullopt, out}; }
};

World& TheWorld() {
    static World world;
    return world;
}

// One read of the whole dump into memory that is not cleared first.
std::unique_ptr<std::uint8_t[]> ReadDump(const World& world) { return ReadPlainly(world.dump).bytes; }

// Each file of a list copied out of the dump, as unpacking into memory needs at the least.
std::size_t CopyFiles(const std::uint8_t* dump, const std::vector<World::Span>& files) {
    std::size_t total = 0;
    for (const World::Span& f : files) {
        std::vector<std::uint8_t> content(f.size);
        std::size_t done = 0;
        for (const std::int64_t part : f.parts) {
            const std::size_t n = std::min<std::size_t>(4090, f.size - done);
            std::copy_n(dump + part, n, content.begin() + static_cast<std::ptrdiff_t>(done));
            done += n;
            if (done == f.size) break;
        }
        total += content[content.size() / 2];
    }
    return total;
}

void RecoverFloor(const World& world) {
    benchmark::DoNotOptimize(ReadDump(world)[0]);
    ::mkdir(world.out.c_str(), 0777);
    for (const std::string& folder : world.recoveredFolders) ::mkdir(folder.c_str(), 0777);
    WriteEachOnce(world.recovered);
}

Inspection InspectFull(const World& world) {
    return InspectDumpFile(world.dump, ProgramFolder(world.dir), "T", [](const std::string&) {});
}

void BM_Map(benchmark::State& state) {
    const World& world = TheWorld();
    Compare(state, [&] { benchmark::DoNotOptimize(InspectFull(world).kinds.size()); },
            [&] { benchmark::DoNotOptimize(ReadDump(world)[0]); });
    const Inspection in = InspectFull(world);
    int files = 0;
    for (const BlockKind kind : in.kinds) files += kind == BlockKind::File ? 1 : 0;
    if (files != 409 || in.overview.scan.lists.size() != 3) state.SkipWithError("the map is not the generated dump's");
}

void BM_Check(benchmark::State& state) {
    const World& world = TheWorld();
    Compare(state, [&] { benchmark::DoNotOptimize(CheckDump(InspectFull(world)).size()); },
            [&] { benchmark::DoNotOptimize(ReadDump(world)[0]); });
    if (!CheckDump(InspectFull(world)).empty()) state.SkipWithError("the generated dump does not check clean");
}

void BM_Diff(benchmark::State& state) {
    const World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    const ListRequest current{world.dump, BlockAt(0, 0)};
    const ListRequest older{world.dump, BlockAt(kOlderSectors[0], 0)};
    const auto diff = [&] { return DiffLists(older, current, folder, "T", [](const std::string&) {}); };
    Compare(state, [&] { benchmark::DoNotOptimize(diff().same); },
            [&] {
                const auto dump = ReadDump(world);
                benchmark::DoNotOptimize(CopyFiles(dump.get(), world.current) + CopyFiles(dump.get(), world.older));
            });
    const ListDiff result = diff();
    if (result.same != 80 || result.renamed.size() != 10 || result.added.size() != 10) state.SkipWithError("wrong diff");
}

void BM_Recover(benchmark::State& state) {
    World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    SilentHost host;
    // Into an empty folder, by the floor as by the command.
    Compare(state,
            [&] {
                RecoverAll(world.Request(), folder, host);
            },
            [&] { RecoverFloor(world); }, [&] { std::filesystem::remove_all(world.out); });
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(world.out)) files += entry.is_regular_file();
    if (files != world.recovered.size() || files != 290) state.SkipWithError("recovery wrote other files");
}

BENCHMARK(BM_Map)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Check)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Diff)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Recover)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
