// The dump check: one dump per finding, each with exactly its places, slots and entries; and a
// dump assembled by "Собрать" checks clean.
#include <gtest/gtest.h>

#include "inspect/inspect_fixture.h"

namespace vesk::test {
namespace {

using Kinds = std::vector<std::string>;
using Places = std::vector<PlaceRef>;
using Ints = std::vector<int>;

// A list with one file of 5000 bytes: two blocks and the builder's surplus one.
class CheckTest : public InspectTest {
protected:
    CheckTest() { PutFile(0, "A", Pattern(5000, 1), "0100", {{1, 0, 0}, {1, 1, 1}, {1, 2, 2}}); }
};

TEST_F(CheckTest, ASoundDumpHasNoFinding) { EXPECT_TRUE(Check().empty()); }

TEST_F(CheckTest, TwoCurrentListsAreAnError) {
    PutList(5, 2, 0xFF);
    PutList(7, 4, 0x00);  // older: not concerned
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"two-current-lists"});
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[0].places, (Places{{0, 0}, {5, 2}}));
    EXPECT_EQ(findings[0].sectors, (Ints{0, 5}));
    EXPECT_TRUE(HasError(findings));
}

TEST_F(CheckTest, EveryUnknownListAddressIsReported) {
    image.SetListAddress(6, "42E0");  // no [FIX] line for the pair 2E
    image.SetListAddress(30, "5200");
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), (Kinds{"unknown-list-address", "unknown-list-address"}));
    EXPECT_EQ(findings[0].sectors, Ints{6});
    EXPECT_NE(findings[0].text.find("42E0"), std::string::npos);
    EXPECT_EQ(findings[1].sectors, Ints{30});
}

TEST_F(CheckTest, AFileWithFewerBlocksThanItsSizeNeedsIsAnError) {
    // 8181 bytes need three blocks; the FAT gives two.
    PutFile(1, "B", Pattern(8181, 2), "0200", {{2, 4, 3}, {2, 5, 4}});
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"missing-blocks"});
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[0].entries, Ints{2});
    EXPECT_EQ(findings[0].places, (Places{{2, 4}, {2, 5}}));
    EXPECT_EQ(findings[0].slots, (Ints{3, 4}));
    // 8180 bytes fit in two.
    image.SetEntry(BlockAt(0, 0), 1, {Bytes("B"), 8180, 2, 1, "0200"});
    EXPECT_TRUE(Check().empty());
}

// A slot of a file's middle block erased: the walk still gives as many blocks as the size needs,
// the builder's surplus block standing in for the lost one, and unpacking gives wrong bytes.
TEST_F(CheckTest, ABlockLostFromTheFatIsAnErrorThoughTheCountLooksWhole) {
    image.SetFatSlot(1, 1, "FFFF");
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), (Kinds{"lost-block", "orphan-block"}));
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[0].entries, Ints{1});
    EXPECT_EQ(findings[0].places, (Places{{1, 1}, {1, 0}, {1, 2}}));  // the lost place, then the file's
    // The same count without a block of its tag anywhere is a file whose builder wrote no
    // surplus block: sound.
    image.SetOwner(1, 1, HexBytes("5555"));
    EXPECT_EQ(KindsOf(Check()), Kinds{});
}

// A file with no list at all is no dump the reading road can use.
TEST_F(CheckTest, NoListAnywhereIsAnError) {
    image.SetListAddress(0, "FFFF");
    const auto findings = Check();
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings[0].kind, "no-list");
    EXPECT_TRUE(HasError(findings));
}

TEST_F(CheckTest, MoreThanOneSurplusBlockIsAWarning) {
    PutFile(1, "B", Pattern(100, 2), "0200", {{2, 0, 3}, {2, 1, 4}});  // one surplus: sound
    PutFile(2, "C", Pattern(0, 3), "0300", {{2, 2, 7}});                // an empty file's one block
    EXPECT_TRUE(Check().empty());
    image.SetOwner(2, 3, HexBytes("0200"));
    image.SetFatSlot(2, 6, PlaceAddress(3));
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"extra-blocks"});
    EXPECT_EQ(findings[0].severity, Severity::Warning);
    EXPECT_EQ(findings[0].entries, Ints{2});
    EXPECT_EQ(findings[0].places, (Places{{2, 0}, {2, 1}, {2, 3}}));
    EXPECT_FALSE(HasError(findings));
}

TEST_F(CheckTest, APlaceNamedByTwoSlotsIsCrossLinked) {
    image.SetFatSlot(1, 7, PlaceAddress(1));  // place 1 again
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), (Kinds{"extra-blocks", "cross-linked-block"}));
    EXPECT_EQ(findings[1].severity, Severity::Error);
    EXPECT_EQ(findings[1].places, (Places{{1, 1}}));
    EXPECT_EQ(findings[1].slots, (Ints{1, 7}));
    EXPECT_EQ(findings[1].sectors, Ints{1});
}

TEST_F(CheckTest, ASlotThatNamesTheListBlockIsAnError) {
    image.SetFatSlot(0, 9, "4200");
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"slot-names-list-block"});
    EXPECT_EQ(findings[0].places, (Places{{0, 0}}));
    EXPECT_EQ(findings[0].slots, Ints{9});
}

TEST_F(CheckTest, ASlotWhoseAddressNamesNoPlaceIsAWarning) {
    image.SetFatSlot(2, 7, "4F05");
    image.SetFatSlot(2, 8, "C207");
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"slot-names-nothing"});
    EXPECT_EQ(findings[0].sectors, Ints{2});
    EXPECT_EQ(findings[0].slots, (Ints{7, 8}));
    EXPECT_NE(findings[0].text.find("4F05"), std::string::npos);
}

// Orphans go by owner tag: the places a slot names in slot order, then the others in dump order.
TEST_F(CheckTest, OrphansAreReportedByOwnerTag) {
    image.SetOwner(4, 1, HexBytes("0900"));  // no slot, before the named one in the dump
    image.SetOwner(2, 3, HexBytes("0900"));
    image.SetFatSlot(2, 5, PlaceAddress(3));
    image.SetOwner(3, 2, HexBytes("0800"));
    image.SetOwner(3, 9, HexBytes("5555"));  // ownerless and unnamed: data, not an orphan
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), (Kinds{"orphan-block", "orphan-block"}));
    EXPECT_NE(findings[0].text.find("0900"), std::string::npos);
    EXPECT_EQ(findings[0].places, (Places{{2, 3}, {4, 1}}));
    EXPECT_EQ(findings[0].slots, Ints{5});
    EXPECT_EQ(findings[0].severity, Severity::Warning);
    EXPECT_EQ(findings[1].places, (Places{{3, 2}}));
    EXPECT_TRUE(findings[1].slots.empty());
}

TEST_F(CheckTest, NamesTwiceAndNamesThatCannotBeShownAreWarnings) {
    PutFile(1, "B", Pattern(10, 2), "0200", {{2, 0, 3}});
    PutFile(2, "A", Pattern(10, 3), "0300", {{2, 1, 4}});
    image.SetEntry(BlockAt(0, 0), 3, {HexBytes("41014298"), 0, 4, 1, "0400"});  // A, 01, B, 98
    auto findings = Check();
    ASSERT_EQ(KindsOf(findings), (Kinds{"duplicate-name", "undecodable-name"}));
    EXPECT_EQ(findings[0].entries, (Ints{1, 3}));
    EXPECT_EQ(findings[1].entries, Ints{4});
    EXPECT_NE(findings[1].text.find("01 98"), std::string::npos) << findings[1].text;
    // A [KOD] line for a byte makes it readable.
    w.Settings("[KOD]\n00=?\n01=_\n98=ш\n");
    findings = Check();
    EXPECT_EQ(KindsOf(findings), Kinds{"duplicate-name"});
}

TEST_F(CheckTest, BlocksThatInterleaveInFatOrderAreAWarning) {
    // B's blocks are slots 3 and 5, C's is slot 4, in other sectors.
    PutFile(1, "B", Pattern(5000, 2), "0200", {{2, 0, 3}, {4, 0, 5}});
    PutFile(2, "C", Pattern(100, 3), "0300", {{3, 0, 4}});
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"interleaved-blocks"});
    EXPECT_EQ(findings[0].entries, (Ints{2, 3}));
    EXPECT_EQ(findings[0].places, (Places{{2, 0}, {4, 0}}));
    EXPECT_EQ(findings[0].slots, (Ints{3, 5}));
}

TEST_F(CheckTest, OneSlotNumberInTwoSectorsIsAWarning) {
    PutFile(1, "B", Pattern(100, 2), "0200", {{2, 0, 4}, {3, 0, 4}});
    const auto findings = Check();
    ASSERT_EQ(KindsOf(findings), Kinds{"slot-number-reused"});
    EXPECT_EQ(findings[0].slots, Ints{4});
    EXPECT_EQ(findings[0].sectors, (Ints{2, 3}));
    EXPECT_EQ(findings[0].places, (Places{{2, 0}, {3, 0}}));
}

}  // namespace
}  // namespace vesk::test
