// "Собрать" checks everything first: a refused build names what is wrong and leaves the build
// file byte for byte as it was.
#include <sys/stat.h>

#include <functional>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "support/error_text.h"

namespace vesk::test {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

class RefusalTest : public BuildTest {
protected:
    // A good two-file build, so that "unchanged" means more than "still formatted".
    void SetUp() override {
        Add(Source("a", Pattern(100, 1)));
        Add(Source("b", Pattern(5000, 2)));
        MakeFormatted();
        AssembleDump(form_, host_, folder_);
        // The next build would differ from this one if it wrote anything.
        temp_.Write("files/a", Pattern(100, 9));
        before_ = BuildBytes();
        host_.progressHistory.clear();
        form_.SaveDialogPath.clear();
    }

    // Runs the build and expects one refusal that mentions every given text.
    void ExpectRefused(std::initializer_list<std::string> mentions) {
        refusal_ = ErrorOf([&] { AssembleDump(form_, host_, folder_); });
        const std::string& text = refusal_;
        EXPECT_EQ(text.rfind("Сборка отменена, файл сборки не изменён.\n", 0), 0u) << text;
        for (const std::string& m : mentions) EXPECT_NE(text.find(m), std::string::npos) << text << "\nlacks: " << m;
        EXPECT_TRUE(SameBytes(before_, BuildBytes()));
        EXPECT_TRUE(host_.progressHistory.empty());
        EXPECT_EQ(form_.SaveDialogPath, "");
    }

    void SetCell(int col, int row, const std::string& text) { form_.BuildGrid.SetCell(col, row, text); }

    Bytes before_;
    std::string refusal_;
};

TEST_F(RefusalTest, AnEmptyList) {
    for (int r : {1, 2}) {
        form_.BuildGrid.Row = r;
        ClearBuildRow(form_);
    }
    ExpectRefused({"Строка 1, «Файл»"});
}

TEST_F(RefusalTest, SettingsPatternsThatAreNoWholeBytes) {
    const std::string good = StandardSettings();
    const struct {
        std::string settings;
        std::string mention;
    } cases[] = {
        {Replace(good, "11=E0E1", "11="), "[HEX] «11»"},
        {Replace(good, "11=E0E1", "11=E0E"), "[HEX] «11»"},
        {Replace(good, "22=B1", "22=ZZ"), "[HEX] «21» + «22» + «23»"},
        {Replace(good, "23=C1C2", "23=C"), "[HEX] «21» + «22» + «23»"},
        {Replace(good, "31=D1D2D3", ""), "[HEX] «31»"},
        {Replace(good, "31=D1D2D3", "31=" + std::string(106, 'D')), "[HEX] «31»"},  // 53 bytes past the list block
        {Replace(good, "10306=4201", "10306=420"), "[Address] «10306»"},
        {Replace(good, "14402=C201", "14402=C20100"), "[Address] «14402»"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mention);
        WriteSettings(c.settings);
        ExpectRefused({c.mention});
    }
}

TEST_F(RefusalTest, CellsThatCannotBeWritten) {
    const struct {
        int col, row;
        std::string text;
        std::vector<std::string> mentions;
    } cases[] = {
        {kBuildAddressCol, 1, "01X0", {"Строка 1, «Адрес»"}},
        {kBuildAddressCol, 2, "", {"Строка 2, «Адрес»"}},
        {kBuildGroupCol, 2, "", {"Строка 2, «Группа»"}},
        {kBuildGroupCol, 1, "123", {"Строка 1, «Группа»"}},
        {kBuildSizeCol, 2, "abc", {"Строка 2, «Размер (байт)»", "'abc' is not a valid integer value"}},
        {kBuildNumberCol, 1, "1.5", {"Строка 1, «Номер»", "'1.5' is not a valid integer value"}},
        {kBuildNameCol, 2, "a|b", {"Строка 2, «Файл»", "«|»"}},
        {kBuildNameCol, 2, "日本", {"Строка 2, «Файл»", "Windows-1251"}},
        {kBuildPathCol, 2, "/no/such/file", {"Строка 2, «Путь»", "File not found"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string old = form_.BuildGrid.Cell(c.col, c.row);
        SetCell(c.col, c.row, c.text);
        ExpectRefused({c.mentions[0]});
        for (const std::string& m : c.mentions) EXPECT_NE(refusal_.find(m), std::string::npos) << m;
        SetCell(c.col, c.row, old);
    }
}

TEST_F(RefusalTest, ASourceThatCannotBeRead) {
    ::chmod(temp_.File("files/b").c_str(), 0);
    ExpectRefused({"Строка 2, «Путь»", "File access denied"});
}

// A pipe or a device has no content to build from (a pipe would hang, /dev/zero never end):
// "Добавить" does not take it, and a row that names one refuses the build.
TEST_F(RefusalTest, APipeOrADeviceIsNoSource) {
    const std::string pipe = temp_.File("files/pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& source : {pipe, std::string("/dev/zero")}) {
        SCOPED_TRACE(source);
        host_.selectedFile = source;
        EXPECT_EQ(ErrorOf([&] { AddSelectedFile(form_, host_, folder_); }),
                  "«" + source + "» — не обычный файл (канал, устройство, папка или файл /proc): в дамп идут только обычные файлы.");
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildPathCol, 3), "");  // no row taken after "a" and "b"
        const std::string kept = form_.BuildGrid.Cell(kBuildPathCol, 2);
        SetCell(kBuildPathCol, 2, source);
        ExpectRefused({"Строка 2, «Путь»", source});
        SetCell(kBuildPathCol, 2, kept);
    }
}

TEST_F(RefusalTest, AListAddressOutsideTheSectorHeader) {
    WriteProfile(Replace(StandardProfile(), "List=0x00000002\n", ""));
    ExpectRefused({"[Offsets] List"});
    // The building default "0" has no prefix.
    EXPECT_EQ(host_.messages, (std::vector<std::string>{"Неверный адрес 0"}));

    WriteProfile(Replace(StandardProfile(), "List=0x00000002", "List=0x00000001"));
    ExpectRefused({"[Offsets] List"});
    WriteProfile(Replace(StandardProfile(), "List=0x00000002", "List=0x00000841"));
    ExpectRefused({"[Offsets] List"});
}

TEST_F(RefusalTest, BlockContentThatDoesNotFitItsPlace) {
    WriteProfile(StandardProfile("0x00000002", "0x00000FFB"));
    ExpectRefused({"[FAT] data"});
    WriteProfile(StandardProfile("0x00000007", "0x00000FFA"));
    ExpectRefused({"[FAT] todata"});
}

TEST_F(RefusalTest, EntryFieldsThatReachTheClosingPattern) {
    WriteProfile(Replace(StandardProfile(), "Size=0x0000000B", "Size=0x00000FCA"));  // 4042 + 3 > 4044
    ExpectRefused({"Строка 1, «Размер (байт)»", "[Offsets] Size"});

    // Records of 64 bytes: the size of entry 64 would end at 63 * 64 + 14 = 4046.
    WriteProfile(Replace(StandardProfile(), "NameSize=0x00000012", "NameSize=0x00000040"));
    for (int r = 3; r <= 64; ++r) SetRow(r, temp_.File("files/a"), "n" + std::to_string(r), 100);
    ExpectRefused({"Строка 64, «Размер (байт)»", "[Offsets] NameSize"});
}

TEST_F(RefusalTest, MoreBlocksThanTheReadersWalk) {
    WriteProfile(StandardProfile("0x00000002", "0x00000FFA", "SIZE=0x00000010\n"));  // 8 slots
    // 2 + 3 + 5 blocks: the last file's surplus block may give way, its content may not.
    Add(Source("c", Pattern(3 * 4090 + 1, 3)));
    ExpectRefused({"Строка 3", "[FAT] SIZE"});
}

TEST_F(RefusalTest, MoreBlocksThanTheWorkTableHoldsWhateverTheSize) {
    // SIZE allows 1024 slots, FatGrid's 820 columns only 409: 409 * 16 bytes fit, one more does not.
    WriteProfile(StandardProfile("0x00000002", "0x00000010", "SIZE=0x00000800\n"));
    form_.BuildGrid.Row = 2;
    ClearBuildRow(form_);
    SetCell(kBuildPathCol, 1, Source("full", Pattern(409 * 16 + 1, 5)));
    ExpectRefused({"Строка 1", "нужно блоков: 411", "обходит ячеек FAT: 409", "таблица FAT"});
}

TEST_F(RefusalTest, SlotsThatRunIntoTheFirstBlockPlace) {
    WriteProfile(Replace(StandardProfile(), "FAT=0x0000050C", "FAT=0x0000083A"));  // room for 4 slots
    SetCell(kBuildPathCol, 2, Source("b", Pattern(9000, 2)));                      // 2 + 4 blocks
    ExpectRefused({"Строка 2", "[FAT] FAT"});
}

TEST_F(RefusalTest, BlocksPastSector47) {
    std::string profile = StandardProfile("0x00000002", "0x00000001", "SIZE=0x00000800\n");
    WriteProfile(Replace(profile, "FAT=0x0000050C", "FAT=0x00000020"));
    form_.BuildGrid.Row = 2;
    ClearBuildRow(form_);
    SetCell(kBuildPathCol, 1, Source("tiny", Pattern(719, 4)));  // 719 content blocks; 718 places reachable
    form_.FatGrid = TextGrid(2 + 2 * 1024, 49);      // a work table that walks all 1024 slots
    ExpectRefused({"Строка 1", "48 секторах дампа: 718"});
}

TEST_F(RefusalTest, TheLastSurplusBlockGivesWayAndOneContentBlockMoreIsRefused) {
    // 16 content bytes per block keep the files small. 409 * 16 bytes take the 409 slots the
    // readers walk with content; the surplus block that would end the file finds no slot and is
    // left out, since the reader cuts the file to its size anyway.
    WriteProfile(StandardProfile("0x00000002", "0x00000010"));
    form_.BuildGrid.Row = 2;
    ClearBuildRow(form_);
    const Bytes full = Pattern(409 * 16, 5);
    SetCell(kBuildPathCol, 1, Source("full", full));
    SetCell(kBuildSizeCol, 1, std::to_string(full.size()));
    AssembleDump(form_, host_, folder_);
    // Slot 408, the last the readers walk, is in sector 27: (408 - 13) = 26 * 15 + 5; it holds
    // the last 16 bytes of the file, and nothing follows it.
    const Bytes dump = BuildBytes();
    EXPECT_EQ(dump[27 * kSector + 0x50C + 2 * 408], 0xC2);
    EXPECT_EQ(dump[27 * kSector + 2114 + 4096 * 5], 0x01);
    EXPECT_TRUE(std::equal(full.end() - 16, full.end(), dump.begin() + 27 * kSector + 2114 + 4096 * 5 + 2));
    EXPECT_EQ(dump[27 * kSector + 0x50C + 2 * 409], 0xFF);
    EXPECT_EQ(dump[27 * kSector + 2114 + 4096 * 6], 0xFF);

    before_ = dump;
    host_.progressHistory.clear();
    form_.SaveDialogPath.clear();
    SetCell(kBuildPathCol, 1, Source("full", Pattern(409 * 16 + 1, 5)));
    ExpectRefused({"Строка 1", "нужно блоков: 411", "обходит ячеек FAT: 409", "[FAT] SIZE"});
}

}  // namespace
}  // namespace vesk::test
