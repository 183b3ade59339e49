// UnpackFiles: the FAT walk, owner tags and the files it writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "dump/commands.h"
#include "dump/dump_fixture.h"
#include "dump/file_names.h"

namespace vesk {
namespace {

using test::Bytes;
using test::DumpImage;
using test::ErrorOf;
using test::HexBytes;
using test::Pattern;
using Blob = std::vector<std::uint8_t>;

constexpr std::size_t kData = 4090;

class UnpackTest : public ::testing::Test {
protected:
    UnpackTest() { w.Settings("[KOD]\n00=?\n[EXT]\nFFD8FF=.jpg\n|0102=.pic\n"); }

    // One data block of a file: FAT slot, owner tag and content, where the layout puts them.
    Blob Block(int sector, int place, int slot, std::string_view owner, std::uint8_t seed) {
        Blob content = Pattern(kData, seed);
        image.SetFatSlot(sector, slot, test::PlaceAddress(place));
        image.SetOwner(sector, place, HexBytes(owner));
        image.SetContent(sector, place, content);
        return content;
    }
    void Entry(int row, const std::string& name, const std::string& size, const std::string& address) {
        w.form.FileGrid.SetCell(kFileNameCol, row, name);
        w.form.FileGrid.SetCell(kFileSizeCol, row, size);
        w.form.FileGrid.SetCell(kFileAddressCol, row, address);
    }
    void Run() {
        w.Dump(image);
        UnpackFiles(w.form, w.host, w.folder);
    }
    std::string Out(const std::string& name) const { return w.form.TempFolderEdit + name; }
    const std::string& Fat(int col, int row) const { return w.form.FatGrid.Cell(col, row); }

    test::Workspace w;
    DumpImage image;
};

Blob Join(std::initializer_list<const Blob*> parts, std::size_t size) {
    Blob all;
    for (const Blob* part : parts) all.insert(all.end(), part->begin(), part->end());
    all.resize(size);
    return all;
}

TEST_F(UnpackTest, TenThousandBytesOverThreeSlotsOfOneSector) {
    const Blob b1 = Block(2, 3, 5, "0101", 1);
    const Blob b2 = Block(2, 9, 6, "0101", 2);
    const Blob b3 = Block(2, 4, 7, "0101", 3);
    image.SetFatSlot(2, 8, "5200");  // names no block
    Entry(1, "RING", "10000", "0101");
    Run();

    EXPECT_EQ(test::ReadBytes(Out("RING.bin")), Join({&b1, &b2, &b3}, 10000));
    EXPECT_EQ(w.form.SaveDialogPath, Out("RING.bin"));
    // The work table: sector starts, block offsets, owners.
    EXPECT_EQ(Fat(kFatStartCol, 1), "0");
    EXPECT_EQ(Fat(kFatStartCol, 48), "3080192");
    EXPECT_EQ(Fat(FatSlotCol(5), 3), "14402");
    EXPECT_EQ(Fat(FatOwnerCol(5), 3), "0101");
    EXPECT_EQ(Fat(FatSlotCol(6), 3), "38978");
    EXPECT_EQ(Fat(FatSlotCol(8), 3), "00000");
    EXPECT_EQ(Fat(FatSlotCol(0), 1), "0");      // empty slot
    EXPECT_EQ(Fat(FatOwnerCol(0), 1), "FFFF");   // its owner read from the sector's own start
    EXPECT_EQ(Fat(FatSlotCol(408), 48), "0");   // slot 408, the last one walked
    // The map pass runs over the 48 sectors, and the bar ends full.
    ASSERT_FALSE(w.host.progressMaxHistory.empty());
    EXPECT_EQ(w.host.progressMaxHistory.front(), 48);
    EXPECT_EQ(w.host.progress, w.host.progressMaxHistory.back());
    EXPECT_TRUE(w.host.messages.empty());
}

// Twenty blocks, 81,793 bytes: past the 64 KiB that unpacking writes at a time, byte for byte.
TEST_F(UnpackTest, AFileOfManyBlocksComesWholeAndInOrder) {
    std::vector<Blob> blocks;
    for (int k = 0; k < 20; ++k) blocks.push_back(Block(2 + k / 15, k % 15, k, "0101", static_cast<std::uint8_t>(k)));
    Entry(1, "big", "81793", "0101");
    Run();
    Blob all;
    for (const Blob& b : blocks) all.insert(all.end(), b.begin(), b.end());
    all.resize(81793);
    EXPECT_EQ(test::ReadBytes(Out("big.bin")), all);
}

TEST_F(UnpackTest, CutToTheListedSize) {
    const Blob small = Block(1, 0, 0, "0A0A", 4);
    Block(1, 1, 1, "0A0A", 5);  // the assembler's closing block: nothing of it is written
    const Blob exact = Block(1, 2, 2, "0B0B", 6);
    Block(1, 3, 3, "0B0B", 7);
    Block(1, 4, 4, "0C0C", 8);
    Entry(1, "small", "100", "0A0A");
    Entry(2, "exact", "4090", "0B0B");
    Entry(3, "empty", "0", "0C0C");
    Run();
    EXPECT_EQ(test::ReadBytes(Out("small.bin")), Join({&small}, 100));
    EXPECT_EQ(test::ReadBytes(Out("exact.bin")), exact);
    EXPECT_TRUE(std::filesystem::exists(Out("empty.bin")));
    EXPECT_EQ(std::filesystem::file_size(Out("empty.bin")), 0u);
    EXPECT_EQ(w.form.SaveDialogPath, Out("empty.bin"));  // the file begun last
}

TEST_F(UnpackTest, BlocksInSlotOrderAcrossSectors) {
    // Slot number first, sector second: slot 0 of sector 30 comes before slot 1 of sector 2.
    const Blob first = Block(30, 0, 0, "0101", 1);
    const Blob second = Block(2, 7, 1, "0101", 2);
    const Blob third = Block(5, 14, 1, "0101", 3);
    Entry(1, "order", "12270", "0101");
    Run();
    EXPECT_EQ(test::ReadBytes(Out("order.bin")), Join({&first, &second, &third}, 12270));
}

TEST_F(UnpackTest, OwnerlessBlocksGoNowhere) {
    Block(3, 0, 0, "5555", 1);
    Entry(1, "lost", "4090", "5555");  // an entry with that address still gets nothing
    w.form.FatGrid.SetCell(FatOwnerCol(0), 4, "stale");
    Run();
    EXPECT_EQ(Fat(FatOwnerCol(0), 4), "");
    EXPECT_EQ(Fat(FatSlotCol(0), 4), "02114");
    EXPECT_FALSE(std::filesystem::exists(Out("lost.bin")));
}

TEST_F(UnpackTest, ExtensionFromTheFirstThreeBytes) {
    Block(4, 0, 0, "0101", 1);
    Block(4, 1, 1, "0202", 2);
    image.SetContent(4, 0, {0x7C, 0x01, 0x02});
    image.SetContent(4, 1, {0xFF, 0xD8, 0xFF});
    Entry(1, "a", "10", "0101");
    Entry(2, "b", "10", "0202");
    Run();
    EXPECT_EQ(test::ReadBytes(Out("a.pic")).front(), 0x7C);
    EXPECT_TRUE(std::filesystem::exists(Out("b.jpg")));

    // An edit of the settings file counts from the next run on.
    w.Settings("[EXT]\n|0102=.new\n");
    UnpackFiles(w.form, w.host, w.folder);
    EXPECT_TRUE(std::filesystem::exists(Out("a.new")));
    EXPECT_TRUE(std::filesystem::exists(Out("b.bin")));
}

TEST_F(UnpackTest, NameModeOwnerTags) {
    // An 11-byte tag: this firmware's content starts after it and fills the rest of the block.
    w.Profile(test::ProfileText({}, {{"AddrIs", "name"}, {"todata", "0x0000000B"}, {"data", "0x00000FF5"}}));
    Blob tag = Bytes("PIC");
    tag.resize(11, 0x00);
    const Blob b1 = Pattern(4085, 1);
    const Blob b2 = Pattern(4085, 2);
    for (int place : {0, 1}) {
        image.SetFatSlot(6, place, test::PlaceAddress(place));
        image.SetOwner(6, place, tag);
        image.SetContent(6, place, place == 0 ? b1 : b2, 11);
    }
    image.Fill(test::kSector * 7, 11, 0x00);  // sector 7's start: the tag of its empty slots
    Entry(1, "PIC", "5000", "0000");
    Run();
    EXPECT_EQ(Fat(FatOwnerCol(0), 7), "PIC");
    EXPECT_EQ(Fat(FatOwnerCol(1), 7), "PIC");
    EXPECT_EQ(Fat(FatOwnerCol(0), 8), "");
    EXPECT_EQ(test::ReadBytes(Out("PIC.bin")), Join({&b1, &b2}, 5000));
}

TEST_F(UnpackTest, NameModeTagPastTheEndIsAnError) {
    w.Profile(test::ProfileText({}, {{"AddrIs", "name"}}));
    image.SetFatSlot(0, 0, "4207");
    image.Truncate(test::BlockAt(0, 14) + 5);
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "Read beyond end of file");
    EXPECT_EQ(Fat(FatOwnerCol(0), 1).size(), 5u * 2);  // five erased bytes read, each "я" in UTF-8
}

TEST_F(UnpackTest, AnyOtherAddrIsSetsNoOwner) {
    w.Profile(test::ProfileText({}, {{"AddrIs", "Address"}}));
    Block(6, 0, 0, "0101", 1);
    Entry(1, "x", "10", "0101");
    Run();
    EXPECT_EQ(Fat(FatOwnerCol(0), 7), "");
    EXPECT_FALSE(std::filesystem::exists(Out("x.bin")));
}

TEST_F(UnpackTest, InterleavedFilesKeepEveryBlock) {
    const Blob a1 = Block(1, 0, 0, "0A0A", 1);
    const Blob b1 = Block(1, 1, 1, "0B0B", 2);
    const Blob a2 = Block(1, 2, 2, "0A0A", 3);
    const Blob b2 = Block(1, 3, 3, "0B0B", 4);
    Entry(1, "A", "8000", "0A0A");
    Entry(2, "B", "4100", "0B0B");
    Run();
    EXPECT_EQ(test::ReadBytes(Out("A.bin")), Join({&a1, &a2}, 8000));
    EXPECT_EQ(test::ReadBytes(Out("B.bin")), Join({&b1, &b2}, 4100));
}

TEST_F(UnpackTest, EntriesSharingANameGetFilesOfTheirOwn) {
    // Two entries "A" (the first 5000 bytes, the second 20000) with "B" between them in FAT
    // order: each "A" gets a whole file of its own, the second with " (2)" before its extension.
    const Blob a1 = Block(1, 0, 0, "0A0A", 1);
    const Blob a2 = Block(1, 1, 1, "0A0A", 2);
    const Blob b1 = Block(1, 2, 2, "0B0B", 3);
    std::vector<Blob> c;
    for (int k = 0; k < 5; ++k) c.push_back(Block(1, 3 + k, 3 + k, "0C0C", static_cast<std::uint8_t>(10 + k)));
    Entry(1, "A", "5000", "0A0A");
    Entry(2, "B", "100", "0B0B");
    Entry(3, "A", "20000", "0C0C");
    Run();
    EXPECT_EQ(test::ReadBytes(Out("A.bin")), Join({&a1, &a2}, 5000));
    EXPECT_EQ(test::ReadBytes(Out("A (2).bin")), Join({&c[0], &c[1], &c[2], &c[3], &c[4]}, 20000));
    EXPECT_EQ(test::ReadBytes(Out("B.bin")), Join({&b1}, 100));
}

TEST_F(UnpackTest, UnsafeNamesStayInTheFolder) {
    Block(1, 0, 0, "0101", 1);
    Block(1, 1, 1, "0202", 2);
    Block(1, 2, 2, "0303", 3);
    Entry(1, "../evil", "10", "0101");
    Entry(2, "a/b\\c", "10", "0202");
    Entry(3, std::string("x\x01y\0z", 5), "10", "0303");
    Run();
    EXPECT_TRUE(std::filesystem::exists(Out(".._evil.bin")));
    EXPECT_TRUE(std::filesystem::exists(Out("a_b_c.bin")));
    EXPECT_TRUE(std::filesystem::exists(Out("x_y_z.bin")));
    EXPECT_FALSE(std::filesystem::exists(w.temp.File("evil.bin")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.form.TempFolderEdit),
                            std::filesystem::directory_iterator()), 3);
}

TEST_F(UnpackTest, EmptyNameMatchedByAddressAndFoldersAsTyped) {
    Block(1, 0, 0, "0101", 1);
    Entry(1, "", "10", "0101");
    Run();
    EXPECT_EQ(test::ReadBytes(Out(".bin")).size(), 10u);

    // A folder without its trailing separator is still the folder, not a prefix of names.
    w.temp.MakeDir("out");
    w.form.TempFolderEdit = w.temp.Path() + "out";
    UnpackFiles(w.form, w.host, w.folder);
    EXPECT_EQ(test::ReadBytes(w.temp.File("out/.bin")).size(), 10u);
    EXPECT_FALSE(std::filesystem::exists(w.temp.File("out.bin")));

    // A relative folder lies in the program folder, wherever the program was started from.
    w.temp.MakeDir("rel");
    w.form.TempFolderEdit = "rel/";
    UnpackFiles(w.form, w.host, w.folder);
    EXPECT_EQ(test::ReadBytes(w.temp.File("rel/.bin")).size(), 10u);
}

TEST_F(UnpackTest, ShortDumpReadsAsErasedFlash) {
    DumpImage shortImage(3);
    image = shortImage;
    const Blob b1 = Block(2, 13, 0, "0101", 1);
    image.Truncate(test::BlockAt(2, 13) + 2 + 1000);
    Entry(1, "tail", "4090", "0101");
    Run();
    Blob expected(b1.begin(), b1.begin() + 1000);
    expected.resize(kData, 0xFF);
    EXPECT_EQ(test::ReadBytes(Out("tail.bin")), expected);
    EXPECT_EQ(Fat(kFatStartCol, 48), "3080192");
    EXPECT_EQ(Fat(FatSlotCol(0), 48), "0");  // erased slot past the end
}

TEST_F(UnpackTest, EmptyFileGridWritesNothing) {
    Block(1, 0, 0, "0101", 1);
    w.form.FileGrid = TextGrid(6, 101);
    Run();
    EXPECT_TRUE(std::filesystem::is_empty(w.form.TempFolderEdit));
    EXPECT_EQ(Fat(FatOwnerCol(0), 2), "0101");
}

TEST_F(UnpackTest, SizeBoundsTheWalk) {
    w.Profile(test::ProfileText({}, {{"SIZE", "0x00000006"}}));
    Block(1, 0, 2, "0101", 1);
    Block(1, 1, 3, "0101", 2);  // column 8: past the bound
    w.form.FatGrid.SetCell(FatSlotCol(3), 2, "old");
    Entry(1, "f", "9000", "0101");
    Run();
    EXPECT_EQ(Fat(FatSlotCol(2), 2), "02114");
    EXPECT_EQ(Fat(FatSlotCol(3), 2), "old");
    EXPECT_EQ(test::ReadBytes(Out("f.bin")).size(), kData);
    EXPECT_EQ(w.host.progressMaxHistory, (std::vector<int>{48, 6, 1}));

    // A bound beyond the table stops at its last slot column rather than walking on.
    w.Profile(test::ProfileText({}, {{"SIZE", "0x7FFFFFFF"}}));
    test::RecordingHost again;
    UnpackFiles(w.form, again, w.folder);
    EXPECT_EQ(Fat(FatSlotCol(3), 2), "06210");
    EXPECT_EQ(Fat(FatSlotCol(408), 2), "0");
    // The owner pass ends on the table's last slot column.
    EXPECT_EQ(*std::max_element(again.progressHistory.begin(), again.progressHistory.end()), 818);
    EXPECT_EQ(test::ReadBytes(Out("f.bin")).size(), 8180u);
}

TEST_F(UnpackTest, ProfileValuesOutsideTheDump) {
    Block(1, 0, 0, "0101", 1);
    Entry(1, "f", "10", "0101");
    w.Dump(image);
    w.Profile(test::ProfileText({}, {{"FAT", "0xFFFFF000"}}));
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "I/O error 131");
    w.Profile(test::ProfileText({}, {{"FAT", "0x7FFFF000"}}));
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "Read beyond end of file");
    w.Profile(test::ProfileText({}, {{"data", "0x7FFFFFFF"}}));
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "Read beyond end of file");
    w.Profile(test::ProfileText({}, {{"data", "0xFFFFFFFF"}}));
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "Read beyond end of file");
}

TEST_F(UnpackTest, ValuesWithoutPrefixComplainOnceEach) {
    w.Profile(test::ProfileText({}, {{"todata", "2"}, {"data", "x0FFA"}}));
    const Blob b1 = Block(1, 0, 0, "0101", 1);
    Block(1, 1, 1, "0101", 2);
    Entry(1, "f", "5000", "0101");
    Run();
    // "2" counts as 0, so content starts at the owner tag; "x0FFA" keeps its digits "FFA".
    EXPECT_EQ(w.host.messages, (std::vector<std::string>{"Неверный адрес 2", "Неверный адрес x0FFA"}));
    const Blob out = test::ReadBytes(Out("f.bin"));
    ASSERT_EQ(out.size(), 5000u);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[2], b1[0]);
}

TEST_F(UnpackTest, MissingOutputFolderIsTheRuntimesError) {
    Block(1, 0, 0, "0101", 1);
    Entry(1, "f", "10", "0101");
    w.form.TempFolderEdit = w.temp.File("no/such/");
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "File not found");
}

TEST_F(UnpackTest, AFailureKeepsWholeFilesAndWritesNoHalfOne) {
    // "A" and "B" are begun before "C", whose name is taken by a folder: the run ends at "C".
    // "A" and "B" stand whole, "C.bin" is still the folder, and no temporary is left behind.
    const Blob a1 = Block(1, 0, 0, "0A0A", 1);
    const Blob b1 = Block(1, 1, 1, "0B0B", 2);
    const Blob b2 = Block(1, 2, 2, "0B0B", 3);
    Block(1, 3, 3, "0C0C", 4);
    Entry(1, "A", "100", "0A0A");
    Entry(2, "B", "5000", "0B0B");
    Entry(3, "C", "10", "0C0C");
    w.temp.Write("files/B.bin", "the good old copy");
    w.temp.MakeDir("files/C.bin");
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "File access denied");
    EXPECT_EQ(test::ReadBytes(Out("A.bin")), Join({&a1}, 100));
    EXPECT_EQ(test::ReadBytes(Out("B.bin")), Join({&b1, &b2}, 5000));
    EXPECT_TRUE(std::filesystem::is_directory(Out("C.bin")));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(w.form.TempFolderEdit)) ++files;
    EXPECT_EQ(files, 3u);
}

// A size cell that is no number ends the command before any file is written, also the files of
// rows before it.
TEST_F(UnpackTest, ABadSizeCellWritesNothing) {
    Block(1, 0, 0, "0A0A", 1);
    Block(1, 1, 1, "0C0C", 3);
    Entry(1, "A", "100", "0A0A");
    Entry(3, "C", "bad", "0C0C");
    Entry(4, "D", "junk", "0D0D");  // no block names D: its cell is never read
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "'bad' is not a valid integer value");
    EXPECT_TRUE(std::filesystem::is_empty(w.form.TempFolderEdit));
    Entry(3, "C", "10", "0C0C");
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "");
}

TEST_F(UnpackTest, SizeCellThatIsNoNumber) {
    Block(1, 0, 0, "0101", 1);
    Entry(1, "f", "12a", "0101");
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "'12a' is not a valid integer value");
    EXPECT_FALSE(std::filesystem::exists(Out("f.bin")));
}

// An empty slot reads its owner at its sector's start, and a block there for each slot number: such
// blocks and the used slots' blocks take their turns in the walk's order, slot first, sector second.
TEST_F(UnpackTest, BlocksAtASectorStartTakeTheirTurnAmongUsedSlots) {
    Blob start = Pattern(kData, 9);
    std::fill(start.begin() + (0x50C - 2), start.begin() + (0x83E - 2), 0xFF);  // sector 2's FAT stays empty
    image.Put(2 * test::kSector, HexBytes("0B0B"));
    image.Put(2 * test::kSector + 2, start);
    const Blob used = Block(1, 0, 1, "0B0B", 4);  // slot 1 of sector 1: before sector 2 in slot 1
    Entry(1, "S", std::to_string(3 * kData), "0B0B");
    Run();
    // Slot 0: sector 2's start. Slot 1: sector 1's block, then sector 2's start again.
    EXPECT_EQ(test::ReadBytes(Out("S.bin")), Join({&start, &used, &start}, 3 * kData));
}

TEST_F(UnpackTest, ErasedRecordsOverErasedSlotsMakeOneEmptyFile) {
    // Found by fuzzing: records and FAT slots left erased. Every empty slot reads its owner at
    // the sector's start, "FFFF", which is the address of every erased record, so each of the
    // 409 x 48 blocks goes to all of them. Each names an empty file of its own, "" + ".bin",
    // " (2).bin", …; a real file among them still gets its content.
    const Blob a = Block(1, 0, 0, "0A0A", 1);
    for (int row = 1; row <= 100; ++row) Entry(row, "", "0", "FFFF");
    Entry(7, "A", "100", "0A0A");
    Run();
    EXPECT_EQ(test::ReadBytes(Out(".bin")), Blob{});
    EXPECT_EQ(test::ReadBytes(Out(" (99).bin")), Blob{});
    EXPECT_EQ(test::ReadBytes(Out("A.bin")), Blob(a.begin(), a.begin() + 100));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(w.form.TempFolderEdit)) ++files;
    EXPECT_EQ(files, 100u);
}

// "Распаковка" over a dump already open on the file's bytes in memory does what it does opening
// the file, without the file: the same FatGrid, files, summary and bars, and, where a name tag
// runs past the end, the same error (naming the file) with the same partial cell.
TEST_F(UnpackTest, OverTheDumpInMemoryAsOverItsFile) {
    const Blob a1 = Block(1, 0, 0, "0A0A", 1);
    Block(1, 1, 1, "0B0B", 2);
    Block(3, 5, 0, "0A0A", 3);
    Entry(1, "A", "6000", "0A0A");
    Entry(2, "A", "50", "0B0B");
    w.Dump(image);
    const Blob bytes = test::ReadBytes(w.form.OpenDumpPath);

    const UnpackSummary fromFile = UnpackFiles(w.form, w.host, w.folder);
    const TextGrid fat = w.form.FatGrid;
    const test::RecordingHost hostOfFile = w.host;
    const Blob fileA = test::ReadBytes(Out("A.bin"));
    std::filesystem::remove_all(w.form.TempFolderEdit);
    std::filesystem::create_directory(w.form.TempFolderEdit);
    w.form.FatGrid = TextGrid(fat.ColCount(), fat.RowCount());
    w.host = {};
    DumpReader inMemory(bytes, w.form.OpenDumpPath);
    std::filesystem::remove(w.form.OpenDumpPath);  // the bytes in memory are all it reads
    const UnpackSummary fromMemory = UnpackFiles(w.form, w.host, w.folder, inMemory);
    EXPECT_EQ(w.form.FatGrid, fat);
    EXPECT_EQ(fromMemory.files, 2);
    EXPECT_EQ(fromMemory.bytes, fromFile.bytes);
    EXPECT_EQ(fromMemory.paths, fromFile.paths);
    EXPECT_EQ(w.host.progressHistory, hostOfFile.progressHistory);
    EXPECT_EQ(w.host.progressMaxHistory, hostOfFile.progressMaxHistory);
    EXPECT_EQ(test::ReadBytes(Out("A.bin")), fileA);
    EXPECT_EQ(fileA.size(), 6000u);
    EXPECT_TRUE(std::equal(a1.begin(), a1.end(), fileA.begin()));

    w.Profile(test::ProfileText({}, {{"AddrIs", "name"}}));
    image.Truncate(test::BlockAt(3, 5) + 4);
    w.Dump(image);
    const Blob cut = test::ReadBytes(w.form.OpenDumpPath);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }), "Read beyond end of file");
    const TextGrid cutFat = w.form.FatGrid;
    DumpReader cutInMemory(cut, w.form.OpenDumpPath);
    std::filesystem::remove(w.form.OpenDumpPath);
    EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder, cutInMemory); }), "Read beyond end of file");
    EXPECT_EQ(w.form.FatGrid, cutFat);
    EXPECT_EQ(w.form.FatGrid.Cell(FatOwnerCol(0), 4).size(), 4u);  // the four bytes the dump holds of the tag
}

// The first free " (k)" whatever came before: a name that looks like a numbered one takes its
// place in the numbering, and a hundred empty names run " (2)" … " (100)".
TEST(FileNamer, GivesTheFirstFreeNumberedName) {
    FileNamer namer;
    std::vector<std::string> given;
    for (const char* name : {"b (3)", "a", "b", "a", "a (2)", "b", "a", "b", "a/x", "a_x", "a (4)", "a"}) {
        given.push_back(namer.Take(name));
    }
    EXPECT_EQ(given, (std::vector<std::string>{"b (3)", "a", "b", "a (2)", "a (2) (2)", "b (2)", "a (3)", "b (4)",
                                               "a_x", "a_x (2)", "a (4)", "a (5)"}));
    FileNamer empties;
    for (int k = 1; k <= 100; ++k) {
        EXPECT_EQ(empties.Take(""), k == 1 ? std::string() : " (" + std::to_string(k) + ")");
    }
}

}  // namespace
}  // namespace vesk
