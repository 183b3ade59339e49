// "Собрать": the bytes of an assembled dump, position by position, against the layout.
#include <sys/stat.h>

#include <filesystem>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "base/error.h"

namespace vesk::test {
namespace {

constexpr std::int64_t kList = 2114;
constexpr std::int64_t kFat = 0x50C;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + count));
}
Bytes SlotBytes(int place) {
    const std::string t = SlotText(place);
    return {static_cast<std::uint8_t>(std::stoi(t.substr(0, 2), nullptr, 16)), static_cast<std::uint8_t>(std::stoi(t.substr(2, 2), nullptr, 16))};
}

class AssembleTest : public BuildTest {
protected:
    // What every assembly writes whatever the files: the list block cleared with its closing
    // pattern, the second block, the two list addresses in sector 0.
    static Image Common() {
        Image image = Image::Formatted();
        image.Fill(kList, 4092, 0x00);
        image.Put(kList + 4044, {0xD1, 0xD2, 0xD3});
        image.Put(6210, {0xA1, 0xA2, 0xB1, 0xC1, 0xC2});
        image.Put(0, {0xC2, 0xE0, 0x42, 0xE0});
        return image;
    }
    // Entry i of the standard profile.
    static void Entry(Image& image, int i, const std::string& name, Bytes size, std::uint8_t number, std::uint8_t group,
                      Bytes address) {
        const std::int64_t at = kList + 18 * i;
        image.Put(at, Text(name));
        image.Put(at + 11, size);
        image.Put(at + 14, {number});
        image.Put(at + 15, {group});
        image.Put(at + 16, address);
    }
};

TEST_F(AssembleTest, OneSmallFileTakesTwoBlocksOfTheSameBuffer) {
    const Bytes content = Pattern(100, 1);
    Add(Source("sound.mid", content));
    MakeFormatted();
    host_.progressHistory.clear();
    const std::size_t maxima = host_.progressMaxHistory.size();
    form_.SaveDialogPath.clear();
    AssembleDump(form_, host_, folder_);

    Image expected = Common();
    Entry(expected, 0, "sound.mid", {100, 0, 0}, 1, 0x01, {0x01, 0x00});
    expected.Put(0, {0xE0, 0xE1});  // the used-sector header, written after the list addresses
    Bytes block(4090, 0x00);
    std::copy(content.begin(), content.end(), block.begin());  // 100 bytes, then 3990 zeros
    expected.Put(kFat, SlotBytes(2));  // [Address] "10306"
    expected.Put(10306, {0x01, 0x00});
    expected.Put(10308, block);
    expected.Put(kFat + 2, SlotBytes(3));  // [Address] "14402": the block whose read was empty
    expected.Put(14402, {0x01, 0x00});
    expected.Put(14404, block);
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
    EXPECT_EQ(host_.progressHistory, (std::vector<int>{1}));
    EXPECT_EQ(host_.progressMaxHistory.size(), maxima);  // the maximum is the one left before
    EXPECT_EQ(form_.SaveDialogPath, BuildPath());

    // A second run on the same file gives the same bytes.
    AssembleDump(form_, host_, folder_);
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(AssembleTest, TheFourteenthBlockOpensSectorOne) {
    // 13 full blocks and the empty-read block: slots 0..13, the last one in sector 1.
    const Bytes content = Pattern(13 * 4090, 2);
    Add(Source("big", content));
    MakeFormatted();
    AssembleDump(form_, host_, folder_);

    Image expected = Common();
    Entry(expected, 0, "big", {0xB2, 0xCF, 0x00}, 1, 0x01, {0x01, 0x00});  // 53170 = 0xCFB2
    expected.Put(0, {0xE0, 0xE1});
    for (int g = 0; g < 13; ++g) {
        expected.Put(kFat + 2 * g, SlotBytes(g + 2));
        expected.Put(2114 + 4096 * (g + 2), {0x01, 0x00});
        expected.Put(2116 + 4096 * (g + 2), Slice(content, 4090 * g, 4090));
    }
    expected.Put(kSector, {0xE0, 0xE1});
    expected.Put(kSector + kFat + 26, SlotBytes(0));
    expected.Put(kSector + 2114, {0x01, 0x00});
    expected.Put(kSector + 2116, Slice(content, 4090 * 12, 4090));  // the buffer as the last read left it
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(AssembleTest, EditedCellsAreWrittenAsTheyStand) {
    Add(Source("a", Bytes(3, 7)));
    Add(Source("b", Bytes(3, 8)));
    Add(Source("c", Bytes(3, 9)));
    TextGrid& g = form_.BuildGrid;
    g.SetCell(kBuildSizeCol, 1, "4660");      // 0x1234
    g.SetCell(kBuildNumberCol, 1, "300");       // 0x12C: the low byte
    g.SetCell(kBuildNameCol, 1, "Звук");      // Windows-1251 bytes, no table
    g.SetCell(kBuildGroupCol, 1, "0A");
    g.SetCell(kBuildAddressCol, 1, "4201");
    g.SetCell(kBuildSizeCol, 2, "-1");        // through IntToHex8: 000000FF
    g.SetCell(kBuildNumberCol, 2, "-1");
    g.SetCell(kBuildSizeCol, 3, "$1234567");  // a 25-bit size loses its top byte
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    const Bytes dump = BuildBytes();
    EXPECT_EQ(Slice(dump, kList, 11), (Bytes{0xC7, 0xE2, 0xF3, 0xEA, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slice(dump, kList + 11, 7), (Bytes{0x34, 0x12, 0x00, 0x2C, 0x0A, 0x42, 0x01}));
    EXPECT_EQ(Slice(dump, kList + 18 + 11, 4), (Bytes{0xFF, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(Slice(dump, kList + 36 + 11, 3), (Bytes{0x67, 0x45, 0x23}));
    // The owner tag is the edited address.
    EXPECT_EQ(Slice(dump, 10306, 2), (Bytes{0x42, 0x01}));
}

TEST_F(AssembleTest, AnEmptyNameEndsTheList) {
    Add(Source("a", Bytes(3, 1)));
    Add(Source("b", Bytes(3, 2)));
    Add(Source("c", Bytes(3, 3)));
    form_.BuildGrid.Row = 2;
    ClearBuildRow(form_);
    MakeFormatted();
    host_.progressHistory.clear();
    AssembleDump(form_, host_, folder_);
    const Bytes dump = BuildBytes();
    EXPECT_EQ(Slice(dump, kList + 18, 36), Bytes(36, 0x00));  // entries 2 and 3 stay cleared
    EXPECT_EQ(Slice(dump, kFat + 4, 2), (Bytes{0xFF, 0xFF}));  // row 1's two blocks only
    EXPECT_EQ(host_.progressHistory, (std::vector<int>{1}));
}

TEST_F(AssembleTest, TheTransferBufferIsNeverCleared) {
    // A full block of 0xAA, then a 10-byte file: its blocks keep the rest of the AA block.
    Add(Source("a", Bytes(4090, 0xAA)));
    Add(Source("b", Bytes(10, 0xBB)));
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    const Bytes dump = BuildBytes();
    Bytes mixed(4090, 0xAA);
    std::fill_n(mixed.begin(), 10, 0xBB);
    EXPECT_EQ(Slice(dump, 10308, 4090), Bytes(4090, 0xAA));
    EXPECT_EQ(Slice(dump, 14404, 4090), Bytes(4090, 0xAA));  // a's empty-read block
    EXPECT_EQ(Slice(dump, 18498, 2), (Bytes{0x02, 0x00}));
    EXPECT_EQ(Slice(dump, 18500, 4090), mixed);
    EXPECT_EQ(Slice(dump, 22596, 4090), mixed);
    EXPECT_EQ(Slice(dump, kFat, 10), (Bytes{0x42, 0x01, 0xC2, 0x01, 0x42, 0x02, 0xC2, 0x02, 0xFF, 0xFF}));
    // The 4 bytes after each block's content are not written.
    EXPECT_EQ(Slice(dump, 14398, 4), Bytes(4, 0xFF));
}

TEST_F(AssembleTest, NameModeTagsBlocksWithTheNameAndFallsBackTo42E0) {
    WriteSettings("[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n[FAT]\nAddrIs=name\n");
    WriteProfile(StandardProfile("0x0000000B", "0x00000FF5"));
    const Bytes content = Pattern(5000, 3);
    Add(Source("pic.gif", content));
    MakeFormatted();
    AssembleDump(form_, host_, folder_);

    Image expected = Common();
    Entry(expected, 0, "pic.gif", {0x88, 0x13, 0x00}, 1, 0x01, {0x01, 0x00});
    expected.Put(0, {0xE0, 0xE1});
    // The second block's short read leaves the end of the first block in the buffer.
    Bytes last = Slice(content, 0, 4085);
    std::copy(content.begin() + 4085, content.end(), last.begin());
    const Bytes parts[] = {Slice(content, 0, 4085), last, last};
    for (int g = 0; g < 3; ++g) {
        const std::int64_t at = 2114 + 4096 * (g + 2);
        expected.Put(kFat + 2 * g, {0x42, 0xE0});
        expected.Put(at, Text("pic.gif"));  // the name's own bytes; the 4 after it keep their 0xFF
        expected.Put(at + 11, parts[g]);
    }
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(AssembleTest, AnotherKindOfTagWritesTheListAndNoBlock) {
    WriteSettings(StandardSettings("Address"));  // case counts
    Add(Source("a", Bytes(300, 1)));
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    Image expected = Common();
    Entry(expected, 0, "a", {0x2C, 0x01, 0x00}, 1, 0x01, {0x01, 0x00});
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(AssembleTest, AReadOnlySourceIsBuilt) {
    const std::string a = Source("a", Bytes(5, 0x5A));
    Add(a);
    ::chmod(a.c_str(), 0444);
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    EXPECT_EQ(Slice(BuildBytes(), 10308, 6), (Bytes{0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x00}));
}

TEST_F(AssembleTest, TheLastBlockPlaceOfSector47IsReached) {
    // One content byte per block: 717 bytes make 718 blocks, the last in place 14 of sector 47.
    // The readers walk that far only with a work table of 718 slot column pairs.
    form_.FatGrid = TextGrid(2 + 2 * 718, 49);
    std::string profile = StandardProfile("0x00000002", "0x00000001", "SIZE=0x00000800\n");
    profile.replace(profile.find("FAT=0x0000050C"), 14, "FAT=0x00000020");
    WriteProfile(profile);
    Add(Source("tiny", Pattern(717, 4)));
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    const Bytes dump = BuildBytes();
    EXPECT_EQ(Slice(dump, 47 * kSector + 0x20 + 2 * 717, 2), SlotBytes(14));
    EXPECT_EQ(Slice(dump, 47 * kSector + 59458, 3), (Bytes{0x01, 0x00, Pattern(717, 4)[716]}));
    EXPECT_EQ(Slice(dump, 47 * kSector, 2), (Bytes{0xE0, 0xE1}));
    EXPECT_EQ(dump.size(), static_cast<std::size_t>(kDump));
}

TEST_F(AssembleTest, AMissingBuildFileIsTheRuntimeError) {
    Add(Source("a", Bytes(5, 1)));
    try {
        AssembleDump(form_, host_, folder_);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(std::filesystem::exists(BuildPath()));
}

TEST_F(AssembleTest, AProfileValueWithoutPrefixComplainsAndCountsFromItsThirdCharacter) {
    std::string profile = StandardProfile();
    profile.replace(profile.find("FileNum=0x0000000E"), 18, "FileNum=xxE");
    WriteProfile(profile);
    Add(Source("a", Bytes(5, 1)));
    form_.BuildGrid.SetCell(kBuildNumberCol, 1, "77");
    MakeFormatted();
    AssembleDump(form_, host_, folder_);
    EXPECT_EQ(host_.messages, (std::vector<std::string>{"Неверный адрес xxE"}));
    EXPECT_EQ(BuildBytes()[kList + 14], 77);
}

}  // namespace
}  // namespace vesk::test
