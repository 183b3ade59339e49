#pragma once
// The dump the dump and inspection benchmarks read: a program folder's settings and profile "T",
// and an image whose list (sector 0, place 0) names 100 files in 409 blocks, every slot of the
// FAT walk used, as "Собрать" would lay them out.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace vesk::bench {

constexpr std::int64_t kSector = 0x10000;
constexpr std::int64_t BlockAt(int sector, int place) { return kSector * sector + 0x842 + 0x1000 * place; }

inline void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

inline void WriteFullDumpSettings(const std::string& dir) {
    WriteText(dir + "vesk.ini", "[FIX]\n2E=2E\n[KOD]\n00=?\n[GROUP]\n01=Sounds\n02=Pictures\n"
                                "[EXT]\nFFD8FF=.jpg\n4D5468=.mid\n424D36=.bmp\n");
    WriteText(dir + "T.ini",
              "[Offsets]\nList=0x00000001\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000C\n"
              "NameSize=0x00000018\nFileNum=0x0000000F\ngroup=0x00000010\naddress=0x00000011\n"
              "[FAT]\nFAT=0x0000050C\nSIZE=0x00000331\nAddrIs=address\ntodata=0x00000002\ndata=0x00000FFA\n");
}

struct FullDumpFile {
    std::string name;       // as unpacking names its file, with the extension [EXT] gives
    std::vector<std::uint8_t> content;
    std::vector<std::int64_t> parts;  // where each block's content starts in the image
};

// The image, and each file of its list in list order.
inline std::vector<std::uint8_t> FullDumpImage(std::vector<FullDumpFile>& files) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(kSector * 48), 0xFF);
    auto put = [&](std::int64_t at, std::uint8_t byte) { image[static_cast<std::size_t>(at)] = byte; };
    put(1, 0x42), put(2, 0xE0);
    const std::int64_t list = BlockAt(0, 0);
    std::fill(image.begin() + list, image.begin() + list + 4092, 0x00);
    static const std::uint8_t kHeads[][3] = {{0xFF, 0xD8, 0xFF}, {0x4D, 0x54, 0x68}, {0x42, 0x4D, 0x36}, {1, 2, 3}};
    static const char* const kExt[] = {".jpg", ".mid", ".bmp", ".bin"};
    int sequence = 0;
    for (int i = 0; i < 100; ++i) {
        // 9 files of 5 blocks and 91 of 4: 409 blocks.
        const int blocks = i < 9 ? 5 : 4;
        const auto size = static_cast<std::uint32_t>((blocks - 1) * 4090 + 1 + (i * 37) % 4090);
        char name[16];
        std::snprintf(name, sizeof name, "file%03d", i);
        const std::int64_t entry = list + 24 * i;
        for (int k = 0; name[k]; ++k) put(entry + k, static_cast<std::uint8_t>(name[k]));
        put(entry + 12, size & 0xFF), put(entry + 13, (size >> 8) & 0xFF), put(entry + 14, (size >> 16) & 0xFF);
        put(entry + 15, static_cast<std::uint8_t>(i)), put(entry + 16, static_cast<std::uint8_t>(1 + i % 2));
        put(entry + 17, 0x01), put(entry + 18, static_cast<std::uint8_t>(i));

        FullDumpFile file{std::string(name) + kExt[i % 4], std::vector<std::uint8_t>(size), {}};
        for (std::uint32_t k = 0; k < size; ++k) file.content[k] = static_cast<std::uint8_t>((k * 13 + i) % 251);
        std::copy(kHeads[i % 4], kHeads[i % 4] + 3, file.content.begin());
        for (int b = 0; b < blocks; ++b, ++sequence) {
            const int sector = 1 + sequence / 15;
            const int place = sequence % 15;
            const std::int64_t slot = kSector * sector + 0x50C + 2 * sequence;
            put(slot, place % 2 ? 0xC2 : 0x42), put(slot + 1, static_cast<std::uint8_t>(0xE0 + place / 2));
            put(BlockAt(sector, place), 0x01), put(BlockAt(sector, place) + 1, static_cast<std::uint8_t>(i));
            const std::size_t from = static_cast<std::size_t>(b) * 4090;
            const std::size_t to = std::min<std::size_t>(from + 4090, size);
            std::copy(file.content.begin() + static_cast<std::ptrdiff_t>(from),
                      file.content.begin() + static_cast<std::ptrdiff_t>(to), image.begin() + BlockAt(sector, place) + 2);
            file.parts.push_back(BlockAt(sector, place) + 2);
        }
        files.push_back(std::move(file));
    }
    return image;
}

}  // namespace vesk::bench
