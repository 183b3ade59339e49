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
#include "config/program_folder.h"
#include "dump/commands.h"
#include "form/form.h"
#include "form/host.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace {

using namespace vesk;
using namespace vesk::bench;

constexpr std::int64_t kSector = 0x10000;
constexpr std::int64_t BlockAt(int sector, int place) { return kSector * sector + 0x842 + 0x1000 * place; }

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

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
        WriteText(dir + "vesk.ini",
                  "[FIX]\n2E=2E\n[KOD]\n00=?\n[GROUP]\n01=Sounds\n02=Pictures\n"
                  "[EXT]\nFFD8FF=.jpg\n4D5468=.mid\n424D36=.bmp\n");
        WriteText(dir + "T.ini",
                  "[Offsets]\nList=0x00000001\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000C\n"
                  "NameSize=0x00000018\nFileNum=0x0000000F\ngroup=0x00000010\naddress=0x00000011\n"
                  "[FAT]\nFAT=0x0000050C\nSIZE=0x00000331\nAddrIs=address\ntodata=0x00000002\ndata=0x00000FFA\n");
        Generate();
    }
    ~World() { std::filesystem::remove_all(dir); }

    void Generate() {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(kSector * 48), 0xFF);
        auto put = [&](std::int64_t at, std::uint8_t byte) { image[static_cast<std::size_t>(at)] = byte; };
        put(1, 0x42), put(2, 0xE0);
        const std::int64_t list = BlockAt(0, 0);
        std::fill(image.begin() + list, image.begin() + list + 4092, 0x00);
        static const std::uint8_t kHeads[][3] = {{0xFF, 0xD8, 0xFF}, {0x4D, 0x54, 0x68}, {0x42, 0x4D, 0x36}, {1, 2, 3}};
        int sequence = 0;
        for (int i = 0; i < 100; ++i) {
            // 9 files of 5 blocks and 91 of 4: 409 blocks, every slot of the FAT walk used.
            const int blocks = i < 9 ? 5 : 4;
            const std::uint32_t size = static_cast<std::uint32_t>((blocks - 1) * 4090 + 1 + (i * 37) % 4090);
            char name[16];
            std::snprintf(name, sizeof name, "file%03d", i);
            const std::int64_t entry = list + 24 * i;
            for (int k = 0; name[k]; ++k) put(entry + k, static_cast<std::uint8_t>(name[k]));
            put(entry + 12, size & 0xFF), put(entry + 13, (size >> 8) & 0xFF), put(entry + 14, (size >> 16) & 0xFF);
            put(entry + 15, static_cast<std::uint8_t>(i)), put(entry + 16, static_cast<std::uint8_t>(1 + i % 2));
            put(entry + 17, 0x01), put(entry + 18, static_cast<std::uint8_t>(i));

            std::vector<std::uint8_t> content(size);
            for (std::uint32_t k = 0; k < size; ++k) content[k] = static_cast<std::uint8_t>((k * 13 + i) % 251);
            std::copy(kHeads[i % 4], kHeads[i % 4] + 3, content.begin());
            for (int b = 0; b < blocks; ++b, ++sequence) {
                const int sector = 1 + sequence / 15;
                const int place = sequence % 15;
                const std::int64_t slot = kSector * sector + 0x50C + 2 * sequence;
                put(slot, place % 2 ? 0xC2 : 0x42), put(slot + 1, static_cast<std::uint8_t>(0xE0 + place / 2));
                put(BlockAt(sector, place), 0x01), put(BlockAt(sector, place) + 1, static_cast<std::uint8_t>(i));
                const std::size_t from = static_cast<std::size_t>(b) * 4090;
                const std::size_t to = std::min<std::size_t>(from + 4090, size);
                std::copy(content.begin() + static_cast<std::ptrdiff_t>(from), content.begin() + static_cast<std::ptrdiff_t>(to),
                          image.begin() + BlockAt(sector, place) + 2);
            }
            static const char* const kExt[] = {".jpg", ".mid", ".bmp", ".bin"};
            outputs.emplace_back(out + name + kExt[i % 4], std::move(content));
        }
        WriteWholeFile(dump, image, Durability::Replaceable);
    }
};

World& TheWorld() {
    static World world;
    return world;
}

// One read of the whole dump into memory that is not cleared first.
std::uint8_t ReadFloor(const World& world) {
    ByteFile file = ByteFile::Open(world.dump);
    const auto size = static_cast<std::size_t>(file.Size());
    const auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    file.Read(std::span<std::uint8_t>(bytes.get(), size));
    return bytes[size - 1];
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
