// The files of a list in memory (ReadFileContents) are byte for byte what "Распаковка" writes,
// and unpacking says how much it wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "dump/block_map.h"
#include "dump/commands.h"
#include "dump/dump_fixture.h"
#include "dump/file_contents.h"
#include "dump/messages.h"

namespace vesk {
namespace {

using test::BlockAt;
using test::Bytes;
using test::DumpImage;
using test::HexBytes;
using test::Pattern;
using test::ReadBytes;

class FileContentsTest : public ::testing::Test {
protected:
    FileContentsTest() {
        w.Settings("[KOD]\n00=?\n[EXT]\nFFD8FF=.jpg\n");
        image.SetListAddress(0, "4200");
        image.ClearList(BlockAt(0, 0));
    }
    // Entry i and its blocks at (1, slot) named by slot `slot` of sector 1.
    void File(int i, const std::string& name, std::uint32_t size, const std::string& address, std::vector<int> slots) {
        image.SetEntry(BlockAt(0, 0), i, {Bytes(name), size, 1, 1, address});
        for (const int slot : slots) {
            image.SetFatSlot(1, slot, test::PlaceAddress(slot));
            image.SetOwner(1, slot, HexBytes(address));
            image.SetContent(1, slot, Pattern(4090, static_cast<std::uint8_t>(slot + 10 * i)));
        }
    }

    test::Workspace w;
    DumpImage image;
};

TEST_F(FileContentsTest, WhatUnpackingWritesWithoutWritingIt) {
    File(0, "A", 10000, "0101", {0, 2, 4});  // interleaved with B
    File(1, "B", 5000, "0102", {1, 3, 5});   // one surplus block
    File(2, "A", 100, "0103", {6});          // the same name: "A (2)"
    File(3, "E", 0, "0104", {7});            // an empty file
    File(4, "N", 500, "0105", {});           // no block: no file
    File(5, "", 0, "0106", {8});             // unused, but its address selects a block
    File(6, "S", 5000, "0107", {});          // no slot names a block of it, but sector 2 starts
    image.Put(2 * test::kSector, HexBytes("0107"));  // with its tag: every empty slot there gives one
    image.Put(BlockAt(1, 0) + 2, {0xFF, 0xD8, 0xFF});
    w.Dump(image);

    DumpReader dump(w.form.OpenDumpPath);
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    const Settings settings(w.folder);
    const AddressTables tables(settings);
    const std::vector<ListEntry> entries = ReadListFile(w.form.OpenDumpPath, BlockAt(0, 0), w.folder, "T", messages::ToHost(w.host));
    const FatTable fat = ReadFatTable(dump, profile, tables);
    const std::vector<FileContent> files = ReadFileContents(dump, profile, fat, TagReader(OwnerTags::Address, Settings(w.folder)), entries);

    w.form.ListAddressEdit = "0x00000842";
    ReadFileList(w.form, w.host, w.folder);
    const UnpackSummary summary = UnpackFiles(w.form, w.host, w.folder);
    EXPECT_EQ(summary.files, 6);
    EXPECT_EQ(summary.bytes, 10000 + 5000 + 100 + 5000);

    const std::string out = w.form.TempFolderEdit;
    const std::vector<std::pair<int, std::string>> written = {{0, "A.jpg"}, {1, "B.bin"}, {2, "A (2).bin"}, {3, "E.bin"}, {5, ".bin"}, {6, "S.bin"}};
    for (const auto& [i, name] : written) {
        const FileContent& file = files[static_cast<std::size_t>(i)];
        EXPECT_TRUE(file.written) << name;
        EXPECT_EQ(file.bytes.Flat(), ReadBytes(out + name)) << name;
    }
    EXPECT_EQ(files[0].bytes.Size(), 10000);
    EXPECT_EQ(files[0].blocks, 3);
    EXPECT_EQ(files[0].signature, (std::array<std::uint8_t, 3>{0xFF, 0xD8, 0xFF}));
    EXPECT_EQ(files[1].blocks, 2);  // the surplus block is not taken once the size is covered
    EXPECT_FALSE(files[4].written);
    EXPECT_EQ(files[4].bytes.Size(), 0);
    EXPECT_EQ(files[6].bytes.Size(), 5000);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 6);
}

// Past the end of a short dump, unpacking reads erased bytes: the content keeps its own copy of
// them, as the reader reads them apart from the dump's memory.
TEST_F(FileContentsTest, ABlockCutByTheEndReadsErasedAfterIt) {
    File(0, "X", 3000, "0101", {1});
    image.Truncate(BlockAt(1, 1) + 1000);
    w.Dump(image);
    DumpReader dump(w.form.OpenDumpPath);
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    const std::vector<ListEntry> entries = ReadListFile(w.form.OpenDumpPath, BlockAt(0, 0), w.folder, "T", messages::ToHost(w.host));
    const FatTable fat = ReadFatTable(dump, profile, AddressTables(Settings(w.folder)));
    std::vector<FileContent> files = ReadFileContents(dump, profile, fat, TagReader(OwnerTags::Address, Settings(w.folder)), entries);
    w.form.ListAddressEdit = "0x00000842";
    ReadFileList(w.form, w.host, w.folder);
    UnpackFiles(w.form, w.host, w.folder);
    const std::vector<std::uint8_t> written = ReadBytes(w.form.TempFolderEdit + "X.bin");
    ASSERT_EQ(written.size(), 3000u);
    EXPECT_EQ(written[2000], 0xFF);
    EXPECT_EQ(files[0].bytes.Flat(), written);
    // Moved, the copy goes with the pieces that point into it.
    const FileBytes moved = std::move(files[0].bytes);
    EXPECT_EQ(moved.Flat(), written);
}

TEST(NameDecoder, AByteIsUndecodableWhenKodLeavesItUnreadable) {
    NameDecoder plain(std::map<std::string, std::string>{});
    for (const int b : {0x00, 0x01, 0x1F, 0x7F, 0x98}) EXPECT_TRUE(plain.Undecodable(static_cast<std::uint8_t>(b))) << b;
    for (const int b : {0x20, 0x41, 0x7E, 0x80, 0x97, 0x99, 0xC0, 0xFF}) EXPECT_FALSE(plain.Undecodable(static_cast<std::uint8_t>(b))) << b;
    // A [KOD] line, even "?", says what the byte is; an empty value says nothing.
    NameDecoder kod(std::map<std::string, std::string>{{"00", "?"}, {"01", "x"}, {"98", "ш"}, {"1F", ""}});
    EXPECT_FALSE(kod.Undecodable(0x00));
    EXPECT_FALSE(kod.Undecodable(0x01));
    EXPECT_FALSE(kod.Undecodable(0x98));
    EXPECT_TRUE(kod.Undecodable(0x1F));
}

TEST_F(FileContentsTest, AnOverviewKeepsTheRecordsBeforeACut) {
    File(0, "A", 100, "0101", {0});
    image.Truncate(BlockAt(0, 0) + 24 * 3 + 5);
    w.Dump(image);
    DumpReader dump(w.form.OpenDumpPath);
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    const DumpOverview overview = ReadDumpOverview(dump, profile, DumpTables(Settings(w.folder)));
    EXPECT_EQ(overview.entries.size(), 3u);
    EXPECT_EQ(overview.entries[0].name, "A");
    EXPECT_TRUE(overview.entriesError);
    EXPECT_THROW(ReadDumpOverview(w.form.OpenDumpPath, w.folder, "T", messages::ToHost(w.host)), Error);
}

}  // namespace
}  // namespace vesk
