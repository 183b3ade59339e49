// "Заменить..." of a picture by a picture of another kind or size (the dialog answered three
// ways, the build's report), and undo and redo over every action of the build list.
#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "gui/build_undo.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"
#include "picture/picture_shape.h"
#include "picture/png_file.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Picture Bright(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetPixel(x, y, 0xC8u | static_cast<std::uint32_t>(x % 256) << 8);
    return picture;
}

class BuildListWindow : public WindowTest {
protected:
    // bins/d.bin of a JPEG, a C10 picture and a text, opened and read on "Список".
    void SetUp() override {
        temp.Write("system/sys.bin", "sys");
        dump = BuildDump({{"Закат", EncodeJpeg(Bright(96, 72))}, {"Фон", EncodeC10(Bright(32, 32))}, {"Текст", {'h', 'i', '\n'}}},
                         "[Firmwares]\n1=Other\n2=Test\n[Files]\n1=system/sys.bin\n");
        wide = temp.Write("wide.png", EncodePng(Bright(300, 200)));
        OpenAndReadList(dump);
        ASSERT_THAT(BoxTexts(), IsEmpty());
    }
    void Trigger(const char* name) const {
        for (QAction* action : Find<GridView>("BuildGrid")->actions()) {
            if (action->objectName() == name) return action->trigger();
        }
        ADD_FAILURE() << "no " << name;
    }
    // "Заменить..." of row r by `file`, the picture dialog (if any) answered by `button`.
    void Replace(int r, const std::string& file, const char* button) {
        nextOpen = DialogChoice{file, 1};
        onDialog = [this, button](QDialog& dialog) {
            std::vector<std::string> captions;
            for (const QPushButton* b : dialog.findChildren<QPushButton*>()) captions.push_back(b->text().toStdString());
            dialogs.push_back(captions);
            dialog.findChild<QPushButton*>(button)->click();
        };
        ClickCell("BuildGrid", kBuildNameCol, r);
        Trigger("ReplaceAction");
    }
    // The build list's cells as the view shows them, rows 1 to 5.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int r = 1; r <= 5; ++r) {
            std::string row;
            for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) row += Cell("BuildGrid", c, r) + "|";
            rows.push_back(row);
        }
        return rows;
    }

    std::string dump, wide;
    std::vector<std::vector<std::string>> dialogs;
};

TEST_F(BuildListWindow, APictureOfAnotherKindOrSizeIsConvertedKeptOrNotTaken) {
    QTest::mouseClick(Button("ToBuildButton"), Qt::LeftButton);
    const std::string sunset = Cell("BuildGrid", kBuildPathCol, 1);

    // "Отмена": nothing changes, and nothing is left to undo.
    Replace(1, wide, "CancelButton");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_THAT(dialogs[0], ElementsAre("Преобразовать в JPEG 96 x 72", "Оставить как есть", "Отмена"));
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 1), sunset);
    const std::size_t steps = window->BuildListUndo().History().UndoSteps();

    // "Преобразовать в JPEG 96 x 72": written beside the row's file, the row points to it.
    Replace(1, wide, "ConvertButton");
    const std::string converted = temp.File("files/d/wide-96x72.jpg");
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 1), converted);
    EXPECT_EQ(JudgePicture(ReadBytes(converted)), (PictureShape{ContentKind::Jpeg, 96, 72}));
    EXPECT_EQ(Cell("BuildGrid", kBuildSizeCol, 1), std::to_string(ReadBytes(converted).size()));
    EXPECT_EQ(window->BuildListUndo().History().UndoSteps(), steps + 1);
    // Again: a new name, the first file stays.
    Replace(1, wide, "ConvertButton");
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 1), temp.File("files/d/wide-96x72 (2).jpg"));
    EXPECT_TRUE(std::filesystem::exists(converted));
    // "Оставить как есть": the C10 32 x 32 of "Фон" takes the PNG as it is.
    Replace(2, wide, "KeepButton");
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 2), wide);
    // A text is no picture: no question.
    Replace(3, wide, "ConvertButton");
    EXPECT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 3), wide);
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // The build names the picture that changed; the converted one and the text are not named.
    QTest::mouseClick(Button("AssembleAllButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");
    EXPECT_EQ(Panel(1), "Фон: был C10 32 x 32, стал PNG 300 x 200");
    // Undone, the next build names nothing, and the report does not stay.
    Trigger("UndoAction");  // the text's replace
    EXPECT_NE(Cell("BuildGrid", kBuildPathCol, 3), wide);
    Trigger("UndoAction");  // Фон's
    EXPECT_NE(Cell("BuildGrid", kBuildPathCol, 2), wide);
    QTest::mouseClick(Button("AssembleAllButton"), Qt::LeftButton);
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");
    EXPECT_EQ(Panel(1), "");
    Trigger("RedoAction");
    Trigger("RedoAction");
    QTest::mouseClick(Button("AssembleAllButton"), Qt::LeftButton);
    EXPECT_EQ(Panel(1), "Фон: был C10 32 x 32, стал PNG 300 x 200");

    // The built dump gives the converted JPEG back.
    nextOpen = DialogChoice{temp.File("bins/d-new.bin"), 1};
    QTest::mouseClick(Button("OpenDumpButton"), Qt::LeftButton);
    QTest::mouseClick(Button("ReadListButton"), Qt::LeftButton);
    QTest::mouseClick(Button("UnpackButton"), Qt::LeftButton);
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp.File("files"))) {
        if (entry.path().stem() != "Закат") continue;
        ++found;
        EXPECT_EQ(JudgePicture(ReadBytes(entry.path().string())), (PictureShape{ContentKind::Jpeg, 96, 72}));
    }
    EXPECT_EQ(found, 1);
}

TEST_F(BuildListWindow, EachActionIsUndoneAndRedone) {
    const auto undoRedo = [&](const std::vector<std::string>& before, const char* what) {
        const std::vector<std::string> after = Rows();
        EXPECT_NE(after, before) << what;
        Trigger("UndoAction");
        EXPECT_EQ(Rows(), before) << what;
        Trigger("RedoAction");
        EXPECT_EQ(Rows(), after) << what;
    };
    std::vector<std::string> before = Rows();
    QTest::mouseClick(Button("ToBuildButton"), Qt::LeftButton);  // "В сборку"
    undoRedo(before, "В сборку");
    EXPECT_EQ(Text("BuildNameEdit"), "d-new.bin");
    Trigger("UndoAction");
    EXPECT_EQ(Text("BuildNameEdit"), "data.bin");  // the name it changed comes back too
    Trigger("RedoAction");

    before = Rows();
    ClickCell("BuildGrid", kBuildNameCol, 2);
    Trigger("DeleteRowAction");  // "Удалить"
    undoRedo(before, "Удалить");

    before = Rows();
    Replace(3, temp.Write("note.txt", "note"), "KeepButton");  // "Заменить..."
    undoRedo(before, "Заменить...");

    before = Rows();
    ClickCell("BuildGrid", kBuildNameCol, 1);
    Trigger("RenameAction");  // "Переименовать", then the cell typed
    EXPECT_TRUE(window->GetForm().BuildGridEditing);
    auto* view = Find<GridView>("BuildGrid");
    view->model()->setData(view->model()->index(0, kBuildNameCol - 1), QStringLiteral("Рассвет"));  // "№" is the header
    Trigger("UndoAction");
    EXPECT_EQ(Rows(), before);
    EXPECT_FALSE(window->GetForm().BuildGridEditing);
    Trigger("RedoAction");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 1), "Рассвет");
    QTest::keyClick(view, Qt::Key_Return);

    temp.Write("files/extra.bin", "extra");
    QTest::mouseClick(Button("OwnFilesButton"), Qt::LeftButton);  // the pane shows files/
    before = Rows();
    Find<FilePane>("FolderList")->setCurrentRow(0);
    QTest::mouseClick(Button("AddFileButton"), Qt::LeftButton);  // "Добавить"
    undoRedo(before, "Добавить");

    before = Rows();
    QTest::mouseClick(Button("SystemFilesButton"), Qt::LeftButton);  // "Системные"
    undoRedo(before, "Системные");
    EXPECT_THAT(BoxTexts(), IsEmpty());

    // The keys, on the build list: Ctrl+Z and Ctrl+Shift+Z.
    const std::vector<std::string> last = Rows();
    window->activateWindow();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Rows(), before);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Rows(), last);

    // A new action after an undo leaves nothing to redo.
    Trigger("UndoAction");
    ClickCell("BuildGrid", kBuildNameCol, 1);
    Trigger("DeleteRowAction");
    const std::vector<std::string> cleared = Rows();
    Trigger("RedoAction");
    EXPECT_EQ(Rows(), cleared);
}

TEST_F(BuildListWindow, FiftyStepsAndMoreAreUndone) {
    const std::vector<std::string> empty = Rows();
    // 60 steps: the list taken in, its first row deleted, 30 times.
    for (int k = 0; k < 30; ++k) {
        QTest::mouseClick(Button("ToBuildButton"), Qt::LeftButton);
        ClickCell("BuildGrid", kBuildNameCol, 1);
        Trigger("DeleteRowAction");
    }
    EXPECT_EQ(window->BuildListUndo().History().UndoSteps(), 60u);
    for (int k = 0; k < 60; ++k) Trigger("UndoAction");
    EXPECT_EQ(Rows(), empty);
    Trigger("UndoAction");  // nothing left: no message, no change
    EXPECT_EQ(Rows(), empty);
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

}  // namespace
}  // namespace vesk::test
