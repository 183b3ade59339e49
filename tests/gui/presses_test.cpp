// Every button and menu item of the window, pressed once each, reaches its own command: each
// press is checked by what only that command does, so a row of the wiring table that names the
// wrong handler fails here, and so does a control that no row wires.
#include <QAction>
#include <QTest>
#include <set>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "picture/c10_test_files.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::IsEmpty;

class EveryPress : public WindowTest {
protected:
    // bins/d.bin with the files "one" and "two", as "Собрать" writes it.
    void SetUp() override {
        temp.Write("system/sys.bin", "sys");
        dump = BuildDump({{"one", Pattern(5000, 'o')}, {"two", Pattern(5000, 't')}},
                         "[Firmwares]\n1=Other\n2=Test\n[Files]\n1=system/sys.bin\n");
    }

    // A click on the button, or the menu item triggered, of this name.
    void Press(const char* name) {
        pressed.insert(name);
        if (auto* button = window->findChild<QAbstractButton*>(name)) {
            ASSERT_TRUE(button->isEnabled()) << name;
            button->click();
        } else if (auto* action = window->findChild<QAction*>(name)) {
            action->trigger();
        } else {
            ADD_FAILURE() << "no control " << name;
        }
    }

    std::string dump;
    std::set<std::string> pressed;
};

TEST_F(EveryPress, EachButtonAndMenuItemRunsItsOwnCommand) {
    const std::string mine = temp.MakeDir("mine");
    temp.Write("mine/a.bin", "abc");
    temp.Write("mine/b.bin", "def");
    C10Builder c10;  // 2 x 1 pixels in four frames
    c10.Add({2, 1});
    for (int n = 0; n < 4; ++n) c10.FrameHeader(4, 0).Add({0x82, n * 8, 0x00}).EndFrame();
    const std::string picture = temp.Write("anim.c10", c10.Bytes());
    Start();
    auto* pane = Find<FilePane>("FolderList");

    // Opening and reading a dump.
    Press("OpenDumpAction");  // the dialog is cancelled
    ASSERT_EQ(openFilters.size(), 1u);
    EXPECT_EQ(openFilters[0][0].toStdString(), "Vesk (*.bin)");
    EXPECT_EQ(window->GetForm().OpenDumpPath, "");
    nextOpen = DialogChoice{dump, 1};
    Press("OpenDumpButton");
    ASSERT_EQ(openFilters.size(), 2u);
    EXPECT_EQ(window->GetForm().OpenDumpPath, dump);
    Press("ReadListButton");
    EXPECT_EQ(Panel(2), "Всего файлов : 2");
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 2), "two");
    Press("UnpackButton");
    EXPECT_EQ(ReadBytes(temp.File("files/two.bin")), Pattern(5000, 't'));
    Find<QLineEdit>("TempFolderEdit")->setText(QString::fromStdString(mine));
    Press("ApplyFolderButton");
    EXPECT_EQ(Setting("Temp", "Files"), mine);
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // "Новый VESK".
    ShowTab("Новый VESK");
    Find<QLineEdit>("BuildNameEdit")->setText("new.bin");
    Press("BlankDumpButton");
    EXPECT_EQ(ReadBytes(temp.File("bins/new.bin")), std::vector<std::uint8_t>(48 * 65536, 0xFF));
    Press("FormatButton");
    const std::vector<std::uint8_t> formatted = ReadBytes(temp.File("bins/new.bin"));
    EXPECT_EQ(formatted.at(0), 0xF0);  // [HEX] 01 at the start of every sector
    EXPECT_EQ(formatted.at(1), 0xF1);
    Press("SystemFilesButton");
    EXPECT_EQ(pane->Folder(), temp.File("system/"));
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 1), "sys.bin");
    // "Свои" names a missing folder at every press, where showing the page names it once.
    auto* unpackFolder = Find<QLineEdit>("TempFolderEdit");
    unpackFolder->setText(QString::fromStdString(temp.File("nowhere/")));
    Press("OwnFilesButton");
    Press("OwnFilesButton");
    EXPECT_EQ(boxes.size(), 2u);
    boxes.clear();
    unpackFolder->setText(QString::fromStdString(mine));
    Press("OwnFilesButton");
    EXPECT_EQ(pane->Folder(), mine);
    pane->setCurrentRow(0);
    Press("AddFileButton");
    pane->setCurrentRow(1);
    Press("AddFileAction");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 2), "a.bin");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 3), "b.bin");
    Press("AssembleButton");
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");
    ClickCell("BuildGrid", kBuildNameCol, 3);
    Press("DeleteRowAction");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 3), "");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 2), "a.bin");
    ClickCell("BuildGrid", kBuildNameCol, 2);
    Press("DeleteRowButton");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 2), "");
    EXPECT_FALSE(window->GetForm().BuildGridEditing);
    Press("RenameAction");
    EXPECT_TRUE(window->GetForm().BuildGridEditing);
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // "C10".
    ShowTab("C10");
    nextOpen = DialogChoice{picture, 1};
    Press("OpenImageButton");
    ASSERT_EQ(openFilters.size(), 3u);
    EXPECT_EQ(openFilters[2][0].toStdString(), "C10 (*.c10)");
    EXPECT_EQ(Find<QLabel>("ImageNameLabel")->text().toStdString(), "anim.c10");
    auto shownColour = [this] { return Find<QLabel>("ImageView")->pixmap().toImage().pixel(0, 0); };
    const QRgb firstColour = shownColour();
    const std::string firstStart = Text("DataStartEdit");
    Press("NextFrameButton");
    EXPECT_EQ(Button("NextFrameButton")->text().toStdString(), "3");
    EXPECT_NE(shownColour(), firstColour);
    // "Просмотр" draws the frame that the property fields say: here the first one again.
    Find<QLineEdit>("DataStartEdit")->setText(QString::fromStdString(firstStart));
    Press("PreviewButton");
    EXPECT_EQ(shownColour(), firstColour);
    EXPECT_EQ(Button("NextFrameButton")->text().toStdString(), "3");
    nextSave = DialogChoice{temp.File("out"), 1};
    Press("SaveImageButton");
    EXPECT_EQ(saveStarts.size(), 1u);
    EXPECT_EQ(ReadBytes(temp.File("out.bmp")).at(0), 'B');
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // Nothing left unpressed but the controls that changing and inspecting a dump and playing
    // the frames add, which their own tests press.
    std::set<std::string> controls;
    for (const QPushButton* button : window->findChildren<QPushButton*>()) controls.insert(button->objectName().toStdString());
    for (const QAction* action : window->findChildren<QAction*>()) controls.insert(action->objectName().toStdString());
    for (const char* elsewhere : {"ToBuildButton", "ToBuildAction", "ExtractAction", "ReplaceAction", "AssembleAllButton",
                                  "CheckButton", "RecoverButton", "CompareButton", "PlayButton", "ViewEntryAction", "UndoAction",
                                  "RedoAction"}) {
        EXPECT_EQ(controls.erase(elsewhere), 1u) << elsewhere;
    }
    controls.erase("");  // Qt's own, such as the menu's title
    EXPECT_EQ(controls, pressed);
}

}  // namespace
}  // namespace vesk::test
