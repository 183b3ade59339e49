// Recovery: every list unpacked into a folder of its own, and the orphans of the chosen list by
// owner tag into lost/.
#include <gtest/gtest.h>

#include <filesystem>

#include "inspect/inspect_fixture.h"
#include "inspect/commands.h"
#include "dump/commands.h"
#include "support/error_text.h"
#include "support/faults.h"

namespace vesk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Part(const Bytes& bytes, std::size_t from, std::size_t to) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to)};
}

// An older list (sector 3) whose file OLD had its second block taken over by the current list's
// NEW: the slot now names NEW's block. A stale copy of OLD's second half lies in a place that
// no slot names.
class RecoverTest : public InspectTest {
protected:
    RecoverTest() {
        PutList(3, 1, 0x00);
        old = Pattern(8000, 7);
        old[0] = 'M', old[1] = 'T', old[2] = 'h';  // [EXT] 4D5468=.mid
        PutFile(0, "OLD", old, "0100", {{1, 0, 0}, {1, 1, 1}}, BlockAt(3, 1));
        fresh = Pattern(100, 8);
        PutFile(0, "NEW", fresh, "0200", {{1, 1, 1}});
        image.SetOwner(4, 2, HexBytes("0100"));
        image.SetContent(4, 2, Part(old, 4090, 8000));
        out = w.temp.Path() + "out";
    }

    std::vector<RecoveredFolder> Recover() {
        w.Dump(image);
        return RecoverOpenDump(w.form, w.host, w.folder, out);
    }

    Bytes old, fresh;
    std::string out;
};

// Recovery and unpacking know what they will write before the first file: 100, 4090 and 8180
// bytes, 16384 in whole blocks.
TEST_F(RecoverTest, WhatCannotFitInTheFreeSpaceIsRefusedBeforeAnyFile) {
    {
        const FreeSpace disk(16384 - 4096);
        EXPECT_EQ(ErrorOf([&] { Recover(); }), "Не хватает места: нужно 16384 байт, свободно 12288 байт. Ничего не записано.");
        EXPECT_FALSE(std::filesystem::exists(out));
        w.form.ListAddressEdit = "0x00000842";
        ReadFileList(w.form, w.host, w.folder);
        const FreeSpace full(0);
        EXPECT_EQ(ErrorOf([&] { UnpackFiles(w.form, w.host, w.folder); }),
                  "Не хватает места: нужно 4096 байт, свободно 0 байт. Ничего не записано.");
        const std::string unpacked = w.form.TempFolderEdit;
        EXPECT_TRUE(!std::filesystem::exists(unpacked) || std::filesystem::is_empty(unpacked)) << unpacked;
    }
    const FreeSpace disk(16384);
    EXPECT_EQ(Recover().size(), 3u);
}

TEST_F(RecoverTest, EveryListAndTheOrphansGetTheirFolders) {
    const auto folders = Recover();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].name, "0x00000842");
    EXPECT_EQ(folders[0].files, 1);
    EXPECT_EQ(folders[0].bytes, 100);
    EXPECT_EQ(folders[1].name, "0x00031842");
    EXPECT_EQ(folders[1].files, 1);
    EXPECT_EQ(folders[1].bytes, 4090);
    EXPECT_EQ(folders[2].name, "lost");
    EXPECT_EQ(folders[2].files, 1);
    EXPECT_EQ(folders[2].bytes, 8180);
    for (const RecoveredFolder& f : folders) EXPECT_EQ(f.error, "") << f.name;

    EXPECT_EQ(ReadBytes(out + "/0x00000842/NEW.bin"), fresh);
    // The older list unpacks as "Распаковка" would: OLD keeps its first block only.
    EXPECT_EQ(ReadBytes(out + "/0x00031842/OLD.mid"), Part(old, 0, 4090));
    // lost/: the block a slot names first, then the unnamed copy, each whole (erased bytes after
    // the copy's 3910 bytes).
    Bytes lost = old;
    lost.resize(8180, 0xFF);
    EXPECT_EQ(ReadBytes(out + "/lost/0100.mid"), lost);
    EXPECT_TRUE(w.host.messages.empty());
}

TEST_F(RecoverTest, AListThatCannotBeReadIsReportedAndTheRestGoesOn) {
    PutList(47, 14, 0x00);
    image.Truncate(BlockAt(47, 14) + 200);  // its records run past the end
    image.SetOwner(2, 0, HexBytes("5555"));   // a slot names it, its tag names nobody
    image.SetFatSlot(2, 9, PlaceAddress(0));
    const auto folders = Recover();
    ASSERT_EQ(folders.size(), 4u);
    EXPECT_EQ(folders[2].name, "0x002FE842");
    EXPECT_EQ(folders[2].error, w.form.OpenDumpPath + ": Read beyond end of file");
    EXPECT_EQ(folders[0].error, "");
    EXPECT_EQ(folders[1].error, "");
    EXPECT_EQ(folders[3].files, 2);
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/lost/unowned.bin"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/lost/0100.mid"));
}

TEST_F(RecoverTest, ALinkWhereAFolderOfItsOwnGoesIsNotFollowed) {
    const std::string elsewhere = w.temp.MakeDir("elsewhere");
    std::filesystem::create_directories(out);
    std::filesystem::create_directory_symlink(elsewhere, out + "/lost");
    const auto folders = Recover();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_NE(folders[2].error.find("Unable to write to"), std::string::npos) << folders[2].error;
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    EXPECT_EQ(folders[0].error, "");
}

TEST_F(RecoverTest, TheFolderIsMadeWithItsParents) {
    out = w.temp.Path() + "a/b/c/";
    EXPECT_EQ(Recover().size(), 3u);
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "0x00000842/NEW.bin"));
    w.temp.Write("file", "x");
    out = w.temp.Path() + "file/sub";
    EXPECT_THROW(Recover(), Error);
}

}  // namespace
}  // namespace vesk::test
