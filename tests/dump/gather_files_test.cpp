// GatherFiles against UnpackFiles: the same files, byte for byte, for the walk's hard cases; and
// a dump read from memory as from its file.
#include <gtest/gtest.h>

#include "dump/commands.h"
#include "dump/dump_fixture.h"
#include "dump/gather_files.h"

namespace vesk {
namespace {

using test::HexBytes;
using test::Pattern;
using Blob = std::vector<std::uint8_t>;

class GatherTest : public ::testing::TestWithParam<bool> {
protected:
    bool NameMode() const { return GetParam(); }

    // One block of row `row`'s file, tagged by its address (or, in name mode, its name).
    void Block(int sector, int place, int slot, int row, std::uint8_t seed) {
        image.SetFatSlot(sector, slot, test::PlaceAddress(place));
        const auto& [name, size, address] = rows[static_cast<std::size_t>(row - 1)];
        Blob tag = NameMode() ? test::Bytes(name) : HexBytes(address);
        if (NameMode()) tag.resize(11, 0x00);
        image.SetOwner(sector, place, tag);
        image.SetContent(sector, place, Pattern(NameMode() ? 4085 : 4090, seed), NameMode() ? 11 : 2);
    }

    test::Workspace w;
    test::DumpImage image;
    std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"RING", "10000", "0101"},  // three blocks, the last one partly
        {"A", "5000", "0201"},      // A B A: blocks of two files interleave
        {"B", "100", "0301"},
        {"TWIN", "4090", "0401"},   // two rows of one name, one of them with a surplus block
        {"TWIN", "20", "0501"},
        {"EMPTY", "0", "0601"},     // an empty file still has its block
        {"GHOST", "77", "0701"},    // no block at all: no file
    };
};

TEST_P(GatherTest, GivesWhatUnpackingWrites) {
    w.Settings("[KOD]\n00=?\n[EXT]\nFFD8FF=.jpg\n");
    if (NameMode()) w.Profile(test::ProfileText({}, {{"AddrIs", "name"}, {"todata", "0x0000000B"}, {"data", "0x00000FF5"}}));
    Block(2, 3, 5, 1, 1), Block(2, 9, 6, 1, 2), Block(2, 4, 7, 1, 3);
    Block(4, 0, 10, 2, 4), Block(4, 1, 11, 3, 5), Block(5, 2, 12, 2, 6);
    Block(6, 0, 20, 4, 7), Block(6, 1, 21, 4, 8), Block(7, 0, 20, 5, 9);
    Block(8, 5, 30, 6, 10);
    std::vector<ListEntry> entries;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [name, size, address] = rows[i];
        const int r = static_cast<int>(i) + 1;
        w.form.FileGrid.SetCell(kFileNameCol, r, name);
        w.form.FileGrid.SetCell(kFileSizeCol, r, size);
        w.form.FileGrid.SetCell(kFileAddressCol, r, address);
        ListEntry& e = entries.emplace_back();
        e.index = static_cast<int>(i);
        e.name = name;
        e.address = address;
        e.size = static_cast<std::uint32_t>(std::stoul(size));
    }
    w.Dump(image);
    const std::vector<std::string> paths = UnpackFiles(w.form, w.host, w.folder).paths;

    DumpReader dump(image.Data(), "image");
    FirmwareProfile profile(w.folder, w.form.FirmwareCombo, ProfileUse::Reading, [](const std::string&) {});
    const auto gathered = GatherFiles(dump, profile, Settings(w.folder), entries);
    ASSERT_EQ(gathered.size(), rows.size());
    ASSERT_EQ(paths.size(), 101u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(std::get<0>(rows[i]));
        const std::string& path = paths[i + 1];
        ASSERT_EQ(path.empty(), !gathered[i]);
        if (path.empty()) continue;
        EXPECT_EQ(test::ReadBytes(path), *gathered[i]);
        EXPECT_EQ(gathered[i]->size(), static_cast<std::size_t>(entries[i].size));
    }
    EXPECT_FALSE(gathered[6]);  // GHOST
    EXPECT_EQ(paths[4], w.form.TempFolderEdit + "TWIN.bin");
    EXPECT_EQ(paths[5], w.form.TempFolderEdit + "TWIN (2).bin");
}

INSTANTIATE_TEST_SUITE_P(OwnerTags, GatherTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ByName" : "ByAddress"; });

TEST(DumpReaderInMemory, ReadsAsTheFileAndNamesItselfInErrors) {
    test::TempFolder temp;
    test::DumpImage image(2);
    image.Put(70000, {1, 2, 3});
    const std::string path = image.Save(temp, "d.bin");
    DumpReader file(path);
    DumpReader memory(image.Data(), "in memory");
    EXPECT_EQ(memory.Size(), file.Size());
    Blob a(5), b(5);
    file.Read(69999, a);
    memory.Read(69999, b);
    EXPECT_EQ(a, b);
    // Past a short dump: erased reads give 0xFF, strict ones fail naming the image.
    file.ReadErased(2 * test::kSector - 1, a);
    memory.ReadErased(2 * test::kSector - 1, b);
    EXPECT_EQ(a, b);
    try {
        memory.Read(2 * test::kSector - 1, b);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Read beyond end of file");
        EXPECT_EQ(e.File(), "in memory");
    }
}

}  // namespace
}  // namespace vesk
