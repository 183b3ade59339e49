// The bounds of the dump reader: strict reads for the scan and the list, erased flash past the
// end of a short dump for the unpacker, the file itself past the 48 sectors.
#include <gtest/gtest.h>

#include "base/error.h"
#include "dump/dump_fixture.h"
#include "dump/dump_reader.h"

namespace vesk {
namespace {

// Every rule holds alike whether the sectors are loaded at once or page by page.
class DumpReaderTest : public ::testing::TestWithParam<DumpReader::Loading> {};
INSTANTIATE_TEST_SUITE_P(Loading, DumpReaderTest,
                         ::testing::Values(DumpReader::Loading::Whole, DumpReader::Loading::OnDemand));

TEST_P(DumpReaderTest, StrictReadsStopAtTheEnd) {
    test::TempFolder temp;
    DumpReader dump(temp.Write("short.bin", std::vector<std::uint8_t>{1, 2, 3, 4}), GetParam());
    EXPECT_EQ(dump.Size(), 4);
    std::array<std::uint8_t, 2> two{};
    dump.Read(2, two);
    EXPECT_EQ(two, (std::array<std::uint8_t, 2>{3, 4}));
    EXPECT_EQ(test::ErrorOf([&] { dump.Read(3, two); }), "Read beyond end of file");
    EXPECT_EQ(test::ErrorOf([&] { dump.ByteAt(4); }), "Read beyond end of file");
    EXPECT_EQ(test::ErrorOf([&] { dump.ByteAt(-1); }), "I/O error 131");
    EXPECT_EQ(dump.Available(2, 5), 2);
    EXPECT_EQ(dump.Available(-3, 5), 0);
}

TEST_P(DumpReaderTest, ErasedReadsInsideTheSectorsOnly) {
    test::TempFolder temp;
    DumpReader dump(temp.Write("short.bin", std::vector<std::uint8_t>{1, 2, 3, 4}), GetParam());
    std::array<std::uint8_t, 4> four{};
    dump.ReadErased(2, four);
    EXPECT_EQ(four, (std::array<std::uint8_t, 4>{3, 4, 0xFF, 0xFF}));
    dump.ReadErased(test::kSector * 48 - 4, four);
    EXPECT_EQ(four, (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(test::ErrorOf([&] { dump.ReadErased(test::kSector * 48 - 2, four); }), "Read beyond end of file");
    EXPECT_EQ(test::ErrorOf([&] { dump.ReadErased(-2, four); }), "I/O error 131");
    std::vector<std::uint8_t> scratch;
    EXPECT_EQ(test::ErrorOf([&] { dump.View(0, -1, true, scratch); }), "Read beyond end of file");
    EXPECT_EQ(test::ErrorOf([&] { dump.View(0, 0x7FFFFFFF, true, scratch); }), "Read beyond end of file");
}

TEST_P(DumpReaderTest, BytesPastTheSectorsComeFromTheFile) {
    test::TempFolder temp;
    std::vector<std::uint8_t> big(static_cast<std::size_t>(test::kSector * 48 + 10), 0x11);
    big[big.size() - 1] = 0x99;
    big[static_cast<std::size_t>(test::kSector * 48 - 1)] = 0x77;
    DumpReader dump(temp.Write("big.bin", big), GetParam());
    std::vector<std::uint8_t> scratch;
    const auto view = dump.View(test::kSector * 48 - 1, 11, false, scratch);
    ASSERT_EQ(view.size(), 11u);
    EXPECT_EQ(view.front(), 0x77);
    EXPECT_EQ(view.back(), 0x99);
    EXPECT_EQ(dump.ByteAt(static_cast<std::int64_t>(big.size()) - 1), 0x99);
    EXPECT_EQ(test::ErrorOf([&] { dump.ByteAt(static_cast<std::int64_t>(big.size())); }), "Read beyond end of file");
}

TEST_P(DumpReaderTest, ReadsAcrossPagesMatchTheFile) {
    test::TempFolder temp;
    const std::vector<std::uint8_t> content = test::Pattern(3 * 4096 + 100, 5);
    DumpReader dump(temp.Write("d.bin", content), GetParam());
    std::vector<std::uint8_t> scratch;
    // A byte deep inside first, then ranges over pages read and not yet read.
    EXPECT_EQ(dump.ByteAt(8195), content[8195]);
    for (const auto& [at, n] : std::vector<std::pair<std::int64_t, std::int64_t>>{
             {4000, 300}, {0, 12388}, {12287, 2}, {12380, 8}, {100, 0}}) {
        const auto view = dump.View(at, n, false, scratch);
        EXPECT_TRUE(std::equal(view.begin(), view.end(), content.begin() + at)) << at;
        EXPECT_EQ(view.size(), static_cast<std::size_t>(n));
    }
    std::array<std::uint8_t, 8> tail{};
    dump.ReadErased(12384, tail);
    EXPECT_EQ(tail, (std::array<std::uint8_t, 8>{content[12384], content[12385], content[12386], content[12387],
                                                 0xFF, 0xFF, 0xFF, 0xFF}));
}

// Ranges across sectors and pages (read at once, or page by page on demand) come whole and in
// order, and a block of a dump read at once is a view into the reader, not a copy.
TEST_P(DumpReaderTest, RangesAcrossSectorsAndPagesMatchTheFile) {
    test::TempFolder temp;
    const std::vector<std::uint8_t> content = test::Pattern(static_cast<std::size_t>(2 * test::kSector + 5000), 9);
    DumpReader dump(temp.Write("d.bin", content), GetParam());
    std::vector<std::uint8_t> scratch;
    for (const auto& [at, n] : std::vector<std::pair<std::int64_t, std::int64_t>>{
             {test::kSector - 3, 10}, {test::kSector - 4096, 8192}, {0, 2 * test::kSector + 5000}, {2 * test::kSector + 4999, 1}}) {
        const auto view = dump.View(at, n, false, scratch);
        ASSERT_EQ(view.size(), static_cast<std::size_t>(n)) << at;
        EXPECT_TRUE(std::equal(view.begin(), view.end(), content.begin() + at)) << at;
    }
    std::vector<std::uint8_t> across(20);
    dump.Read(test::kSector - 10, across);
    EXPECT_TRUE(std::equal(across.begin(), across.end(), content.begin() + test::kSector - 10));
    EXPECT_EQ(dump.ByteAt(test::kSector - 1), content[static_cast<std::size_t>(test::kSector - 1)]);
    EXPECT_EQ(dump.ByteAt(test::kSector), content[static_cast<std::size_t>(test::kSector)]);
    if (GetParam() == DumpReader::Loading::Whole) {
        scratch.clear();
        const auto block = dump.View(test::BlockAt(1, 14), 4090, false, scratch);
        EXPECT_TRUE(scratch.empty());
        EXPECT_EQ(block.front(), content[static_cast<std::size_t>(test::BlockAt(1, 14))]);
    }
}

// The walks hold views of earlier reads while they read on (an owner tag, then the block): a
// view stays valid and unchanged however many pages are read after it, in either loading.
TEST_P(DumpReaderTest, AViewOutlivesLaterReads) {
    test::TempFolder temp;
    const std::vector<std::uint8_t> content = test::Pattern(static_cast<std::size_t>(test::kSector), 3);
    DumpReader dump(temp.Write("d.bin", content), GetParam());
    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> other;
    const auto first = dump.View(100, 50, false, scratch);
    for (std::int64_t at = 4096; at < test::kSector; at += 4096) dump.View(at + 7, 30, false, other);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), content.begin() + 100));
    EXPECT_TRUE(scratch.empty()) << "a range inside one page is a view, not a copy";
}

TEST(DumpReader, MissingFile) {
    test::TempFolder temp;
    EXPECT_EQ(test::ErrorOf([&] { DumpReader dump(temp.File("none.bin")); }), "File not found");
}

}  // namespace
}  // namespace vesk
