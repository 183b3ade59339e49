// Damaged dumps and profiles on the reading road: a dump cut at every sector boundary and in
// the middle of a list block, empty and one-byte dumps, and profiles whose every key is
// "0xFFFFFFFF", "-1" or written without "0x". Each ends with the runtime's error text or with
// the result the rules give, and writes nothing but unpacked files into the unpack folder.
#include <algorithm>
#include <filesystem>
#include <string>

#include "badinput/bad_input.h"
#include "dump/messages.h"
#include "sample_dump/sample_dump.h"

namespace vesk::test {
namespace {

const std::string kBeyond = "Read beyond end of file";

// The sample's current files, as unpacking writes them: name + extension -> content.
std::map<std::string, Bytes> SampleOutputs(std::initializer_list<int> which) {
    const auto files = sample::SampleFiles();
    std::map<std::string, Bytes> out;
    for (const int i : which) out[files[i].name + files[i].extension] = files[i].content;
    return out;
}

class CutDumpTest : public BadInputTest {};

// The sample's lists lie in sectors 0 and 3, its file blocks in sectors 1 (HELLO, MELODY) and
// 2 (PICTURE). A cut at sector k keeps what lies before it.
TEST_F(CutDumpTest, AtEverySectorBoundaryTheScanStopsThereAndUnpackingTakesWhatIsLeft) {
    ASSERT_EQ(Read(), "");  // the list of the whole dump, as the user read it before the cut
    const TextGrid fileGrid = form_.FileGrid;

    for (int k = 48; k >= 0; --k) {
        SCOPED_TRACE("cut at sector " + std::to_string(k));
        CutDump(kSector * k);
        const Snapshot before = Take(temp_.Path());
        form_ = Form();
        InitGrids(form_);
        form_.FirmwareCombo = "Sample";
        form_.TempFolderEdit = temp_.Path() + "files/";
        form_.OpenDumpPath = dump_;
        host_ = RecordingHost();

        EXPECT_EQ(Open(), k == 48 ? "" : kBeyond);
        EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 1), k >= 1 ? sample::kCurrentList : "");
        // Each list found is followed by the end mark.
        EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 2), k >= 4 ? sample::kOlderList : k >= 1 ? std::string("*** Конец ***") : "");
        // A scan that failed leaves the list box and the status alone.
        EXPECT_EQ(form_.ListAddressEdit, k == 48 ? sample::kCurrentList : "");
        EXPECT_EQ(host_.status[1], k == 48 ? "Кол-во списков в памяти : 2" : "");

        form_.ListAddressEdit = sample::kCurrentList;
        EXPECT_EQ(Read(), k == 0 ? kBeyond : "");
        EXPECT_EQ(host_.status[2], k == 0 ? "" : "Всего файлов : 3");

        // Unpacking reads past the end as erased flash: no error, and only the files whose
        // blocks lie before the cut.
        form_.FileGrid = fileGrid;
        for (const auto& [name, bytes] : Unpacked()) std::filesystem::remove(form_.TempFolderEdit + name);
        EXPECT_EQ(Unpack(), "");
        EXPECT_TRUE(UnpackedAre(k <= 1 ? SampleOutputs({}) : k == 2 ? SampleOutputs({0, 1}) : SampleOutputs({0, 1, 2})));
        for (const std::string& path : Changed(before, Take(temp_.Path()))) EXPECT_TRUE(path.starts_with("files/")) << path;
    }
}

TEST_F(CutDumpTest, InTheMiddleOfTheListBlockTheRowsBeforeTheCutStay) {
    // Half of the 4096-byte list block: records 0 to 84 are whole, record 85's size is cut.
    CutDump(kListBlock + 2048);
    form_.ListAddressEdit = sample::kCurrentList;
    const Snapshot before = Take(temp_.Path());

    EXPECT_EQ(Read(), kBeyond);
    EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 1), "HELLO");
    EXPECT_EQ(form_.FileGrid.Cell(kFileSizeCol, 2), "5000");
    EXPECT_EQ(form_.FileGrid.Cell(kFileRowCol, 85), "85");
    EXPECT_EQ(form_.FileGrid.Cell(kFileRowCol, 86), "");
    EXPECT_EQ(form_.FileGrid.Cell(kFileSizeCol, 86), "");
    EXPECT_EQ(host_.status[2], "");  // the count is shown only after all 100 records

    // The scan finds the current list in sector 0 and fails on sector 1's header.
    EXPECT_EQ(Open(), kBeyond);
    EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 1), sample::kCurrentList);
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());
}

class TinyDumpTest : public BadInputTest, public ::testing::WithParamInterface<int> {};

TEST_P(TinyDumpTest, ScanAndListFailOnTheirFirstReadAndUnpackingWritesNothing) {
    ASSERT_EQ(Read(), "");
    WriteDump(Bytes(static_cast<std::size_t>(GetParam()), 0x42));
    const Snapshot before = Take(temp_.Path());

    EXPECT_EQ(Open(), kBeyond);
    EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 1), "");
    EXPECT_EQ(Read(), kBeyond);
    EXPECT_EQ(Unpack(), "");
    EXPECT_TRUE(Unpacked().empty());
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());
}

INSTANTIATE_TEST_SUITE_P(EmptyAndOneByte, TinyDumpTest, ::testing::Values(0, 1));

class BadProfileTest : public BadInputTest {
protected:
    // The sample profile with every value of [Offsets] and [FAT] replaced.
    std::string EveryKey(const std::string& value) const {
        std::string text;
        for (const char* section : {"Offsets", "FAT"}) {
            text += "[" + std::string(section) + "]\n";
            const bool offsets = std::string(section) == "Offsets";
            for (const char* key : offsets ? std::vector<const char*>{"List", "ToName", "Name", "Size", "NameSize", "FileNum", "group", "address"}
                                           : std::vector<const char*>{"FAT", "SIZE", "AddrIs", "todata", "data"}) {
                text += std::string(key) + "=" + value + "\n";
            }
        }
        return text;
    }
};

TEST_F(BadProfileTest, AllOnesMakeNegativePositionsThatFailAsABadSeek) {
    ASSERT_EQ(Read(), "");
    WriteProfile(EveryKey("0xFFFFFFFF"));
    const Snapshot before = Take(temp_.Path());

    // List = -1: the first header read lies before the start of the file.
    EXPECT_EQ(Open(), "I/O error 131");
    EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 1), "");

    // A name length of -1 would never end; the list is refused before anything is read.
    form_.ListAddressEdit = sample::kCurrentList;
    const TextGrid before_grid = form_.FileGrid;
    EXPECT_EQ(Read(), NameLengthRefusal("0xFFFFFFFF"));
    EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 1), before_grid.Cell(kFileNameCol, 1));

    // FAT = -1: sector 0's slots start before the file.
    EXPECT_EQ(Unpack(), "I/O error 131");
    EXPECT_TRUE(Unpacked().empty());
    EXPECT_TRUE(host_.messages.empty());  // every value had its "0x"
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());
}

TEST_F(BadProfileTest, MinusOneHasNoPrefixSoEveryValueComplainsAndCountsAsZero) {
    ASSERT_EQ(Read(), "");
    WriteProfile(EveryKey("-1"));
    const Snapshot before = Take(temp_.Path());

    // List = 0: sector 0 starts FF 42, an address that no block place has.
    EXPECT_EQ(Open(), "Неизвестный адрес списка FF42");
    EXPECT_EQ(host_.messages, std::vector<std::string>{BadAddress("-1")});

    host_ = RecordingHost();
    form_.ListAddressEdit = sample::kCurrentList;
    EXPECT_EQ(Read(), NameLengthRefusal("-1"));
    EXPECT_TRUE(host_.messages.empty());  // refused before the first read

    // AddrIs "-1" names no kind of owner tag: no block has an owner, nothing is written.
    EXPECT_EQ(Unpack(), "");
    EXPECT_TRUE(Unpacked().empty());
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());
}

TEST_F(BadProfileTest, ValuesWithoutThePrefixComplainAndStillReadTheSameDump) {
    // "0x0000050C" written as "000000050C": the conversion skips two characters all the same.
    std::string text = profile_;
    for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at)) text.replace(at, 2, "00");
    WriteProfile(text);

    EXPECT_EQ(Open(), "");
    EXPECT_EQ(form_.ListAddressEdit, sample::kCurrentList);
    EXPECT_EQ(host_.messages, std::vector<std::string>(48, BadAddress("0000000001")));  // one per sector
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(host_.status[2], "Всего файлов : 3");
    EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 2), "MELODY");
    EXPECT_EQ(Unpack(), "");
    EXPECT_TRUE(UnpackedAre(SampleOutputs({0, 1, 2})));
    EXPECT_NE(std::find(host_.messages.begin(), host_.messages.end(), BadAddress("000000050C")), host_.messages.end());
}

TEST_F(BadProfileTest, AnEmptyOrOneByteProfileGivesTheDefaults) {
    for (const std::string text : {"", "["}) {
        SCOPED_TRACE("profile \"" + text + "\"");
        WriteProfile(text);
        host_ = RecordingHost();
        // List's default is the sample's value.
        EXPECT_EQ(Open(), "");
        EXPECT_EQ(form_.ListAddressEdit, sample::kCurrentList);
        // Name's default "11" has no "0x" and counts as 0, which is refused before any read
        // complains of it.
        EXPECT_EQ(Read(), NameLengthRefusal("11"));
        EXPECT_TRUE(host_.messages.empty());
    }
}

}  // namespace
}  // namespace vesk::test
