// What the window hands from one command to the next through its paths: the open dump stays the
// dump's whatever the picture and system-file commands open, the save dialog opens where the
// last file was written, "Системные" walks the build list as it always did, and "Собрать" says
// what it left out after an empty row.
#include <QAbstractButton>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "picture/c10_test_files.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class KeptPaths : public WindowTest {
protected:
    // bins/d.bin with the files "one" and "two"; system/a and system/b in [Files]; a 2 x 1
    // picture of two frames in pictures/.
    void SetUp() override {
        temp.Write("system/a", "aaa");
        temp.Write("system/b", "bbb");
        dump = BuildDump({{"one", Pattern(5000, 'o')}, {"two", Pattern(5000, 't')}},
                         "[Firmwares]\n1=Other\n2=Test\n[Files]\n1=system/a\n2=system\\b\n");
        C10Builder c10;
        c10.Add({2, 1});
        for (int n = 0; n < 2; ++n) c10.FrameHeader(2, 0).Add({0x81, n * 8, 0x00}).EndFrame();
        picture = temp.Write("pictures/Сердце.c10", c10.Bytes());
    }

    void Press(const char* name) const {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_TRUE(button->isEnabled()) << name;
        button->click();
    }
    void OpenDumpWithTheButton() {
        nextOpen = DialogChoice{dump, 1};
        Press("OpenDumpButton");
    }
    void OpenPictureOnC10() {
        ShowTab("C10");
        nextOpen = DialogChoice{picture, 1};  // the C10 entry
        Press("OpenImageButton");
        nextOpen.reset();
    }
    std::string BuildPaths() const {
        std::string paths;
        for (int r = 1; !Cell("BuildGrid", kBuildPathCol, r).empty(); ++r) paths += Cell("BuildGrid", kBuildNameCol, r) + " ";
        return paths;
    }

    std::string dump;
    std::string picture;
};

TEST_F(KeptPaths, SearchAndUnpackReadTheDumpAfterAPictureOrTheSystemFiles) {
    Start();
    OpenDumpWithTheButton();
    OpenPictureOnC10();
    EXPECT_EQ(Find<QLabel>("ImageNameLabel")->text().toStdString(), "Сердце.c10");
    ShowTab("Новый VESK");
    Press("SystemFilesButton");
    EXPECT_THAT(BoxTexts(), IsEmpty());

    Press("ReadListButton");
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Panel(2), "Всего файлов : 2");
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 1), "one");
    EXPECT_EQ(Cell("FileGrid", kFileSizeCol, 2), "5000");
    Press("UnpackButton");
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(ReadBytes(temp.File("files/one.bin")), Pattern(5000, 'o'));
    EXPECT_EQ(ReadBytes(temp.File("files/two.bin")), Pattern(5000, 't'));
    EXPECT_EQ(window->windowTitle().toStdString(), "Vesk File Manager d.bin");

    // The picture keeps its own path the other way round: a dump opened since does not become
    // the file "Кадр" steps through.
    OpenDumpWithTheButton();
    ShowTab("C10");
    Press("NextFrameButton");
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Text("DataStartEdit"), "23");  // 11 + the first frame's 3 bytes + the second's 9-byte header
}

TEST_F(KeptPaths, TheSaveDialogOpensWithTheLastFileWrittenOrTheLastNameChosen) {
    Start();
    OpenPictureOnC10();
    Press("SaveImageButton");  // nothing written yet: the picture's folder
    ShowTab("Новый VESK");
    Find<QLineEdit>("BuildNameEdit")->setText("new.bin");
    Press("BlankDumpButton");
    ShowTab("C10");
    Press("SaveImageButton");
    OpenDumpWithTheButton();
    Press("ReadListButton");
    Press("UnpackButton");
    ShowTab("C10");
    nextSave = DialogChoice{temp.File("pictures/copy"), 1};
    Press("SaveImageButton");  // the file unpacked last
    nextSave.reset();
    Press("SaveImageButton");  // the name chosen
    ShowTab("Новый VESK");
    Find<QLineEdit>("BuildNameEdit")->setText("built.bin");
    Press("BlankDumpButton");
    Press("FormatButton");
    Press("SystemFilesButton");
    ShowTab("C10");
    nextSave = DialogChoice{temp.File("pictures/copy2"), 1};
    Press("SaveImageButton");  // the formatted dump
    nextSave.reset();
    ShowTab("Новый VESK");
    Press("AssembleButton");
    ShowTab("C10");
    Press("SaveImageButton");  // what "Собрать" wrote, not the name chosen before it
    EXPECT_THAT(saveStarts, ElementsAre(temp.File("pictures/"), temp.File("bins/new.bin"), temp.File("files/two.bin"),
                                        temp.File("pictures/copy"), temp.File("bins/built.bin"), temp.File("bins/built.bin")));
    EXPECT_EQ(ReadBytes(temp.File("pictures/copy.bmp")).at(0), 'B');
    EXPECT_EQ(Panel(0), "Проверено: 2 файлов");
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(KeptPaths, SystemFilesPressedAgainAddTheFileOfRowOneOnceMore) {
    Start();
    ShowTab("Новый VESK");
    Press("SystemFilesButton");
    EXPECT_EQ(BuildPaths(), "a b ");
    // The walk never compares row 1 with the file it adds; it stops at b in row 2.
    Press("SystemFilesButton");
    EXPECT_EQ(BuildPaths(), "a b a ");
    Press("SystemFilesButton");
    EXPECT_EQ(BuildPaths(), "a b a ");
    EXPECT_EQ(Cell("BuildGrid", kBuildAddressCol, 3), "0300");
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(KeptPaths, AssembleSaysHowManyRowsAfterTheEmptyOneItLeftOut) {
    Start();
    ShowTab("Новый VESK");
    Press("BlankDumpButton");
    Press("FormatButton");
    Press("SystemFilesButton");
    Press("SystemFilesButton");  // rows a, b, a
    EXPECT_EQ(BuildPaths(), "a b a ");
    Press("AssembleButton");
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");
    ClickCell("BuildGrid", kBuildNameCol, 2);
    Press("DeleteRowButton");
    Press("AssembleButton");
    EXPECT_EQ(Panel(0), "Проверено: 1 файлов; пропущено строк после пустой строки 2: 1");
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

// A value without its "0x" is complained about at every read that converts it: "Открыть" reads
// List once per sector, "Поиск" the stride at each of a record's seven reads and the name
// length after each name byte.
TEST_F(KeptPaths, AValueWithoutItsPrefixIsComplainedAboutAtEveryRead) {
    std::string profile = StandardProfile();
    for (const char* key : {"\nList=0x", "\nName=0x", "\nNameSize=0x"}) {
        const std::size_t at = profile.find(key) + std::string(key).size() - 2;
        profile.replace(at, 2, "00");
    }
    temp.Write("Test.ini", profile);
    Start();
    OpenDumpWithTheButton();
    EXPECT_EQ(boxes.size(), 48u);
    for (const Box& box : boxes) EXPECT_EQ(box.text, "Неверный адрес 0000000002");
    EXPECT_EQ(Panel(1), "Кол-во списков в памяти : 1");
    boxes.clear();

    Press("ReadListButton");
    const std::string stride = "Неверный адрес 0000000012";
    const std::string nameLength = "Неверный адрес 000000000B";
    std::vector<std::string> record(4, stride);  // three size bytes, the name's position
    record.insert(record.end(), 11, nameLength);
    record.insert(record.end(), 3, stride);  // number, group, address
    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_EQ(BoxTexts(), expected);
    // The run went on with the converted remainders.
    EXPECT_EQ(Panel(2), "Всего файлов : 2");
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 2), "two");
}

}  // namespace
}  // namespace vesk::test
