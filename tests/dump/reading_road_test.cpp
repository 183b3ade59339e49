// The whole road on one dump laid out as an assembled one: OpenDump finds the list,
// ReadFileList shows it and UnpackFiles gives back the files byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "dump/commands.h"
#include "dump/dump_fixture.h"

namespace vesk {
namespace {

using test::Bytes;
using test::HexBytes;
using Blob = std::vector<std::uint8_t>;

struct SourceFile {
    Blob name;  // Windows-1251
    std::string shownName;
    Blob content;
    std::string address;
    std::string extension;
};

TEST(ReadingRoad, AssembledDumpRoundTrip) {
    test::Workspace w;
    w.Settings("[FIX]\n2E=2E\n[KOD]\n00=?\n[GROUP]\n01=Картинки\n[EXT]\nFFD8FF=.jpg\n");
    Blob photo = test::Pattern(9000, 9);
    photo[0] = 0xFF, photo[1] = 0xD8, photo[2] = 0xFF;
    const std::vector<SourceFile> files = {
        {HexBytes("D4EEF2EE"), "Фото", photo, "0001", ".jpg"},
        {Bytes("tiny.txt"), "tiny.txt", Bytes("hello"), "0002", ".bin"},
        {Bytes("none"), "none", {}, "0003", ".bin"},
        {Bytes("big"), "big", test::Pattern(4090 * 20 + 1, 3), "0004", ".bin"},
    };

    test::DumpImage image;
    image.SetListAddress(0, "42E0");
    image.SetListState(0, 0xFF);
    image.ClearList(test::BlockAt(0, 0));
    // Blocks are numbered across sectors as they are written, from sector 1 on; each file
    // ends with one block more than its content needs, as the assembler leaves it.
    int sequence = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const SourceFile& f = files[i];
        image.SetEntry(test::BlockAt(0, 0), static_cast<int>(i),
                       {f.name, static_cast<std::uint32_t>(f.content.size()), static_cast<std::uint8_t>(i + 1), 0x01, f.address});
        const std::size_t blocks = f.content.size() / 4090 + 1;
        for (std::size_t b = 0; b < blocks; ++b, ++sequence) {
            const int sector = 1 + sequence / 15;
            const int place = sequence % 15;
            image.SetFatSlot(sector, sequence, test::PlaceAddress(place, "2E"));
            image.SetOwner(sector, place, HexBytes(f.address));
            const std::size_t from = std::min(b * 4090, f.content.size());
            const std::size_t to = std::min(from + 4090, f.content.size());
            image.SetContent(sector, place, Blob(f.content.begin() + static_cast<std::ptrdiff_t>(from),
                                                 f.content.begin() + static_cast<std::ptrdiff_t>(to)));
        }
    }
    w.Dump(image);

    OpenDump(w.form, w.host, w.folder);
    ASSERT_EQ(w.form.ListAddressEdit, "0x00000842");
    ReadFileList(w.form, w.host, w.folder);
    EXPECT_EQ(w.host.status[2], "Всего файлов : 4");
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        EXPECT_EQ(w.form.FileGrid.Cell(kFileNameCol, r), files[i].shownName);
        EXPECT_EQ(w.form.FileGrid.Cell(kFileSizeCol, r), std::to_string(files[i].content.size()));
        EXPECT_EQ(w.form.FileGrid.Cell(kFileAddressCol, r), files[i].address);
        EXPECT_EQ(w.form.FileGrid.Cell(kFileGroupCol, r), "Картинки");
        EXPECT_EQ(w.form.FileGrid.Cell(kFileNumberCol, r), std::to_string(r));
    }
    UnpackFiles(w.form, w.host, w.folder);
    for (const SourceFile& f : files) {
        EXPECT_EQ(test::ReadBytes(w.form.TempFolderEdit + f.shownName + f.extension), f.content) << f.shownName;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.form.TempFolderEdit),
                            std::filesystem::directory_iterator()), 4);
    EXPECT_TRUE(w.host.messages.empty());
}

}  // namespace
}  // namespace vesk
