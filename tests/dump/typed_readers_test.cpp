// The typed readers under the reading commands: the lists a scan finds, the entries of a list
// and the block map, on dumps built byte by byte.
#include <gtest/gtest.h>

#include "dump/block_map.h"
#include "dump/dump_fixture.h"
#include "dump/file_list.h"
#include "dump/list_scan.h"
#include "dump/messages.h"

namespace vesk {
namespace {

// A place's slot numbers or owners, comparable with a list.
std::vector<int> Ints(std::span<const int> values) { return {values.begin(), values.end()}; }

using test::BlockAt;
using test::Bytes;
using test::DumpImage;
using test::HexBytes;

class TypedReadersTest : public ::testing::Test {
protected:
    TypedReadersTest() { w.Settings("[KOD]\n00=?\n[GROUP]\n02=Картинки\n[FIX1]\n4207=4207\n"); }

    ListScan Scan(const DumpImage& image, ScanEnd end = ScanEnd::AtFirstUnknown) {
        w.Dump(image);
        return ScanDumpFile(w.form.OpenDumpPath, w.folder, "T", messages::ToHost(w.host), end);
    }
    DumpOverview Overview(const DumpImage& image) {
        w.Dump(image);
        return ReadDumpOverview(w.form.OpenDumpPath, w.folder, "T", messages::ToHost(w.host));
    }

    test::Workspace w;
};

TEST_F(TypedReadersTest, ListsFoundWithTheirStateAndTheSelection) {
    DumpImage image;
    image.SetListAddress(3, "C201");  // place 3, older
    image.SetListState(3, 0x00);
    image.SetListAddress(5, "4207");  // ruled out by [FIX1]
    image.SetListAddress(9, "4200");  // place 0, current
    const ListScan scan = Scan(image);

    ASSERT_EQ(scan.lists.size(), 2u);
    EXPECT_EQ(scan.lists[0].sector, 3);
    EXPECT_EQ(scan.lists[0].place, 3);
    EXPECT_EQ(scan.lists[0].position, BlockAt(3, 3));
    EXPECT_EQ(scan.lists[0].address, "C201");
    EXPECT_FALSE(scan.lists[0].Current());
    EXPECT_EQ(scan.lists[1].position, BlockAt(9, 0));
    EXPECT_TRUE(scan.lists[1].Current());
    EXPECT_EQ(scan.selected, 1u);
    EXPECT_EQ(ListPositionText(scan.Selected()->position), "0x00090842");
    EXPECT_FALSE(scan.stop);
    EXPECT_TRUE(scan.unknown.empty());
}

TEST_F(TypedReadersTest, AnUnknownAddressStopsTheScanOrIsCollected) {
    DumpImage image;
    image.SetListAddress(2, "4201");
    image.SetListState(2, 0x00);
    image.SetListAddress(6, "42E0");  // no [FIX] line maps the pair 2E
    image.SetListAddress(8, "C203");
    image.SetListAddress(30, "5200");  // X is neither 4 nor C

    const ListScan stopped = Scan(image);
    ASSERT_EQ(stopped.lists.size(), 1u);
    EXPECT_EQ(stopped.selected, 0u);  // the last list found is older: the first is selected
    ASSERT_TRUE(stopped.stop);
    EXPECT_EQ(stopped.stop->sector, 6);
    ASSERT_TRUE(stopped.stop->unknown);
    EXPECT_EQ(stopped.stop->unknown->address, "42E0");
    EXPECT_EQ(stopped.stop->message, "Неизвестный адрес списка 42E0");
    EXPECT_FALSE(stopped.stop->error);

    const ListScan whole = Scan(image, ScanEnd::WholeDump);
    ASSERT_EQ(whole.lists.size(), 2u);
    EXPECT_EQ(whole.lists[1].sector, 8);
    EXPECT_EQ(whole.selected, 1u);
    ASSERT_EQ(whole.unknown.size(), 2u);
    EXPECT_EQ(whole.unknown[0].sector, 6);
    EXPECT_EQ(whole.unknown[1].sector, 30);
    EXPECT_EQ(whole.unknown[1].address, "5200");
    EXPECT_FALSE(whole.stop);
}

TEST_F(TypedReadersTest, AShortDumpKeepsWhatWasFoundAndTheReadError) {
    DumpImage image;
    image.SetListAddress(1, "4200");
    image.Truncate(4 * test::kSector + 1);  // sector 4's list address would be bytes 1 and 2
    const ListScan scan = Scan(image);
    ASSERT_EQ(scan.lists.size(), 1u);
    ASSERT_TRUE(scan.stop);
    EXPECT_EQ(scan.stop->sector, 4);
    EXPECT_FALSE(scan.stop->unknown);
    EXPECT_EQ(scan.stop->message, "Read beyond end of file");
    EXPECT_THROW(std::rethrow_exception(scan.stop->error), Error);
}

TEST_F(TypedReadersTest, EntriesKeepTheirRawAndDecodedValues) {
    DumpImage image;
    const std::int64_t list = BlockAt(0, 0);
    image.ClearList(list);
    image.SetEntry(list, 0, {Bytes("LOGO"), 5000, 9, 0x02, "4201"});
    image.SetEntry(list, 1, {HexBytes("C0E1E2"), 0x2DC6C1, 0x7C, 0x05, "C201"});  // "Абв", a size past the limit
    w.Dump(image);
    DumpReader dump(w.form.OpenDumpPath);
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    const Settings settings(w.folder);
    const FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, list), NameDecoder(settings), GroupNames(settings));

    ASSERT_EQ(read.entries.size(), 100u);
    EXPECT_FALSE(read.cut);
    EXPECT_EQ(read.InUse(), 2);
    const ListEntry& logo = read.entries[0];
    EXPECT_EQ(logo.name, "LOGO");
    std::string logoBytes = "LOGO";
    logoBytes.resize(11, '\0');  // the field's filler as the list block was cleared
    EXPECT_EQ(logo.nameBytes, logoBytes);
    EXPECT_EQ(logo.size, 5000u);
    EXPECT_EQ(logo.fileNumber, 9);
    EXPECT_EQ(logo.groupCode, 0x02);
    EXPECT_EQ(logo.groupName, "Картинки");
    EXPECT_EQ(logo.address, "4201");
    EXPECT_EQ(logo.position, list);
    const ListEntry& second = read.entries[1];
    EXPECT_EQ(second.name, "Абв");
    EXPECT_EQ(second.storedSize, 0x2DC6C1u);
    EXPECT_EQ(second.size, 0u);
    EXPECT_EQ(second.groupName, "");
    EXPECT_EQ(second.position, list + 24);
    EXPECT_FALSE(read.entries[2].InUse());
}

TEST_F(TypedReadersTest, ARecordCutByTheEndKeepsWhatWasRead) {
    // The size before the name, so that the end of the file cuts the name.
    test::Record record;
    record.size = 0;
    record.name = 3;
    record.fileNumber = 14;
    record.group = 15;
    record.address = 16;
    w.Profile(test::ProfileText(record));
    DumpImage image;
    const std::int64_t list = BlockAt(0, 0);
    image.ClearList(list);
    image.SetEntry(list, 3, {Bytes("abcdefghijk"), 77, 1, 1, "4200"}, record);
    image.Truncate(list + 3 * 24 + 3 + 4);
    w.Dump(image);
    DumpReader dump(w.form.OpenDumpPath);
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    const Settings settings(w.folder);
    const FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, list), NameDecoder(settings), GroupNames(settings));

    ASSERT_EQ(read.entries.size(), 3u);
    ASSERT_TRUE(read.cut);
    EXPECT_EQ(read.cut->index, 3);
    EXPECT_EQ(read.cutAt, EntryField::Name);
    EXPECT_EQ(read.cut->size, 77u);
    EXPECT_EQ(read.cut->name, "abcd");
    EXPECT_EQ(read.cut->nameBytes, "abcd");
    EXPECT_THROW(std::rethrow_exception(read.error), Error);
}

// A dump with every kind of place: the current list in sector 0, an older one in sector 2, a
// file whose blocks its slots name, a block named twice, a block no slot names, a slot that
// names no place, and a tag that matches no entry.
TEST_F(TypedReadersTest, TheBlockMapSaysWhatEachPlaceHolds) {
    DumpImage image;
    const std::int64_t list = BlockAt(0, 0);
    image.SetListAddress(0, "4200");
    image.ClearList(list);
    image.SetEntry(list, 0, {Bytes("A"), 5000, 1, 1, "0100"});
    image.SetListAddress(2, "4203");  // place 6 of sector 2
    image.SetListState(2, 0x00);
    image.ClearList(BlockAt(2, 6));
    image.SetFatSlot(0, 0, "4201");  // A: places 2 and 3 of sector 0
    image.SetFatSlot(0, 1, "C201");
    image.SetFatSlot(1, 2, "4200");  // A's third block in sector 1; slot 3 names it again
    image.SetFatSlot(1, 3, "4200");
    image.SetFatSlot(1, 4, "4F05");  // names no place
    image.SetFatSlot(1, 5, "C200");  // a block whose tag is nobody's
    for (auto [sector, place] : {std::pair{0, 2}, {0, 3}, {1, 0}}) image.SetOwner(sector, place, HexBytes("0100"));
    image.SetOwner(1, 1, HexBytes("0900"));
    image.SetOwner(3, 4, HexBytes("0100"));  // A's tag, but no slot names it
    const DumpOverview overview = Overview(image);
    const BlockMap& map = overview.map;

    ASSERT_EQ(map.places.size(), 48u * 15u);
    EXPECT_EQ(overview.chosenList, list);
    EXPECT_EQ(map.At(0, 0).kind, PlaceKind::List);
    EXPECT_EQ(map.At(0, 0).list, 0u);
    EXPECT_EQ(map.At(2, 6).kind, PlaceKind::List);
    EXPECT_FALSE(overview.scan.lists[*map.At(2, 6).list].Current());
    EXPECT_EQ(Ints(map.At(0, 2).slots), std::vector<int>{0});
    EXPECT_EQ(Ints(map.At(0, 2).entries), std::vector<int>{0});
    EXPECT_EQ(map.At(0, 3).offset, BlockAt(0, 3));
    EXPECT_EQ(Ints(map.At(1, 0).slots), (std::vector<int>{2, 3}));
    EXPECT_EQ(map.At(1, 0).owner, "0100");
    EXPECT_EQ(map.At(1, 1).kind, PlaceKind::Data);
    EXPECT_EQ(map.At(1, 1).owner, "0900");
    EXPECT_TRUE(map.At(1, 1).entries.empty());
    EXPECT_EQ(map.At(3, 4).kind, PlaceKind::Data);
    EXPECT_TRUE(map.At(3, 4).slots.empty());
    EXPECT_TRUE(map.At(3, 4).entries.empty());  // owned only through a slot
    EXPECT_EQ(map.At(0, 4).kind, PlaceKind::Erased);
    ASSERT_EQ(map.unnamed.size(), 1u);
    EXPECT_EQ(map.unnamed[0].slot, 4);
    EXPECT_EQ(map.unnamed[0].sector, 1);
    EXPECT_EQ(map.unnamed[0].address, "4F05");
    EXPECT_EQ(map.slots, 409);
}

TEST_F(TypedReadersTest, PlacesPastTheEndOfAShortDumpAreMissing) {
    DumpImage image;
    image.SetListAddress(0, "4200");
    image.ClearList(BlockAt(0, 0));
    image.Truncate(BlockAt(0, 3) + 100);
    const DumpOverview overview = Overview(image);
    EXPECT_EQ(overview.map.At(0, 0).kind, PlaceKind::List);
    EXPECT_EQ(overview.map.At(0, 2).kind, PlaceKind::Erased);
    EXPECT_EQ(overview.map.At(0, 3).kind, PlaceKind::Missing);
    EXPECT_EQ(overview.map.At(47, 14).kind, PlaceKind::Missing);
    ASSERT_TRUE(overview.scan.stop);  // sector 1's header lies past the end
    EXPECT_EQ(overview.scan.stop->sector, 1);
}

}  // namespace
}  // namespace vesk
