// What the map says each block place holds, on dumps built byte by byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "inspect/inspect_fixture.h"

namespace vesk::test {
namespace {

// A place's slot numbers or owners, comparable with a list.
std::vector<int> Ints(std::span<const int> values) { return {values.begin(), values.end()}; }

using Kinds = std::vector<std::string>;

TEST_F(InspectTest, EveryKindOfPlaceIsTold) {
    PutFile(0, "A", Pattern(5000, 1), "0100", {{1, 0, 0}, {1, 1, 1}, {1, 2, 2}});
    PutList(3, 1, 0x00);  // an older list
    image.SetOwner(2, 0, HexBytes("0900"));  // a slot names it, its tag is nobody's in the list
    image.SetFatSlot(2, 3, "4200");
    image.SetOwner(2, 1, HexBytes("0100"));  // A's tag, but no slot names it
    image.SetOwner(2, 2, HexBytes("5555"));  // ownerless, no slot
    const Inspection in = Inspect();

    EXPECT_EQ(in.KindAt(0, 0), BlockKind::List);
    EXPECT_TRUE(in.CurrentList(in.Map().At(0, 0)));
    EXPECT_EQ(in.KindAt(3, 1), BlockKind::List);
    EXPECT_FALSE(in.CurrentList(in.Map().At(3, 1)));
    for (int place = 0; place < 3; ++place) {
        EXPECT_EQ(in.KindAt(1, place), BlockKind::File) << place;
        EXPECT_EQ(in.EntryRow(in.Map().At(1, place)), 1);
    }
    EXPECT_EQ(in.KindAt(2, 0), BlockKind::Orphan);
    EXPECT_EQ(Ints(in.Map().At(2, 0).slots), std::vector<int>{3});
    EXPECT_EQ(in.KindAt(2, 1), BlockKind::Orphan);
    EXPECT_FALSE(in.EntryRow(in.Map().At(2, 1)));
    EXPECT_EQ(in.KindAt(2, 2), BlockKind::Data);
    EXPECT_EQ(in.Map().At(2, 2).owner, "");
    EXPECT_EQ(in.KindAt(2, 3), BlockKind::Erased);
    EXPECT_EQ(in.KindAt(47, 14), BlockKind::Erased);
    EXPECT_EQ(BlockKindName(in.KindAt(1, 0)), "file");
    EXPECT_EQ(BlockKindName(in.KindAt(2, 1)), "orphan");
    EXPECT_EQ(BlockKindName(in.KindAt(2, 2)), "data");
}

TEST_F(InspectTest, TheChosenListDecidesWhatIsAFileAndWhatAnOrphan) {
    PutList(3, 1, 0x00);
    PutFile(0, "NEW", Pattern(100, 1), "0200", {{1, 0, 0}});
    PutFile(0, "OLD", Pattern(100, 2), "0100", {{1, 1, 1}}, BlockAt(3, 1));
    Inspection in = Inspect();
    EXPECT_EQ(in.overview.chosenList, BlockAt(0, 0));
    EXPECT_EQ(in.KindAt(1, 0), BlockKind::File);
    EXPECT_EQ(in.KindAt(1, 1), BlockKind::Orphan);
    in = Inspect(BlockAt(3, 1));
    EXPECT_EQ(in.KindAt(1, 0), BlockKind::Orphan);
    EXPECT_EQ(in.KindAt(1, 1), BlockKind::File);
}

// The builder writes "C2E0" two bytes before the list address: the block it names belongs to
// the list's sector, not to a file, even though its first bytes look like a tag.
TEST_F(InspectTest, TheBlockBesideTheListIsDataNotAnOrphan) {
    w.Profile(ProfileText(Record{}, {{"List", "0x00000004"}}));
    image.SetListAddress(0, "4200", 4);
    image.SetOwner(0, 1, HexBytes("A1A2B1"));
    EXPECT_EQ(Inspect().KindAt(0, 1), BlockKind::Orphan);
    image.SetListAddress(0, "C200", 2);
    const Inspection in = Inspect();
    EXPECT_EQ(in.KindAt(0, 1), BlockKind::Data);
    EXPECT_TRUE(in.companions[BlockMap::Index(0, 1)]);
    EXPECT_TRUE(CheckDump(in).empty());
}

// Found by fuzzing: the list address at the lowest 32-bit value has no bytes before it (the
// subtraction overflowed); no block is the list's then, and the map is told as ever.
TEST_F(InspectTest, AListAddressAtTheLowestValueNamesNoBlockBesideIt) {
    PutFile(0, "A", Pattern(100, 1), "0100", {{1, 0, 0}});
    for (const char* list : {"0x80000000", "0x80000001", "0xFFFFFFFF"}) {
        w.Profile(ProfileText(Record{}, {{"List", list}}));
        const Inspection in = Inspect(BlockAt(0, 0));
        EXPECT_EQ(std::count(in.companions.begin(), in.companions.end(), true), 0) << list;
        EXPECT_EQ(in.Map().places.size(), 720u) << list;
    }
}

TEST_F(InspectTest, PlacesPastTheEndOfAShortDumpAreMissing) {
    PutFile(0, "A", Pattern(100, 1), "0100", {{1, 0, 0}, {1, 1, 1}});
    image.Truncate(BlockAt(5, 3) + 100);
    const Inspection in = Inspect();
    EXPECT_EQ(in.KindAt(5, 2), BlockKind::Erased);
    EXPECT_EQ(in.KindAt(5, 3), BlockKind::Missing);
    EXPECT_EQ(in.KindAt(47, 14), BlockKind::Missing);
    EXPECT_EQ(in.KindAt(1, 1), BlockKind::File);
    const auto findings = CheckDump(in);
    EXPECT_EQ(KindsOf(findings), Kinds{"short-dump"});
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[0].places.size(), 720u - (5 * 15 + 3));
    EXPECT_EQ(findings[0].places.front(), (PlaceRef{5, 3}));
}

}  // namespace
}  // namespace vesk::test
