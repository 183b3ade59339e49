// The settings tab, the page reactions, the "О Программе..." texts, and the wiring of the
// "Новый VESK" and "C10" pages to their commands.
#include <QImage>
#include <QPlainTextEdit>
#include <QTest>

#include "gui/text_grid_model.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

TEST_F(WindowTest, ApplyStoresTheUnpackFolderForTheNextStart) {
    const std::string mine = temp.MakeDir("mine");
    Start();
    Find<QLineEdit>("TempFolderEdit")->setText(QString::fromStdString(mine));
    QTest::mouseClick(Button("ApplyFolderButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Setting("Temp", "Files"), mine);
    // The pane is not refreshed by "Применить"; showing "Новый VESK" later uses the new folder.
    EXPECT_EQ(Find<FilePane>("FolderList")->Folder(), temp.File("bins/"));
    ShowTab("Новый VESK");
    EXPECT_EQ(Find<FilePane>("FolderList")->Folder(), mine);
    Close();
    Start();
    EXPECT_EQ(Text("TempFolderEdit"), mine);
}

TEST_F(WindowTest, PagesPointTheFilePaneAtTheirFolders) {
    const std::string mine = temp.MakeDir("mine");
    temp.Write("mine/x.bin", "x");
    Start();
    // The edit's text counts, saved or not.
    Find<QLineEdit>("TempFolderEdit")->setText(QString::fromStdString(mine));
    auto* pane = Find<FilePane>("FolderList");
    ShowTab("Новый VESK");
    EXPECT_EQ(pane->Folder(), mine);
    ASSERT_EQ(pane->count(), 1);
    EXPECT_EQ(pane->item(0)->text().toStdString(), "x.bin");
    ShowTab("Список");
    EXPECT_EQ(pane->Folder(), temp.File("bins/"));
    ShowTab("Новый VESK");
    ShowTab("Настройки");
    EXPECT_EQ(pane->Folder(), temp.File("bins/"));
    // "О Программе..." and "C10" leave the pane alone.
    ShowTab("Новый VESK");
    ShowTab("О Программе...");
    ShowTab("C10");
    EXPECT_EQ(pane->Folder(), mine);
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(WindowTest, AnUnusableUnpackFolderIsNamedOnceAndNothingIsAddedFromBins) {
    temp.Write("bins/a.bin", "abc");
    Start();
    auto* pane = Find<FilePane>("FolderList");
    auto* edit = Find<QLineEdit>("TempFolderEdit");
    for (const std::string& folder : {temp.File("nowhere/"), std::string()}) {
        ShowTab("Настройки");
        pane->setCurrentRow(0);  // a file of bins/ selected
        edit->setText(QString::fromStdString(folder));
        ShowTab("Новый VESK");
        ShowTab("Настройки");
        ShowTab("Новый VESK");
        // One message per folder text, naming it; the pane no longer offers bins/.
        ASSERT_EQ(boxes.size(), 1u) << folder;
        EXPECT_THAT(boxes[0].text, HasSubstr(folder.empty() ? "не указана" : "«" + folder + "» не найдена"));
        EXPECT_EQ(pane->count(), 0);
        boxes.clear();
        QTest::mouseClick(Button("AddFileButton"), Qt::LeftButton);  // "Добавить"
        EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 1), "");
        boxes.clear();
    }
}

TEST_F(WindowTest, AboutPageHoldsHistoryAndUsage) {
    Start();
    const QString history = Find<QPlainTextEdit>("HistoryText")->toPlainText();
    const QString usage = Find<QPlainTextEdit>("UsageText")->toPlainText();
    EXPECT_TRUE(Find<QPlainTextEdit>("HistoryText")->isReadOnly());
    EXPECT_TRUE(Find<QPlainTextEdit>("UsageText")->isReadOnly());
    // Newest first, from 3.5.3 down to 1.0, entries apart by a blank line, changes with "- ".
    EXPECT_THAT(history.toStdString(), StartsWith("3.5.3 ("));
    EXPECT_LT(history.indexOf("\n3.5 ("), history.indexOf("\n1.0"));
    EXPECT_TRUE(history.trimmed().endsWith(QString::fromUtf8("чтение списка файлов из дампа")));
    EXPECT_THAT(history.toStdString(), HasSubstr("\n\n3.5 ("));
    EXPECT_THAT(history.toStdString(), HasSubstr("Поддержка русского языка в именах файлов"));
    EXPECT_THAT(usage.toStdString(), StartsWith("Использование:"));
    EXPECT_THAT(usage.toStdString(), HasSubstr("SAMSUNG C100 Flasher"));
    EXPECT_THAT(usage.toStdString(), HasSubstr("[FIX]"));
    EXPECT_THAT(usage.toStdString(), HasSubstr("NN=NN"));
    EXPECT_THAT(usage.toStdString(), HasSubstr("XNNA=XNNA"));
}

TEST_F(WindowTest, BuildListKeysAndMenuReachTheirCommands) {
    const std::string mine = temp.MakeDir("mine");
    temp.Write("mine/a.bin", "abcdef");
    temp.Write("mine/b.bin", "ghijkl");
    Start();
    Find<QLineEdit>("TempFolderEdit")->setText(QString::fromStdString(mine));
    ShowTab("Новый VESK");
    auto* pane = Find<FilePane>("FolderList");
    ASSERT_EQ(pane->count(), 2);
    pane->setCurrentRow(0);
    QTest::mouseClick(Button("AddFileButton"), Qt::LeftButton);  // "Добавить"
    pane->setCurrentRow(1);
    window->findChild<QAction*>("AddFileAction")->trigger();  // the pane's "Добавить"
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 1), "a.bin");
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 2), "b.bin");
    EXPECT_EQ(Cell("BuildGrid", kBuildRowCol, 2), "2");

    auto* grid = Find<GridView>("BuildGrid");
    const QModelIndex numberCell = static_cast<TextGridModel*>(grid->model())->IndexOf(kBuildNumberCol, 1);
    EXPECT_FALSE(grid->model()->flags(numberCell) & Qt::ItemIsEditable);
    window->findChild<QAction*>("RenameAction")->trigger();  // "Переименовать"
    EXPECT_TRUE(grid->model()->flags(numberCell) & Qt::ItemIsEditable);
    grid->setFocus();
    grid->setCurrentIndex(numberCell);
    grid->edit(numberCell);
    QApplication::processEvents();
    QWidget* editor = grid->indexWidget(numberCell);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "7");
    QTest::keyClick(editor, Qt::Key_Return);  // Enter keeps the edit and ends editing
    EXPECT_EQ(window->GetForm().BuildGrid.Cell(kBuildNumberCol, 1), "7");
    EXPECT_FALSE(grid->model()->flags(numberCell) & Qt::ItemIsEditable);

    // Delete clears the current row but its number.
    ClickCell("BuildGrid", kBuildNameCol, 2);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 2), "");
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 2), "");
    EXPECT_EQ(Cell("BuildGrid", kBuildRowCol, 2), "2");
    // "Удалить" clears the current row too.
    ClickCell("BuildGrid", kBuildNameCol, 1);
    QTest::mouseClick(Button("DeleteRowButton"), Qt::LeftButton);
    EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, 1), "");
}

TEST_F(WindowTest, BuildNameTypedInTheEditNamesTheNewDump) {
    Start();
    Find<QLineEdit>("BuildNameEdit")->setText("mine.bin");
    QTest::mouseClick(Button("BlankDumpButton"), Qt::LeftButton);  // "Пустой "FF" файл"
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(ReadBytes(temp.File("bins/mine.bin")).size(), 48u * 65536u);
}

TEST_F(WindowTest, PicturesShowUnscaledInTheirBevel) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(0x10, 0x20, 0x30));
    image.setPixel(5, 7, qRgb(0xF0, 0x80, 0x00));
    const std::string bmp = temp.File("p.bmp");
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    Start();
    nextOpen = DialogChoice{bmp, 2};
    QTest::mouseClick(Button("OpenImageButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    ASSERT_EQ(openFilters.size(), 1u);
    EXPECT_EQ(openFilters[0].size(), 5);  // the four entries and PNG after them
    EXPECT_EQ(openFilters[0][0].toStdString(), "C10 (*.c10)");
    auto* view = Find<QLabel>("ImageView");
    auto* bevel = Find<QWidget>("ImageBevel");
    EXPECT_EQ(view->size(), QSize(40, 30));
    EXPECT_EQ(bevel->size(), QSize(42, 32));
    const QImage shown = view->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(shown.pixel(5, 7) & 0xFFFFFF, 0xF08000u);
    EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(Find<QLabel>("ImageNameLabel")->text().toStdString(), "p.bmp");
    EXPECT_EQ(Find<QLabel>("DimensionsLabel")->text().toStdString(), "40 x 30");
    EXPECT_EQ(Text("ImageWidthEdit"), "40");
    EXPECT_FALSE(Button("PreviewButton")->isEnabled());
    EXPECT_FALSE(Button("NextFrameButton")->isEnabled());

    // Saved as C10 and opened again as C10: the buttons come back, the caption is "2".
    nextSave = DialogChoice{temp.File("p"), 3};
    QTest::mouseClick(Button("SaveImageButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    nextOpen = DialogChoice{temp.File("p.c10"), 1};
    window->OnOpenImage();
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_TRUE(Button("PreviewButton")->isEnabled());
    EXPECT_FALSE(Button("NextFrameButton")->isEnabled());  // one frame
    EXPECT_EQ(Button("NextFrameButton")->text().toStdString(), "2");
    EXPECT_EQ(Find<QLabel>("DimensionsLabel")->text().toStdString(), "40 X 30");

    // A property field typed over is what "Просмотр" reads.
    Find<QLineEdit>("DataStartEdit")->setText("zz");
    QTest::mouseClick(Button("PreviewButton"), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "'zz' is not a valid integer value");
    EXPECT_EQ(window->GetForm().DataStartEdit, "zz");
}

}  // namespace
}  // namespace vesk::test
