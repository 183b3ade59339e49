// ReadFileList: the 100 records of one list decoded into FileGrid.
#include <gtest/gtest.h>

#include "dump/commands.h"
#include "dump/dump_fixture.h"
#include "dump/messages.h"
#include "support/error_text.h"

namespace vesk {
namespace {

using test::Bytes;
using test::DumpImage;
using test::EntryBytes;
using test::ErrorOf;
using test::NameLengthRefusal;
using test::HexBytes;

constexpr std::int64_t kList = 0x842;

class ReadFileListTest : public ::testing::Test {
protected:
    ReadFileListTest() {
        w.Settings("[KOD]\n00=?\n80=Ж\n[GROUP]\n01=Звуки\n|=Java\n");
        image.ClearList(kList);
        w.form.ListAddressEdit = "0x00000842";
    }
    void Run() {
        w.Dump(image);
        ReadFileList(w.form, w.host, w.folder);
    }
    const std::string& Cell(int col, int row) const { return w.form.FileGrid.Cell(col, row); }

    test::Workspace w;
    DumpImage image;
};

TEST_F(ReadFileListTest, AListAsTheAssemblerWritesIt) {
    image.SetEntry(kList, 0, {Bytes("RING.MID"), 10000, 7, 0x01, "4200"});
    image.SetEntry(kList, 1, {HexBytes("C0E1E2803F"), 4090, 0, 0x7C, "C200"});  // "Абв" Ж, '?' dropped
    image.SetEntry(kList, 3, {Bytes("x"), 1, 255, 0x02, "4201"});
    Run();

    EXPECT_EQ(Cell(kFileNameCol, 1), "RING.MID");
    EXPECT_EQ(Cell(kFileSizeCol, 1), "10000");
    EXPECT_EQ(Cell(kFileAddressCol, 1), "4200");
    EXPECT_EQ(Cell(kFileGroupCol, 1), "Звуки");
    EXPECT_EQ(Cell(kFileNumberCol, 1), "7");
    EXPECT_EQ(Cell(kFileNameCol, 2), "АбвЖ");
    EXPECT_EQ(Cell(kFileGroupCol, 2), "Java");
    EXPECT_EQ(Cell(kFileNameCol, 3), "");  // all name bytes 0x00, mapped to "?"
    EXPECT_EQ(Cell(kFileSizeCol, 3), "0");
    EXPECT_EQ(Cell(kFileAddressCol, 3), "0000");
    EXPECT_EQ(Cell(kFileGroupCol, 4), "");  // no [GROUP] line for 02
    EXPECT_EQ(Cell(kFileNumberCol, 4), "255");
    for (int r = 1; r <= 100; ++r) EXPECT_EQ(Cell(kFileRowCol, r), std::to_string(r));
    EXPECT_EQ(Cell(kFileRowCol, 0), "№");
    EXPECT_EQ(w.host.status[2], "Всего файлов : 3");
    EXPECT_EQ(w.host.pages, std::vector<Page>{Page::List});
    EXPECT_EQ(w.host.progressMax, 100);
    EXPECT_EQ(w.host.progress, 100);
    EXPECT_TRUE(w.host.messages.empty());
}

TEST_F(ReadFileListTest, SizeBytesAndTheBar) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x00007C, "124"},      {0x007C00, "31744"}, {0x007C10, "31760"},  {0xFFFFFF, "0"},
        {0x2DC6C0, "3000000"},  {0x2DC6C1, "0"},     {0x7C7C7C, "0"},      {0x000000, "0"},
        {0x0F7C7C, "1014908"},
    };
    int i = 0;
    for (const auto& [size, text] : cases) image.SetEntry(kList, i++, {Bytes("f"), size, 0x7C, 0, "7C42"});
    Run();
    i = 0;
    for (const auto& [size, text] : cases) {
        EXPECT_EQ(Cell(kFileSizeCol, i + 1), text) << std::hex << size;
        EXPECT_EQ(Cell(kFileNumberCol, i + 1), "124");
        EXPECT_EQ(Cell(kFileAddressCol, i + 1), "|42");  // addresses are shown as read, "|" and all
        ++i;
    }
}

TEST_F(ReadFileListTest, AddressIsNotJudgedAndNamesUseOwnCharacters) {
    w.Settings("");  // no [KOD]: every byte stands for itself, 0x00 included
    image.SetEntry(kList, 0, {Bytes("ab"), 5, 1, 1, "4201"});
    Run();
    EXPECT_EQ(Cell(kFileAddressCol, 1), "4201");
    EXPECT_EQ(Cell(kFileNameCol, 1), std::string("ab") + std::string(9, '\0'));
    EXPECT_EQ(w.host.status[2], "Всего файлов : 100");
}

TEST_F(ReadFileListTest, ZeroNameLengthIsRefused) {
    w.Profile(test::ProfileText({}, {{"Name", test::kMissing}}));  // default "11" converts to 0
    image.SetEntry(kList, 0, {Bytes("a"), 5, 1, 1, "4200"});
    w.Dump(image);
    const std::string refusal = ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); });
    EXPECT_EQ(refusal, NameLengthRefusal("11"));
    // The default that converts to 0 looks valid; the refusal says what is wanted.
    EXPECT_NE(refusal.find("0x0000000B"), std::string::npos);
    EXPECT_TRUE(w.host.messages.empty());  // refused before the first read that would complain
    EXPECT_EQ(Cell(kFileNameCol, 1), "");
    EXPECT_EQ(Cell(kFileRowCol, 1), "");
    EXPECT_EQ(w.host.status[2], "");

    w.Profile(test::ProfileText({}, {{"Name", "0xFFFFFFFF"}}));
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), NameLengthRefusal("0xFFFFFFFF"));
    // Longer than the block that holds the list: refused before anything is read.
    w.Profile(test::ProfileText({}, {{"Name", "0x00001001"}}));
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), NameLengthRefusal("0x00001001"));
    w.Profile(test::ProfileText({}, {{"Name", "0x00001000"}}));
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "");
}

TEST_F(ReadFileListTest, NoListAddressIsRefusedBeforeAnythingIsRead) {
    // A dump without lists leaves the list position empty: nothing is read from it.
    image.SetEntry(kList, 0, {Bytes("junk"), 5, 1, 1, "4200"});
    w.Dump(image);
    w.form.FileGrid.SetCell(kFileNameCol, 1, "kept");
    w.form.ListAddressEdit = "";
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "Адрес списка не задан: в дампе не найдено ни одного списка файлов. Выберите список на странице «Настройки» или введите его адрес.");
    EXPECT_EQ(Cell(kFileNameCol, 1), "kept");
    EXPECT_TRUE(w.host.messages.empty());
    EXPECT_TRUE(w.host.progressHistory.empty());
}

TEST_F(ReadFileListTest, EachReadComplainsOfTheValuesWithoutPrefixThatItConverts) {
    w.form.ListAddressEdit = "2114";  // reads as hex 14 = 20
    w.Profile(test::ProfileText({}, {{"FileNum", test::kMissing}}));
    image.SetEntry(20, 0, {Bytes("at20"), 3, 0, 0, "4200"});
    Run();
    // Every read of a record converts the list position; the number's read converts the
    // missing FileNum's default "0" after it.
    const std::string list = "Неверный адрес 2114";
    const std::vector<std::string> record = {list, list, list, list, list, "Неверный адрес 0", list, list};
    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_EQ(w.host.messages, expected);
    EXPECT_EQ(Cell(kFileNameCol, 1).substr(0, 4), "at20");
    EXPECT_EQ(Cell(kFileNumberCol, 1), "97");  // FileNum fell back to offset 0: the name's first byte, 'a'
    EXPECT_EQ(Cell(kFileRowCol, 100), "100");
}

TEST_F(ReadFileListTest, ListRunningPastTheEndKeepsTheRowsRead) {
    // Record 50 of the list at the last bytes of the file; its name is cut by the end.
    const std::int64_t list = 1000;
    image.Fill(list, 50 * 24 + 30, 0x00);
    image.SetEntry(list, 50, {Bytes("abcdefghijk"), 9, 1, 1, "4200"});
    image.Truncate(list + 50 * 24 + 11);  // name bytes only: the size at +12 is past the end
    w.form.ListAddressEdit = "0x000003E8";
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "Read beyond end of file");
    EXPECT_EQ(Cell(kFileRowCol, 50), "50");
    EXPECT_EQ(Cell(kFileRowCol, 51), "");
    EXPECT_EQ(w.host.status[2], "");
}

TEST_F(ReadFileListTest, NameCutByTheEndStaysAsRead) {
    // The size lies before the name here, so the name is the field the end cuts.
    test::Record record;
    record.size = 0;
    record.name = 3;
    record.fileNumber = 14;
    record.group = 15;
    record.address = 16;
    w.Profile(test::ProfileText(record));
    image.SetEntry(kList, 0, {Bytes("abcdefghijk"), 9, 1, 1, "4200"}, record);
    image.Truncate(kList + 3 + 4);
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "Read beyond end of file");
    EXPECT_EQ(Cell(kFileSizeCol, 1), "9");
    EXPECT_EQ(Cell(kFileNameCol, 1), "abcd");
}

TEST_F(ReadFileListTest, PositionsOutsideTheDump) {
    w.Dump(image);
    w.form.ListAddressEdit = "0xFFFFFF00";
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "I/O error 131");
    w.form.ListAddressEdit = "0x7FFFFF00";
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "Read beyond end of file");
    w.form.ListAddressEdit = "0x00000842";
    w.Profile(test::ProfileText({}, {{"NameSize", "0x7FFFFFFF"}}));
    EXPECT_EQ(ErrorOf([&] { ReadFileList(w.form, w.host, w.folder); }), "Read beyond end of file");
}

TEST_F(ReadFileListTest, SettingsEditedBetweenRunsTakeEffect) {
    image.SetEntry(kList, 0, {HexBytes("80"), 1, 0, 3, "4200"});
    Run();
    EXPECT_EQ(Cell(kFileNameCol, 1), "Ж");
    EXPECT_EQ(Cell(kFileGroupCol, 1), "");
    w.Settings("[KOD]\n00=?\n80=Zh\n[GROUP]\n03=Java\n");
    ReadFileList(w.form, w.host, w.folder);
    EXPECT_EQ(Cell(kFileNameCol, 1), "Zh");
    EXPECT_EQ(Cell(kFileGroupCol, 1), "Java");
}

}  // namespace
}  // namespace vesk
