// The reading road on a full generated dump (a list of 100 entries, 409 data blocks), each
// command beside its I/O floor measured in the same run: reading the dump once, and for the
// unpacker also writing the same output files with one write each. "ratio" is command / floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
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
#include "dump/commands.h"
#include "form/form.h"
#include "form/host.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace {

using namespace vesk;
using namespace vesk::bench;

// The program folder with settings, profile and the dump, and what unpacking must give.
struct World {
    std::string dir;
    std::string dump;
    std::string out;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> outputs;  // path, content

    World() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesk-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern + "/";
        std::filesystem::create_directories(dir + "bins");
        std::filesystem::create_directories(dir + "files");
        dump = dir + "bins/full.bin";
        out = dir + "files/";
        WriteFullDumpSettings(dir);
        Generate();
    }
    ~World() { std::filesystem::remove_all(dir); }

    void Generate() {
        std::vector<FullDumpFile> files;
        const std::vector<std::uint8_t> image = FullDumpImage(files);
        for (FullDumpFile& f : files) outputs.emplace_back(out + f.name, std::move(f.content));
        WriteWholeFile(dump, image, Durability::Replaceable);
    }
};

World& TheWorld() {
    static World world;
    return world;
}

// One read of the whole dump into memory that is not cleared first.
std::uint8_t ReadFloor(const World& world) {
    const PlainRead read = ReadPlainly(world.dump);
    return read.bytes[read.size - 1];
}

void UnpackFloor(const World& world) {
    benchmark::DoNotOptimize(ReadFloor(world));
    WriteEachOnce(world.outputs);
}

Form MakeForm(const World& world) {
    Form form;
    InitGrids(form);
    form.FirmwareCombo = "T";
    form.OpenDumpPath = world.dump;
    form.TempFolderEdit = world.out;
    form.ListAddressEdit = "0x00000842";
    return form;
}

// The outputs removed, as before a first unpacking into an empty folder.
void RemoveOutputs(const World& world) {
    for (const auto& [path, content] : world.outputs) ::unlink(path.c_str());
}

void BM_OpenDump(benchmark::State& state) {
    World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    Form form = MakeForm(world);
    SilentHost host;
    Compare(state, [&] { OpenDump(form, host, folder); },
            [&] { benchmark::DoNotOptimize(ReadFloor(world)); });
    if (form.ListAddressEdit != "0x00000842") state.SkipWithError("the list was not found");
}

void BM_ReadFileList(benchmark::State& state) {
    World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    Form form = MakeForm(world);
    SilentHost host;
    Compare(state, [&] { ReadFileList(form, host, folder); },
            [&] { benchmark::DoNotOptimize(ReadFloor(world)); });
    if (form.FileGrid.Cell(vesk::kFileNameCol, 100) != "file099") state.SkipWithError("the list was not read");
}

void BM_UnpackFiles(benchmark::State& state) {
    World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    Form form = MakeForm(world);
    SilentHost host;
    ReadFileList(form, host, folder);
    // Into an empty folder, as a dump is unpacked the first time: every file is made anew, by
    // the floor as by the command.
    Compare(state, [&] { UnpackFiles(form, host, folder); }, [&] { UnpackFloor(world); }, [&] { RemoveOutputs(world); });
    for (const auto& [path, content] : world.outputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (got != content) {
            state.SkipWithError(("wrong output " + path).c_str());
            break;
        }
    }
}

// Over the copies of an earlier unpacking: the floor empties and rewrites each file where it
// stands, the command replaces each with a whole new one (never half a file), which costs the
// file system a new file each time.
void BM_UnpackOverCopies(benchmark::State& state) {
    World& world = TheWorld();
    const ProgramFolder folder(world.dir);
    Form form = MakeForm(world);
    SilentHost host;
    ReadFileList(form, host, folder);
    Compare(state, [&] { UnpackFiles(form, host, folder); }, [&] { UnpackFloor(world); });
}

BENCHMARK(BM_OpenDump)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFileList)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnpackFiles)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnpackOverCopies)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
