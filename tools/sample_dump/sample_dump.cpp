#include "sample_dump/sample_dump.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vesk::sample {

namespace {

constexpr std::size_t kSector = 0x10000;
constexpr std::size_t kSectors = 48;
constexpr std::size_t kFat = 0x50C;
constexpr std::size_t kBlockData = 4090;

// Record layout stated by Sample.ini: name 0..10, size 12..14, number 15, group 16,
// address 17..18, 24 bytes a record.
constexpr std::size_t kStride = 24;

std::size_t Block(std::size_t sector, std::size_t place) { return kSector * sector + 0x842 + 0x1000 * place; }

struct Placed {
    SampleFile file;
    std::uint8_t number;
    std::uint8_t group;
    std::uint8_t address[2];
    // (sector, place, FAT slot) of each block, in FAT order.
    std::vector<std::size_t> blocks;
};

const char kSettings[] =
    "[Firmwares]\n"
    "1=C100\n"
    "2=Sample\n"
    "\n"
    "[KOD]\n"
    "00=?\n"
    "FF=?\n"
    "\n"
    "[GROUP]\n"
    "01=Текст\n"
    "02=Звуки\n"
    "03=Картинки\n"
    "\n"
    "[EXT]\n"
    "48656C=.txt\n"
    "4D5468=.mid\n"
    "424D64=.bmp\n";

const char kProfile[] =
    "[Offsets]\n"
    "List=0x00000001\n"
    "ToName=0x00000000\n"
    "Name=0x0000000B\n"
    "Size=0x0000000C\n"
    "NameSize=0x00000018\n"
    "FileNum=0x0000000F\n"
    "group=0x00000010\n"
    "address=0x00000011\n"
    "\n"
    "[FAT]\n"
    "FAT=0x0000050C\n"
    "SIZE=0x00000331\n"
    "AddrIs=address\n"
    "todata=0x00000002\n"
    "data=0x00000FFA\n";

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Run(std::size_t n, const std::string& start, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes = Text(start);
    for (std::size_t i = bytes.size(); i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(seed + i * 7));
    bytes.resize(n);
    return bytes;
}

void Put(std::vector<std::uint8_t>& dump, std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), dump.begin() + static_cast<std::ptrdiff_t>(at));
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// The list in the block at `list`, cleared to 0x00 as a built dump has it.
void PutList(std::vector<std::uint8_t>& dump, std::size_t list, const std::vector<Placed>& files) {
    std::fill_n(dump.begin() + static_cast<std::ptrdiff_t>(list), 4092, 0);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const Placed& f = files[i];
        const std::size_t record = list + i * kStride;
        Put(dump, record, Text(f.file.name));
        const auto size = static_cast<std::uint32_t>(f.file.content.size());
        Put(dump, record + 12, {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                static_cast<std::uint8_t>(size >> 16)});
        Put(dump, record + 15, {f.number, f.group, f.address[0], f.address[1]});
    }
}

}  // namespace

std::vector<SampleFile> SampleFiles() {
    return {
        {"HELLO", ".txt", Text("Hello from the sample dump")},
        {"MELODY", ".mid", Run(5000, "MThd", 3)},
        {"PICTURE", ".bmp", Run(100, "BMd", 11)},
    };
}

std::string WriteSampleInstallation(const std::string& folder) {
    std::vector<std::uint8_t> dump(kSector * kSectors, 0xFF);
    const std::vector<SampleFile> files = SampleFiles();
    // Blocks as (sector, place, slot); the FAT slot holds the place's address with pair "20".
    const std::vector<Placed> current = {
        {files[0], 1, 0x01, {0x42, 0x01}, {1, 0, 0}},
        {files[1], 2, 0x02, {0x42, 0x02}, {1, 1, 1, 1, 2, 2}},
        {files[2], 3, 0x03, {0x42, 0x03}, {2, 0, 3}},
    };
    static const std::uint8_t kPlaceAddress[][2] = {{0x42, 0x00}, {0xC2, 0x00}, {0x42, 0x01}};

    // Sector 0: the current list in block 0 (address 4200, state byte left at 0xFF).
    Put(dump, 1, {0x42, 0x00});
    PutList(dump, Block(0, 0), current);
    // Sector 3: an older list in block 1 (address C200, state byte 0x00).
    Put(dump, kSector * 3 + 1, {0xC2, 0x00});
    Put(dump, kSector * 3 + 11, {0x00});
    PutList(dump, Block(3, 1), {{{"OLDFILE", ".bin", {}}, 1, 0x01, {0x42, 0x09}, {}}});

    for (const Placed& f : current) {
        for (std::size_t b = 0; b < f.blocks.size() / 3; ++b) {
            const std::size_t sector = f.blocks[3 * b], place = f.blocks[3 * b + 1], slot = f.blocks[3 * b + 2];
            Put(dump, kSector * sector + kFat + 2 * slot, {kPlaceAddress[place][0], kPlaceAddress[place][1]});
            const std::size_t block = Block(sector, place);
            Put(dump, block, {f.address[0], f.address[1]});
            const std::size_t from = b * kBlockData;
            const std::size_t count = std::min(kBlockData, f.file.content.size() - from);
            Put(dump, block + 2, {f.file.content.begin() + static_cast<std::ptrdiff_t>(from),
                                  f.file.content.begin() + static_cast<std::ptrdiff_t>(from + count)});
        }
    }

    WriteFile(folder + "vesk.ini", kSettings, sizeof kSettings - 1);
    WriteFile(folder + "Sample.ini", kProfile, sizeof kProfile - 1);
    const std::string path = folder + "bins/sample.bin";
    WriteFile(path, dump.data(), dump.size());
    return path;
}

}  // namespace vesk::sample
