// The build list: "Добавить", "Системные", "Свои", clearing a row, editing on and off.
#include <sys/stat.h>

#include <filesystem>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "support/error_text.h"

namespace vesk::test {
namespace {

class BuildListTest : public BuildTest {
protected:
    std::string Cell(int col, int row) const { return form_.BuildGrid.Cell(col, row); }
    // Cells 0..6 of a row, joined with "|".
    std::string RowText(int row) const {
        std::string text;
        for (int c = 0; c < form_.BuildGrid.ColCount(); ++c) text += (c ? "|" : "") + Cell(c, row);
        return text;
    }
};

TEST_F(BuildListTest, FilesGoIntoConsecutiveRowsWithAddressesFromTheirRows) {
    WriteSettings("[GROUP1]\nFFD8FF=05\n|4142=07\n");
    const std::string a = Source("a.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    const std::string b = Source("b.txt", {'t', 'e', 'x', 't'});
    const std::string c = Source("c.bin", {0x7C, 0x41, 0x42});
    Add(a);
    Add(b);
    Add(c);
    EXPECT_EQ(RowText(1), "1|a.jpg|5|0100|05|1|" + a);  // group by content signature
    EXPECT_EQ(RowText(2), "2|b.txt|4|0200|01|2|" + b);  // no [GROUP1] key: "01"
    EXPECT_EQ(RowText(3), "3|c.bin|3|0300|07|3|" + c);  // the byte 0x7C looked up as "|"
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");
    EXPECT_EQ(host_.progressMax, 3);
    EXPECT_EQ(host_.progressMaxHistory, (std::vector<int>{1, 2, 3}));
}

TEST_F(BuildListTest, AFileAlreadyListedIsNotAddedAgain) {
    const std::string a = Source("a", Bytes(10, 1));
    const std::string b = Source("b", Bytes(10, 2));
    const std::string c = Source("c", Bytes(10, 3));
    Add(a);
    Add(b);
    Add(c);
    Add(b);
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");
    EXPECT_EQ(host_.progressMax, 2);  // the row where it stands
}

TEST_F(BuildListTest, AClearedRowIsTakenByTheNextFile) {
    const std::string a = Source("a", Bytes(10, 1));
    const std::string b = Source("b", Bytes(10, 2));
    const std::string c = Source("c", Bytes(10, 3));
    const std::string d = Source("d", Bytes(7, 4));
    Add(a);
    Add(b);
    Add(c);
    form_.BuildGrid.Row = 2;
    ClearBuildRow(form_);
    EXPECT_EQ(RowText(2), "2||||||");
    EXPECT_EQ(Cell(kBuildNameCol, 1), "a");
    EXPECT_EQ(Cell(kBuildNameCol, 3), "c");
    Add(d);
    EXPECT_EQ(RowText(2), "2|d|7|0200|01|2|" + d);
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");
    EXPECT_EQ(host_.progressMax, 2);

    form_.BuildGrid.Row = 0;  // the header row is never cleared
    ClearBuildRow(form_);
    EXPECT_EQ(Cell(kBuildPathCol, 0), "Путь");
}

TEST_F(BuildListTest, TheHiddenRow101IsFilledWhenAllRowsAreTaken) {
    for (int r = 1; r <= 100; ++r) SetRow(r, "/x/" + std::to_string(r), std::to_string(r), 1);
    const std::string f = Source("f", Bytes(3, 0));
    Add(f);
    EXPECT_EQ(Cell(kBuildAddressCol, 101), "6500");
    EXPECT_EQ(Cell(kBuildNumberCol, 101), "101");
    EXPECT_EQ(host_.progressMax, 101);
}

TEST_F(BuildListTest, FilesShorterThanASignatureTakeTheirGroupByName) {
    // No three bytes to look up: the group comes from [GROUP1] by name, or "01".
    WriteSettings("[GROUP1]\nab=0C\n");
    const std::string ab = Source("ab", {1, 2});
    const std::string one = Source("one", {7});
    const std::string empty = Source("empty", {});
    for (const std::string& path : {ab, one, empty}) Add(path);
    EXPECT_EQ(RowText(1), "1|ab|2|0100|0C|1|" + ab);
    EXPECT_EQ(RowText(2), "2|one|1|0200|01|2|" + one);
    EXPECT_EQ(RowText(3), "3|empty|0|0300|01|3|" + empty);
}

TEST_F(BuildListTest, NothingSelectedLeavesTheRowFree) {
    try {
        Add("");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_EQ(RowText(1), "1||-1|0100|||");
    const std::string a = Source("a", Bytes(5, 0));
    Add(a);
    EXPECT_EQ(Cell(kBuildPathCol, 1), a);
}

TEST_F(BuildListTest, AReadOnlyFileCanBeAdded) {
    const std::string a = Source("ro.jpg", {0xFF, 0xD8, 0xFF});
    WriteSettings("[GROUP1]\nFFD8FF=05\n");
    ::chmod(a.c_str(), 0444);
    Add(a);
    EXPECT_EQ(RowText(1), "1|ro.jpg|3|0100|05|1|" + a);
}

TEST_F(BuildListTest, SystemFilesComeFromTheSettingsInOrderWithGroupsByName) {
    temp_.MakeDir("system");
    const std::string a = temp_.Write("system/a", Bytes(12, 1));
    WriteSettings("[Files]\n1=system\\a\n2=system\\b\n[GROUP1]\na=0A\nb=0B\n");
    AddSystemFiles(form_, host_, folder_);
    EXPECT_EQ(RowText(1), "1|a|12|0100|0A|1|" + a);
    // Not opened here: a missing system file is listed with the size -1.
    EXPECT_EQ(RowText(2), "2|b|-1|0200|0B|2|" + temp_.File("system/b"));
    // The pane shows system/ once, not listed again for every file.
    EXPECT_EQ(host_.folders, std::vector<std::string>{folder_.System()});
    EXPECT_EQ(form_.OpenDumpPath, "");  // the open dump is not theirs to change
    EXPECT_TRUE(host_.progressMaxHistory.empty());

    // Pressed again: the walk meets b in row 2 and stops, but never compares row 1 with a.
    AddSystemFiles(form_, host_, folder_);
    EXPECT_EQ(RowText(3), "3|a|12|0300|0A|3|" + a);
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");
}

TEST_F(BuildListTest, ASystemFileIsSeenFromRowTwoUpToTheFirstFreeRow) {
    temp_.MakeDir("system");
    const std::string a = temp_.Write("system/a", Bytes(12, 1));
    const std::string b = temp_.Write("system/b", Bytes(12, 2));
    const std::string x = Source("x", Bytes(3, 0));
    Add(b);
    Add(a);  // row 2
    Add(x);
    form_.BuildGrid.Row = 3;
    ClearBuildRow(form_);  // rows b, a, free, then nothing
    WriteSettings("[Files]\n1=system/a\n2=system/b\n3=system/a\n");
    AddSystemFiles(form_, host_, folder_);
    // a stands in row 2, before the free row; b in row 1 is not seen; the second a meets the
    // first in row 2 again.
    EXPECT_EQ(Cell(kBuildPathCol, 3), b);
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");

    // With row 1 cleared, the first free row lies before a: it is added there.
    form_.BuildGrid.Row = 1;
    ClearBuildRow(form_);
    WriteSettings("[Files]\n1=system/a\n");
    AddSystemFiles(form_, host_, folder_);
    EXPECT_EQ(Cell(kBuildPathCol, 1), a);
    EXPECT_EQ(Cell(kBuildPathCol, 2), a);
    EXPECT_EQ(Cell(kBuildPathCol, 4), "");
}

TEST_F(BuildListTest, TheSystemListEndsAtTheFirstMissingKey) {
    temp_.MakeDir("system");
    WriteSettings("[Files]\n1=system/a\n3=system/c\n");
    AddSystemFiles(form_, host_, folder_);
    EXPECT_EQ(Cell(kBuildPathCol, 1), temp_.File("system/a"));
    EXPECT_EQ(Cell(kBuildPathCol, 2), "");
}

TEST_F(BuildListTest, WithoutKeyOneTheProgramFolderItselfIsListed) {
    temp_.MakeDir("system");
    WriteSettings("");
    AddSystemFiles(form_, host_, folder_);
    EXPECT_EQ(RowText(1), "1||-1|0100|01|1|" + folder_.Path());
}

TEST_F(BuildListTest, AMissingSystemFolderEndsTheCommandBeforeAnyRow) {
    WriteSettings("[Files]\n1=system/a\n");
    EXPECT_THROW(AddSystemFiles(form_, host_, folder_), Error);
    EXPECT_EQ(Cell(kBuildPathCol, 1), "");
}

TEST_F(BuildListTest, OwnFilesShowTheUnpackFolder) {
    form_.TempFolderEdit = temp_.File("files/");
    ShowUnpackFolder(form_, host_);
    EXPECT_EQ(host_.folders, (std::vector<std::string>{temp_.File("files/")}));

    // No folder, or one that cannot be listed: the pane is emptied and the folder named.
    form_.TempFolderEdit = "";
    EXPECT_EQ(ErrorOf([&] { ShowUnpackFolder(form_, host_); }).rfind("Временная папка не указана.", 0), 0u);
    form_.TempFolderEdit = temp_.File("missing/");
    EXPECT_NE(ErrorOf([&] { ShowUnpackFolder(form_, host_); }).find("«" + temp_.File("missing/") + "» не найдена."), std::string::npos);
    EXPECT_EQ(host_.folders, (std::vector<std::string>{temp_.File("files/"), "", ""}));
    // "Свои" says so every time; showing the page once per folder text.
    EXPECT_NE(ErrorOf([&] { ShowUnpackFolder(form_, host_); }), "");
    EXPECT_EQ(ErrorOf([&] { ShowUnpackPage(form_, host_); }), "");
    form_.TempFolderEdit = "";
    EXPECT_NE(ErrorOf([&] { ShowUnpackPage(form_, host_); }), "");
    EXPECT_EQ(ErrorOf([&] { ShowUnpackPage(form_, host_); }), "");
}


}  // namespace
}  // namespace vesk::test
