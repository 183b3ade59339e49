// List history on two lists of one dump that differ in every way.
#include <gtest/gtest.h>

#include <set>

#include "dump/messages.h"
#include "inspect/inspect_fixture.h"
#include "inspect/list_diff.h"

namespace vesk::test {
namespace {

using Names = std::vector<std::string>;
using Renames = std::vector<std::pair<std::string, std::string>>;

class DiffTest : public InspectTest {
protected:
    // The older list in sector 3 and the current one in sector 0. Each address has its own
    // block (or none) and content; the lists name them as the comments say.
    DiffTest() {
        PutList(3, 1, 0x00);
        const std::int64_t older = BlockAt(3, 1);
        const std::int64_t current = BlockAt(0, 0);
        int slot = 0;
        std::set<std::string> placed;
        const auto file = [&](std::int64_t list, int i, const std::string& name, const std::string& address, unsigned seed,
                              bool block = true) {
            std::vector<BlockAt3> blocks;
            if (block && placed.insert(address).second) blocks.push_back({1 + slot / 15, slot % 15, slot}), ++slot;
            PutFile(i, name, Pattern(100, static_cast<std::uint8_t>(seed)), address, blocks, list);
        };
        file(older, 0, "SAME", "0100", 1);
        file(current, 0, "SAME", "0100", 1);
        file(older, 1, "CHANGED", "0200", 2);
        file(current, 1, "CHANGED", "0300", 3);
        file(older, 2, "GONE", "0400", 4);
        file(current, 2, "NEW", "0600", 6);
        file(older, 3, "OLDNAME", "0500", 5);
        file(current, 3, "NEWNAME", "0500", 5);
        file(older, 4, "DUP", "0700", 7);  // the first DUP is the same, the second changed
        file(current, 4, "DUP", "0700", 7);
        file(older, 5, "DUP", "0800", 8);
        file(current, 5, "DUP", "0900", 9);
        file(older, 6, "EMPTY", "0A00", 0, false);  // no block in either: no file either side
        file(current, 6, "EMPTY", "0A00", 0, false);
        file(older, 7, "GHOST", "0B00", 0, false);  // no file: nothing to be renamed to SHADE
        file(current, 7, "SHADE", "0C00", 0, false);
        file(older, 8, "TWIN1", "0D00", 13);  // pairs with TWIN2, the first of two equal contents
        file(current, 8, "TWIN2", "0D00", 13);
        file(current, 9, "TWIN3", "0E00", 13);
    }

    ListDiff Diff(std::optional<std::int64_t> first, std::optional<std::int64_t> second) {
        w.Dump(image);
        return DiffLists({w.form.OpenDumpPath, first}, {w.form.OpenDumpPath, second}, w.folder, "T", messages::ToHost(w.host));
    }
};

TEST_F(DiffTest, EveryKindOfChangeIsFound) {
    const ListDiff diff = Diff(BlockAt(3, 1), std::nullopt);  // the older list, then the selected one
    EXPECT_EQ(diff.added, (Names{"NEW", "SHADE", "TWIN3"}));
    EXPECT_EQ(diff.removed, (Names{"GONE", "GHOST"}));
    EXPECT_EQ(diff.changed, (Names{"CHANGED", "DUP (2)"}));
    EXPECT_EQ(diff.renamed, (Renames{{"OLDNAME", "NEWNAME"}, {"TWIN1", "TWIN2"}}));
    EXPECT_EQ(diff.same, 3);  // SAME, DUP, EMPTY
}

TEST_F(DiffTest, TheOtherWayRoundAddedAndRemovedSwap) {
    const ListDiff diff = Diff(BlockAt(0, 0), BlockAt(3, 1));
    EXPECT_EQ(diff.added, (Names{"GONE", "GHOST"}));
    EXPECT_EQ(diff.removed, (Names{"NEW", "SHADE", "TWIN3"}));
    EXPECT_EQ(diff.changed, (Names{"CHANGED", "DUP (2)"}));
    EXPECT_EQ(diff.renamed, (Renames{{"NEWNAME", "OLDNAME"}, {"TWIN2", "TWIN1"}}));
    EXPECT_EQ(diff.same, 3);
}

// Content is what unpacking writes: cut to the listed size, so bytes past it do not count.
TEST_F(DiffTest, ContentIsComparedAsUnpackingWritesIt) {
    const ListDiff same = Diff(BlockAt(0, 0), BlockAt(0, 0));
    EXPECT_TRUE(same.added.empty() && same.removed.empty() && same.changed.empty() && same.renamed.empty());
    EXPECT_EQ(same.same, 10);
    // The older SAME in a block of its own: the same 100 bytes, other bytes after them.
    std::vector<std::uint8_t> longer = Pattern(100, 1);
    longer.resize(150, 0x5A);
    PutFile(0, "SAME", longer, "0F00", {{2, 5, 20}}, BlockAt(3, 1), 100);
    EXPECT_EQ(Diff(BlockAt(3, 1), std::nullopt).same, 3);
    // Listed one byte shorter, it is another content.
    image.SetEntry(BlockAt(3, 1), 0, {Bytes("SAME"), 99, 1, 1, "0F00"});
    EXPECT_EQ(Diff(BlockAt(3, 1), std::nullopt).changed, (Names{"SAME", "CHANGED", "DUP (2)"}));
}

ListFile File(const std::string& name, std::optional<std::vector<std::vector<std::uint8_t>>> pieces) {
    ListFile file{name, std::nullopt};
    if (!pieces) return file;
    file.content.emplace();
    for (auto& piece : *pieces) file.content->AppendCopy(std::move(piece));
    return file;
}

TEST(CompareListsTest, NoContentPairsWithNothing) {
    std::vector<ListFile> first, second;
    first.push_back(File("A", std::nullopt));
    first.push_back(File("B", std::vector<std::vector<std::uint8_t>>{}));
    second.push_back(File("C", std::nullopt));
    second.push_back(File("D", std::vector<std::vector<std::uint8_t>>{}));
    second.push_back(File("A", std::vector<std::vector<std::uint8_t>>{}));
    const ListDiff diff = CompareLists(first, second);
    EXPECT_EQ(diff.changed, Names{"A"});  // no file before, an empty one now
    EXPECT_EQ(diff.renamed, (Renames{{"B", "D"}}));
    EXPECT_EQ(diff.added, Names{"C"});
    EXPECT_TRUE(diff.removed.empty());
    EXPECT_EQ(diff.same, 0);
}

// Contents are the same bytes however the blocks cut them.
TEST(CompareListsTest, PiecesCompareAsTheirBytes) {
    std::vector<ListFile> first, second;
    first.push_back(File("A", std::vector<std::vector<std::uint8_t>>{{1, 2, 3}, {4}, {5, 6}}));
    first.push_back(File("B", std::vector<std::vector<std::uint8_t>>{{1, 2}, {3, 4, 5, 7}}));
    first.push_back(File("C", std::vector<std::vector<std::uint8_t>>{{9, 9}}));
    second.push_back(File("A", std::vector<std::vector<std::uint8_t>>{{1}, {2, 3, 4, 5, 6}}));
    second.push_back(File("B", std::vector<std::vector<std::uint8_t>>{{1, 2, 3, 4, 5, 6}}));
    second.push_back(File("D", std::vector<std::vector<std::uint8_t>>{{9}, {9}}));
    const ListDiff diff = CompareLists(first, second);
    EXPECT_EQ(diff.same, 1);
    EXPECT_EQ(diff.changed, Names{"B"});
    EXPECT_EQ(diff.renamed, (Renames{{"C", "D"}}));
}

}  // namespace
}  // namespace vesk::test
